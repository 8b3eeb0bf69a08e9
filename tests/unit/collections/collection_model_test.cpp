#include "collections/collection_model.h"

#include <gtest/gtest.h>

namespace yq {
namespace {

// The captions as the pages show them: percentages truncated after a double
// division, never rounded, and counts in plain decimal.
TEST(CollectionCaptions, PercentagesAreTruncatedAfterADoubleDivision) {
    EXPECT_EQ(progress_caption("p:", 1, 4), "p:25%");
    EXPECT_EQ(progress_caption("p:", 4, 4), "p:100%");
    EXPECT_EQ(progress_percent(1, 200), 0);
    EXPECT_EQ(progress_percent(2, 200), 1);
    EXPECT_EQ(progress_percent(199, 200), 99);
    EXPECT_EQ(progress_percent(29, 100), 28);  // 29 / 100 * 100 = 28.999...
    EXPECT_EQ(progress_percent(1, 3), 33);
    EXPECT_EQ(progress_percent(2, 3), 66);
    EXPECT_EQ(progress_percent(5, 0), 0);
    // The row count is read again for each row: rows that went meanwhile
    // can push the percentage past 100.
    EXPECT_EQ(progress_percent(3, 2), 150);
    EXPECT_EQ(count_caption("n:", 0), "n:0");
    EXPECT_EQ(count_caption("n:", 2000), "n:2000");
}

}  // namespace
}  // namespace yq
