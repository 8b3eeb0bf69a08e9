#include "platform/win/files.h"

#include <windows.h>

#include <cstring>
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
        renamed = MoveFileExA(partial.c_str(), target.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0);
    }
    if (!renamed) {
        DeleteFileA(partial.c_str());
        return false;
    }
    if (size) *size = copied;
    if (write_time) *write_time = uint64_t{written.dwHighDateTime} << 32 | written.dwLowDateTime;
    return true;
}

bool read_small_file(const std::string& path, std::string& out, size_t max_bytes) {
    out.clear();
    UniqueFile in(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!in || !GetFileSizeEx(in.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > max_bytes) {
        return false;
    }
    out.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!out.empty() && (!ReadFile(in.get(), out.data(), static_cast<DWORD>(out.size()), &got, nullptr) ||
                         got != out.size())) {
        out.clear();
        return false;
    }
    return true;
}

bool write_file_replacing(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".yqpart";
    {
        UniqueFile out(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out) return false;
        DWORD written = 0;
        if (!WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size()) {
            out.reset();
            DeleteFileA(temp.c_str());
            return false;
        }
    }
    if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(temp.c_str());
    return false;
}

}  // namespace yq::win
