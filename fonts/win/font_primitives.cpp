#include "fonts/win/font_primitives.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "base/file_names.h"
#include "base/sha256.h"
#include "base/text.h"
#include "fonts/install_record.h"
#include "fonts/win/install_records.h"
#include "fonts/win/inventory.h"
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
    SHCreateDirectoryExA(nullptr, folder.c_str(),
                         nullptr);  // Windows makes it at the first install
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
    // A failed lookup is not kept: the shell can answer late on a thread of
    // its own at start-up, and a run that kept "" would install nothing at
    // all. The system's folder falls back to the Windows folder's Fonts.
    static std::mutex lock;
    static std::string machine, user;
    std::lock_guard<std::mutex> hold(lock);
    if (scope == FontScope::User) {
        if (user.empty()) user = user_fonts_folder();
        return user;
    }
    if (machine.empty()) {
        char buf[MAX_PATH] = "";
        if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_FONTS, nullptr, SHGFP_TYPE_CURRENT, buf)) &&
            buf[0]) {
            machine = with_backslash(buf);
        } else if (UINT n = GetWindowsDirectoryA(buf, sizeof buf); n > 0 && n < sizeof buf) {
            machine = with_backslash(buf) + "Fonts\\";
        }
    }
    return machine;
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

// "stem_k.ext": the Fonts folder's numbered names (the program's own
// folders use "stem (k).ext").
std::string numbered_install_name(const std::string& name, int k) {
    size_t dot = name.rfind('.');
    std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    return stem + "_" + std::to_string(k) + extension;
}

// Whether the file at `path` holds exactly the bytes of digest and size.
bool has_bytes(const std::string& path, const Sha256Digest& digest, uint64_t size) {
    Sha256Digest d;
    uint64_t n = 0;
    return win::file_digest(path, d, n) && n == size && d == digest;
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
    return resolved.size() > home.size() &&
           same_name_ignoring_case(resolved.substr(0, home.size()), home) &&
           resolved.substr(home.size()) == name;
}

