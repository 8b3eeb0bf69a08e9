// One font file copied into the backup folder without ever losing a backup.
#pragma once

#include <string>

namespace yq {

enum class BackupOutcome {
    Copied,     // a new or updated backup was written
    Unchanged,  // the backup already held these bytes: nothing was written
    Failed,     // the source is gone or unreadable, or the copy failed (full disk)
};

// Backs up the font file `source` (face name `face`) into `folder` (ending
// in a backslash) under its own file name:
//  - a backup there that is byte-identical to the source is kept as it is
//    (size and write time are compared first, the bytes only when those
//    agree, so backing up unchanged fonts again costs no copy);
//  - a backup of the same face with other bytes (the font was updated) is
//    replaced;
//  - a backup of another font under that name is never replaced: the next
//    free name "name (2).ttf", "name (3).ttf", ... is used, or the one of
//    them that already holds this font.
// Every copy is written beside its final name first and moved there whole,
// so a copy cut short (a full disk) leaves no truncated file under a name
// the program lists, and an earlier backup stays as it was.
// `stored_as` (may be null) receives the file name used.
BackupOutcome back_up_font(const std::string& source, const std::string& face,
                           const std::string& folder, std::string* stored_as = nullptr);

}  // namespace yq
