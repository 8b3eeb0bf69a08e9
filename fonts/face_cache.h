// Face names remembered between runs, one per font file, with the file's
// size and last-write time when its name was read: a file whose size and
// time still match need not be opened again. Reading 2,000 font files costs
// far more than asking for their attributes. The hanzi coverage of the file
// is remembered beside its name once it has been counted, and the licence
// class and first licence line (platform/sfnt/licence.h) once they have been
// read, which is with the name.
//
// The stored form (little-endian; doc/formats/face-name-store.md):
//   "YQFACES3"                              8 bytes
//   u32 record count
//   per record: u16 path length, path bytes (GBK), u64 size,
//               u64 last-write time (FILETIME), u8 face length, face bytes,
//               u8 coverage flags (bit 0: counted, bit 1: the cmap was read),
//               u16 GB2312 hanzi covered, u16 common hanzi covered,
//               u8 licence (0: not read, else 1 + LicenceClass),
//               u8 line length, first licence line bytes (GBK)
//   u32 CRC-32 (zlib) of everything before it
// The older forms are still read: "YQFACES2" has records without the
// licence fields, "YQFACES1" without the coverage ones as well. Their
// licences are not read yet, and YQFACES1's records not counted yet.
// A file that is cut short, has a wrong checksum, an unknown header, an
// empty or overlong path or face longer than a face name can be, unknown
// coverage flags, or counts beyond the totals or on a record whose cmap was
// not read, an unknown licence value, or a licence line longer than
// kMaxLicenceLineBytes or on a record whose licence was not read, is refused
// as a whole: the names are then read from the fonts again.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "base/bytes.h"
#include "platform/sfnt/licence.h"
#include "platform/sfnt/coverage.h"

namespace yq {

struct CachedFace {
    uint64_t size = 0;
    uint64_t write_time = 0;
    std::string face;  // as read from the file (the program stores no empty names)
    // Whether `coverage` has been counted for this size and time; until then
    // it is not ok and counts nothing.
    bool coverage_counted = false;
    sfnt::HanziCoverage coverage{};
    // Whether `licence` was read for this size and time (with the face name,
    // or later for an entry of an older store); until then it is unknown
    // with no line.
    bool licence_read = false;
    LicenceSummary licence{};
};

using FaceCache = std::unordered_map<std::string, CachedFace>;

// Longest path a record may hold (paths are MAX_PATH and narrower in practice).
constexpr size_t kMaxCachedPathBytes = 4096;

std::string serialize_face_cache(const FaceCache& cache);

// The records of a stored cache, or false (and `out` left empty) when the
// bytes are not a whole, intact cache.
bool parse_face_cache(ByteSpan bytes, FaceCache& out);

}  // namespace yq
