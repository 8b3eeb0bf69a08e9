// The category view of the catalogue page: the category buttons of the
// selected group (one column of the table "dl"), their layout, hit test and
// looks, and the selection that drives the catalogue list.
//
//   category_column          "dl" column read for a group tab
//   pad_category_name        centre padding of a name as listed and drawn
//   category_hit_test        button index under a point of the category panel
//   CategoryView::refresh_group   rebuild the buttons, reset the list, select the first
//   CategoryView::click / hover   mouse on the category panel
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalogue/list_model.h"
#include "catalogue/page_actions.h"

namespace yq {

inline constexpr int kCategoryPanelWidth = 736;  // 分类画板
inline constexpr int kCategoryPanelHeight = 143;
inline constexpr int kCategoryFirstX = 1;
inline constexpr int kCategoryFirstY = 10;
inline constexpr int kCategoryStepX = 74;  // 64 wide plus a gap of 10
inline constexpr int kCategoryStepY = 33;  // 23 high plus a gap of 10
inline constexpr int kCategoryButtonWidth = 64;
inline constexpr int kCategoryButtonHeight = 23;
inline constexpr int kCategoriesPerRow = 10;
inline constexpr int kCategoryTextDx = 8;          // text x in every look
inline constexpr int kCategoryTextDxRestored = 9;  // text x when a button goes back to normal
inline constexpr int kCategoryTextDy = 5;

extern const std::string kCategoryTable;  // "dl"

// Column of "dl" read for group tab 0, 1, 2: "中文字体", "英文字体", "特殊字体"
// (GBK). Any other tab gives "": no column, so the group has no categories.
const std::string& category_column(int tab_index);

// A name as listed: names under 8 bytes get (8 - n) / 2 spaces in front, at
// least one; names of 8 bytes or more are kept. `trimmed` has no blanks at its ends.
std::string pad_category_name(std::string_view trimmed);

// 1-based index of the button under (x, y) assuming ten buttons per row, or 0
// for a point in a gap between buttons. The 10-pixel margin above the first
// row counts as row 0. The index may exceed the number of categories.
int category_hit_test(int x, int y);

class CategoryView {
  public:
    int count() const { return static_cast<int>(names_.size()); }
    int selected() const { return selected_; }
    int hovered() const { return hovered_; }
    // Name (with its padding) and left x of category 1..count(); "" and 0 outside.
    const std::string& name(int index) const;
    int x_of(int index) const;

    // Group refresh for tab `tab_index`: resets the list, reads the group's
    // column of "dl" (an open failure shows its error), lays out and draws
    // the buttons for a panel of `panel_width`, then selects the first
    // category, or hides the text-preview controls when there is none.
    void refresh_group(int tab_index, CatalogueRecords& records, ListModel& list,
                       const InstalledCheck& installed, PageActions& out,
                       int panel_width = kCategoryPanelWidth);

    // Left button released at (x, y) on the category panel: selects the
    // button under it unless it is already selected.
    void click(int x, int y, CatalogueRecords& records, ListModel& list,
               const InstalledCheck& installed, PageActions& out);

    // Mouse moved to (x, y) on the category panel: moves the hover look.
    void hover(int x, int y, PageActions& out);

  private:
    void draw_button(int index, CategoryLook look, int text_dx, PageActions& out) const;

    std::vector<std::string> names_;
    std::vector<int> xs_;
    int selected_ = 0;
    int hovered_ = 0;
};

}  // namespace yq
