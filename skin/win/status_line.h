// The status line: a strip in the frame's bottom band showing the status
// text in 宋体 13 px on the skin's frame colour. UI thread only: workers
// hand text over with win::run_on_ui.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win/messages.h"
#include "skin/skin_model.h"

namespace yq {

// The main window answers kStatusTextAtomMessage (messages.h) with the text.
using win::kStatusTextAtomMessage;

// The line of one window: owned by its frame, which draws it with every
// paint and hands it to whoever reports there (the version checks).
class StatusLine {
  public:
    // `window` is the framed main window; `skin` the frame's skin, which
    // outlives the line.
    StatusLine(HWND window, const SkinState& skin);
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    // The text shown from now on; drawn at once in the colour last used,
    // or (draw = false) by the next redraw.
    void set_text(const std::string& text, bool draw_now = true);
    const std::string& text() const { return text_; }

    // Draws the status text in `colour`; keep = false uses the skin's
    // default status-text colour instead. The colour in use is remembered,
    // and the paint of the frame draws the line again in it.
    void draw(Colour colour, bool keep);
    void redraw();
    // The skin has changed: the text takes its status-text colour, from
    // the repaint that follows.
    void follow_skin();

  private:
    const HWND window_;
    const SkinState& skin_;
    std::string text_;
    Colour colour_ = 0;
};

}  // namespace yq
