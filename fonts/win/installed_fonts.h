// The fonts registry key read into an inventory: every value resolved to a
// font file and that file's face name.
#pragma once

#include <string>

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

// Forgets every remembered face name (tests and benchmarks); a stored cache
// is read again by the next rebuild, as in a new process.
void clear_face_name_cache();

// Keeps the remembered face names in the file at `path` between runs, so the
// first rebuild of a process opens only new or changed fonts: read by the
// first rebuild, written again after a rebuild that had to read a font file.
// A damaged or foreign file is ignored and replaced. "" (the default) keeps
// them in memory only.
void set_face_cache_file(const std::string& path);

}  // namespace yq
