#include "fonts/win/font_removal.h"

#include <windows.h>

#include "base/file_names.h"
#include "fonts/win/font_primitives.h"
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

// Deletes the font's file; a read-only, hidden or system one is made plain
// first when that is what stopped it.
bool delete_font_file(const std::string& path) {
    if (win::delete_file(path)) return true;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    return win::delete_file(path);
}

}  // namespace

RemovalOutcome remove_font_into_bin(const std::string& path, const std::string& value_name,
                                    const std::string& bin_folder, const std::string& bin_name,
                                    std::string* stored_as) {
    if (bin_name.empty()) return RemovalOutcome::NotCopied;
    BinCopy copy = copy_into_bin(path, bin_folder, bin_name);
    if (copy.name.empty()) return RemovalOutcome::NotCopied;
    if (stored_as) *stored_as = copy.name;
    auto undo_copy = [&] {
        if (copy.made) DeleteFileA((bin_folder + copy.name).c_str());
        return RemovalOutcome::NotRemoved;
    };
    // The font removal sequence: its uninstall removes the font resource and
    // then the registry value. The value goes last here, once the file is
    // safely gone, so that a file that will not go leaves the font as it
    // was. Nothing holds a font GDI would not let go of (one it never loaded,
    // or any font under Wine): its registration is all there is to remove.
    const bool released = RemoveFontResourceA(path.c_str()) != 0;
    if (!released && !win::not_held(path)) return undo_copy();
    if (!delete_font_file(path)) {
        // In use, or a read-only place: the font is put back as it was.
        if (released) AddFontResourceA(path.c_str());
        return undo_copy();
    }
    delete_font_value(value_name);
    return RemovalOutcome::Removed;
}

}  // namespace yq
