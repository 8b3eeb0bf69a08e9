// The painted frame of the main window: header band with the title, the
// caption buttons, the border, the content background and the bottom band
// that carries the status line; and the mouse on those parts.
#pragma once

#include <windows.h>

#include "skin/skin_model.h"

namespace yq {

// Applies a skin preset and/or custom colour, saves "pf" and "lb" in pos.ini
// and repaints the main window.
void skin_apply(int preset, bool use_picture, Colour colour, bool use_colour);

// Main-window message handling of the skin; returns true when the message was
// consumed. Paint handling ends with the working-folder preparation.
bool skin_handle_message(HWND w, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

}  // namespace yq
