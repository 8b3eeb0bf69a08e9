#include "base/status.h"

#include <gtest/gtest.h>

#include <memory>

namespace yq {
namespace {

TEST(Status, AFailureAlwaysCarriesAFailureCode) {
    EXPECT_TRUE(Status().ok());
    EXPECT_TRUE(Status().message().empty());
    const Status damaged(StatusCode::kCorrupt, "损坏");
    EXPECT_FALSE(damaged.ok());
    EXPECT_EQ(damaged.message(), "损坏");
    // A "failure" made with the ok code is still a failure.
    const Status odd(StatusCode::kOk, "x");
    EXPECT_FALSE(odd.ok());
    EXPECT_EQ(odd.code(), StatusCode::kInvalidArgument);
}

TEST(Result, HoldsAValueExactlyWhenOk) {
    Result<std::unique_ptr<int>> held(std::make_unique<int>(7));
    ASSERT_TRUE(held.ok());
    EXPECT_TRUE(held.status().ok());
    std::unique_ptr<int> taken = std::move(held).value();
    EXPECT_EQ(*taken, 7);

    Result<std::string> failed(Status(StatusCode::kNotFound, "no such table"));
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.status().code(), StatusCode::kNotFound);
    EXPECT_EQ(failed.value_or("fallback"), "fallback");

    // A Result made from an ok Status has no value, so it is not ok.
    Result<int> empty{Status()};
    EXPECT_FALSE(empty.ok());
    EXPECT_EQ(empty.status().code(), StatusCode::kInvalidArgument);
    EXPECT_EQ(empty.value_or(3), 3);
}

}  // namespace
}  // namespace yq
