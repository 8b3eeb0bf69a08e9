#include "app/layout_model.h"

namespace yq {

namespace {
int trunc(double v) {
    return static_cast<int>(v);
}
}  // namespace

MainLayout compute_main_layout(int W, int H) {
    MainLayout m{};
    m.region = {2, 2, W + 1, H - 1};
    m.page_control = {5, 104, W - 8, H - 130};
    const int G = W - 10;
    m.list_width = G;
    m.list_col0 = trunc(G / 3.0 * 2);
    m.list_col1 = trunc(G / 3.0 - 70);
    m.paging_left[0] = trunc((G - 430) / 2.0);
    for (int i = 1; i < 5; ++i) m.paging_left[i] = m.paging_left[i - 1] + 100;
    const int cols[6] = {210, 120, 27, 210, 120, 27};
    for (int i = 0; i < 6; ++i) m.system_grid_cols[i] = cols[i];
    const int F = trunc(G / 2.0) * 2;
    m.search_grid_col0 = trunc(F / 3.0 * 2);
    m.search_grid_col1 = F - m.search_grid_col0 - 67;
    m.caption_buttons[0] = {W - 48, 3, 37, 19};
    m.caption_buttons[1] = {W - 73, 3, 25, 19};
    m.caption_buttons[2] = {W - 98, 3, 25, 19};
    m.caption_buttons[3] = {W - 123, 3, 25, 19};
    m.caption_buttons[4] = {W - 148, 3, 25, 19};
    m.caption_buttons[5] = {W - 35, 80, 27, 22};
    m.system_grid_width = W - 8;
    return m;
}

LayoutRect control_rect(const ControlDesign& d, const MainLayout& l) {
    LayoutRect r{d.x, d.y, d.w, d.h};
    switch (d.id) {
        case ctl::kFontGrid:
        case ctl::kSearchResultGrid:
        case ctl::kAdGroup:
        case ctl::kBackupGrid:
        case ctl::kDownloadedGrid:
        case ctl::kBinGrid:
            r.w = l.list_width;
            break;
        case ctl::kFirstPageButton:
            r.x = l.paging_left[0];
            break;
        case ctl::kPreviousPageButton:
            r.x = l.paging_left[1];
            break;
        case ctl::kNextPageButton:
            r.x = l.paging_left[2];
            break;
        case ctl::kLastPageButton:
            r.x = l.paging_left[3];
            break;
        case ctl::kPageIndicatorLabel:
            r.x = l.paging_left[4];
            break;
        default:
            break;
    }
    return r;
}

int page_for_tab(int tab) {
    switch (tab) {
        case 1:
            return 1;
        case 2:
            return 0;
        case 3:
            return 2;
        case 4:
            return 3;
        case 5:
            return 4;
        default:
            return -1;
    }
}

}  // namespace yq
