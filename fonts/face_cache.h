// Face names remembered between runs, one per font file, with the file's
// size and last-write time when its name was read: a file whose size and
// time still match need not be opened again. Reading 2,000 font files costs
// far more than asking for their attributes. The hanzi coverage of the file
// is remembered beside its name once it has been counted.
//
// The stored form (little-endian):
//   "YQFACES2"                              8 bytes
//   u32 record count
//   per record: u16 path length, path bytes (GBK), u64 size,
//               u64 last-write time (FILETIME), u8 face length, face bytes,
//               u8 coverage flags (bit 0: counted, bit 1: the cmap was read),
//               u16 GB2312 hanzi covered, u16 common hanzi covered
//   u32 CRC-32 (zlib) of everything before it
// The first form, "YQFACES1", has records without the last three fields; it
// is still read, its records not yet counted.
// A file that is cut short, has a wrong checksum, an unknown header, an
// empty or overlong path or face longer than a face name can be, unknown
// coverage flags, or counts beyond the totals or on a record whose cmap was
// not read, is refused as a whole: the names are then read from the fonts
// again.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "base/bytes.h"
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
};

using FaceCache = std::unordered_map<std::string, CachedFace>;

// Longest path a record may hold (paths are MAX_PATH and narrower in practice).
constexpr size_t kMaxCachedPathBytes = 4096;

std::string serialize_face_cache(const FaceCache& cache);

// The records of a stored cache, or false (and `out` left empty) when the
// bytes are not a whole, intact cache.
bool parse_face_cache(ByteSpan bytes, FaceCache& out);

}  // namespace yq
