// Owner of a WinINet handle (root, connection or request), closed with
// InternetCloseHandle on every exit path. Closing a root handle closes the
// handles opened from it too, so close requests first when holding both.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "platform/win/handles.h"

namespace yq::win {

struct InternetTraits {
    static HINTERNET invalid() { return nullptr; }
    static void close(HINTERNET h) { InternetCloseHandle(h); }
};
using UniqueInternet = Unique<HINTERNET, InternetTraits>;

}  // namespace yq::win
