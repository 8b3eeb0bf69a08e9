#include "platform/zip/zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <memory>

#include "base/file_names.h"
#include "base/text.h"

namespace yq::zip {
namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndBytes = 22;
constexpr size_t kCentralBytes = 46;
constexpr size_t kLocalBytes = 30;
// The end record sits in the last 22 bytes plus a comment of up to 65535.
constexpr size_t kEndSearchBytes = kEndBytes + 0xFFFF;
constexpr uint16_t kFlagEncrypted = 1 << 0;
constexpr uint16_t kFlagUtf8 = 1 << 11;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflate = 8;
constexpr uint32_t kSize64 = 0xFFFFFFFF;

// The last part of a name, either separator counting (archives made on
// Windows use '\'); "" when Windows would not store it as it stands.
std::string suggested_file_name(const std::string& gbk_name) {
    std::string_view last = file_name_of(gbk_name);
    return is_storable_file_name(last) ? std::string(last) : std::string();
}

// The failures; their texts go into the program's log.
Status not_a_zip() {
    return Status(StatusCode::kNotRecognised, "not a zip archive");
}
Status damaged() {
    return Status(StatusCode::kCorrupt, "damaged");
}
Status too_many() {
    return Status(StatusCode::kTooLarge, "too many entries");
}
Status refused() {
    return Status(StatusCode::kUnsupported, "refused");
}
Status too_large() {
    return Status(StatusCode::kTooLarge, "too large");
}
Status write_failed() {
    return Status(StatusCode::kWriteFailed, "write failed");
}

}  // namespace

bool MemorySource::read(uint64_t offset, size_t n, uint8_t* out) {
    if (offset > data_.size() || n > data_.size() - offset) return false;
    std::copy_n(data_.begin() + static_cast<ptrdiff_t>(offset), n, out);
    return true;
}

