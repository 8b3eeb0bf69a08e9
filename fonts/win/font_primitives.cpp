#include "fonts/win/font_primitives.h"

#include <windows.h>
#include <shlobj.h>

#include "base/text.h"
#include "platform/sfnt/face_name.h"
#include "platform/win/handles.h"

namespace yq {

const std::string& fonts_folder() {
    static const std::string folder = [] {
        char buf[MAX_PATH] = "";
        SHGetSpecialFolderPathA(nullptr, buf, CSIDL_FONTS, FALSE);
        std::string f = buf;
        if (f.empty() || f.back() != '\\') f += '\\';
        return f;
    }();
    return folder;
}

std::string install_face_name(const std::string& path) {
    return sfnt::read_face_name_from_file(path);
}

std::string listing_face_name(std::string& path) {
    if (path.size() < 2 || path[1] != ':') path = fonts_folder() + path;
    return sfnt::read_face_name_from_file(path);
}

namespace {

// The part of a path after its last backslash (GBK-aware), or all of it.
std::string base_name(const std::string& path) {
    size_t cut = std::string::npos;
    for (size_t i = 0; i < path.size(); i += gbk_char_size(path, i)) {
        if (path[i] == '\\') cut = i;
    }
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

void set_registry_value(const std::string& name, const std::string& data) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS &&
        RegCreateKeyA(HKEY_LOCAL_MACHINE, kFontsKey, &key) != ERROR_SUCCESS) {
        return;
    }
    win::UniqueRegKey owner(key);
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
}

}  // namespace

bool install_font(const std::string& path, std::string& file_name) {
    std::string face = strip_blanks(install_face_name(path));
    file_name = strip_blanks(file_name);
    if (face.empty()) return false;
    // The shell shows the Fonts folder specially because of its system
    // attribute: never clear it. A read-only folder is made writable for the
    // copy and put back afterwards.
    const std::string& folder = fonts_folder();
    DWORD attributes = GetFileAttributesA(folder.c_str());
    bool unlocked = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (unlocked) SetFileAttributesA(folder.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (file_name.empty()) file_name = base_name(path);
    std::string target = folder + file_name;
    CopyFileA(path.c_str(), target.c_str(), FALSE);
    if (unlocked) SetFileAttributesA(folder.c_str(), attributes);
    AddFontResourceA(target.c_str());
    set_registry_value(face + kTrueTypeSuffix, file_name);
    return true;
}

bool uninstall_font(const std::string& path, const std::string& value_name) {
    if (!RemoveFontResourceA(path.c_str())) return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        win::UniqueRegKey owner(key);
        RegDeleteValueA(key, value_name.c_str());
    }
    return true;
}

bool remove_font_resource_and_broadcast(const std::string& path) {
    if (!RemoveFontResourceA(path.c_str())) return false;
    // Synchronous, but a hung window must not hang the program with it.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    return true;
}

void broadcast_font_change() {
    PostMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
}

bool remove_installed_font(const std::string& path, const std::string& value_name) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    return uninstall_font(path, value_name) || remove_font_resource_and_broadcast(path);
}

}  // namespace yq
