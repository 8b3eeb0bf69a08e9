// Helpers of the font tests: the test fonts made at build time, the fonts
// registry key, and what GDI enumerates.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace yq::test {

// Absolute path of a test font (test-fonts\ in the working directory).
inline std::string test_font(const std::string& file_name) {
    char buf[MAX_PATH];
    DWORD n = GetFullPathNameA(("test-fonts\\" + file_name).c_str(), MAX_PATH, buf, nullptr);
    return std::string(buf, n);
}

inline std::string read_file(const std::string& path) {
    std::string bytes;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) bytes.append(buf, got);
    CloseHandle(h);
    return bytes;
}

inline bool write_file(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(h);
    return ok && put == bytes.size();
}

// Every file below a folder (recursive), as Windows paths, appended to out.
inline void collect_files(const std::string& folder, std::vector<std::string>& out) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;  // never leave the tree
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            collect_files(folder + "\\" + name, out);
        } else {
            out.push_back(folder + "\\" + name);
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

// A folder of the test's own below the temporary folder, ending in a
// backslash.
inline std::string temp_folder(const std::string& name) {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::string dir = std::string(tmp) + name;
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "\\";
}

inline bool file_exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

constexpr char kFontsKeyPath[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

// Data of a fonts key value, or "<none>" when it does not exist.
inline std::string font_value(const std::string& name, HKEY root = HKEY_LOCAL_MACHINE) {
    char buf[1024];
    DWORD size = sizeof buf;
    if (RegGetValueA(root, kFontsKeyPath, name.c_str(), RRF_RT_REG_SZ, nullptr, buf,
                     &size) != ERROR_SUCCESS) {
        return "<none>";
    }
    return buf;
}

inline void set_font_value(const std::string& name, const std::string& data,
                           HKEY root = HKEY_LOCAL_MACHINE) {
    HKEY key;
    RegCreateKeyA(root, kFontsKeyPath, &key);
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
    RegCloseKey(key);
}

inline void delete_font_value(const std::string& name, HKEY root = HKEY_LOCAL_MACHINE) {
    HKEY key;
    if (RegOpenKeyExA(root, kFontsKeyPath, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name.c_str());
        RegCloseKey(key);
    }
}

// Every value of the fonts key as name -> data, in enumeration order (read
// with the wide calls and big buffers, independently of the code under test).
struct FontValue {
    std::wstring name, data;
};
inline std::vector<FontValue> font_values() {
    std::vector<FontValue> out;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                      0, KEY_READ, &key) != ERROR_SUCCESS) {
        return out;
    }
    std::vector<wchar_t> name(32768), data(32768);
    for (DWORD i = 0;; ++i) {
        DWORD nl = static_cast<DWORD>(name.size()), dl = static_cast<DWORD>(data.size() * 2);
        if (RegEnumValueW(key, i, name.data(), &nl, nullptr, nullptr,
                          reinterpret_cast<BYTE*>(data.data()), &dl) != ERROR_SUCCESS) {
            break;
        }
        out.push_back({std::wstring(name.data(), nl), std::wstring(data.data())});
    }
    RegCloseKey(key);
    return out;
}

// Whether GDI enumerates a family of this name (EnumFontFamiliesExA, any
// character set), as a program choosing a font by name would find it.
inline bool gdi_has_family(const std::string& face) {
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    HDC dc = GetDC(nullptr);
    bool found = false;
    EnumFontFamiliesExA(
        dc, &lf,
        [](const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM lp) -> int {
            *reinterpret_cast<bool*>(lp) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

// Full names (elfFullName) of every face GDI enumerates for a family.
inline std::vector<std::string> gdi_full_names(const std::string& family) {
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, family.c_str(), LF_FACESIZE);
    HDC dc = GetDC(nullptr);
    std::vector<std::string> names;
    EnumFontFamiliesExA(
        dc, &lf,
        [](const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM lp) -> int {
            auto* e = reinterpret_cast<const ENUMLOGFONTEXA*>(font);
            reinterpret_cast<std::vector<std::string>*>(lp)->push_back(
                reinterpret_cast<const char*>(e->elfFullName));
            return 1;
        },
        reinterpret_cast<LPARAM>(&names), 0);
    ReleaseDC(nullptr, dc);
    return names;
}

}  // namespace yq::test
