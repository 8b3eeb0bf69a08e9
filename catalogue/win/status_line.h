// The status line: a strip at the bottom of the main window showing the
// status text in 宋体 13 px on the skin's frame colour.
#pragma once

#include "skin/skin_model.h"

namespace yq {

// Draws the status text in `colour`; keep = false uses the skin's default
// status-text colour instead. The colour in use is remembered.
void draw_status_line(Colour colour, bool keep);

}  // namespace yq
