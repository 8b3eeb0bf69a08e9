#include "fonts/win/face_names.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <unordered_set>

#include "base/parallel.h"
#include "fonts/face_cache.h"
#include "platform/sfnt/licence.h"
#include "fonts/win/font_primitives.h"
#include "platform/sfnt/face_name.h"
#include "platform/win/files.h"
#include "platform/win/handles.h"

namespace yq {
namespace {

// Far more fonts than any machine has; past it the cache starts again.
constexpr size_t kMaxCachedFaces = 65536;
// A stored cache larger than this is not ours: it is ignored.
constexpr DWORD kMaxCacheFileBytes = 64u << 20;
// Below this many files one thread reads them all: starting threads costs
// more than it saves. Two threads; four were slower under Wine.
constexpr size_t kParallelFrom = 64;
constexpr unsigned kFileThreads = 2;

// The face-name store of the process: every thread that lists fonts reads
// and adds to it, so it is one object behind its lock (doc/layers.md).
struct FaceNameStore {
    std::mutex lock;
    FaceCache cache;
    std::string file;     // "" keeps the cache in memory only
    bool loaded = false;  // the file has been read into the cache
    bool dirty = false;   // remembered names the store file lacks
};

FaceNameStore g_store;

// Size and last-write time of a file; false for a folder or nothing.
bool stamp_of(ListedFile& f) {
    std::optional<win::FileStamp> stamp = win::file_stamp(f.path);
    if (!stamp) return false;
    f.size = stamp->size;
    f.write_time = stamp->write_time;
    return true;
}

// Reads the stored cache into memory once; entries already in memory stay.
// Call with g_store.lock held.
void load_cache_file() {
    if (g_store.loaded || g_store.file.empty()) return;
    g_store.loaded = true;
    std::string bytes;
    if (!win::read_small_file(g_store.file, bytes, kMaxCacheFileBytes)) return;
    FaceCache stored;
    if (!parse_face_cache(as_span(bytes), stored)) return;
    // What this process has read itself is newer than the stored entry.
    for (auto& entry : stored) g_store.cache.emplace(std::move(entry));
}

// Writes the store: the entries of `checked` (files the caller has just
// looked at), and every other entry whose file is still unchanged, so that
// the inventory's names and each folder's names keep each other, while
// files that have gone or changed drop out. Written beside the file first,
// then moved over it, so a program that dies half way leaves the old store
// whole.
void store_cache_file(const std::vector<ListedFile>& checked) {
    std::string file;
    FaceCache current;
    std::vector<std::pair<std::string, CachedFace>> others;
    {
        std::lock_guard<std::mutex> hold(g_store.lock);
        if (g_store.file.empty()) return;
        file = g_store.file;
        std::unordered_set<std::string_view> seen;
        for (const ListedFile& f : checked) {
            auto it = g_store.cache.find(f.path);
            if (it != g_store.cache.end()) {
                current.insert(*it);
                seen.insert(f.path);
            }
        }
        for (const auto& entry : g_store.cache) {
            if (!seen.count(entry.first)) others.push_back(entry);
        }
    }
    for (auto& [path, face] : others) {
        ListedFile f{path};
        if (stamp_of(f) && f.size == face.size && f.write_time == face.write_time)
            current.emplace(std::move(path), std::move(face));
    }
    win::write_file_replacing(file, serialize_face_cache(current));
}

// The face name of a file of known size and time, and whether the file had
// to be read for it.
std::string face_name_for(const ListedFile& f, bool& read) {
    read = false;
    {
        std::lock_guard<std::mutex> hold(g_store.lock);
        load_cache_file();
        auto it = g_store.cache.find(f.path);
        if (it != g_store.cache.end() && it->second.size == f.size &&
            it->second.write_time == f.write_time) {
            return it->second.face;
        }
    }
    read = true;
    // The path is absolute: the name and the licence come out of one read.
    sfnt::FaceInfo info = sfnt::read_face_info_from_file(f.path);
    // No name is never remembered: the file may only have been locked for a
    // moment (being copied, scanned), and remembering that would hide the
    // font until its file changes. Files that are not fonts are few.
    if (info.face.empty()) return "";
    std::lock_guard<std::mutex> hold(g_store.lock);
    if (g_store.cache.size() >= kMaxCachedFaces) g_store.cache.clear();
    CachedFace& entry = g_store.cache[f.path] = CachedFace{f.size, f.write_time, info.face};
    entry.licence_read = true;
    entry.licence = summarize_licence(info.licence);
    return info.face;
}

void make_absolute(std::string& path) {
    if (path.size() < 2 || path[1] != ':') path = fonts_folder() + path;
}

// Names of `files`, each looked up (and stamped first when `stamp`), on two
// threads when there are many; the store is written when a file was read.
std::vector<std::string> names_of(std::vector<ListedFile>& files, bool stamp) {
    std::vector<std::string> faces(files.size());
    std::atomic<size_t> files_read{0};
    parallel_for(files.size(), files.size() >= kParallelFrom ? kFileThreads : 1, [&](size_t i) {
        if (stamp && !stamp_of(files[i])) return;
        bool read = false;
        faces[i] = face_name_for(files[i], read);
        if (read) files_read.fetch_add(1, std::memory_order_relaxed);
    });
    bool dirty;
    {
        std::lock_guard<std::mutex> hold(g_store.lock);
        dirty = g_store.dirty;
        g_store.dirty = false;
    }
    if (files_read.load() > 0 || dirty) store_cache_file(files);
    return faces;
}

}  // namespace

std::string cached_face_name(std::string& path) {
    make_absolute(path);
    ListedFile f{path};
    if (!stamp_of(f)) return "";
    bool read = false;
    return face_name_for(f, read);
}

std::vector<std::string> listed_face_names(const std::vector<ListedFile>& files) {
    std::vector<ListedFile> copy = files;
    return names_of(copy, false);
}

std::vector<std::string> face_names_of(std::vector<std::string>& paths) {
    std::vector<ListedFile> files(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        make_absolute(paths[i]);
        files[i].path = paths[i];
    }
    return names_of(files, true);
}

namespace {

// A part of the store's entry for a file that is read only when asked for
// (the coverage, the licence), while the entry still describes the file as
// `f` found it and the part has been read.
template <typename Value>
std::optional<Value> remembered(const ListedFile& f, bool CachedFace::*known,
                                Value CachedFace::*value) {
    std::lock_guard<std::mutex> hold(g_store.lock);
    load_cache_file();
    auto it = g_store.cache.find(f.path);
    if (it != g_store.cache.end() && it->second.size == f.size &&
        it->second.write_time == f.write_time && it->second.*known) {
        return it->second.*value;
    }
    return std::nullopt;
}

}  // namespace

sfnt::HanziCoverage cached_hanzi_coverage(const std::string& path) {
    ListedFile f{path};
    if (!stamp_of(f)) return {};
    if (auto known = remembered(f, &CachedFace::coverage_counted, &CachedFace::coverage))
        return *known;
    // Counted outside the lock: a large font's cmap takes a few milliseconds.
    const sfnt::HanziCoverage coverage = sfnt::read_hanzi_coverage_from_file(path);
    std::lock_guard<std::mutex> hold(g_store.lock);
    auto it = g_store.cache.find(path);
    // Remembered only beside a face name of the same file as it is now.
    if (it != g_store.cache.end() && it->second.size == f.size &&
        it->second.write_time == f.write_time) {
        it->second.coverage_counted = true;
        it->second.coverage = coverage;
        g_store.dirty = true;
    }
    return coverage;
}

LicenceSummary cached_face_licence(const std::string& path) {
    ListedFile f{path};
    if (!stamp_of(f)) return {};
    if (auto known = remembered(f, &CachedFace::licence_read, &CachedFace::licence)) return *known;
    // An entry of an older store, or a name remembered without a read (a
    // backup's copy), or a file not yet looked at: its name table is read
    // now, once, outside the lock.
    sfnt::FaceInfo info = sfnt::read_face_info_from_file(path);
    LicenceSummary licence = summarize_licence(info.licence);
    if (info.face.empty()) return licence;
    std::lock_guard<std::mutex> hold(g_store.lock);
    auto it = g_store.cache.find(path);
    if (it == g_store.cache.end() || it->second.size != f.size ||
        it->second.write_time != f.write_time) {
        if (g_store.cache.size() >= kMaxCachedFaces) g_store.cache.clear();
        g_store.cache[path] = CachedFace{f.size, f.write_time, info.face};
        it = g_store.cache.find(path);
    }
    it->second.licence_read = true;
    it->second.licence = licence;
    g_store.dirty = true;
    return licence;
}

void remember_face_name(const std::string& path, const std::string& face) {
    ListedFile f{path};
    if (face.empty() || !stamp_of(f)) return;
    remember_face_name(path, face, f.size, f.write_time);
}

void remember_face_name(const std::string& path, const std::string& face, uint64_t size,
                        uint64_t write_time) {
    if (face.empty()) return;
    std::lock_guard<std::mutex> hold(g_store.lock);
    load_cache_file();
    if (g_store.cache.size() >= kMaxCachedFaces) g_store.cache.clear();
    g_store.cache[path] = CachedFace{size, write_time, face};
    g_store.dirty = true;
}

void clear_face_name_cache() {
    std::lock_guard<std::mutex> hold(g_store.lock);
    g_store.cache.clear();
    g_store.loaded = false;
}

void set_face_cache_file(const std::string& path) {
    std::lock_guard<std::mutex> hold(g_store.lock);
    g_store.file = path;
    g_store.loaded = false;
}

}  // namespace yq
