// The privilege the program asks for at start, as its first versions did:
// SeAssignPrimaryTokenPrivilege enabled in its own token when the account
// holds it. Nothing depends on getting it; without it the request fails
// quietly and the program runs as it would anyway.
#pragma once

namespace yq {

// Enables the privilege in the process token (OpenProcessToken and
// AdjustTokenPrivileges); true when it is enabled now.
bool request_start_privilege();

}  // namespace yq
