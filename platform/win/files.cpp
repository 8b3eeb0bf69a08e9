#include "platform/win/files.h"

#include <windows.h>

#include <cstring>
#include <optional>
#include <vector>

#include "base/file_names.h"
#include "platform/win/handles.h"

namespace yq::win {
namespace {

UniqueFile open_for_reading(const std::string& path) {
    return UniqueFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

bool file_exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool same_bytes(const std::string& a, const std::string& b) {
    UniqueFile fa = open_for_reading(a), fb = open_for_reading(b);
    LARGE_INTEGER sa{}, sb{};
    if (!fa || !fb || !GetFileSizeEx(fa.get(), &sa) || !GetFileSizeEx(fb.get(), &sb) ||
        sa.QuadPart != sb.QuadPart)
        return false;
    std::vector<char> ba(1 << 16), bb(1 << 16);
    for (;;) {
        DWORD na = 0, nb = 0;
        if (!ReadFile(fa.get(), ba.data(), static_cast<DWORD>(ba.size()), &na, nullptr) ||
            !ReadFile(fb.get(), bb.data(), static_cast<DWORD>(bb.size()), &nb, nullptr) || na != nb)
            return false;
        if (na == 0) return true;
        if (std::memcmp(ba.data(), bb.data(), na) != 0) return false;
    }
}

bool copy_verified(const std::string& source, const std::string& target) {
    // The move at the end never replaces: a target that exists fails there.
    std::string partial = target + std::string(kPartialSuffix);
    if (!CopyFileA(source.c_str(), partial.c_str(), FALSE)) {
        DeleteFileA(partial.c_str());
        return false;
    }
    // No replacing: a file that took the name meanwhile stays as it is.
    if (!same_bytes(source, partial) || !MoveFileExA(partial.c_str(), target.c_str(), 0)) {
        DeleteFileA(partial.c_str());
        return false;
    }
    return true;
}

bool not_held(const std::string& path) {
    UniqueFile f(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(f);
}

bool delete_file(const std::string& path) {
    return DeleteFileA(path.c_str()) && !file_exists(path);
}

namespace {

// Renames an open file (opened with DELETE access) to `target`.
bool rename_open_file(HANDLE file, const std::string& target, bool replace) {
    int chars = MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, nullptr, 0);
    if (chars <= 1) return false;
    std::vector<char> bytes(sizeof(FILE_RENAME_INFO) + sizeof(WCHAR) * static_cast<size_t>(chars));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(bytes.data());
    info->ReplaceIfExists = replace;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(sizeof(WCHAR) * static_cast<size_t>(chars - 1));
    MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, info->FileName, chars);
    return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(bytes.size()));
}

}  // namespace

bool copy_into_place(const std::string& source, const std::string& partial,
                     const std::string& target, bool replace, uint64_t* size,
                     uint64_t* write_time) {
    UniqueFile in(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    FILETIME written;
    if (!in || !GetFileTime(in.get(), nullptr, nullptr, &written)) return false;
    UniqueFile out(CreateFileA(partial.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return false;
    bool ok = true;
    uint64_t copied = 0;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        DWORD got = 0, put = 0;
        if (!ReadFile(in.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        if (!WriteFile(out.get(), buffer.data(), got, &put, nullptr) || put != got) {
            ok = false;
            break;
        }
        copied += got;
    }
    ok = ok && SetFileTime(out.get(), nullptr, nullptr, &written);
    bool renamed = ok && rename_open_file(out.get(), target, replace);
    out.reset();
    // Where renaming an open file is not offered, the plain move.
    if (ok && !renamed) {
        renamed =
            MoveFileExA(partial.c_str(), target.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0);
    }
    if (!renamed) {
        DeleteFileA(partial.c_str());
        return false;
    }
    if (size) *size = copied;
    if (write_time) *write_time = uint64_t{written.dwHighDateTime} << 32 | written.dwLowDateTime;
    return true;
}

namespace {

template <typename Buffer>
bool read_whole(const std::string& path, Buffer& out, size_t max_bytes) {
    out.clear();
    UniqueFile in(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!in || !GetFileSizeEx(in.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > max_bytes) {
        return false;
    }
    out.resize(static_cast<size_t>(size.QuadPart));
    // ReadFile takes at most 4 GiB a call; the caps are far below that.
    DWORD got = 0;
    if (!out.empty() &&
        (!ReadFile(in.get(), out.data(), static_cast<DWORD>(out.size()), &got, nullptr) ||
         got != out.size())) {
        out.clear();
        return false;
    }
    return true;
}

// Writes `bytes` into a file made with `disposition`; false when it cannot
// be made or written whole (a file made here is then deleted).
bool write_whole(const std::string& path, std::string_view bytes, DWORD disposition) {
    UniqueFile out(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return false;
    DWORD written = 0;
    if (!WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        out.reset();
        DeleteFileA(path.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::optional<FileStamp> file_stamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return std::nullopt;
    }
    return FileStamp{
        uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow,
        uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32 | data.ftLastWriteTime.dwLowDateTime};
}

bool read_small_file(const std::string& path, std::string& out, size_t max_bytes) {
    return read_whole(path, out, max_bytes);
}

bool read_small_file(const std::string& path, Bytes& out, size_t max_bytes) {
    return read_whole(path, out, max_bytes);
}

bool write_file_replacing(const std::string& path, std::string_view bytes) {
    const std::string temp =
        path + "." + std::to_string(GetCurrentThreadId()) + std::string(kPartialSuffix);
    if (!write_whole(temp, bytes, CREATE_ALWAYS)) return false;
    if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(temp.c_str());
    return false;
}

bool write_new_file(const std::string& path, std::string_view bytes) {
    return write_whole(path, bytes, CREATE_NEW);
}

bool file_digest(const std::string& path, Sha256Digest& digest, uint64_t& size) {
    UniqueFile in(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) return false;
    Sha256 hash;
    size = 0;
    std::vector<uint8_t> buffer(1 << 16);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return false;
        if (got == 0) break;
        hash.update(ByteSpan(buffer.data(), got));
        size += got;
    }
    digest = hash.finish();
    return true;
}

namespace {


std::wstring full_path_of(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return {};
    std::wstring out(n, L'\0');
    n = GetFullPathNameW(path.c_str(), n, out.data(), nullptr);
    out.resize(n);
    return out;
}

bool same_ignoring_case(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

// The UTF-16 form of a GBK text, or nothing when it is not valid GBK.
std::optional<std::wstring> wide_exactly(const std::string& gbk) {
    if (gbk.empty()) return std::wstring();
    int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()),
                                nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()),
                        w.data(), n);
    return w;
}

std::optional<std::string> gbk_exactly(const wchar_t* wide) {
    int len = static_cast<int>(wcslen(wide));
    if (len == 0) return std::string();
    BOOL defaulted = FALSE;
    int n =
        WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide, len, nullptr, 0, nullptr, &defaulted);
    if (n <= 0 || defaulted) return std::nullopt;
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide, len, out.data(), n, nullptr, &defaulted);
    std::optional<std::wstring> back = wide_exactly(out);
    if (defaulted || !back || *back != std::wstring(wide, static_cast<size_t>(len)))
        return std::nullopt;
    return out;
}

bool ensure_folder(std::string path) {
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        CreateDirectoryA(path.c_str(), nullptr);
        attributes = GetFileAttributesA(path.c_str());
    }
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool is_plain_file_directly_in(const std::string& folder, const std::string& path) {
    // A drive path ("C:\..."), with no forward slash Windows would take as a
    // separator and no part that steps elsewhere or opens a device.
    if (path.size() < 4 || path[1] != ':' || path[2] != '\\') return false;
    if (path.find('/') != std::string::npos) return false;
    const std::string_view name = file_name_of(path);
    if (!is_storable_file_name(name)) return false;
    std::string_view rest(path);
    rest.remove_prefix(3);
    while (!rest.empty()) {
        size_t cut = rest.find('\\');
        std::string_view part = rest.substr(0, cut);
        if (part.empty() || part == "." || part == ".." || names_device(part)) return false;
        if (cut == std::string_view::npos) break;
        rest.remove_prefix(cut + 1);
    }
    std::optional<std::wstring> wide = wide_exactly(path), home = wide_exactly(folder);
    if (!wide || !home || home->empty()) return false;
    // Resolving must leave the path exactly as it is: nothing trimmed, folded
    // or stepped over.
    std::wstring full = full_path_of(*wide), base = full_path_of(*home);
    if (full.empty() || base.empty() || !same_ignoring_case(full, *wide)) return false;
    if (base.back() != L'\\') base += L'\\';
    size_t slash = full.rfind(L'\\');
    if (slash == std::wstring::npos || !same_ignoring_case(full.substr(0, slash + 1), base))
        return false;
    DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    // A short alias (LONGNA~1.TTF) names another file's long name: the long
    // form must be the name itself.
    DWORD n = GetLongPathNameW(full.c_str(), nullptr, 0);
    if (n == 0) return false;
    std::wstring long_form(n, L'\0');
    n = GetLongPathNameW(full.c_str(), long_form.data(), n);
    long_form.resize(n);
    return same_ignoring_case(long_form, full);
}

std::vector<FolderFile> list_folder_files(const std::string& folder) {
    std::vector<FolderFile> files;
    std::optional<std::wstring> pattern = wide_exactly(folder + "*");
    if (!pattern) return files;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(pattern->c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return files;
    do {
        if (fd.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        std::optional<std::string> name = gbk_exactly(fd.cFileName);
        if (!name || name->empty()) continue;
        files.push_back(
            {std::move(*name), uint64_t{fd.nFileSizeHigh} << 32 | fd.nFileSizeLow,
             uint64_t{fd.ftLastWriteTime.dwHighDateTime} << 32 | fd.ftLastWriteTime.dwLowDateTime});
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return files;
}

}  // namespace yq::win
