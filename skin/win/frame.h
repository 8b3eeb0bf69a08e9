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

#include "platform/win/messages.h"
#include "skin/frame_model.h"
#include "skin/skin_model.h"

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

// Takes over the drawn parts of `main` (call once, at main window creation).
void attach_frame(HWND main, FrameHooks hooks);
// The main window the frame is attached to, or null.
HWND frame_window();

// Main-window message handling of the frame; returns true when the message
// was consumed (then *result is the window procedure's result).
bool frame_handle_message(HWND w, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

// Caption buttons 1..5 and the skin button, from the size-changed layout.
void set_caption_buttons(const std::array<FrameRect, 6>& rects);
// A press on the page area (closes the skin colour popup when open).
void frame_page_pressed();
// 时钟1: one step of the caption buttons' hover fade.
void frame_fade_tick();
// Tab k (1..5) becomes the selected one (the page selection's mark).
void frame_select_tab(int k);
// The keyboard: Ctrl+1..5 and Ctrl+Tab / Ctrl+Shift+Tab select a page as a
// press on its tab does; Esc (or the program losing the foreground)
// closes the skin popup. True when the key was the frame's.
bool frame_key(UINT vk, bool ctrl, bool shift);
void frame_close_popup();

// The skin the window wears (process-wide), and a change of it: applies a
// preset and/or custom colour (apply_skin), saves "pf" and "lb" in pos.ini
// and repaints the main window.
const SkinState& window_skin();
void apply_window_skin(int preset, bool use_picture, Colour colour, bool use_colour);

}  // namespace yq
