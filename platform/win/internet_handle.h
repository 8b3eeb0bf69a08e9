// Owner of a WinINet handle (root, connection or request), closed with
// InternetCloseHandle on every exit path, and the one way the program opens
// a WinINet session: its access type and time limits. Closing a root handle
// closes the handles opened from it too, so close requests first when
// holding both.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

#include "platform/win/handles.h"

namespace yq::win {

struct InternetTraits {
    static HINTERNET invalid() { return nullptr; }
    static void close(HINTERNET h) { InternetCloseHandle(h); }
};
using UniqueInternet = Unique<HINTERNET, InternetTraits>;

// How a session reaches the network: the system's settings, and without
// automatic proxy discovery unless the connection goes through a proxy
// (the discovery alone can take seconds).
enum class InternetAccess {
    Direct,          // straight to the server (the version checks)
    SystemSettings,  // the system's proxy settings, as above
};

// The time limits of every WinINet wait of a handle (a session or a
// request), in milliseconds; 0 leaves that limit as it is.
struct InternetLimits {
    DWORD connect_ms = 0;
    DWORD receive_ms = 0;  // the answer's headers and each read of its body
    DWORD send_ms = 0;
};
void set_internet_limits(HINTERNET handle, const InternetLimits& limits);

// A session under `agent`, with those limits; null (GetLastError tells
// why) when WinINet gives none.
UniqueInternet open_internet_session(const std::string& agent, InternetAccess access,
                                     const InternetLimits& limits);

}  // namespace yq::win
