// Message boxes as the program shows them: no owner window, task-modal; a box
// without a title shows "信息：".
#pragma once

#include <windows.h>

#include <string>

namespace yq::win {

// Returns the button pressed as IDOK, IDCANCEL, IDYES, IDNO, ...
int message_box(const std::string& text, const char* title = nullptr, UINT buttons = MB_OK);

}  // namespace yq::win
