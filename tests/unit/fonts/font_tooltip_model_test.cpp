#include "fonts/font_tooltip_model.h"

#include <gtest/gtest.h>

namespace yq {
namespace {

TEST(FontTooltip, PercentagesRoundDownSoOnlyAWholeSetReadsHundred) {
    EXPECT_EQ(coverage_percent(6763, 6763), "100.0");
    EXPECT_EQ(coverage_percent(6762, 6763), "99.9");
    EXPECT_EQ(coverage_percent(1, 6763), "0.0");
    EXPECT_EQ(coverage_percent(1, 3), "33.3");
    EXPECT_EQ(coverage_percent(2, 3), "66.6");
    EXPECT_EQ(coverage_percent(0, 0), "0.0");
    EXPECT_EQ(coverage_percent(9, 3), "100.0");  // never more than the whole
}

TEST(FontTooltip, NamesTheFileItsScopeBothCountsAndTheLicence) {
    sfnt::HanziCoverage c{true, 6000, 3499};
    const LicenceSummary ofl{LicenceClass::kFree, "This Font Software is licensed under the SIL OFL"};
    EXPECT_EQ(font_tooltip_text("C:\\Users\\u\\Fonts\\宋体.ttf", FontScope::User, c, ofl),
              "文件: 宋体.ttf\r\n路径: C:\\Users\\u\\Fonts\\宋体.ttf\r\n安装: 当前用户\r\n"
              "GB2312 汉字: 6000 / 6763 (88.7%)\r\n常用 3500 字: 3499 / 3500 (99.9%)\r\n"
              "授权: 可免费商用\r\n授权说明: This Font Software is licensed under the SIL OFL");
    // Nothing read: the coverage says so, and a licence without a line has no 授权说明.
    EXPECT_EQ(font_tooltip_text("C:\\Windows\\Fonts\\x.ttf", FontScope::Machine, {}, {}),
              "文件: x.ttf\r\n路径: C:\\Windows\\Fonts\\x.ttf\r\n安装: 所有用户\r\n"
              "汉字覆盖: 无法读取字符表\r\n授权: 授权未知");
}

}  // namespace
}  // namespace yq
