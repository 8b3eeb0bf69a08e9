// The painted frame of the main window: header band with the title, the
// page tabs, the caption buttons, the border, the content background and the
// bottom band that carries the status line; and the mouse on those parts,
// whose states and transitions are the portable FrameModel's
// (skin/frame_model.h): this file only draws and applies its actions.
// UI thread only.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>

#include "platform/win/messages.h"
#include "skin/frame_model.h"
#include "skin/skin_model.h"
#include "skin/win/skin_popup.h"
#include "skin/win/status_line.h"

namespace yq {

// What the frame asks of the main window it is attached to.
struct FrameHooks {
    std::function<void(int tab)> select_page;        // tab 1..5 pressed
    std::function<void(int x, int y)> control_menu;  // caption button 5, at a client point
    std::function<void()> end_program;               // caption button 1
    std::function<void()> after_paint;               // end of every paint
};

// The main window answers kFramePixelsMessage (messages.h) with the pixels
// its last paint copied.
using win::kFramePixelsMessage;

// The frame of the main window, owned by it: the drawn parts, the skin it
// wears, its skin picker and its status line.
class Frame {
  public:
    // Takes over the drawn parts of `main` (once, at main window creation).
    Frame(HWND main, FrameHooks hooks);
    ~Frame();
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    // Main-window message handling of the frame; returns true when the
    // message was consumed (then *result is the window procedure's result).
    bool handle_message(HWND w, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

    // Caption buttons 1..5 and the skin button, from the size-changed layout.
    void set_caption_buttons(const std::array<FrameRect, 6>& rects);
    // A press on the page area (closes the skin colour popup when open).
    void page_pressed();
    // Tab k (1..5) becomes the selected one (the page selection's mark).
    void select_tab(int k);
    // The keyboard: Ctrl+1..5 and Ctrl+Tab / Ctrl+Shift+Tab select a page as
    // a press on its tab does; Esc (or the program losing the foreground)
    // closes the skin popup. True when the key was the frame's.
    bool key(UINT vk, bool ctrl, bool shift);
    void close_popup();

    // The skin the window wears, and a change of it: applies a preset
    // and/or custom colour (apply_skin), saves "pf" and "lb" in pos.ini and
    // repaints the main window.
    const SkinState& skin() const;
    void apply_skin(int preset, bool use_picture, Colour colour, bool use_colour);

    // The status line in the frame's bottom band.
    StatusLine& status_line();

    struct State;

  private:
    std::unique_ptr<State> state_;
};

}  // namespace yq
