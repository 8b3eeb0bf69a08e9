#include "fonts/win/font_removal.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <vector>

#include "base/file_names.h"
#include "fonts/win/font_primitives.h"
#include "fonts/win/install_records.h"
#include "platform/win/files.h"

namespace yq {
namespace {

// Names tried in the bin before giving up.
constexpr int kMaxNumberedNames = 999;

// A checked copy of `path` in the bin: the name used, and whether this call
// made it (a file already there with these bytes is used as it is). Empty
// when no copy could be made.
struct BinCopy {
    std::string name;
    bool made = false;
};

BinCopy copy_into_bin(const std::string& path, const std::string& folder, const std::string& name) {
    for (int k = 1; k <= kMaxNumberedNames; ++k) {
        std::string candidate = k == 1 ? name : numbered_file_name(name, k);
        if (candidate.empty()) break;
        std::string target = folder + candidate;
        // The copy never replaces a file, so it is tried first: a name that
        // turns out to be taken is looked at afterwards.
        if (win::copy_verified(path, target)) return {candidate, true};
        if (!win::file_exists(target)) return {};  // the copy itself failed
        if (win::same_bytes(path, target)) return {candidate, false};
    }
    return {};
}

// The list of files Windows held when they were removed: one file of the
// program's, written by removals on any thread (doc/layers.md).
struct LeftoverList {
    std::mutex lock;
    std::string file;  // "" keeps no list
};

LeftoverList g_leftovers;

std::vector<std::string> read_leftovers() {
    std::vector<std::string> paths;
    std::string bytes;
    if (!win::read_small_file(g_leftovers.file, bytes)) return paths;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) paths.push_back(std::move(line));
        start = end + 1;
    }
    return paths;
}

bool write_leftovers(const std::vector<std::string>& paths) {
    if (paths.empty())
        return win::delete_file(g_leftovers.file) || !win::file_exists(g_leftovers.file);
    std::string bytes;
    for (const std::string& p : paths) bytes += p + "\r\n";
    return win::write_file_replacing(g_leftovers.file, bytes);
}

// Puts a held file on the leftover list; false when there is no list or it
// cannot be written (the font is then put back instead).
bool add_leftover(const std::string& path) {
    std::lock_guard<std::mutex> hold(g_leftovers.lock);
    if (g_leftovers.file.empty()) return false;
    std::vector<std::string> paths = read_leftovers();
    if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(path);
    return write_leftovers(paths);
}

// Whether the file is there but another process keeps it from being
// deleted (open without delete sharing), rather than a read-only place.
bool held_by_windows(const std::string& path) {
    if (!win::file_exists(path)) return false;
    HANDLE h =
        CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

// Deletes the font's file; a read-only, hidden or system one is made plain
// first when that is what stopped it.
bool delete_font_file(const std::string& path) {
    if (win::delete_file(path)) return true;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    return win::delete_file(path);
}

}  // namespace

RemovalOutcome remove_font_into_bin(const std::string& path, const std::string& value_name,
                                    FontScope scope, const std::string& bin_folder,
                                    const std::string& bin_name, std::string* stored_as) {
    if (bin_name.empty()) return RemovalOutcome::NotCopied;
    win::ensure_folder(bin_folder);  // made again if it went while the program ran
    BinCopy copy = copy_into_bin(path, bin_folder, bin_name);
    if (copy.name.empty()) return RemovalOutcome::NotCopied;
    if (stored_as) *stored_as = copy.name;
    const std::optional<InstallRecord> record = install_record_of(scope, value_name);
    const std::optional<std::string> data = font_value_data(scope, value_name);
    auto undo_copy = [&] {
        if (copy.made) DeleteFileA((bin_folder + copy.name).c_str());
        return RemovalOutcome::NotRemoved;
    };
    // The font removal sequence: its uninstall removes the font resource and
    // then the registry value. Nothing holds a font GDI would not let go of
    // (one it never loaded, or any font under Wine): its registration is all
    // there is to remove.
    const bool released = RemoveFontResourceA(path.c_str()) != 0;
    if (!released && !win::not_held(path)) return undo_copy();
    auto put_back = [&] {
        if (data) set_font_value(scope, value_name, *data);
        if (record) remember_install(*record);
        if (released) AddFontResourceA(path.c_str());
        return undo_copy();
    };
    if (!delete_font_value(value_name, scope)) return put_back();
    // Only a file of a Fonts folder that nothing names any more is deleted:
    // a font registered from the user's own folder, or one file of several
    // faces another value still names, keeps its file.
    if (!is_deletable_font_file(path)) return RemovalOutcome::Unregistered;
    if (delete_font_file(path)) return RemovalOutcome::Removed;
    // A per-user font's file stays open while its user is logged on: it
    // stays unregistered, with its checked copy in the bin, and the file
    // goes at the next start.
    if (scope == FontScope::User && held_by_windows(path) && add_leftover(path))
        return RemovalOutcome::RemovedFileLater;
    // In use, or a read-only place: the font is put back as it was.
    return put_back();
}

void set_leftover_list_file(const std::string& path) {
    std::lock_guard<std::mutex> hold(g_leftovers.lock);
    g_leftovers.file = path;
}

void delete_leftover_fonts() {
    std::lock_guard<std::mutex> hold(g_leftovers.lock);
    if (g_leftovers.file.empty()) return;
    // Most starts have no list: nothing is asked of the file system then.
    const std::vector<std::string> listed = read_leftovers();
    if (listed.empty()) return;
    std::vector<std::string> kept;
    const std::string& folder = fonts_folder(FontScope::User);
    for (const std::string& path : listed) {
        // Only a plain file of the user's Fonts folder itself is ever deleted
        // here, whatever the list says, and none that a key names again;
        // any other line is dropped untouched.
        if (folder.empty() || !win::is_plain_file_directly_in(folder, path) ||
            is_registered_file(path))
            continue;
        if (!delete_font_file(path)) kept.push_back(path);
    }
    write_leftovers(kept);
}

}  // namespace yq
