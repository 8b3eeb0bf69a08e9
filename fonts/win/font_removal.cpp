#include "fonts/win/font_removal.h"

#include <windows.h>

#include <vector>

#include "fonts/deletion_model.h"
#include "fonts/win/font_primitives.h"
#include "platform/win/files.h"
#include "platform/win/handles.h"

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
        std::string candidate = k == 1 ? name : numbered_recycle_name(name, k);
        if (candidate.empty()) break;
        std::string target = folder + candidate;
        if (!win::file_exists(target)) {
            if (win::copy_verified(path, target)) return {candidate, true};
            return {};
        }
        if (win::same_bytes(path, target)) return {candidate, false};
    }
    return {};
}

// A value of the fonts key exactly as stored (type and bytes), to put back.
struct StoredValue {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};

StoredValue read_value(const std::string& value_name) {
    StoredValue v;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return v;
    win::UniqueRegKey owner(key);
    DWORD size = 0;
    if (RegQueryValueExA(key, value_name.c_str(), nullptr, &v.type, nullptr, &size) !=
        ERROR_SUCCESS)
        return v;
    v.data.resize(size);
    v.present = RegQueryValueExA(key, value_name.c_str(), nullptr, &v.type, v.data.data(), &size) ==
                ERROR_SUCCESS;
    v.data.resize(size);
    return v;
}

void write_value(const std::string& value_name, const StoredValue* v) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
    win::UniqueRegKey owner(key);
    if (v) {
        RegSetValueExA(key, value_name.c_str(), 0, v->type, v->data.data(),
                       static_cast<DWORD>(v->data.size()));
    } else {
        RegDeleteValueA(key, value_name.c_str());
    }
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
    const StoredValue value = read_value(value_name);
    // Nothing holds a font GDI would not let go of (one it never loaded, or
    // any font under Wine): its registration is all there is to remove.
    const bool resource_removed = remove_installed_font(path, value_name);
    if (!resource_removed && !win::not_held(path)) return undo_copy();
    if (!win::delete_file(path)) {
        // The file will not go (in use, a read-only place): the font is put
        // back as it was, and nothing is reported as removed.
        if (resource_removed) AddFontResourceA(path.c_str());
        if (value.present) write_value(value_name, &value);
        return undo_copy();
    }
    write_value(value_name, nullptr);
    return RemovalOutcome::Removed;
}

}  // namespace yq
