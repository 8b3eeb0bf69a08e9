// 查重 as plain data: which installed font files are the same font, and
// which one of each group the user keeps by default.
//
//   files_to_digest   the files whose bytes must be hashed (their size is
//                     shared with another file of the same face)
//   find_duplicates   the groups, each with the file kept by default
//   version_order     compares two name-table version texts
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/sha256.h"

namespace yq {

// What is known of one installed font file: from the inventory and the
// face-name store, and its bytes' digest once files_to_digest asked for it.
struct FontFileFacts {
    std::string path;
    std::string face;     // GBK
    std::string version;  // the name table's version text (name ID 5), "" when none
    uint64_t size = 0;
    uint64_t write_time = 0;  // FILETIME ticks
    std::optional<Sha256Digest> digest;
};

struct DuplicateGroup {
    enum class Kind {
        SameBytes,  // every file holds the same bytes under its own name
        SameFace,   // one face name, files that differ (other versions, other builds)
    };
    Kind kind = Kind::SameFace;
    std::vector<size_t> files;  // positions in the facts, in their order
    size_t keep = 0;            // the position kept by default; one of `files`
};

// Positions of the files worth hashing: only a file whose face and size
// another file shares can hold the same bytes, so no other file is read.
std::vector<size_t> files_to_digest(const std::vector<FontFileFacts>& facts);

// Groups of two or more files answering to one face name (ASCII letters
// compared without case, GBK bytes as they are, surrounding spaces
// ignored), in the order of their first file. A group is SameBytes when
// every file's digest is known and equal. The file kept by default has the
// highest version, then the newest write time, then comes first.
std::vector<DuplicateGroup> find_duplicates(const std::vector<FontFileFacts>& facts);

// -1, 0 or 1 as version text `a` is lower than, equal to or higher than
// `b`: the first run of digits and dots in each ("Version 2.100;PS 2.1"
// gives 2.100), compared number by number (2.10 is above 2.9, 1.0 equals
// 1); a text with no number is below every text with one.
int version_order(std::string_view a, std::string_view b);

}  // namespace yq
