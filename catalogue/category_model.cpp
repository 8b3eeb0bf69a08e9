#include "catalogue/category_model.h"

#include <cmath>

#include "base/text.h"

namespace yq {

const std::string kCategoryTable = "dl";

namespace {

// GBK bytes spelled out so that every compiler gives the same column names.
const std::string kGroupColumns[3] = {
    "\xD6\xD0\xCE\xC4\xD7\xD6\xCC\xE5",  // 中文字体
    "\xD3\xA2\xCE\xC4\xD7\xD6\xCC\xE5",  // 英文字体
    "\xCC\xD8\xCA\xE2\xD7\xD6\xCC\xE5",  // 特殊字体
};
const std::string kNoColumn;

// Button positions are far inside this; beyond it a point cannot hit anything
// and the float-to-int conversion below stays defined.
constexpr float kHitTestLimit = 1.0e6f;

int button_y(int index) {
    return kCategoryFirstY + kCategoryStepY * ((index - 1) / kCategoriesPerRow);
}

}  // namespace

const std::string& category_column(int tab_index) {
    return tab_index >= 0 && tab_index < 3 ? kGroupColumns[tab_index] : kNoColumn;
}

std::string pad_category_name(std::string_view trimmed) {
    size_t n = trimmed.size();
    if (n >= 8) return std::string(trimmed);
    size_t pad = (8 - n) / 2;
    if (pad == 0) pad = 1;
    return std::string(pad, ' ') + std::string(trimmed);
}

int category_hit_test(int x, int y) {
    // Both quotients are kept in single precision, as the miss test expects.
    float column = static_cast<float>(static_cast<double>(x) / kCategoryStepX);
    float row =
        static_cast<float>(static_cast<double>(y - int64_t{kCategoryFirstY}) / kCategoryStepY);
    if (std::fabs(column) > kHitTestLimit || std::fabs(row) > kHitTestLimit) return 0;
    int c = static_cast<int>(column);
    int r = static_cast<int>(row);
    if (static_cast<double>(column) - c - 0.86 > 1e-7) return 0;
    if (static_cast<double>(row) - r - 0.66 > 1e-7) return 0;
    // Left of the first button or above the 10-pixel margin there is no button:
    // such points would give an index below 1.
    if (c < 0 || r < 0 || c >= kCategoriesPerRow) return 0;
    int64_t index = int64_t{r} * kCategoriesPerRow + c + 1;
    return index < 1 || index > INT32_MAX ? 0 : static_cast<int>(index);
}

const std::string& CategoryView::name(int index) const {
    return index >= 1 && index <= count() ? names_[index - 1] : kNoColumn;
}

int CategoryView::x_of(int index) const {
    return index >= 1 && index <= count() ? xs_[index - 1] : 0;
}

void CategoryView::draw_button(int index, CategoryLook look, int text_dx, PageActions& out) const {
    if (index < 1 || index > count()) return;
    PageAction a;
    a.kind = PageAction::Kind::DrawCategoryButton;
    CategoryButtonDrawing& b = a.button;
    b.index = index;
    b.look = look;
    b.x = xs_[index - 1];
    b.y = button_y(index);
    b.text_x = b.x + text_dx;
    b.text_y = b.y + kCategoryTextDy;
    b.text = names_[index - 1];
    out.push_back(std::move(a));
}

void CategoryView::refresh_group(int tab_index, CatalogueRecords& records, ListModel& list,
                                 const InstalledCheck& installed, PageActions& out,
                                 int panel_width) {
    list.reset(out);

    std::string error;
    if (!records.open_table(kCategoryTable, error)) {
        PageAction a;
        a.kind = PageAction::Kind::ShowMessage;
        a.text = error;
        out.push_back(std::move(a));
    }
    const std::string& column = category_column(tab_index);
    int x = kCategoryFirstX;
    int y = kCategoryFirstY;
    PageAction clear;
    clear.kind = PageAction::Kind::ClearCategoryPanel;
    out.push_back(std::move(clear));

    names_.clear();
    xs_.clear();
    selected_ = 0;
    hovered_ = 0;

    records.move_to(0);
    int rows = records.record_count();
    for (int i = 0; i < rows; ++i) {
        std::string value = column.empty() ? std::string() : trim_blanks(records.read_text(column));
        records.move_next();
        if (value.empty()) continue;
        names_.push_back(pad_category_name(value));
        xs_.push_back(x);

        PageAction a;
        a.kind = PageAction::Kind::DrawCategoryButton;
        CategoryButtonDrawing& b = a.button;
        b.index = count();
        b.look = CategoryLook::Normal;
        b.x = x;
        b.y = y;
        b.text_x = x + kCategoryTextDx;
        b.text_y = y + kCategoryTextDy;
        b.text = names_.back();
        out.push_back(std::move(a));

        x += kCategoryStepX;
        if (static_cast<double>(x) - (static_cast<double>(panel_width) - 50.0) > 1e-7) {
            x = kCategoryFirstX;
            y += kCategoryStepY;
        }
    }
    records.close_table();

    if (count() > 0) {
        click(10, 10, records, list, installed, out);
    } else {
        PageAction hide;
        hide.kind = PageAction::Kind::HideTextPreview;
        out.push_back(std::move(hide));
    }
}

void CategoryView::click(int x, int y, CatalogueRecords& records, ListModel& list,
                         const InstalledCheck& installed, PageActions& out) {
    int k = category_hit_test(x, y);
    if (k == 0 || k == selected_ || k > count()) return;
    if (selected_ != 0) draw_button(selected_, CategoryLook::Normal, kCategoryTextDxRestored, out);
    draw_button(k, CategoryLook::Selected, kCategoryTextDx, out);
    list.select_category(names_[k - 1], records, installed, out);
    selected_ = k;
}

void CategoryView::hover(int x, int y, PageActions& out) {
    int k = category_hit_test(x, y);
    if (k == 0) {
        if (hovered_ != 0 && hovered_ != selected_) {
            draw_button(hovered_, CategoryLook::Normal, kCategoryTextDxRestored, out);
            hovered_ = 0;
        }
        return;
    }
    if (k == hovered_ || k > count() || k == selected_) return;
    if (hovered_ != 0 && hovered_ != selected_)
        draw_button(hovered_, CategoryLook::Normal, kCategoryTextDxRestored, out);
    draw_button(k, CategoryLook::Hover, kCategoryTextDx, out);
    hovered_ = k;
}

}  // namespace yq
