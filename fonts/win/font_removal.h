// Taking an installed font off the machine into the program's recycle bin
// (字体回收站) without ever losing its file. Every deletion of the system font
// page goes through here.
#pragma once

#include <string>

#include "fonts/inventory_model.h"

namespace yq {

enum class RemovalOutcome {
    Removed,     // a checked copy is in the bin, the font is unregistered and its file gone
    RemovedFileLater,  // a per-user font whose file Windows holds open: the checked
                       // copy is in the bin and the font unregistered; its file is
                       // deleted at the next start (delete_leftover_fonts)
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
//     and only then the registry value of the scope's key, so no value ever
//     names a missing file. A file that will not go (in use, a read-only
//     place) is left as it was, its font resource put back; except a
//     per-user font's file, which Windows keeps open while the user is
//     logged on: that font is unregistered all the same and its file put on
//     the leftover list.
// `stored_as` (may be null) receives the bin's file name used.
RemovalOutcome remove_font_into_bin(const std::string& path, const std::string& value_name,
                                    FontScope scope, const std::string& bin_folder,
                                    const std::string& bin_name, std::string* stored_as = nullptr);

// Keeps the leftover list in the file at `path` (one GBK path a line).
// "" (the default) keeps no list: a held per-user file is then put back as
// a machine-wide one is.
void set_leftover_list_file(const std::string& path);

// Deletes the files of the leftover list that are still directly in the
// user's Fonts folder and that no value of either fonts key names again
// (the user may have installed the font anew). Files that still will not go
// stay on the list; the others leave it. Any thread; called at start-up.
void delete_leftover_fonts();

}  // namespace yq
