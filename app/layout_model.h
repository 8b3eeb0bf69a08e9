// Where the size-changed layout puts things for a main window of W x H.
// Divisions are done in double precision and truncated toward zero.
#pragma once

#include "app/control_design.h"

namespace yq {

struct LayoutRect {
    int x, y, w, h;
    bool operator==(const LayoutRect&) const = default;
};

struct MainLayout {
    LayoutRect region;         // rounded clip: corners (2, 2), (W + 1, H - 1)
    LayoutRect page_control;   // the area of the five pages
    int list_width;            // G = W - 10, for the grids and the ad strip's group
    int list_col0, list_col1;  // 备份表格, 回收站表格, 我的字体表格
    int paging_left[5];        // 首页, 上一页, 下一页, 末页, the page indicator
    int system_grid_cols[6];   // 系统字体表格
    int search_grid_col0, search_grid_col1;  // the search results
    int system_grid_width;                   // 系统字体表格 after the last step: W - 8
    LayoutRect caption_buttons[6];           // skin caption buttons 1..6
};

MainLayout compute_main_layout(int width, int height);

// Where a control of the design goes in a window laid out as `l`, in its
// parent's pixels: its design rectangle, but as wide as the lists for the
// grids and the ad group, and at the paging row's places for the paging
// buttons and the page indicator.
LayoutRect control_rect(const ControlDesign& d, const MainLayout& l);

// Page shown for skin tab n (1..5); -1 for any other n.
int page_for_tab(int tab);

}  // namespace yq
