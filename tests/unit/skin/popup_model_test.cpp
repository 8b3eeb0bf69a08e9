#include "skin/popup_model.h"

#include <gtest/gtest.h>

namespace yq {
namespace {

using K = PopupAction::Kind;

// The centre of a rectangle.
int cx(const FrameRect& r) {
    return r.x + r.w / 2;
}
int cy(const FrameRect& r) {
    return r.y + r.h / 2;
}

bool has(const PopupActions& a, K kind, int index) {
    for (const PopupAction& x : a)
        if (x.kind == kind && x.index == index) return true;
    return false;
}

TEST(SkinPopup, RecordsSitWhereTheLayoutPutsThem) {
    SkinMarks marks;
    SkinPopupModel m(marks);
    EXPECT_EQ(m.thumbnail_rect(5).x, 74);
    EXPECT_EQ(m.thumbnail_rect(9).y, 119);
    EXPECT_EQ(m.cell_rect(1).x, 6);
    EXPECT_EQ(m.cell_rect(29).x, 6 + 17 * 4);  // row 3, column 5
    EXPECT_EQ(m.cell_rect(29).y, 34 + 18 * 2);
    EXPECT_EQ(m.selected_tab(), 2);  // nothing picked yet: the colours
}

TEST(SkinPopup, ThumbnailStatesFollowTheMouseAndThePicks) {
    SkinMarks marks{4, 0};
    SkinPopupModel m(marks);
    ASSERT_EQ(m.selected_tab(), 1);
    EXPECT_TRUE(has(m.painted(), K::RedrawThumbnail, 4));
    EXPECT_EQ(m.thumbnail_state(4), kMarked);
    const FrameRect five = m.thumbnail_rect(5), four = m.thumbnail_rect(4);
    // Hover: 0 -> 1 inside, back to 0 outside; a marked one 2 -> 3 -> 2.
    EXPECT_TRUE(has(m.mouse_move(cx(five), cy(five)), K::RedrawThumbnail, 5));
    EXPECT_EQ(m.thumbnail_state(5), kHover);
    m.mouse_move(cx(four), cy(four));
    EXPECT_EQ(m.thumbnail_state(5), kNormal);
    EXPECT_EQ(m.thumbnail_state(4), kMarkedHover);
    m.mouse_move(300, 300);
    EXPECT_EQ(m.thumbnail_state(4), kMarked);
    // A pick marks, applies, and unmarks the other; a second press on it does nothing.
    PopupActions a = m.left_down(cx(five), cy(five));
    EXPECT_TRUE(has(a, K::ApplySkin, 5));
    EXPECT_EQ(m.thumbnail_state(5), kMarkedHover);
    EXPECT_EQ(m.thumbnail_state(4), kNormal);
    EXPECT_EQ(marks.skin, 5);
    EXPECT_TRUE(m.left_down(cx(five), cy(five)).empty());
    // Between thumbnails, inside the grid: the mark goes, no skin changes.
    a = m.left_down(five.x + five.w, cy(five));  // the pixel between thumbnails 5 and 6
    EXPECT_EQ(m.thumbnail_state(5), kNormal);
    for (const PopupAction& x : a) EXPECT_NE(x.kind, K::ApplySkin);
    EXPECT_EQ(marks.skin, 5);  // the memory keeps the last pick
}

TEST(SkinPopup, ColourCellsAndTheTabs) {
    SkinMarks marks{0, 29};
    SkinPopupModel m(marks);
    ASSERT_EQ(m.selected_tab(), 2);
    EXPECT_TRUE(has(m.painted(), K::RedrawCell, 29));
    const FrameRect c3 = m.cell_rect(3), c29 = m.cell_rect(29);
    m.mouse_move(cx(c3), cy(c3));
    EXPECT_EQ(m.cell_state(3), kHover);
    m.mouse_move(cx(c29), cy(c29));
    EXPECT_EQ(m.cell_state(3), kNormal);
    EXPECT_EQ(m.cell_state(29), kMarked);  // a marked cell keeps its look under the mouse
    PopupActions a = m.left_down(cx(c3), cy(c3));
    ASSERT_TRUE(has(a, K::ApplyColour, 3));
    // The colour applied is the pressed cell's own (cells count from 1).
    for (const PopupAction& x : a) {
        if (x.kind == K::ApplyColour) {
            EXPECT_EQ(x.colour, kPaletteColours[2]);
        }
    }
    EXPECT_EQ(m.cell_state(3), kMarked);
    EXPECT_EQ(m.cell_state(29), kNormal);
    EXPECT_EQ(marks.colour, 3);
    EXPECT_EQ(marks.skin, 0);
    EXPECT_TRUE(m.left_down(cx(c3), cy(c3)).empty());
    // Tab hover, then a press on tab 1 switches to the skins and repaints;
    // with a colour picked, a thumbnail under the mouse loses any mark.
    EXPECT_TRUE(has(m.mouse_move(5, 5), K::RedrawTab, 1));
    EXPECT_EQ(m.tab_state(1), kHover);
    a = m.left_down(5, 5);
    EXPECT_TRUE(has(a, K::Repaint, 0));
    EXPECT_EQ(m.selected_tab(), 1);
    EXPECT_EQ(m.tab_state(2), kNormal);
    m.painted();
    const FrameRect one = m.thumbnail_rect(1);
    m.mouse_move(cx(one), cy(one));
    EXPECT_EQ(m.thumbnail_state(1), kHover);
    // Back to the colours: the tab press comes after the thumbnails saw it.
    a = m.left_down(45, 5);
    EXPECT_EQ(m.selected_tab(), 2);
    EXPECT_TRUE(has(m.painted(), K::RedrawCell, 3));
}

}  // namespace
}  // namespace yq
