// Handing things to the system shell.
#pragma once

#include <string>

namespace yq::win {

// Opens `path` (a folder: the system file manager shows it) with the
// shell's open verb, shown normally. True when the shell took it.
bool open_in_shell(const std::string& path);

}  // namespace yq::win
