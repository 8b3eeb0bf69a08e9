// The tooltip of the system font grids' sample cells: the font's file, its
// scope and how much Chinese it covers (font_tooltip_model.h), shown when
// the mouse has rested on a sample for half a second.
#pragma once

#include <windows.h>

#include <string>

namespace yq {

// Shows `text` (lines joined by "\r\n") in the tooltip beside the mouse,
// over `grid`. The tooltip window's own text is set to it as well, so a test
// can read what is shown. UI thread.
void show_font_tooltip(HWND grid, const std::string& text);

// Hides the tooltip, if it is shown.
void hide_font_tooltip();

}  // namespace yq
