#include "fonts/drop_model.h"

#include <gtest/gtest.h>

namespace yq {
namespace {

zip::Entry entry(std::string name, std::string file_name,
                 zip::EntryState state = zip::EntryState::Readable) {
    zip::Entry e;
    e.name = std::move(name);
    e.file_name = std::move(file_name);
    e.state = state;
    return e;
}

TEST(DropModel, KindsGoByExtensionInAnyCase) {
    EXPECT_EQ(dropped_kind("a.TTF"), DroppedKind::Font);
    EXPECT_EQ(dropped_kind("字体.ttc"), DroppedKind::Font);
    EXPECT_EQ(dropped_kind("b.Otf"), DroppedKind::Font);
    EXPECT_EQ(dropped_kind("包.ZIP"), DroppedKind::Pack);
    EXPECT_EQ(dropped_kind("ttf"), DroppedKind::Other);
    EXPECT_EQ(dropped_kind("a.ttf.txt"), DroppedKind::Other);
    EXPECT_EQ(dropped_kind("a.woff"), DroppedKind::Other);
}

TEST(DropModel, OnlyFontsThatStayInsideThePackAreInstalled) {
    using A = PackEntryPlan;
    EXPECT_EQ(plan_pack_entry(entry("字体/简体/a.ttf", "a.ttf")).action, A::kInstall);
    // Whatever else the pack holds is passed over without a word.
    EXPECT_EQ(plan_pack_entry(entry("readme.txt", "readme.txt")).action, A::kPassOver);
    EXPECT_EQ(plan_pack_entry(entry("../x.txt", "x.txt")).action, A::kPassOver);
    EXPECT_EQ(plan_pack_entry(entry("字体/", "", zip::EntryState::Folder)).action, A::kPassOver);
    // Names that step out, by either separator, from a root or a drive.
    for (const char* hostile : {"../evil.ttf", "a/../../evil.ttf", "..\\evil.ttf", "/evil.ttf",
                                "\\evil.ttf", "C:evil.ttf", "c:/Windows/Fonts/evil.ttf"}) {
        const PackEntryPlan plan = plan_pack_entry(entry(hostile, "evil.ttf"));
        EXPECT_EQ(plan.action, A::kRefuse) << hostile;
        EXPECT_STREQ(plan.why, "路径指向压缩包之外") << hostile;
    }
    // A name with dots that is not "..", and a ".." inside a file name, stay.
    EXPECT_EQ(plan_pack_entry(entry("v1..2/a..b.ttf", "a..b.ttf")).action, A::kInstall);
    EXPECT_EQ(plan_pack_entry(entry("x.ttf", "x.ttf", zip::EntryState::Encrypted)).action,
              A::kRefuse);
    EXPECT_EQ(plan_pack_entry(entry("x.ttf", "x.ttf", zip::EntryState::TooLarge)).why,
              std::string("文件过大"));
    EXPECT_EQ(plan_pack_entry(entry("x.otf", "x.otf", zip::EntryState::Unsupported)).action,
              A::kRefuse);
    // A pack in a pack is never opened; a font whose name Windows would
    // not store as given is refused rather than renamed.
    EXPECT_EQ(plan_pack_entry(entry("inner.zip", "inner.zip")).action, A::kRefuse);
    EXPECT_EQ(plan_pack_entry(entry("con.ttf", "")).action, A::kRefuse);
}

TEST(DropModel, TheSummaryCountsAndNamesTheFirstRefusals) {
    EXPECT_EQ(drop_summary(0, 0, {}), "拖入的文件中没有字体。");
    EXPECT_EQ(drop_summary(3, 1, {}), "已安装3个字体。\n1个早已安装(文件相同),未做改动。");
    std::vector<FailedFont> refused;
    for (int i = 0; i < 7; ++i)
        refused.push_back(
            {pack_entry_label("包.zip", "f" + std::to_string(i) + ".ttf"), "文件过大"});
    EXPECT_EQ(
        drop_summary(0, 0, refused),
        "已安装0个字体。\n7个未安装:\n包.zip 中的 f0.ttf(文件过大)\n包.zip 中的 f1.ttf(文件过大)"
        "\n包.zip 中的 f2.ttf(文件过大)\n包.zip 中的 f3.ttf(文件过大)"
        "\n包.zip 中的 f4.ttf(文件过大)\n……");
}

}  // namespace
}  // namespace yq
