#include "platform/win/shell.h"

#include <windows.h>
#include <shellapi.h>

namespace yq::win {

bool open_in_shell(const std::string& path) {
    HINSTANCE result = ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // Values above 32 mean success.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace yq::win