// `name` itself, or name_2.ttf, name_3.ttf, ...: the first that no file in
// the folder holds yet or whose file holds these very bytes. A file holding
// anything else is never replaced here. Empty when no such name is left.
std::string free_name_for(const std::string& folder, const std::string& name,
                          const Sha256Digest& digest, uint64_t size) {
    for (int k = 1; k <= kMaxNumberedNames; ++k) {
        std::string candidate = k == 1 ? name : numbered_install_name(name, k);
        if (!is_storable_file_name(candidate)) return {};
        std::string path = folder + candidate;
        if (!win::file_exists(path) || has_bytes(path, digest, size)) return candidate;
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

// Copies the font to a name that no file holds, checked byte for byte, the
// system Fonts folder made writable for the copy when it is read-only and
// put back afterwards. A file that took the name meanwhile is never
// replaced.
bool copy_into(FontScope scope, const std::string& source, const std::string& target) {
    std::optional<FontsFolderUnlocked> writable;
    if (scope == FontScope::Machine) writable.emplace();
    return win::copy_verified(source, target);
}

std::string registry_value(FontScope scope, const std::string& name) {
    return font_value_data(scope, name).value_or("");
}

// A value (or an installed file) that answers to a face being installed.
struct ClaimedValue {
    FontScope scope;
    std::string value_name;
    std::string path;
};

// The biggest font whose bytes are read back from GDI to tell whose it is;
// a bigger one counts as another font's.
constexpr uint64_t kMaxLoadedFontBytes = uint64_t{256} << 20;
constexpr DWORD kCollectionTag = 0x66637474;  // 'ttcf', as GetFontData takes tags

// The SHA-256 and size of the font file GDI draws the family `name` with,
// when GDI has a family of that name loaded (under any of its names, as it
// finds fonts): read back with GetFontData, a collection whole. Nothing
// when no such family is loaded; `readable` false when one is but its bytes
// could not be read.
struct LoadedFont {
    bool readable = false;
    Sha256Digest digest{};
    uint64_t size = 0;
};

int CALLBACK first_family(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<std::optional<LOGFONTW>*>(found) = *lf;
    return 0;  // the first is enough
}

std::optional<LoadedFont> loaded_font_named(HDC dc, const std::string& name) {
    std::u16string wide = gbk_to_utf16(name);
    if (wide.empty() || wide.size() >= LF_FACESIZE || name[0] == '@') return std::nullopt;
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    std::copy(wide.begin(), wide.end(), wanted.lfFaceName);
    std::optional<LOGFONTW> found;
    EnumFontFamiliesExW(dc, &wanted, first_family, reinterpret_cast<LPARAM>(&found), 0);
    if (!found) return std::nullopt;
    LoadedFont loaded;
    HFONT font = CreateFontIndirectW(&*found);
    if (!font) return loaded;
    HGDIOBJ old = SelectObject(dc, font);
    DWORD table = kCollectionTag;
    DWORD size = GetFontData(dc, table, 0, nullptr, 0);
    if (size == GDI_ERROR) {
        table = 0;
        size = GetFontData(dc, table, 0, nullptr, 0);
    }
    if (size != GDI_ERROR && size > 0 && size <= kMaxLoadedFontBytes) {
        Sha256 hash;
        std::vector<uint8_t> chunk(1 << 20);
        DWORD at = 0;
        while (at < size) {
            DWORD n = std::min<DWORD>(static_cast<DWORD>(chunk.size()), size - at);
            if (GetFontData(dc, table, at, chunk.data(), n) != n) break;
            hash.update(ByteSpan(chunk.data(), n));
            at += n;
        }
        if (at == size) {
            loaded.readable = true;
            loaded.digest = hash.finish();
            loaded.size = size;
        }
    }
    SelectObject(dc, old);
    DeleteObject(font);
    return loaded;
}

// Everything installed that answers to one of `names`: the values of both
// keys whose names stand for such a face, the installed files the
// inventory read such a face from, and the fonts GDI has loaded under such
// a name (registered or not: a file of the Fonts folder, a system's own
// font, another name of an installed face), with whether each is the
// program's own and whether it holds the bytes of digest and size.
std::vector<FaceClaim> claims_on(const std::vector<std::string>& names, const Sha256Digest& digest,
                                 uint64_t size) {
    std::vector<std::string> keys;
    for (const std::string& n : names) {
        std::string key = name_key(n);
        if (!key.empty() && std::find(keys.begin(), keys.end(), key) == keys.end())
            keys.push_back(std::move(key));
    }
    auto answers = [&](const std::vector<std::string>& faces) {
        for (const std::string& f : faces)
            if (std::find(keys.begin(), keys.end(), f) != keys.end()) return true;
        return false;
    };
    std::vector<ClaimedValue> found;
    auto add = [&](FontScope scope, const std::string& value, const std::string& path) {
        for (const ClaimedValue& c : found)
            if (c.scope == scope && same_name_ignoring_case(c.value_name, value) &&
                same_name_ignoring_case(c.path, path))
                return;
        found.push_back({scope, value, path});
    };
    for (FontScope scope : {FontScope::Machine, FontScope::User}) {
        for (const FontValue& v : font_values(scope))
            if (answers(faces_of_value_name(v.name)))
                add(scope, v.name, file_of_value(scope, v.data));
    }
    for (const InstalledFace& f : installed_faces_named(keys)) add(f.scope, f.value_name, f.path);

    std::vector<FaceClaim> claims;
    for (const ClaimedValue& c : found) {
        Sha256Digest d{};
        uint64_t n = 0;
        const bool readable = win::file_digest(c.path, d, n);
        FaceClaim claim;
        claim.what = c.value_name;
        claim.registered = true;
        claim.same_bytes = readable && n == size && d == digest;
        claim.ours = readable && is_own_install(c.scope, c.value_name, c.path, d, n);
        claims.push_back(std::move(claim));
    }
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc) {
        for (const std::string& n : names) {
            std::optional<LoadedFont> loaded = loaded_font_named(dc, n);
            if (!loaded) continue;
            FaceClaim claim;
            claim.what = n;
            claim.same_bytes = loaded->readable && loaded->size == size && loaded->digest == digest;
            claim.ours = loaded->readable && is_recorded_bytes(loaded->digest, loaded->size);
            claims.push_back(std::move(claim));
        }
        DeleteDC(dc);
    }
    return claims;
}

}  // namespace

