// The page objects of the main window: each made once when the window is
// wired, over the controls the design table created, and owned by the main
// window's state (its GWLP_USERDATA) for as long as the window lives. The
// wiring hands them to each other only as hooks.
#pragma once

#include <memory>

#include "fonts/win/system_font_page.h"

namespace yq {

struct Pages {
    std::unique_ptr<SystemFontPage> system_fonts;
};

}  // namespace yq
