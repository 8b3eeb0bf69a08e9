#include "fonts/win/install_records.h"

#include <mutex>

#include "base/text.h"
#include "fonts/win/font_primitives.h"
#include "platform/win/files.h"

namespace yq {
namespace {

// The store is a few dozen bytes a font; this is far above any real one.
constexpr size_t kMaxStoreBytes = 16u << 20;

// The records of the process: installs on any thread add to them, so they
// are one object behind its lock (doc/layers.md).
struct RecordStore {
    std::mutex lock;
    std::string file;  // "" keeps the records in memory only
    InstallRecords records;
};

RecordStore g_store;

bool save_locked() {
    if (g_store.file.empty()) return true;
    return win::write_file_replacing(g_store.file, serialize_install_records(g_store.records));
}

}  // namespace

void set_install_record_file(const std::string& path) {
    std::lock_guard<std::mutex> hold(g_store.lock);
    g_store.file = path;
    g_store.records = InstallRecords();
    std::string bytes;
    if (!path.empty() && win::read_small_file(path, bytes, kMaxStoreBytes))
        parse_install_records(as_span(bytes), g_store.records);
}

std::optional<InstallRecord> install_record_of(FontScope scope, const std::string& value_name) {
    std::lock_guard<std::mutex> hold(g_store.lock);
    const InstallRecord* r = g_store.records.find_value(scope, value_name);
    return r ? std::optional<InstallRecord>(*r) : std::nullopt;
}

bool is_own_install(FontScope scope, const std::string& value_name, const std::string& path,
                    const Sha256Digest& digest, uint64_t size) {
    std::optional<InstallRecord> r = install_record_of(scope, value_name);
    return r && same_name_ignoring_case(fonts_folder(scope) + r->file_name, path) &&
           r->size == size && r->digest == digest;
}

bool is_own_install(FontScope scope, const std::string& value_name, const std::string& path) {
    std::optional<InstallRecord> r = install_record_of(scope, value_name);
    if (!r || !same_name_ignoring_case(fonts_folder(scope) + r->file_name, path)) return false;
    Sha256Digest digest;
    uint64_t size = 0;
    return win::file_digest(path, digest, size) && size == r->size && digest == r->digest;
}

bool is_recorded_bytes(const Sha256Digest& digest, uint64_t size) {
    std::lock_guard<std::mutex> hold(g_store.lock);
    for (const InstallRecord& r : g_store.records.all())
        if (r.size == size && r.digest == digest) return true;
    return false;
}

bool remember_install(InstallRecord record) {
    std::lock_guard<std::mutex> hold(g_store.lock);
    g_store.records.put(std::move(record));
    return save_locked();
}

std::optional<OwnInstall> own_install_of_face(const std::string& face) {
    const std::string value = strip_blanks(face) + kTrueTypeSuffix;
    for (FontScope scope : {FontScope::Machine, FontScope::User}) {
        std::optional<InstallRecord> r = install_record_of(scope, value);
        std::optional<std::string> data = font_value_data(scope, value);
        if (!r || !data) continue;
        const std::string path = fonts_folder(scope) + r->file_name;
        if (same_name_ignoring_case(file_of_value(scope, *data), path) &&
            is_own_install(scope, value, path)) {
            return OwnInstall{scope, value, path};
        }
    }
    return std::nullopt;
}

void forget_install(FontScope scope, const std::string& value_name) {
    std::lock_guard<std::mutex> hold(g_store.lock);
    if (g_store.records.forget_value(scope, value_name)) save_locked();
}

}  // namespace yq
