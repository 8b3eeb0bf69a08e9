// File steps that must never lose a file: copies that are checked before
// anything relies on them, and the comparisons they need. GBK paths, "A"
// calls. Any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/sha256.h"

namespace yq::win {

bool file_exists(const std::string& path);

// Makes the folder (its parent must exist) when it is missing; a trailing
// backslash is allowed. True when a folder of that path is there afterwards.
bool ensure_folder(std::string path);

// A file's size and last-write time (FILETIME ticks): what tells whether it
// has changed since it was last read. Nothing for a folder or a file that
// cannot be asked.
struct FileStamp {
    uint64_t size = 0;
    uint64_t write_time = 0;
    bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> file_stamp(const std::string& path);

// Whether two files hold the same bytes (false when either cannot be read).
bool same_bytes(const std::string& a, const std::string& b);

// Copies `source` to `target`, which must not exist yet: through a partial
// file beside the target, checked byte for byte against the source, then
// moved to its name. False, with nothing left at either name, when any step
// fails (a full disk, an unwritable folder, a name taken meanwhile).
bool copy_verified(const std::string& source, const std::string& target);

// Copies the bytes and the last-write time of `source` into a new file at
// `partial`, then gives that file the name `target` (replacing a file there
// only when `replace`), renamed through its still-open handle: one step
// fewer than a move after closing. False, with nothing left at `partial`,
// when any step fails; `target` is then as it was. `size` and `write_time`
// (FILETIME), when given, receive the copy's.
bool copy_into_place(const std::string& source, const std::string& partial,
                     const std::string& target, bool replace, uint64_t* size = nullptr,
                     uint64_t* write_time = nullptr);

// Whether no process holds the file open: it can be opened with no sharing.
// A font GDI has loaded on Windows is held; under Wine loaded fonts are not.
bool not_held(const std::string& path);

// Deletes a file; true only when it is gone. (Wine reports a delete on a
// read-only file system as done and leaves the file: only looking tells.)
bool delete_file(const std::string& path);

// Reads a whole file of at most `max_bytes` into `out` (a std::string or
// Bytes); false (out empty) when it cannot be read or is larger.
bool read_small_file(const std::string& path, std::string& out, size_t max_bytes = 1u << 20);
bool read_small_file(const std::string& path, Bytes& out, size_t max_bytes);

// Writes `bytes` beside `path` (under a name of the calling thread's, so two
// threads never share it) and moves that over it, so a program that dies
// half way leaves the old file whole. True when `path` holds them.
bool write_file_replacing(const std::string& path, std::string_view bytes);

// Writes `bytes` as a new file at `path`; false, and a file already there
// left as it is, when the name is taken or the write fails.
bool write_new_file(const std::string& path, std::string_view bytes);

// SHA-256 and size of a file's bytes; false when it cannot be read whole.
bool file_digest(const std::string& path, Sha256Digest& digest, uint64_t& size);

// Whether `path` names an existing plain file (not a folder, not a link or
// other reparse point) that lies directly inside `folder`, as Windows
// resolves both: the path must be absolute, use backslashes only, hold no
// "." or ".." part, no device name and no short (8.3) alias of a longer
// name, and resolve to exactly itself. What every deletion checks, so that
// no text from a list or a registry value can aim it anywhere else.
bool is_plain_file_directly_in(const std::string& folder, const std::string& path);

// The plain files of a folder (ending in a backslash) in the order the
// system lists them, read with the wide-character calls: a name that code
// page 936 cannot hold exactly is left out, never mapped to another name
// (which could be another file's).
// The GBK form of a UTF-16 name or path, or nothing when code page 936
// cannot hold it exactly (no best-fit letters, no "?" for a missing
// character).
std::optional<std::string> gbk_exactly(const wchar_t* wide);
// The UTF-16 form of a GBK name or path; nothing when it is not valid GBK.
std::optional<std::wstring> wide_exactly(const std::string& gbk);

struct FolderFile {
    std::string name;  // GBK, without folder
    uint64_t size = 0;
    uint64_t write_time = 0;  // FILETIME
};
std::vector<FolderFile> list_folder_files(const std::string& folder);

}  // namespace yq::win
