#include "fonts/win/font_primitives.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

#include "base/file_names.h"
#include "base/text.h"
#include "platform/sfnt/face_name.h"
#include "platform/win/files.h"
#include "platform/win/handles.h"

namespace yq {

namespace {

std::string with_backslash(std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

std::string user_fonts_folder() {
    char buf[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, buf)))
        return {};
    std::string folder = with_backslash(buf) + "Microsoft\\Windows\\Fonts";
    SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);  // Windows makes it at the first install
    return with_backslash(folder);
}

HKEY root_of(FontScope scope) {
    return scope == FontScope::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

bool process_is_elevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    win::UniqueHandle owner(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

// The real build number: GetVersionEx answers what the manifest claims.
bool per_user_fonts_supported() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto get = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW v{};
    v.dwOSVersionInfoSize = sizeof v;
    if (!get || get(&v) != 0) return false;
    return v.dwMajorVersion > 10 || (v.dwMajorVersion == 10 && v.dwBuildNumber >= 17763);
}

}  // namespace

const std::string& fonts_folder(FontScope scope) {
    static const std::string machine = [] {
        char buf[MAX_PATH] = "";
        SHGetSpecialFolderPathA(nullptr, buf, CSIDL_FONTS, FALSE);
        return with_backslash(buf);
    }();
    if (scope == FontScope::Machine) return machine;
    static const std::string user = user_fonts_folder();
    return user;
}

std::optional<FontScope> install_scope() {
#ifdef YQ_TEST_HOOKS
    char forced[16] = "";
    if (GetEnvironmentVariableA("YQ_TEST_FONT_SCOPE", forced, sizeof forced) > 0) {
        if (!std::strcmp(forced, "machine")) return FontScope::Machine;
        if (!std::strcmp(forced, "user")) return FontScope::User;
        if (!std::strcmp(forced, "none")) return std::nullopt;
    }
#endif
    static const std::optional<FontScope> scope = []() -> std::optional<FontScope> {
        if (process_is_elevated()) return FontScope::Machine;
        if (per_user_fonts_supported() && !fonts_folder(FontScope::User).empty())
            return FontScope::User;
        return std::nullopt;
    }();
    return scope;
}

std::string registry_data_for(FontScope scope, const std::string& file_name) {
    return scope == FontScope::User ? fonts_folder(FontScope::User) + file_name : file_name;
}

std::string install_face_name(const std::string& path) {
    return sfnt::read_face_name_from_file(path);
}

std::string listing_face_name(std::string& path) {
    if (path.size() < 2 || path[1] != ':') path = fonts_folder() + path;
    return sfnt::read_face_name_from_file(path);
}

