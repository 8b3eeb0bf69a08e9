// The fonts registry key read into an inventory: every value resolved to a
// font file and that file's face name.
#pragma once

#include <string>

#include "fonts/inventory_model.h"

namespace yq {

// Reads HKLM\...\Fonts, then HKCU\...\Fonts, each in enumeration order:
// each value's data (bytes up to the first NUL, whatever its type) is a font
// file path, a bare file name meaning a file in the system Fonts folder;
// each gives one inventory entry with the file's face name and the key's
// scope, unless the face cannot be read or is already listed (the machine's
// entry of a face wins). A
// value too long for the first buffers is read again with bigger ones, so it
// never ends the enumeration. Any thread.
//
// Face names come from the face-name store (face_names.h), so a rebuild
// reads only fonts that are new or changed.
FontInventory read_installed_fonts();

}  // namespace yq
