#include "fonts/win/installed_fonts.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "base/parallel.h"
#include "fonts/face_cache.h"
#include "fonts/win/font_primitives.h"
#include "platform/win/handles.h"

namespace yq {
namespace {

// A value name is at most 16,383 characters; font paths are far shorter than
// this, and nothing larger is read.
constexpr size_t kMaxValueNameBytes = size_t{1} << 16;
constexpr size_t kMaxValueDataBytes = size_t{1} << 20;

// Far more fonts than any machine has; past it the cache starts again.
constexpr size_t kMaxCachedFaces = 65536;
// A stored cache larger than this is not ours: it is ignored.
constexpr DWORD kMaxCacheFileBytes = 64u << 20;

std::mutex g_cache_lock;
FaceCache g_cache;
std::string g_cache_file;     // "" keeps the cache in memory only
bool g_cache_loaded = false;  // the file has been read into g_cache

uint64_t filetime_value(const FILETIME& t) {
    return uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime;
}

// Reads the stored cache into memory once; entries already in memory stay.
// Call with g_cache_lock held.
void load_cache_file() {
    if (g_cache_loaded || g_cache_file.empty()) return;
    g_cache_loaded = true;
    win::UniqueFile in(CreateFileA(g_cache_file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!in || !GetFileSizeEx(in.get(), &size) || size.QuadPart > kMaxCacheFileBytes) return;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!ReadFile(in.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
        got != bytes.size()) {
        return;
    }
    FaceCache stored;
    if (!parse_face_cache(as_span(bytes), stored)) return;
    // What this process has read itself is newer than the stored entry.
    for (auto& entry : stored) g_cache.emplace(std::move(entry));
}

// Stores the entries of `paths` (files read or checked by the latest
// rebuild): written beside the file first, then moved over it, so a
// program that dies half way leaves the old cache whole.
void store_cache_file(const std::vector<std::string>& paths) {
    std::string file, bytes;
    {
        std::lock_guard<std::mutex> hold(g_cache_lock);
        if (g_cache_file.empty()) return;
        file = g_cache_file;
        FaceCache current;
        for (const std::string& path : paths) {
            auto it = g_cache.find(path);
            if (it != g_cache.end()) current.insert(*it);
        }
        bytes = serialize_face_cache(current);
    }
    std::string temp = file + "." + std::to_string(GetCurrentThreadId()) + ".tmp";
    {
        win::UniqueFile out(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out) return;
        DWORD written = 0;
        if (!WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) ||
            written != bytes.size()) {
            out.reset();
            DeleteFileA(temp.c_str());
            return;
        }
    }
    if (!MoveFileExA(temp.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING))
        DeleteFileA(temp.c_str());
}

// The face name of `path` (made absolute in place) and whether the file had
// to be read for it.
std::string face_name_for(std::string& path, bool& read) {
    read = false;
    if (path.size() < 2 || path[1] != ':') path = fonts_folder() + path;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return "";
    }
    uint64_t size = uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
    uint64_t written = filetime_value(data.ftLastWriteTime);
    {
        std::lock_guard<std::mutex> hold(g_cache_lock);
        auto it = g_cache.find(path);
        if (it != g_cache.end() && it->second.size == size && it->second.write_time == written) {
            return it->second.face;
        }
    }
    read = true;
    std::string face = listing_face_name(path);
    // No name is never remembered: the file may only have been locked for a
    // moment (being copied, scanned), and remembering that would hide the
    // font until its file changes. Files that are not fonts are few.
    if (face.empty()) return face;
    std::lock_guard<std::mutex> hold(g_cache_lock);
    if (g_cache.size() >= kMaxCachedFaces) g_cache.clear();
    g_cache[path] = CachedFace{size, written, face};
    return face;
}

}  // namespace

std::string cached_face_name(std::string& path) {
    bool read = false;
    return face_name_for(path, read);
}

void clear_face_name_cache() {
    std::lock_guard<std::mutex> hold(g_cache_lock);
    g_cache.clear();
    g_cache_loaded = false;
}

void set_face_cache_file(const std::string& path) {
    std::lock_guard<std::mutex> hold(g_cache_lock);
    g_cache_file = path;
    g_cache_loaded = false;
}

