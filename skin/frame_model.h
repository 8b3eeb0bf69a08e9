// The mouse on the drawn parts of the main window: the five page tabs, the
// five caption buttons (close, maximise, minimise, move, control menu) and
// the skin button, with the hover fade of the caption buttons. Portable:
// each event updates the states and returns, in order, what the Win32 frame
// must do (redraw an element, run the fade timer, select a page, move the
// window, run a caption button's action). UI thread only.
//
//   FrameModel::set_caption_buttons   rectangles from the size-changed layout
//   FrameModel::mouse_move / mouse_leave / left_down / left_up   the mouse
//   FrameModel::fade_tick             the 20 ms fade timer (时钟1)
//   FrameModel::page_pressed          a press on the page area: closes the popup
#pragma once

#include <array>
#include <vector>

namespace yq {

// x, y, width, height in main-window client pixels. A point is inside when
// x <= px <= x + w and y <= py <= y + h, both ends included.
struct FrameRect {
    int x = 0, y = 0, w = 0, h = 0;
};

inline constexpr int kFrameTabs = 5;
inline constexpr int kCaptionButtons = 5;   // 1 close .. 5 control menu
inline constexpr int kSkinButton = 6;       // the caption record after them
inline constexpr int kFadeStep = 5;         // alpha added per fade tick
inline constexpr int kFadeIntervalMs = 20;  // 时钟1 while a fade runs

// States of tabs and buttons.
inline constexpr int kNormal = 0;
inline constexpr int kHover = 1;
inline constexpr int kPressed = 2;  // a tab: selected; the skin button: popup open
inline constexpr int kSelected = 2;
inline constexpr int kInert = 5;  // an unselected tab while the popup is open

enum class CaptionAction { None, Close, Maximise, Minimise, Move, ControlMenu };

struct FrameAction {
    enum class Kind {
        RedrawTab,            // index 1..5
        RedrawCaptionButton,  // index 1..5, alpha, fading
        RedrawSkinButton,     // alpha, fading
        StartFade,            // run 时钟1 every kFadeIntervalMs
        StopFade,
        TrackLeave,  // ask for a mouse-leave notification
        SelectPage,  // index: tab 1..5 (the page selection runs)
        OpenPopup,   // the skin colour popup
        ClosePopup,
        InvalidateWindow,
        Capture,  // a press on a control: keep the mouse until release
        ReleaseCapture,
        StartMove,   // a press on no control: the system's window move
        RunCaption,  // caption: the action of a released button; x, y: the point
    };
    Kind kind;
    int index = 0;
    int alpha = 255;
    bool fading = false;
    CaptionAction caption = CaptionAction::None;
    int x = 0, y = 0;
};
using FrameActions = std::vector<FrameAction>;

// The action of caption button k (1..5) on release inside it.
CaptionAction caption_action(int k);

class FrameModel {
  public:
    // Tabs 1..5 at (9 + 76 (k - 1), 31, 76, 48), tab 1 selected. Without the
    // skin button, a press where it would be is a press on the empty header.
    explicit FrameModel(bool with_skin_button = true);

    // Caption buttons 1..5 and the skin button's hit area, in that order.
    void set_caption_buttons(const std::array<FrameRect, 6>& rects);

    FrameActions mouse_move(int x, int y);
    FrameActions mouse_leave();
    FrameActions left_down(int x, int y);
    FrameActions left_up(int x, int y);
    FrameActions fade_tick();
    // A press on the page area: with the popup open, closes it, sets the
    // skin button back and every unselected tab back to normal.
    FrameActions page_pressed();

    // Tab k (1..5) becomes the only selected one, as the page selection
    // shows its page; nothing is redrawn.
    void select_tab(int k);

    // The keyboard's way to a page (Ctrl+1..5, Ctrl+Tab): what a press on
    // tab k does, the popup closed first when open. k outside 1..5 does
    // nothing.
    FrameActions tab_key(int k);
    // The tab a step of Ctrl+Tab (+1) or Ctrl+Shift+Tab (-1) leads to from
    // the selected one, round the five.
    int tab_after(int step) const;

    int tab_state(int k) const { return tabs_[k - 1].state; }
    int button_state(int k) const { return buttons_[k - 1].state; }
    const FrameRect& tab_rect(int k) const { return tabs_[k - 1].rect; }
    const FrameRect& button_rect(int k) const { return buttons_[k - 1].rect; }
    int fade_alpha() const { return fade_alpha_; }
    // Whether the last press hit a tab, a caption button or the skin button.
    bool control_press() const { return control_press_; }
    bool popup_open() const { return buttons_[kSkinButton - 1].state == kPressed; }

  private:
    struct Element {
        FrameRect rect;
        int state = kNormal;
    };
    void close_popup(FrameActions& out);

    std::array<Element, kFrameTabs> tabs_;
    std::array<Element, 6> buttons_;  // caption buttons 1..5, then the skin button
    bool with_skin_button_;
    bool control_press_ = false;
    int fade_alpha_ = 0;
};

}  // namespace yq
