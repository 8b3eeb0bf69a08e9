#include "fonts/face_cache.h"

#include <cstring>

#include "base/checksum.h"
#include "platform/sfnt/face_name.h"

namespace yq {
namespace {

constexpr char kMagic[] = "YQFACES3";
constexpr char kMagicWithoutLicence[] = "YQFACES2";
constexpr char kMagicWithoutCoverage[] = "YQFACES1";
constexpr size_t kMagicBytes = 8;
// The smallest record: a one-byte path, size, time, empty face (and, in the
// later forms, the coverage, then the licence with an empty line).
constexpr size_t kMinRecordBytesWithoutCoverage = 2 + 1 + 8 + 8 + 1;
constexpr size_t kCoverageBytes = 1 + 2 + 2;
constexpr uint8_t kCoverageCounted = 1;
constexpr uint8_t kCoverageRead = 2;
constexpr size_t kMinLicenceBytes = 1 + 1;
constexpr uint8_t kLicenceNotRead = 0;
constexpr uint8_t kLicenceLast = 1 + static_cast<uint8_t>(LicenceClass::kRestricted);

enum class Form { kWithoutCoverage, kWithoutLicence, kCurrent };

// Whether a record's coverage can be stored and read back as it is: counts
// only for a cmap that was read, and within the totals.
bool coverage_is_consistent(bool counted, const sfnt::HanziCoverage& c) {
    if (c.gb2312 > sfnt::kGb2312HanziCount || c.common > sfnt::kCommonHanziCount) return false;
    if (!counted && c.ok) return false;
    return c.ok || (c.gb2312 == 0 && c.common == 0);
}

// Whether a record's licence can be stored and read back as it is: a line
// only for a licence that was read, and within its cap.
bool licence_is_consistent(bool read, const LicenceSummary& l) {
    if (static_cast<uint8_t>(l.kind) > static_cast<uint8_t>(LicenceClass::kRestricted))
        return false;
    if (l.first_line.size() > kMaxLicenceLineBytes) return false;
    return read || (l.kind == LicenceClass::kUnknown && l.first_line.empty());
}

void put_le(std::string& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
}

}  // namespace

std::string serialize_face_cache(const FaceCache& cache) {
    std::string out(kMagic, kMagicBytes);
    size_t count_at = out.size();
    put_le(out, 0, 4);
    uint32_t count = 0;
    for (const auto& [path, entry] : cache) {
        if (path.empty() || path.size() > kMaxCachedPathBytes ||
            entry.face.size() > sfnt::kMaxFaceNameBytes ||
            !coverage_is_consistent(entry.coverage_counted, entry.coverage) ||
            !licence_is_consistent(entry.licence_read, entry.licence)) {
            continue;  // could not be read back: leave it out
        }
        put_le(out, path.size(), 2);
        out += path;
        put_le(out, entry.size, 8);
        put_le(out, entry.write_time, 8);
        put_le(out, entry.face.size(), 1);
        out += entry.face;
        put_le(out,
               (entry.coverage_counted ? kCoverageCounted : 0) |
                   (entry.coverage.ok ? kCoverageRead : 0),
               1);
        put_le(out, entry.coverage.gb2312, 2);
        put_le(out, entry.coverage.common, 2);
        put_le(out,
               entry.licence_read ? 1 + static_cast<uint8_t>(entry.licence.kind) : kLicenceNotRead,
               1);
        put_le(out, entry.licence.first_line.size(), 1);
        out += entry.licence.first_line;
        ++count;
    }
    for (int i = 0; i < 4; ++i) out[count_at + i] = static_cast<char>(count >> (8 * i) & 0xFF);
    put_le(out, crc32_of(as_span(out)), 4);
    return out;
}

bool parse_face_cache(ByteSpan bytes, FaceCache& out) {
    out.clear();
    if (bytes.size() < kMagicBytes + 4 + 4) return false;
    Form form;
    if (std::memcmp(bytes.data(), kMagic, kMagicBytes) == 0)
        form = Form::kCurrent;
    else if (std::memcmp(bytes.data(), kMagicWithoutLicence, kMagicBytes) == 0)
        form = Form::kWithoutLicence;
    else if (std::memcmp(bytes.data(), kMagicWithoutCoverage, kMagicBytes) == 0)
        form = Form::kWithoutCoverage;
    else
        return false;
    const bool with_coverage = form != Form::kWithoutCoverage;
    const bool with_licence = form == Form::kCurrent;
    size_t body = bytes.size() - 4;
    if (load_u32le(bytes, body) != crc32_of(bytes.first(body))) return false;

    ByteReader r(bytes.first(body));
    r.skip(kMagicBytes);
    uint32_t count = r.u32le();
    size_t min_record = kMinRecordBytesWithoutCoverage + (with_coverage ? kCoverageBytes : 0) +
                        (with_licence ? kMinLicenceBytes : 0);
    if (count > r.remaining() / min_record) return false;
    FaceCache parsed;
    parsed.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        size_t path_len = r.u16le();
        if (path_len == 0 || path_len > kMaxCachedPathBytes) return false;
        ByteSpan path = r.bytes(path_len);
        CachedFace entry;
        entry.size = r.u64le();
        entry.write_time = r.u64le();
        size_t face_len = r.u8();
        if (face_len > sfnt::kMaxFaceNameBytes) return false;
        ByteSpan face = r.bytes(face_len);
        if (with_coverage) {
            uint8_t flags = r.u8();
            if (flags & ~(kCoverageCounted | kCoverageRead)) return false;
            entry.coverage_counted = flags & kCoverageCounted;
            entry.coverage = {(flags & kCoverageRead) != 0, r.u16le(), r.u16le()};
            if (!coverage_is_consistent(entry.coverage_counted, entry.coverage)) return false;
        }
        if (with_licence) {
            uint8_t licence = r.u8();
            size_t line_len = r.u8();
            if (licence > kLicenceLast || line_len > kMaxLicenceLineBytes) return false;
            ByteSpan line = r.bytes(line_len);
            entry.licence_read = licence != kLicenceNotRead;
            if (entry.licence_read) entry.licence.kind = static_cast<LicenceClass>(licence - 1);
            entry.licence.first_line.assign(line.begin(), line.end());
            if (!licence_is_consistent(entry.licence_read, entry.licence)) return false;
        }
        if (!r.ok()) return false;
        entry.face.assign(face.begin(), face.end());
        parsed[std::string(path.begin(), path.end())] = std::move(entry);
    }
    if (r.remaining() != 0) return false;
    out = std::move(parsed);
    return true;
}

}  // namespace yq