namespace {

// Below this many values or files one thread does it all: starting threads
// costs more than it saves.
constexpr size_t kParallelFrom = 64;
// Registry calls are round trips to the wine server that mostly wait, so
// more threads than cores still help; file reads also keep a core busy.
constexpr unsigned kRegistryThreads = 4;
constexpr unsigned kFileThreads = 2;

struct FontValue {
    bool present = false;
    std::string name;
    std::string data;  // bytes up to the first NUL
};

// Reads the value at `index` into `out`, growing the buffers as the value
// needs. False at the end of the key. A value too long for any font is
// skipped: true with `out.present` false.
bool read_font_value(HKEY key, DWORD index, std::vector<char>& name, std::vector<char>& data,
                     FontValue& out) {
    for (;;) {
        DWORD name_len = static_cast<DWORD>(name.size());
        DWORD data_len = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG rc = RegEnumValueA(key, index, name.data(), &name_len, nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &data_len);
        if (rc == ERROR_MORE_DATA) {
            if (name.size() >= kMaxValueNameBytes && data.size() >= kMaxValueDataBytes) return true;
            name.resize(std::min(name.size() * 2, kMaxValueNameBytes));
            data.resize(std::min(data.size() * 2, kMaxValueDataBytes));
            continue;
        }
        if (rc != ERROR_SUCCESS) return false;
        out.present = true;
        out.name.assign(name.data(), name_len);
        out.data.assign(data.data(), strnlen(data.data(), std::min<size_t>(data_len, data.size())));
        return true;
    }
}

// Every value of the fonts key in enumeration order. The values counted at
// the start are read on several threads, each by its index; values added
// meanwhile are picked up after them.
std::vector<FontValue> read_font_values(HKEY key) {
    DWORD count = 0, max_name = 0, max_data = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &max_name, &max_data, nullptr, nullptr) != ERROR_SUCCESS) {
        count = max_name = max_data = 0;
    }
    // Names are counted in characters, and a character can take two bytes.
    size_t name_bytes = std::clamp<size_t>(size_t{max_name} * 2 + 2, 256, kMaxValueNameBytes);
    size_t data_bytes = std::clamp<size_t>(size_t{max_data} + 2, 256, kMaxValueDataBytes);

    std::vector<FontValue> values(count);
    parallel_for(count, count >= kParallelFrom ? kRegistryThreads : 1, [&](size_t i) {
        std::vector<char> name(name_bytes), data(data_bytes);
        read_font_value(key, static_cast<DWORD>(i), name, data, values[i]);
    });
    std::vector<char> name(name_bytes), data(data_bytes);
    for (DWORD index = count;; ++index) {
        FontValue v;
        if (!read_font_value(key, index, name, data, v)) break;
        values.push_back(std::move(v));
    }
    return values;
}

}  // namespace

FontInventory read_installed_fonts() {
    FontInventory inventory;
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kFontsKey, &key) != ERROR_SUCCESS) return inventory;
    win::UniqueRegKey owner(key);
    std::vector<FontValue> values = read_font_values(key);
    values.erase(
        std::remove_if(values.begin(), values.end(), [](const FontValue& v) { return !v.present; }),
        values.end());
    // The face names come from the files, read on several threads; the
    // registry order is kept, so the first value of a face still wins.
    {
        std::lock_guard<std::mutex> hold(g_cache_lock);
        load_cache_file();
    }
    std::vector<std::string> faces(values.size());
    std::atomic<size_t> files_read{0};
    parallel_for(values.size(), values.size() >= kParallelFrom ? kFileThreads : 1, [&](size_t i) {
        bool read = false;
        faces[i] = face_name_for(values[i].data, read);
        if (read) files_read.fetch_add(1, std::memory_order_relaxed);
    });
    if (files_read.load() > 0) {
        std::vector<std::string> paths;
        paths.reserve(values.size());
        for (const FontValue& v : values) paths.push_back(v.data);
        store_cache_file(paths);
    }
    for (size_t i = 0; i < values.size(); ++i) {
        inventory.append(std::move(faces[i]), std::move(values[i].data), std::move(values[i].name));
    }
    return inventory;
}

}  // namespace yq
