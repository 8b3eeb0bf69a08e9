#include "platform/sfnt/font_tables.h"

#include <climits>

namespace yq::sfnt {
namespace {

constexpr uint32_t kTagCollection = tag('t', 't', 'c', 'f');
constexpr uint32_t kVersionTrueType = 0x00010000;
constexpr uint32_t kVersionCff = tag('O', 'T', 'T', 'O');
constexpr uint32_t kCollectionVersion1 = 0x00010000;
constexpr uint32_t kCollectionVersion2 = 0x00020000;

constexpr size_t kSfntHeaderBytes = 12;
constexpr size_t kTableRecordBytes = 16;

}  // namespace

bool MemorySource::read(uint64_t offset, size_t n, Bytes& out) {
    if (offset > data_.size() || n > data_.size() - offset) return false;
    out.assign(data_.begin() + offset, data_.begin() + offset + n);
    return true;
}

FileSource::FileSource(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
    if (file_ && std::fseek(file_.get(), 0, SEEK_END) == 0) {
        long end = std::ftell(file_.get());
        if (end >= 0) size_ = static_cast<uint64_t>(end);
    }
}

bool FileSource::read(uint64_t offset, size_t n, Bytes& out) {
    if (!file_ || offset > size_ || n > size_ - offset ||
        offset > static_cast<uint64_t>(LONG_MAX)) {
        return false;
    }
    if (std::fseek(file_.get(), static_cast<long>(offset), SEEK_SET) != 0) return false;
    out.resize(n);
    return std::fread(out.data(), 1, n, file_.get()) == n;
}

uint32_t face_count(FontSource& src) {
    Bytes buf;
    if (!src.read(0, kSfntHeaderBytes, buf)) return 0;
    uint32_t version = load_u32be(buf, 0);
    if (version == kVersionTrueType || version == kVersionCff) return 1;
    if (version != kTagCollection) return 0;
    uint32_t collection_version = load_u32be(buf, 4);
    if (collection_version != kCollectionVersion1 && collection_version != kCollectionVersion2)
        return 0;
    return load_u32be(buf, 8);
}

std::optional<TableExtent> find_table(FontSource& src, uint32_t table_tag, uint32_t face) {
    Bytes buf;
    if (!src.read(0, kSfntHeaderBytes, buf)) return std::nullopt;
    uint64_t face_offset = 0;
    uint32_t version = load_u32be(buf, 0);
    if (version == kTagCollection) {
        uint32_t collection_version = load_u32be(buf, 4);
        if (collection_version != kCollectionVersion1 && collection_version != kCollectionVersion2)
            return std::nullopt;
        if (face >= load_u32be(buf, 8)) return std::nullopt;  // not one of its faces
        if (!src.read(kSfntHeaderBytes + uint64_t{face} * 4, 4, buf)) return std::nullopt;
        face_offset = load_u32be(buf, 0);
        if (!src.read(face_offset, kSfntHeaderBytes, buf)) return std::nullopt;
        version = load_u32be(buf, 0);
    } else if (face != 0) {
        return std::nullopt;
    }
    if (version != kVersionTrueType && version != kVersionCff) return std::nullopt;
    size_t num_tables = load_u16be(buf, 4);
    if (!src.read(face_offset + kSfntHeaderBytes, num_tables * kTableRecordBytes, buf))
        return std::nullopt;

    for (size_t i = 0; i < num_tables; ++i) {
        size_t at = i * kTableRecordBytes;
        if (load_u32be(buf, at) != table_tag) continue;
        TableExtent t{load_u32be(buf, at + 8), load_u32be(buf, at + 12)};
        if (t.offset + t.length > src.size()) return std::nullopt;
        return t;
    }
    return std::nullopt;
}

bool read_table(FontSource& src, uint32_t table_tag, size_t max_bytes, Bytes& out, uint32_t face) {
    std::optional<TableExtent> t = find_table(src, table_tag, face);
    if (!t) return false;
    size_t wanted = t->length < max_bytes ? static_cast<size_t>(t->length) : max_bytes;
    return src.read(t->offset, wanted, out);
}

}  // namespace yq::sfnt
