// What the main window's layout must do, whatever its size: every control a
// user can see lies inside the window, and no two of them on one page cover
// each other. By design a frame drawn around an edit box holds it, a page's
// empty-list or progress label lies over its list (one of the two is shown
// at a time), and the group tabs stand on the category panel below them.
#include "app/layout_model.h"

#include "catalogue/list_geometry.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace yq {
namespace {

// A face label drawn as the frame of the edit box (or search icon) inside it.
bool frames(const ControlDesign& outer, const ControlDesign& inner) {
    return outer.kind == ControlKind::FaceLabel && outer.face == Face::EditFrame &&
           (inner.kind == ControlKind::EditBox || inner.kind == ControlKind::PictureButton);
}

bool over_its_list(const ControlDesign& label, const ControlDesign& grid) {
    return label.kind == ControlKind::FaceLabel &&
           (label.face == Face::Sad || label.face == Face::Smile) && grid.kind == ControlKind::Grid;
}

bool designed_overlap(const ControlDesign& a, const ControlDesign& b) {
    return frames(a, b) || frames(b, a) || over_its_list(a, b) || over_its_list(b, a) ||
           (a.id == ctl::kGroupTabs && b.id == ctl::kCategoryPanel);
}

bool overlap(const LayoutRect& a, const LayoutRect& b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

TEST(Layout, EveryShownControlInsideTheWindowAndNoneCoveringAnother) {
    for (auto [W, H] : {std::pair{744, 620}, {800, 660}, {1024, 768}, {1280, 1024}}) {
        const MainLayout l = compute_main_layout(W, H);
        const std::string size = std::to_string(W) + "x" + std::to_string(H);
        EXPECT_GE(l.page_control.x, 0);
        EXPECT_LE(l.page_control.x + l.page_control.w, W) << size;
        EXPECT_LE(l.page_control.y + l.page_control.h, H) << size;
        for (size_t i = 0; i < kControlCount; ++i) {
            const ControlDesign& a = kControls[i];
            if (!a.visible || a.parent != kControlEnd) continue;
            const LayoutRect r = control_rect(a, l);
            EXPECT_TRUE(r.x >= 0 && r.y >= 0 && l.page_control.x + r.x + r.w <= W &&
                        l.page_control.y + r.y + r.h <= H)
                << a.name << " at " << size << ": " << r.x << "," << r.y << " " << r.w << "x"
                << r.h;
            for (size_t j = i + 1; j < kControlCount; ++j) {
                const ControlDesign& b = kControls[j];
                if (!b.visible || b.parent != kControlEnd || b.page != a.page) continue;
                if (designed_overlap(a, b)) continue;
                EXPECT_FALSE(overlap(r, control_rect(b, l)))
                    << a.name << " and " << b.name << " at " << size;
            }
        }
        // The caption buttons and the skin button, inside the window, apart.
        for (int k = 0; k < 6; ++k) {
            const LayoutRect& b = l.caption_buttons[k];
            EXPECT_TRUE(b.x >= 0 && b.x + b.w <= W && b.y >= 0 && b.y + b.h <= H) << k << size;
            for (int m = k + 1; m < 6; ++m)
                EXPECT_FALSE(overlap(b, l.caption_buttons[m])) << k << " " << m << size;
        }
    }
}

// The list draws each row's licence class to the left of the 预览 buttons,
// which lie over the list panel: the geometry it draws by is the design's.
TEST(Layout, TheListKnowsWhereTheRowPreviewButtonsLie) {
    const ControlDesign* panel = find_control(ctl::kListPanel);
    ASSERT_TRUE(panel);
    for (Ctl button : ctl::kRowPreviewButtons) {
        const ControlDesign* b = find_control(button);
        ASSERT_TRUE(b);
        EXPECT_EQ(b->x - panel->x, kPreviewButtonX) << b->name;
    }
}

}  // namespace
}  // namespace yq
