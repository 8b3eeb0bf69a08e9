// One font file copied into the backup folder without ever losing a backup.
#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace yq {

enum class BackupOutcome {
    Copied,     // a new or updated backup was written
    Unchanged,  // the backup already held these bytes: nothing was written
    Failed,     // the source is gone or unreadable, or the copy failed (full disk)
};

// Backs up the font file `source` (face name `face`) into `folder` (ending
// in a backslash) under its own file name:
//  - a backup there of the same size and write time is taken to hold the
//    same bytes and kept as it is (a backup keeps the source's write time, and
//    a font changed in place gets a new one), so backing up unchanged fonts
//    again reads no font;
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

struct BackupSource {
    std::string path;
    std::string face;
};

// Backs up every font of `fonts` into `folder` with back_up_font, on
// `threads` threads: under Wine a copy is mostly waiting on the wine server
// and the disk, and two copies at once keep both busy. Fonts whose file
// names differ only in ASCII case are backed up one after the other, in
// their order, so each finds the numbered names the one before took.
// `done` counts the fonts finished (for a progress caption on another
// thread). The face name of every copy written is remembered, so listing
// the folder afterwards opens none of them.
void back_up_fonts(const std::vector<BackupSource>& fonts, const std::string& folder,
                   unsigned threads, std::atomic<int>& done);

}  // namespace yq
