#include "collections/win/backup_copy.h"

#include <windows.h>

#include "base/file_names.h"
#include "fonts/win/face_names.h"
#include "platform/win/files.h"

namespace yq {
namespace {

// Numbered names tried before giving up.
constexpr int kMaxNumberedNames = 999;

struct Stamp {
    bool exists = false;
    uint64_t size = 0;
    FILETIME written{};
};

Stamp stamp_of(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    Stamp s;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return s;
    }
    s.exists = true;
    s.size = uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
    s.written = data.ftLastWriteTime;
    return s;
}

// CopyFile keeps the source's write time, so a backup made by an earlier
// run compares equal here.
bool same_stamp(const Stamp& a, const Stamp& b) {
    return a.size == b.size && CompareFileTime(&a.written, &b.written) == 0;
}

// The copy goes to a partial file beside the target and is moved to its
// name once whole; `replace` lets it take the place of the file there.
bool copy_whole(const std::string& source, const std::string& target, bool replace) {
    std::string partial = target + std::string(kPartialSuffix);
    if (CopyFileA(source.c_str(), partial.c_str(), FALSE) &&
        MoveFileExA(partial.c_str(), target.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
        return true;
    }
    DeleteFileA(partial.c_str());
    return false;
}

}  // namespace

BackupOutcome back_up_font(const std::string& source, const std::string& face,
                           const std::string& folder, std::string* stored_as) {
    const std::string name(file_name_of(source));
    const Stamp from = stamp_of(source);
    if (!from.exists || !is_storable_file_name(name)) return BackupOutcome::Failed;
    for (int k = 1; k <= kMaxNumberedNames; ++k) {
        std::string candidate = k == 1 ? name : numbered_file_name(name, k);
        if (candidate.empty()) break;
        std::string target = folder + candidate;
        if (stored_as) *stored_as = candidate;
        const Stamp there = stamp_of(target);
        if (!there.exists) {
            return copy_whole(source, target, false) ? BackupOutcome::Copied
                                                     : BackupOutcome::Failed;
        }
        if (same_stamp(from, there) && win::same_bytes(source, target))
            return BackupOutcome::Unchanged;
        if (!face.empty() && cached_face_name(target) == face) {
            return copy_whole(source, target, true) ? BackupOutcome::Copied
                                                    : BackupOutcome::Failed;
        }
    }
    return BackupOutcome::Failed;
}

}  // namespace yq