InstallResult install_font(const std::string& path, std::string& file_name) {
    std::optional<FontScope> scope = install_scope();
    if (!scope) return {};
    return install_font(path, file_name, *scope);
}

InstallResult install_font(const std::string& path, std::string& file_name, FontScope scope) {
    InstallResult result;
    result.face = install_face_name(path);
    const std::string face = strip_blanks(result.face);
    file_name = strip_blanks(file_name);
    if (face.empty()) {
        result.status = InstallStatus::NotAFont;
        return result;
    }
    if (file_name.empty()) file_name = std::string(file_name_of(path));
    const std::string& folder = fonts_folder(scope);
    Sha256Digest digest{};
    uint64_t size = 0;
    if (folder.size() < 2 || !is_storable_file_name(file_name) ||
        !lands_in_fonts_folder(folder, file_name) || !win::file_digest(path, digest, size)) {
        return result;
    }
    const std::string value = face + kTrueTypeSuffix;

    // Every name the font answers to, and whatever answers to them already.
    std::vector<std::string> names = sfnt::family_names_from_file(path);
    names.insert(names.begin(), result.face);
    std::vector<FaceClaim> claims = claims_on(names, digest, size);
    switch (judge_install(claims)) {
        case InstallVerdict::TakenByAnother:
            for (const FaceClaim& c : claims) {
                if (!c.ours && !c.same_bytes) {
                    result.taken_by = c.what;
                    break;
                }
            }
            result.status = InstallStatus::FaceTaken;
            return result;
        case InstallVerdict::AlreadyThere:
            result.status = InstallStatus::AlreadyInstalled;
            return result;
        case InstallVerdict::Install:
            break;
    }

    // Our own earlier version of this face in this scope is replaced in its
    // own file; anything else goes to a name that is free.
    std::string name;
    std::optional<InstallRecord> own = install_record_of(scope, value);
    if (own && is_storable_file_name(own->file_name) &&
        lands_in_fonts_folder(folder, own->file_name) &&
        is_own_install(scope, value, folder + own->file_name)) {
        name = own->file_name;
    } else {
        name = free_name_for(folder, file_name, digest, size);
    }
    if (name.empty()) return result;
    const std::string target = folder + name;
    const bool existed = win::file_exists(target);
    const bool same = existed && has_bytes(target, digest, size);
    std::string aside;
    if (existed && !same) {
        // Only our own file reaches here. Its old bytes wait beside it until
        // the new version is in place.
        RemoveFontResourceA(target.c_str());
        aside = target + std::string(kPartialSuffix) + "old";
        DeleteFileA(aside.c_str());
        std::optional<FontsFolderUnlocked> writable;
        if (scope == FontScope::Machine) writable.emplace();
        if (!MoveFileExA(target.c_str(), aside.c_str(), 0)) {
            AddFontResourceA(target.c_str());
            return result;
        }
    }
    auto undo = [&] {
        std::optional<FontsFolderUnlocked> writable;
        if (scope == FontScope::Machine) writable.emplace();
        if (!aside.empty()) {
            MoveFileExA(aside.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
            AddFontResourceA(target.c_str());
        } else if (!existed) {
            DeleteFileA(target.c_str());
        }
        return result;
    };
    if (!same && !copy_into(scope, path, target)) return undo();
    // The value is written last, so that it never names a file that is not
    // there or a font GDI refused.
    if (!AddFontResourceA(target.c_str())) return undo();
    if (!set_registry_value(scope, value, registry_data_for(scope, name))) {
        RemoveFontResourceA(target.c_str());
        return undo();
    }
    if (!aside.empty()) DeleteFileA(aside.c_str());
    if (!remember_install({scope, value, name, size, digest}))
        std::fprintf(stderr, "yanqing: the record of %s could not be stored\n", value.c_str());
    file_name = name;
    result.status = InstallStatus::Installed;
    return result;
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
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return false;
    forget_install(scope, value_name);  // a value that is gone is nobody's
    return true;
}

bool installed_as(const std::string& source, const std::string& file_name, FontScope scope) {
    std::string face = strip_blanks(install_face_name(source));
    if (face.empty() || file_name.empty()) return false;
    return win::same_bytes(source, fonts_folder(scope) + file_name) &&
           same_name_ignoring_case(registry_value(scope, face + kTrueTypeSuffix),
                                   registry_data_for(scope, file_name));
}

std::optional<std::string> font_value_data(FontScope scope, const std::string& value_name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_of(scope), kFontsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    win::UniqueRegKey owner(key);
    std::vector<char> data(MAX_PATH * 2);
    for (;;) {
        DWORD size = static_cast<DWORD>(data.size() - 1), type = 0;
        LONG rc = RegQueryValueExA(key, value_name.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(data.data()), &size);
        if (rc == ERROR_MORE_DATA && data.size() < (1u << 24)) {
            data.resize(data.size() * 4);
            continue;
        }
        if (rc != ERROR_SUCCESS) return std::nullopt;
        return std::string(data.data(), strnlen(data.data(), size));
    }
}

bool set_font_value(FontScope scope, const std::string& value_name, const std::string& data) {
    return set_registry_value(scope, value_name, data);
}

std::vector<FontValue> font_values(FontScope scope) {
    std::vector<FontValue> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_of(scope), kFontsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    win::UniqueRegKey owner(key);
    DWORD longest_name = 0, longest_data = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &longest_name, &longest_data, nullptr, nullptr) != ERROR_SUCCESS) {
        return values;
    }
    // A GBK name takes up to two bytes a character.
    std::vector<char> name(2 * size_t{longest_name} + 2), data(size_t{longest_data} + 2);
    for (DWORD i = 0;; ++i) {
        DWORD name_len = static_cast<DWORD>(name.size());
        DWORD data_len = static_cast<DWORD>(data.size() - 1);
        LONG rc = RegEnumValueA(key, i, name.data(), &name_len, nullptr, nullptr,
                                reinterpret_cast<BYTE*>(data.data()), &data_len);
        if (rc == ERROR_MORE_DATA) {
            // Grown since the key was asked: read this value again, bigger.
            name.resize(name.size() * 2);
            data.resize(data.size() * 2);
            --i;
            if (name.size() > (1u << 20) || data.size() > (1u << 24)) break;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        values.push_back({std::string(name.data(), name_len),
                          std::string(data.data(), strnlen(data.data(), data_len))});
    }
    return values;
}

