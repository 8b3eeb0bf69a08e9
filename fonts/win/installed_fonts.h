// The fonts registry key read into an inventory: every value resolved to a
// font file and that file's face name.
#pragma once

#include "fonts/inventory_model.h"

namespace yq {

// Reads HKLM\...\Fonts in enumeration order: each value's data (bytes up to
// the first NUL, whatever its type) is a font file path, a bare file name
// meaning a file in the Fonts folder; each gives one inventory entry with the
// file's face name, unless the face cannot be read or is already listed. A
// value too long for the first buffers is read again with bigger ones, so it
// never ends the enumeration. Any thread.
//
// Face names are remembered per file path together with the file's size and
// last-write time, so a rebuild reads only fonts that are new or changed:
// opening a file costs far more than asking for its attributes (under Wine
// about 35 us against 6 us), and rebuilds follow every install and removal.
FontInventory read_installed_fonts();

// Face name of a font file (bare names resolved as listing_face_name does),
// from the cache when the file is unchanged since it was last read.
std::string cached_face_name(std::string& path);

// Forgets every remembered face name (tests and benchmarks).
void clear_face_name_cache();

}  // namespace yq
