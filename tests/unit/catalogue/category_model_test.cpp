#include "catalogue/category_model.h"

#include <gtest/gtest.h>

#include "fake_records.h"

namespace yq {
namespace {

using test::FakeRecords;
using test::FakeRow;
using test::kinds;
using test::texts_of;
using Kind = PageAction::Kind;

std::vector<CategoryButtonDrawing> buttons(const PageActions& actions) {
    std::vector<CategoryButtonDrawing> b;
    for (const PageAction& a : actions)
        if (a.kind == Kind::DrawCategoryButton) b.push_back(a.button);
    return b;
}

TEST(CategoryGroups, TabChoosesColumnByName) {
    EXPECT_EQ(category_column(0), "中文字体");
    EXPECT_EQ(category_column(1), "英文字体");
    EXPECT_EQ(category_column(2), "特殊字体");
    EXPECT_EQ(category_column(3), "");
    EXPECT_EQ(category_column(-1), "");
}

TEST(CategoryGroups, NamesAreCentrePadded) {
    EXPECT_EQ(pad_category_name("宋"), "   宋");           // 2 bytes: 3 spaces
    EXPECT_EQ(pad_category_name("a"), "   a");             // 1 byte: 7 / 2 = 3
    EXPECT_EQ(pad_category_name("宋体"), "  宋体");        // 4 bytes: 2
    EXPECT_EQ(pad_category_name("abcdef"), " abcdef");     // 6 bytes: 1
    EXPECT_EQ(pad_category_name("abcdefg"), " abcdefg");   // 7 bytes: 0 -> at least 1
    EXPECT_EQ(pad_category_name("书法字体"), "书法字体");  // 8 bytes: none
}

TEST(CategoryHitTest, ButtonsGapsAndMargins) {
    EXPECT_EQ(category_hit_test(10, 10), 1);
    EXPECT_EQ(category_hit_test(10, 0), 1);  // the margin above the first row is row 0
    EXPECT_EQ(category_hit_test(80, 60), 12);
    EXPECT_EQ(category_hit_test(70, 20), 0);  // gap between columns
    EXPECT_EQ(category_hit_test(10, 36), 0);  // gap between rows
    // Edges: 63 / 74 = 0.851 hits, 64 / 74 = 0.865 misses; 21 / 33 hits, 22 / 33 misses.
    EXPECT_EQ(category_hit_test(63, 10), 1);
    EXPECT_EQ(category_hit_test(64, 10), 0);
    EXPECT_EQ(category_hit_test(10, 31), 1);
    EXPECT_EQ(category_hit_test(10, 32), 0);
    EXPECT_EQ(category_hit_test(720, 10), 10);
    // Outside the panel nothing is hit, and no index below 1 or past the row comes back.
    EXPECT_EQ(category_hit_test(745, 10), 0);
    EXPECT_EQ(category_hit_test(10, -40), 0);
    EXPECT_EQ(category_hit_test(-80, 10), 0);
    EXPECT_EQ(category_hit_test(INT32_MAX, INT32_MAX), 0);
    EXPECT_EQ(category_hit_test(INT32_MIN, INT32_MIN), 0);
}

class CategoryViewTest : public ::testing::Test {
  protected:
    // "dl" with `count` Chinese-group names C1..Cn, each with a table of 6 fonts.
    void make_catalogue(int count) {
        auto& dl = records.tables["dl"];
        for (int i = 1; i <= count; ++i) {
            std::string name = "C" + std::to_string(i);
            FakeRow r;
            r.text["中文字体"] = name;
            dl.push_back(r);
            auto& t = records.tables[name];
            for (int j = 0; j < 6; ++j) {
                FakeRow f;
                f.text[kFontNameColumn] = name + "-" + std::to_string(j);
                t.push_back(f);
            }
        }
    }
    PageActions refresh(int tab = 0) {
        PageActions a;
        view.refresh_group(tab, records, list, installed, a);
        return a;
    }

    FakeRecords records;
    InstalledCheck installed = [](const std::string&) { return false; };
    ListModel list;
    CategoryView view;
};

TEST_F(CategoryViewTest, RefreshLaysOutTenPerRowAndSelectsTheFirst) {
    make_catalogue(12);
    PageActions a = refresh();
    EXPECT_EQ(view.count(), 12);
    EXPECT_EQ(view.selected(), 1);
    auto b = buttons(a);
    ASSERT_EQ(b.size(), 13u);  // twelve normal faces, then the first selected
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(b[i].x, 1 + 74 * i);
        EXPECT_EQ(b[i].y, 10);
        EXPECT_EQ(b[i].text_x, b[i].x + 8);
        EXPECT_EQ(b[i].text_y, 15);
        EXPECT_EQ(b[i].look, CategoryLook::Normal);
    }
    EXPECT_EQ(b[10].x, 1);
    EXPECT_EQ(b[10].y, 43);
    EXPECT_EQ(b[11].x, 75);
    EXPECT_EQ(b[11].text, "  C12");
    EXPECT_EQ(b[12].index, 1);
    EXPECT_EQ(b[12].look, CategoryLook::Selected);
    EXPECT_EQ(b[12].text, "   C1");
    EXPECT_EQ(list.category_table(), "C1");
    EXPECT_EQ(list.page_count(), 2);
    EXPECT_EQ(texts_of(a, Kind::SetPageIndicator).back(), "1/2");
    EXPECT_EQ(records.opened.front(), "dl");

