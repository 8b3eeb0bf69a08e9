// Taking an installed font off the machine into the program's recycle bin
// (字体回收站) without ever losing its file. Every deletion of the system font
// page goes through here.
#pragma once

#include <string>

#include "fonts/inventory_model.h"

namespace yq {

enum class RemovalOutcome {
    Removed,           // a checked copy is in the bin, the font is unregistered and its file gone
    Unregistered,      // a checked copy is in the bin and the font unregistered; its file
                       // stays where it is: it lies outside the Fonts folders (the user's
                       // own file, where the user keeps it) or another value still names it
    RemovedFileLater,  // a per-user font whose file Windows holds open: the checked
                       // copy is in the bin and the font unregistered; its file is
                       // deleted at the next start (delete_leftover_fonts)
    NotCopied,         // no checked copy could be made (full disk, unwritable bin): nothing changed
    NotRemoved,        // the system would not let the font go, or its file could not be
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
//  3. The registry value of the scope's key is deleted, and the program's
//     record of it, if any.
//  4. The file is deleted (made plain first if its attributes stop that)
//     only when is_deletable_font_file allows it: directly inside a Fonts
//     folder and named by no value any more. Otherwise it stays where it
//     is (Unregistered). A file that will not go (in use, a read-only
//     place) is left as it was and the font put back (value, record and
//     resource), so no value ever names a missing file; except a per-user
//     font's file, which Windows keeps open while the user is logged on:
//     that font stays unregistered and its file goes on the leftover list.
// `stored_as` (may be null) receives the bin's file name used.
RemovalOutcome remove_font_into_bin(const std::string& path, const std::string& value_name,
                                    FontScope scope, const std::string& bin_folder,
                                    const std::string& bin_name, std::string* stored_as = nullptr);

// Keeps the leftover list in the file at `path` (one GBK path a line).
// "" (the default) keeps no list: a held per-user file is then put back as
// a machine-wide one is.
void set_leftover_list_file(const std::string& path);

// Deletes the files of the leftover list that are still plain files
// directly in the user's Fonts folder (is_plain_file_directly_in: no "/",
// "..", ".", short alias or device name, nothing that resolves elsewhere)
// and that no value of either fonts key names again (the user may have
// installed the font anew). A line that is not such a file leaves the list
// and nothing is done with it; files that still will not go stay on the
// list. Any thread; called at start-up.
void delete_leftover_fonts();

}  // namespace yq
