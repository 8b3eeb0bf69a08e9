#include "app/win/privilege.h"

#include <windows.h>

#include "platform/win/handles.h"

namespace yq {

bool request_start_privilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    win::UniqueHandle owner(token);
    TOKEN_PRIVILEGES wanted{};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueA(nullptr, SE_ASSIGNPRIMARYTOKEN_NAME, &wanted.Privileges[0].Luid))
        return false;
    // Succeeds without enabling it when the account lacks the privilege:
    // GetLastError tells which.
    return AdjustTokenPrivileges(token, FALSE, &wanted, sizeof wanted, nullptr, nullptr) &&
           GetLastError() == ERROR_SUCCESS;
}

}  // namespace yq