    // The list is reset before the category panel is cleared and rebuilt.
    auto k = kinds(a);
    EXPECT_EQ(k[0], Kind::ClearListBuffer);
    EXPECT_LT(std::find(k.begin(), k.end(), Kind::HidePreviewButtons) - k.begin(),
              std::find(k.begin(), k.end(), Kind::ClearCategoryPanel) - k.begin());
}

TEST_F(CategoryViewTest, NamesAreTrimmedAndEmptyValuesSkipped) {
    auto& dl = records.tables["dl"];
    for (std::string v : {"\xA1\xA1 宋体 ", "", "   ", "黑体", "x"}) {
        FakeRow r;
        r.text["中文字体"] = v;
        r.text["特殊字体"] = "S" + v;
        dl.push_back(r);
    }
    records.tables["宋体"] = {};
    PageActions a = refresh();
    ASSERT_EQ(view.count(), 3);
    EXPECT_EQ(view.name(1), "  宋体");
    EXPECT_EQ(view.name(2), "  黑体");
    EXPECT_EQ(view.name(3), "   x");
    EXPECT_EQ(view.x_of(3), 149);
    EXPECT_EQ(list.category_table(), "宋体");

    // Tab 2 reads "特殊字体": every row has a value there.
    refresh(2);
    EXPECT_EQ(view.count(), 5);
    // A tab without a column finds nothing and hides the text preview.
    a = refresh(7);
    EXPECT_EQ(view.count(), 0);
    EXPECT_EQ(kinds(a).back(), Kind::HideTextPreview);
}

TEST_F(CategoryViewTest, MissingCatalogueShowsOneErrorAndNoButtons) {
    PageActions a = refresh();
    EXPECT_EQ(texts_of(a, Kind::ShowMessage), (std::vector<std::string>{"no table dl"}));
    EXPECT_EQ(view.count(), 0);
    EXPECT_TRUE(buttons(a).empty());
    EXPECT_EQ(kinds(a).back(), Kind::HideTextPreview);
    EXPECT_EQ(list.page_count(), 0);
}

TEST_F(CategoryViewTest, ClickSelectsAndRestoresThePreviousButton) {
    make_catalogue(12);
    refresh();

    PageActions a;
    view.click(80, 60, records, list, installed, a);  // category 12
    EXPECT_EQ(view.selected(), 12);
    auto b = buttons(a);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0].index, 1);
    EXPECT_EQ(b[0].look, CategoryLook::Normal);
    EXPECT_EQ(b[0].text_x, 1 + 9);  // restored buttons write their name one pixel further
    EXPECT_EQ(b[1].index, 12);
    EXPECT_EQ(b[1].look, CategoryLook::Selected);
    EXPECT_EQ(b[1].x, 75);
    EXPECT_EQ(b[1].y, 43);
    EXPECT_EQ(b[1].text_x, 83);
    EXPECT_EQ(list.category_table(), "C12");

    a.clear();
    view.click(80, 60, records, list, installed, a);   // already selected
    view.click(160, 60, records, list, installed, a);  // index 13 > count
    view.click(70, 10, records, list, installed, a);   // gap
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(view.selected(), 12);
}

TEST_F(CategoryViewTest, HoverMovesTheHoverLook) {
    make_catalogue(3);
    refresh();  // category 1 selected

    PageActions a;
    view.hover(10, 10, a);  // over the selected one: nothing
    EXPECT_TRUE(a.empty());
    view.hover(80, 10, a);
    auto b = buttons(a);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].index, 2);
    EXPECT_EQ(b[0].look, CategoryLook::Hover);
    EXPECT_EQ(b[0].text_x, 75 + 8);
    EXPECT_EQ(view.hovered(), 2);

    a.clear();
    view.hover(160, 10, a);  // to category 3: 2 back to normal, 3 hovered
    b = buttons(a);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0].index, 2);
    EXPECT_EQ(b[0].look, CategoryLook::Normal);
    EXPECT_EQ(b[0].text_x, 75 + 9);
    EXPECT_EQ(b[1].index, 3);

    a.clear();
    view.hover(300, 10, a);  // category 5 does not exist: nothing changes
    EXPECT_TRUE(a.empty());
    view.hover(70, 10, a);  // a gap: 3 back to normal
    b = buttons(a);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].index, 3);
    EXPECT_EQ(b[0].look, CategoryLook::Normal);
    EXPECT_EQ(view.hovered(), 0);

    // The hovered button that then gets selected stays hovered, and leaving it
    // does not draw it normal.
    a.clear();
    view.hover(80, 10, a);
    view.click(80, 10, records, list, installed, a);
    a.clear();
    view.hover(70, 10, a);
    EXPECT_TRUE(buttons(a).empty());
    EXPECT_EQ(view.hovered(), 2);
}

}  // namespace
}  // namespace yq
