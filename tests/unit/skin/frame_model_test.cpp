#include "skin/frame_model.h"

#include <gtest/gtest.h>

namespace yq {
namespace {

using Kind = FrameAction::Kind;

// The design size's rectangles (W = 744): close, maximise, minimise, move,
// menu, skin button.
FrameModel model(bool with_skin_button = true) {
    FrameModel m(with_skin_button);
    m.set_caption_buttons({FrameRect{696, 3, 37, 19}, FrameRect{671, 3, 25, 19},
                           FrameRect{646, 3, 25, 19}, FrameRect{621, 3, 25, 19},
                           FrameRect{596, 3, 25, 19}, FrameRect{709, 80, 27, 22}});
    return m;
}

std::vector<Kind> kinds(const FrameActions& a) {
    std::vector<Kind> k;
    for (const FrameAction& x : a) k.push_back(x.kind);
    return k;
}

bool has(const FrameActions& a, Kind kind, int index = -1) {
    for (const FrameAction& x : a)
        if (x.kind == kind && (index < 0 || x.index == index)) return true;
    return false;
}

TEST(FrameModel, PressMoveOutReleaseDoesNothingAndReleaseInsideRunsTheAction) {
    FrameModel m = model();
    FrameActions down = m.left_down(700, 10);  // close
    EXPECT_EQ(m.button_state(1), kPressed);
    EXPECT_TRUE(has(down, Kind::RedrawCaptionButton, 1));
    EXPECT_EQ(down.back().kind, Kind::Capture);
    m.mouse_move(400, 300);  // out: a pressed button keeps its look
    EXPECT_EQ(m.button_state(1), kPressed);
    FrameActions up = m.left_up(400, 300);
    EXPECT_EQ(kinds(up), (std::vector<Kind>{Kind::ReleaseCapture, Kind::RedrawCaptionButton}));
    EXPECT_EQ(m.button_state(1), kNormal);

    const CaptionAction expected[6] = {CaptionAction::None,     CaptionAction::Close,
                                       CaptionAction::Maximise, CaptionAction::Minimise,
                                       CaptionAction::Move,     CaptionAction::ControlMenu};
    for (int k = 1; k <= 5; ++k) {
        const FrameRect& r = m.button_rect(k);
        m.left_down(r.x + 1, r.y + r.h);  // the bottom edge is inside
        FrameActions released = m.left_up(r.x, r.y);
        ASSERT_EQ(released.back().kind, Kind::RunCaption) << k;
        EXPECT_EQ(released.back().caption, expected[k]);
        EXPECT_EQ(released.back().x, r.x);
    }
    EXPECT_EQ(kinds(m.left_up(700, 10)),
              (std::vector<Kind>{Kind::ReleaseCapture}));  // none pressed
}

TEST(FrameModel, HoverFadesCloseMaximiseMinimiseAndShowsTheOthersAtOnce) {
    FrameModel m = model();
    FrameActions in = m.mouse_move(650, 10);  // minimise
    EXPECT_EQ(m.button_state(3), kHover);
    EXPECT_FALSE(has(in, Kind::RedrawCaptionButton));
    EXPECT_TRUE(has(in, Kind::StartFade));
    EXPECT_EQ(in.back().kind, Kind::TrackLeave);
    int ticks = 0;
    for (FrameActions t = m.fade_tick();; t = m.fade_tick()) {
        ++ticks;
        ASSERT_EQ(t.front().index, 3);
        if (has(t, Kind::StopFade)) {
            EXPECT_EQ(t.front().alpha, 255);
            EXPECT_FALSE(t.front().fading);
            break;
        }
        EXPECT_EQ(t.front().alpha, 5 * ticks);
        EXPECT_TRUE(t.front().fading);
        ASSERT_LT(ticks, 100);
    }
    EXPECT_EQ(ticks, 51);  // 5, 10, ... 255: about a second at 20 ms

    FrameActions menu = m.mouse_move(600, 10);  // leaves minimise, enters the menu button
    EXPECT_EQ(m.button_state(3), kNormal);
    EXPECT_TRUE(has(menu, Kind::RedrawCaptionButton, 3));
    EXPECT_TRUE(has(menu, Kind::RedrawCaptionButton, 5));
    EXPECT_TRUE(m.fade_tick().empty());  // the timer runs on, doing nothing
    // The hover test is a pixel narrower than the rectangle; the press is not.
    m.mouse_move(596 + 25, 10);
    EXPECT_EQ(m.button_state(5), kNormal);
}

TEST(FrameModel, TabsHoverAndMouseLeaveRestoresWhatHovered) {
    FrameModel m = model();
    EXPECT_EQ(m.tab_state(1), kSelected);
    m.mouse_move(100, 50);  // tab 2
    EXPECT_EQ(m.tab_state(2), kHover);
    m.mouse_move(20, 50);  // the selected tab 1 does not hover
    EXPECT_EQ(m.tab_state(2), kNormal);
    EXPECT_EQ(m.tab_state(1), kSelected);
    m.mouse_move(170, 50);
    m.mouse_move(700, 10);
    FrameActions leave = m.mouse_leave();
    EXPECT_EQ(m.tab_state(3), kNormal);
    EXPECT_EQ(m.button_state(1), kNormal);
    EXPECT_TRUE(has(leave, Kind::RedrawCaptionButton, 1));
    EXPECT_TRUE(m.mouse_leave().empty());
}

TEST(FrameModel, PressOnATabSelectsItsPageAndOnEmptyHeaderStartsAMove) {
    FrameModel m = model();
    FrameActions tab = m.left_down(170, 40);  // tab 3
    EXPECT_TRUE(m.control_press());
    EXPECT_TRUE(has(tab, Kind::SelectPage, 3));
    for (int k = 1; k <= 5; ++k) {
        EXPECT_TRUE(has(tab, Kind::RedrawTab, k));
        EXPECT_EQ(m.tab_state(k), k == 3 ? kSelected : kNormal);
    }
    EXPECT_EQ(tab.back().kind, Kind::Capture);
    for (auto [x, y] : {std::pair{500, 20}, std::pair{300, 600}, std::pair{720, 90}}) {
        FrameActions move = model(false).left_down(x, y);  // no skin button: (720, 90) is header
        EXPECT_EQ(kinds(move), (std::vector<Kind>{Kind::StartMove})) << x << "," << y;
    }
}

TEST(FrameModel, SkinButtonOpensThePopupAndAnyOtherPressClosesIt) {
    FrameModel m = model();
    m.mouse_move(720, 90);
    EXPECT_EQ(m.button_state(kSkinButton), kHover);
    FrameActions open = m.left_down(720, 90);
    EXPECT_TRUE(m.popup_open());
    EXPECT_TRUE(has(open, Kind::OpenPopup));
    for (int k = 2; k <= 5; ++k) EXPECT_EQ(m.tab_state(k), kInert);
    m.mouse_move(100, 50);  // inert tabs do not hover
    EXPECT_EQ(m.tab_state(2), kInert);
    // A press on a tab closes the popup and still selects that tab.
    FrameActions tab = m.left_down(100, 50);
    EXPECT_FALSE(m.popup_open());
    EXPECT_TRUE(has(tab, Kind::ClosePopup));
    EXPECT_TRUE(has(tab, Kind::SelectPage, 2));
    EXPECT_EQ(m.tab_state(1), kNormal);
    // An empty-area press closes it and still moves the window.
    m.left_down(720, 90);
    FrameActions empty = m.left_down(500, 20);
    EXPECT_TRUE(has(empty, Kind::ClosePopup));
    EXPECT_EQ(empty.back().kind, Kind::StartMove);
    // A press on the page area closes it; with the popup closed it does nothing.
    m.left_down(720, 90);
    EXPECT_TRUE(has(m.page_pressed(), Kind::InvalidateWindow));
    EXPECT_EQ(m.tab_state(3), kNormal);
    EXPECT_TRUE(m.page_pressed().empty());
    // The keyboard's way to a page is a press on its tab: the popup closes.
    m.left_down(720, 90);
    FrameActions key = m.tab_key(4);
    EXPECT_FALSE(m.popup_open());
    EXPECT_TRUE(has(key, Kind::ClosePopup));
    EXPECT_TRUE(has(key, Kind::SelectPage, 4));
    EXPECT_EQ(m.tab_state(4), kSelected);
    EXPECT_EQ(m.tab_after(1), 5);
    m.tab_key(5);
    EXPECT_EQ(m.tab_after(1), 1);  // round the five
    EXPECT_EQ(m.tab_after(-1), 4);
    EXPECT_TRUE(m.tab_key(6).empty());
}

}  // namespace
}  // namespace yq