std::string file_of_value(FontScope scope, const std::string& data) {
    if (data.size() >= 2 && data[1] == ':') return data;
    return fonts_folder(scope) + data;
}

bool is_registered_file(const std::string& path) {
    const std::string wanted = full_path(path);
    if (wanted.empty()) return false;
    for (FontScope scope : {FontScope::Machine, FontScope::User}) {
        for (const FontValue& v : font_values(scope)) {
            if (v.data.size() >= 2 && v.data[1] == ':') {
                if (same_name_ignoring_case(full_path(v.data), wanted)) return true;
                continue;
            }
            // A bare name is taken to name a file of either Fonts folder:
            // whichever a system reads it in, that file is not free.
            for (FontScope folder : {FontScope::Machine, FontScope::User}) {
                if (same_name_ignoring_case(full_path(fonts_folder(folder) + v.data), wanted))
                    return true;
            }
        }
    }
    return false;
}

bool is_deletable_font_file(const std::string& path) {
    bool in_a_fonts_folder = false;
    for (FontScope scope : {FontScope::Machine, FontScope::User}) {
        const std::string& folder = fonts_folder(scope);
        if (!folder.empty() && win::is_plain_file_directly_in(folder, path))
            in_a_fonts_folder = true;
    }
    return in_a_fonts_folder && !is_registered_file(path);
}

FontsFolderUnlocked::FontsFolderUnlocked()
    : attributes_(GetFileAttributesA(fonts_folder().c_str())),
      unlocked_(attributes_ != INVALID_FILE_ATTRIBUTES && (attributes_ & FILE_ATTRIBUTE_READONLY)) {
    if (unlocked_)
        SetFileAttributesA(fonts_folder().c_str(), attributes_ & ~FILE_ATTRIBUTE_READONLY);
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