namespace {

// Numbered names tried for a font whose name another font's file holds.
constexpr int kMaxNumberedNames = 999;

// ASCII letters compared without case, GBK characters byte for byte, as
// Windows compares file names.
bool same_path(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (is_gbk_lead(x) && i + 1 < a.size()) {
            if (x != y || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

std::string full_path(const std::string& path) {
    char buf[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, nullptr);
    return n == 0 || n >= sizeof buf ? std::string() : std::string(buf, n);
}

// True when `folder` + `name`, resolved as Windows resolves it, is a file
// directly inside the Fonts folder and keeps exactly that name.
bool lands_in_fonts_folder(const std::string& folder, const std::string& name) {
    std::string resolved = full_path(folder + name), home = full_path(folder);
    if (resolved.empty() || home.empty()) return false;
    if (home.back() != '\\') home += '\\';
    return resolved.size() > home.size() && same_path(resolved.substr(0, home.size()), home) &&
           resolved.substr(home.size()) == name;
}

// `name` itself, or name_2.ttf, name_3.ttf, ...: the first that no file in
// the folder holds yet or whose file is this same face (a reinstall
// overwrites its own file). Another font's file is never replaced. Empty
// when no such name is left.
std::string free_name_for(const std::string& folder, const std::string& name,
                          const std::string& face) {
    size_t dot = name.rfind('.');
    std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    for (int k = 1; k <= kMaxNumberedNames; ++k) {
        std::string candidate = k == 1 ? name : stem + "_" + std::to_string(k) + extension;
        if (!is_storable_file_name(candidate)) return {};
        std::string path = folder + candidate;
        if (!win::file_exists(path) || strip_blanks(install_face_name(path)) == face)
            return candidate;
    }
    return {};
}

bool set_registry_value(FontScope scope, const std::string& name, const std::string& data) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_of(scope), kFontsKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS &&
        RegCreateKeyA(root_of(scope), kFontsKey, &key) != ERROR_SUCCESS) {
        return false;
    }
    win::UniqueRegKey owner(key);
    return RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
}

// Copies the font into the folder, the system Fonts folder made writable
// for the copy when it is read-only and put back afterwards. A copy refused
// because the target already holds these very bytes (Windows will not
// overwrite a loaded font) has nothing left to do, and is no failure.
bool copy_into(FontScope scope, const std::string& source, const std::string& target) {
    std::optional<FontsFolderUnlocked> writable;
    if (scope == FontScope::Machine) writable.emplace();
    return CopyFileA(source.c_str(), target.c_str(), FALSE) || win::same_bytes(source, target);
}

std::string registry_value(FontScope scope, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_of(scope), kFontsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    win::UniqueRegKey owner(key);
    char data[MAX_PATH * 2] = "";
    DWORD size = sizeof data - 1, type = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    return std::string(data, strnlen(data, size));
}

}  // namespace

bool install_font(const std::string& path, std::string& file_name) {
    std::optional<FontScope> scope = install_scope();
    return scope && install_font(path, file_name, *scope);
}

bool install_font(const std::string& path, std::string& file_name, FontScope scope) {
    std::string face = strip_blanks(install_face_name(path));
    file_name = strip_blanks(file_name);
    if (face.empty()) return false;
    if (file_name.empty()) file_name = std::string(file_name_of(path));
    const std::string& folder = fonts_folder(scope);
    if (folder.size() < 2 || !is_storable_file_name(file_name) ||
        !lands_in_fonts_folder(folder, file_name)) {
        return false;
    }
    std::string name = free_name_for(folder, file_name, face);
    if (name.empty()) return false;
    std::string target = folder + name;
    bool existed = win::file_exists(target);
    if (!copy_into(scope, path, target)) return false;
    // The value is written last, so that it never names a file that is not
    // there or a font GDI refused; what this install created goes again.
    if (!AddFontResourceA(target.c_str())) {
        if (!existed) DeleteFileA(target.c_str());
        return false;
    }
    if (!set_registry_value(scope, face + kTrueTypeSuffix, registry_data_for(scope, name))) {
        RemoveFontResourceA(target.c_str());
        if (!existed) DeleteFileA(target.c_str());
        return false;
    }
    file_name = name;
    return true;
}

bool uninstall_font(const std::string& path, const std::string& value_name, FontScope scope) {
    if (!RemoveFontResourceA(path.c_str())) return false;
    delete_font_value(value_name, scope);
    return true;
}

bool unregister_font(const std::string& path, const std::string& value_name, FontScope scope) {
    if (!RemoveFontResourceA(path.c_str()) && !win::not_held(path)) return false;
    return delete_font_value(value_name, scope);
}

bool delete_font_value(const std::string& value_name, FontScope scope) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(root_of(scope), kFontsKey, 0, KEY_WRITE, &key);
    if (rc == ERROR_FILE_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS) return false;
    win::UniqueRegKey owner(key);
    rc = RegDeleteValueA(key, value_name.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool installed_as(const std::string& source, const std::string& file_name, FontScope scope) {
    std::string face = strip_blanks(install_face_name(source));
    if (face.empty() || file_name.empty()) return false;
    return win::same_bytes(source, fonts_folder(scope) + file_name) &&
           same_path(registry_value(scope, face + kTrueTypeSuffix),
                     registry_data_for(scope, file_name));
}

bool is_registered_file(const std::string& path) {
    const std::string wanted = full_path(path);
    if (wanted.empty()) return false;
    for (FontScope scope : {FontScope::Machine, FontScope::User}) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root_of(scope), kFontsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        win::UniqueRegKey owner(key);
        std::vector<char> name(16384 * 2 + 2), data(MAX_PATH * 4);
        for (DWORD i = 0;; ++i) {
            DWORD name_len = static_cast<DWORD>(name.size()), data_len = static_cast<DWORD>(data.size() - 1);
            LONG rc = RegEnumValueA(key, i, name.data(), &name_len, nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(data.data()), &data_len);
            if (rc == ERROR_MORE_DATA) continue;  // longer than any path: not this file
            if (rc != ERROR_SUCCESS) break;
            std::string value(data.data(), strnlen(data.data(), data_len));
            if (value.size() < 2 || value[1] != ':') value = fonts_folder() + value;
            if (same_path(full_path(value), wanted)) return true;
        }
    }
    return false;
}

FontsFolderUnlocked::FontsFolderUnlocked()
    : attributes_(GetFileAttributesA(fonts_folder().c_str())),
      unlocked_(attributes_ != INVALID_FILE_ATTRIBUTES && (attributes_ & FILE_ATTRIBUTE_READONLY)) {
    if (unlocked_) SetFileAttributesA(fonts_folder().c_str(), attributes_ & ~FILE_ATTRIBUTE_READONLY);
}

FontsFolderUnlocked::~FontsFolderUnlocked() {
    if (unlocked_) SetFileAttributesA(fonts_folder().c_str(), attributes_);
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

bool remove_installed_font(const std::string& path, const std::string& value_name,
                           FontScope scope) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    // The fallback of the sequence would remove the same resource again,
    // just after that failed: it cannot succeed then, and under Wine each
    // attempt costs more than a small font's copy. Only the uninstall runs.
    return uninstall_font(path, value_name, scope);
}

}  // namespace yq