Result<std::vector<Entry>> list_zip(Source& src, uint64_t max_entry_bytes) {
    std::vector<Entry> entries;
    const uint64_t size = src.size();
    if (size < kEndBytes) return not_a_zip();
    // The end record, searched backwards (a comment may follow it).
    const size_t tail = static_cast<size_t>(std::min<uint64_t>(size, kEndSearchBytes));
    Bytes end(tail);
    if (!src.read(size - tail, tail, end.data())) return damaged();
    size_t at = tail - kEndBytes + 1;
    bool found = false;
    while (at-- > 0) {
        if (load_u32le(end, at) == kEndSignature) {
            found = true;
            break;
        }
    }
    if (!found) return not_a_zip();
    ByteReader r(ByteSpan(end).subspan(at));
    r.skip(4);
    const uint16_t disk = r.u16le(), directory_disk = r.u16le();
    const uint16_t entries_here = r.u16le(), entry_count = r.u16le();
    const uint32_t directory_size = r.u32le(), directory_at = r.u32le();
    const uint64_t end_at = size - tail + at;
    if (!r.ok() || disk != 0 || directory_disk != 0 || entries_here != entry_count ||
        directory_at == kSize64 || uint64_t{directory_at} + directory_size > end_at)
        return damaged();
    if (entry_count > kMaxZipEntries) return too_many();
    // The directory is read whole: at most 64 KiB entries of a few hundred
    // bytes each, bounded by the file itself.
    if (directory_size < size_t{entry_count} * kCentralBytes) return damaged();
    Bytes directory(directory_size);
    if (!src.read(directory_at, directory.size(), directory.data())) return damaged();
    ByteReader d(directory);
    for (size_t i = 0; i < entry_count; ++i) {
        Entry e;
        if (d.u32le() != kCentralSignature) return damaged();
        d.skip(4);  // versions made by and needed
        const uint16_t flags = d.u16le();
        e.method = d.u16le();
        d.skip(4);  // time and date
        e.crc = d.u32le();
        const uint32_t compressed = d.u32le(), uncompressed = d.u32le();
        const uint16_t name_bytes = d.u16le(), extra_bytes = d.u16le(), comment_bytes = d.u16le();
        d.skip(8);  // disk, internal and external attributes
        const uint32_t local = d.u32le();
        ByteSpan name = d.bytes(name_bytes);
        d.skip(size_t{extra_bytes} + comment_bytes);
        if (!d.ok() || name_bytes == 0 || name_bytes > kMaxZipNameBytes) return damaged();
        const std::string raw(name.begin(), name.end());
        e.name = (flags & kFlagUtf8) ? utf8_to_gbk(raw) : raw;
        e.file_name = suggested_file_name(e.name);
        e.compressed = compressed;
        e.size = uncompressed;
        e.local_header = local;
        if (raw.back() == '/' || raw.back() == '\\') {
            e.state = EntryState::Folder;
        } else if (flags & kFlagEncrypted) {
            e.state = EntryState::Encrypted;
        } else if ((e.method != kMethodStored && e.method != kMethodDeflate) ||
                   compressed == kSize64 || uncompressed == kSize64 || local == kSize64) {
            e.state = EntryState::Unsupported;
        } else if (uncompressed > max_entry_bytes) {
            e.state = EntryState::TooLarge;
        } else if (uint64_t{local} + kLocalBytes + compressed > directory_at) {
            return damaged();  // its data cannot lie before the directory
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

Status extract_zip(Source& src, const Entry& entry, const std::function<bool(ByteSpan)>& write) {
    if (entry.state != EntryState::Readable) return refused();
    uint8_t head[kLocalBytes];
    if (!src.read(entry.local_header, kLocalBytes, head)) return damaged();
    ByteSpan h(head, kLocalBytes);
    if (load_u32le(h, 0) != kLocalSignature || load_u16le(h, 8) != entry.method) return damaged();
    uint64_t data_at = entry.local_header + kLocalBytes + load_u16le(h, 26) + load_u16le(h, 28);
    if (data_at > src.size() || entry.compressed > src.size() - data_at) return damaged();

    Bytes in(kZipWindowBytes), outbuf(kZipWindowBytes);
    uLong crc = crc32(0L, Z_NULL, 0);
    uint64_t produced = 0, consumed = 0;
    auto emit = [&](const uint8_t* p, size_t n) {
        if (n > entry.size - produced) return too_large();
        crc = crc32(crc, p, static_cast<uInt>(n));
        produced += n;
        return write(ByteSpan(p, n)) ? Status() : write_failed();
    };
    if (entry.method == kMethodStored) {
        if (entry.compressed != entry.size) return damaged();
        while (consumed < entry.compressed) {
            size_t n =
                static_cast<size_t>(std::min<uint64_t>(in.size(), entry.compressed - consumed));
            if (!src.read(data_at + consumed, n, in.data())) return damaged();
            consumed += n;
            if (Status o = emit(in.data(), n); !o.ok()) return o;
        }
    } else {
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return damaged();
        std::unique_ptr<z_stream, int (*)(z_stream*)> owner(&z, inflateEnd);
        int rc = Z_OK;
        bool wants_input = true;  // the last call left room in the window: it needs more input
        while (rc != Z_STREAM_END) {
            if (z.avail_in == 0 && wants_input) {
                if (consumed == entry.compressed) return damaged();  // stream cut short
                size_t n =
                    static_cast<size_t>(std::min<uint64_t>(in.size(), entry.compressed - consumed));
                if (!src.read(data_at + consumed, n, in.data())) return damaged();
                consumed += n;
                z.next_in = in.data();
                z.avail_in = static_cast<uInt>(n);
            }
            z.next_out = outbuf.data();
            z.avail_out = static_cast<uInt>(outbuf.size());
            rc = inflate(&z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) return damaged();
            const size_t n = outbuf.size() - z.avail_out;
            if (rc == Z_BUF_ERROR && n == 0 && z.avail_in != 0) return damaged();
            if (Status o = emit(outbuf.data(), n); !o.ok()) return o;
            wants_input = z.avail_out != 0;
        }
        // Bytes after the stream's end within the entry are damage too.
        if (z.avail_in != 0 || consumed != entry.compressed) return damaged();
    }
    if (produced != entry.size || static_cast<uint32_t>(crc) != entry.crc) return damaged();
    return Status();
}

}  // namespace yq::zip
