// Test assertions on Status and Result: EXPECT_TRUE(IsOk(s)) fails with the
// code and the message of the failure.
#pragma once

#include <gtest/gtest.h>

#include "base/status.h"

namespace yq::test {

inline ::testing::AssertionResult IsOk(const Status& s) {
    if (s.ok()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << to_string(s.code()) << ": " << s.message();
}

template <typename T>
::testing::AssertionResult IsOk(const Result<T>& r) {
    return IsOk(r.status());
}

}  // namespace yq::test
