#include "fonts/win/installed_fonts.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "fonts/win/font_primitives.h"
#include "platform/win/handles.h"

namespace yq {
namespace {

// A value name is at most 16,383 characters; font paths are far shorter than
// this, and nothing larger is read.
constexpr size_t kMaxValueNameBytes = size_t{1} << 16;
constexpr size_t kMaxValueDataBytes = size_t{1} << 20;

// From this many fonts on, face names are read on two threads.
constexpr size_t kParallelFaceReads = 64;

// Far more fonts than any machine has; past it the cache starts again.
constexpr size_t kMaxCachedFaces = 65536;

struct CachedFace {
    uint64_t size;
    uint64_t write_time;
    std::string face;
};

std::mutex g_cache_lock;
std::unordered_map<std::string, CachedFace> g_cache;

}  // namespace

std::string cached_face_name(std::string& path) {
    if (path.size() < 2 || path[1] != ':') path = fonts_folder() + path;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return "";
    }
    uint64_t size = uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
    uint64_t written =
        uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32 | data.ftLastWriteTime.dwLowDateTime;
    {
        std::lock_guard<std::mutex> hold(g_cache_lock);
        auto it = g_cache.find(path);
        if (it != g_cache.end() && it->second.size == size && it->second.write_time == written) {
            return it->second.face;
        }
    }
    std::string face = listing_face_name(path);
    std::lock_guard<std::mutex> hold(g_cache_lock);
    if (g_cache.size() >= kMaxCachedFaces) g_cache.clear();
    g_cache[path] = CachedFace{size, written, face};
    return face;
}

void clear_face_name_cache() {
    std::lock_guard<std::mutex> hold(g_cache_lock);
    g_cache.clear();
}

FontInventory read_installed_fonts() {
    FontInventory inventory;
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kFontsKey, &key) != ERROR_SUCCESS) return inventory;
    win::UniqueRegKey owner(key);
    std::vector<char> name(256), data(256);
    std::vector<std::string> paths, value_names;
    for (DWORD index = 0;;) {
        DWORD name_len = static_cast<DWORD>(name.size());
        DWORD data_len = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG rc = RegEnumValueA(key, index, name.data(), &name_len, nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &data_len);
        if (rc == ERROR_MORE_DATA) {
            // Read the same value again with buffers of the key's largest sizes.
            DWORD max_name = 0, max_data = 0;
            RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             &max_name, &max_data, nullptr, nullptr);
            size_t want_name = std::max<size_t>(name.size() * 2, size_t{max_name} + 1);
            size_t want_data = std::max<size_t>(data.size() * 2, size_t{max_data} + 1);
            if (want_name > kMaxValueNameBytes || want_data > kMaxValueDataBytes) {
                ++index;  // a value no font can have: skip it, keep the rest
                continue;
            }
            name.resize(want_name);
            data.resize(want_data);
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        ++index;
        paths.emplace_back(data.data(),
                           strnlen(data.data(), std::min<size_t>(data_len, data.size())));
        value_names.emplace_back(name.data(), name_len);
    }
    // The face names come from the files: read them on two threads (the
    // registry order is kept, so the first value of a face still wins).
    std::vector<std::string> faces(paths.size());
    auto read_range = [&](size_t first, size_t step) {
        for (size_t i = first; i < paths.size(); i += step) faces[i] = cached_face_name(paths[i]);
    };
    if (paths.size() >= kParallelFaceReads) {
        std::thread helper(read_range, 1, 2);
        read_range(0, 2);
        helper.join();
    } else {
        read_range(0, 1);
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        inventory.append(std::move(faces[i]), std::move(paths[i]), std::move(value_names[i]));
    }
    return inventory;
}

}  // namespace yq
