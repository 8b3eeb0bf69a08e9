// The status line: a strip in the frame's bottom band showing the status
// text in 宋体 13 px on the skin's frame colour. Its text is the one piece
// of process-wide state the other subsystems set (the version checks);
// it is kept and drawn here. UI thread only: workers hand text over with
// win::run_on_ui.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win/messages.h"
#include "skin/skin_model.h"

namespace yq {

// The main window answers kStatusTextAtomMessage (messages.h) with the text.
using win::kStatusTextAtomMessage;

// The text shown from now on; drawn at once in the colour last used, or
// (draw = false) by the next redraw.
void set_status_text(const std::string& text, bool draw = true);
const std::string& status_text();

// Draws the status text in `colour`; keep = false uses the skin's default
// status-text colour instead. The colour in use is remembered, and the
// paint of the frame draws the line again in it.
void draw_status_line(Colour colour, bool keep);
void redraw_status_line();
// The skin has changed: the text takes its status-text colour, from the
// repaint that follows.
void status_line_follows_skin();

}  // namespace yq
