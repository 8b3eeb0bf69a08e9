// Taking an installed font off the machine into the program's recycle bin
// (字体回收站) without ever losing its file. Every deletion of the system font
// page goes through here.
#pragma once

#include <string>

namespace yq {

enum class RemovalOutcome {
    Removed,     // a checked copy is in the bin, the font is unregistered and its file gone
    NotCopied,   // no checked copy could be made (full disk, unwritable bin): nothing changed
    NotRemoved,  // the system would not let the font go, or its file could not be
                 // deleted: the font was put back as it was, and a copy made for it
                 // went again
};

// Moves the font file `path` (registered as `value_name`) into `bin_folder`
// (ending in a backslash) under `bin_name`:
//  1. The bin copy comes first: a file already there with the same bytes is
//     kept and used; a different one is never replaced, and the copy takes
//     the next free name "name (2).ttf", "name (3).ttf", ... Each copy is
//     checked byte for byte before anything else happens.
//  2. The font's resource is removed (the uninstall of font_primitives.h).
//     A font GDI will not let go of but that no process holds (a font GDI
//     never loaded, or any font under Wine, which holds none) has nothing
//     to remove but its registration.
//  3. The file is deleted (made plain first if its attributes stop that),
//     and only then the registry value, so no value ever names a missing
//     file. A file that will not go (in use, a read-only place) is left as
//     it was, its font resource put back.
// `stored_as` (may be null) receives the bin's file name used.
RemovalOutcome remove_font_into_bin(const std::string& path, const std::string& value_name,
                                    const std::string& bin_folder, const std::string& bin_name,
                                    std::string* stored_as = nullptr);

}  // namespace yq
