#include "collections/win/backup_copy.h"

#include <windows.h>

#include "base/file_names.h"
#include "base/parallel.h"
#include "fonts/win/face_names.h"
#include "platform/win/files.h"

namespace yq {
namespace {

// Numbered names tried before giving up.
constexpr int kMaxNumberedNames = 999;

// The copy keeps the source's write time, so a backup made by an earlier
// run has the same stamp as its source; a font rewritten in place gets a
// new one.

// The copy goes to a partial file beside the target and takes its name once
// whole; `replace` lets it take the place of the file there. The copy's
// face name is remembered with its size and time, so listing the backups
// opens none of them.
bool copy_whole(const std::string& source, const std::string& target, bool replace,
                const std::string& face) {
    uint64_t size = 0, time = 0;
    if (!win::copy_into_place(source, target + std::string(kPartialSuffix), target, replace, &size,
                              &time)) {
        return false;
    }
    remember_face_name(target, face, size, time);
    return true;
}

}  // namespace

BackupOutcome back_up_font(const std::string& source, const std::string& face,
                           const std::string& folder, std::string* stored_as) {
    const std::string name(file_name_of(source));
    if (!is_storable_file_name(name)) return BackupOutcome::Failed;
    std::optional<win::FileStamp>
        from;  // the source's, asked for once a backup of its name is found
    for (int k = 1; k <= kMaxNumberedNames; ++k) {
        std::string candidate = k == 1 ? name : numbered_file_name(name, k);
        if (candidate.empty()) break;
        std::string target = folder + candidate;
        if (stored_as) *stored_as = candidate;
        const std::optional<win::FileStamp> there = win::file_stamp(target);
        if (!there) {
            return copy_whole(source, target, false, face) ? BackupOutcome::Copied
                                                           : BackupOutcome::Failed;
        }
        if (!from && !(from = win::file_stamp(source))) return BackupOutcome::Failed;
        if (*from == *there) return BackupOutcome::Unchanged;
        if (!face.empty() && cached_face_name(target) == face) {
            return copy_whole(source, target, true, face) ? BackupOutcome::Copied
                                                          : BackupOutcome::Failed;
        }
    }
    return BackupOutcome::Failed;
}

void back_up_fonts(const std::vector<BackupSource>& fonts, const std::string& folder,
                   unsigned threads, std::atomic<int>& done) {
    if (threads < 1) threads = 1;
    win::ensure_folder(folder);  // made again if it went while the program ran
    // One share per thread, chosen by the file name folded to upper case:
    // names equal to the file system land in the same share.
    std::vector<std::vector<size_t>> shares(threads);
    for (size_t i = 0; i < fonts.size(); ++i) {
        size_t hash = 0;
        for (char ch : file_name_of(fonts[i].path)) {
            unsigned char c = static_cast<unsigned char>(ch);
            hash = hash * 31 + (c >= 'a' && c <= 'z' ? c - 32 : c);
        }
        shares[hash % threads].push_back(i);
    }
    parallel_for(shares.size(), threads, [&](size_t t) {
        for (size_t i : shares[t]) {
            back_up_font(fonts[i].path, fonts[i].face, folder);
            done.fetch_add(1, std::memory_order_relaxed);
        }
    });
}

}  // namespace yq
