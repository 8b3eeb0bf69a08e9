// Face names remembered between runs, one per font file, with the file's
// size and last-write time when its name was read: a file whose size and
// time still match need not be opened again. Reading 2,000 font files costs
// far more than asking for their attributes.
//
// The stored form (little-endian):
//   "YQFACES1"                              8 bytes
//   u32 record count
//   per record: u16 path length, path bytes (GBK), u64 size,
//               u64 last-write time (FILETIME), u8 face length, face bytes
//   u32 CRC-32 (zlib) of everything before it
// A file that is cut short, has a wrong checksum, an unknown header, an
// empty or overlong path or face longer than a face name can be is refused as
// a whole: the names are then read from the fonts again.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "base/bytes.h"

namespace yq {

struct CachedFace {
    uint64_t size = 0;
    uint64_t write_time = 0;
    std::string face;  // as read from the file (the program stores no empty names)
};

using FaceCache = std::unordered_map<std::string, CachedFace>;

// Longest path a record may hold (paths are MAX_PATH and narrower in practice).
constexpr size_t kMaxCachedPathBytes = 4096;

std::string serialize_face_cache(const FaceCache& cache);

// The records of a stored cache, or false (and `out` left empty) when the
// bytes are not a whole, intact cache.
bool parse_face_cache(ByteSpan bytes, FaceCache& out);

}  // namespace yq
