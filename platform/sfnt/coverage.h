// How much Chinese a font covers: how many of the 6,763 GB2312 hanzi and of
// the 3,500 common characters (level 1 of the 2013 General Standard Chinese
// Characters table) its character map, the cmap table, maps to a glyph
// (layout: doc/formats/cmap-table.md; the sets: platform/sfnt/hanzi_sets.inc,
// written by scripts/gen_hanzi_sets.py).
//
// The character map read is the one Windows uses: the subtable for platform
// 3 encoding 10, else 3/1, else platform 0 (Unicode); for each, format 12
// before format 4; the first listed of equal ones. Other formats are not read.
// A character counts when it maps to a glyph id other than 0.
//
// Outcomes:
// - ok, with the counts, when the chosen subtable is whole.
// - ok, with zero counts, when the cmap has no subtable of those kinds (a
//   symbol font, a Macintosh-only map): Windows maps none of the characters.
// - not ok, zero counts, when the file is not a readable font (as for
//   read_face_name), has no cmap table, or its cmap is cut short: a byte the
//   count needs (the header and encoding records, the format of each Unicode
//   subtable, the chosen one's segments or groups, the glyph ids of its
//   segments that may hold hanzi) lies past the end of the table or past its
//   first kMaxCmapTableBytes. Counts of a map known to be partial would pass
//   for the font's real coverage, so none are given.
// The subtables' own length fields are not trusted (format 4's 16 bits
// overflow in large fonts): the bytes their segment and group counts call
// for are checked against the table instead. Segments or groups out of order
// or overlapping are not an error: they are taken in order of their first
// character, a character inside several is decided by the first of them, and
// none is counted twice. A format 12 glyph id past 65535 maps nothing.
//
// The readers are pure functions of their input (no shared state), so any
// number of threads may call them at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "base/bytes.h"

namespace yq::sfnt {

constexpr uint16_t kGb2312HanziCount = 6763;
constexpr uint16_t kCommonHanziCount = 3500;

// The character maps of the largest fonts we know (CJK collections) take
// about 250 KiB; a format 12 map giving each of 65,535 glyphs a group of its
// own takes 768 KiB. No more than this is read of a cmap table: room for
// such a map beside subtables of other formats, and a bound on what one file
// can make the reader load.
constexpr size_t kMaxCmapTableBytes = size_t{4} << 20;

struct HanziCoverage {
    bool ok = false;
    uint16_t gb2312 = 0;  // of kGb2312HanziCount
    uint16_t common = 0;  // of kCommonHanziCount
    bool operator==(const HanziCoverage&) const = default;
};

// Coverage of the font file at `path` (a narrow path: GBK on Windows), of
// its first face for a collection, as read_face_name_from_file reads it; not
// ok when the file cannot be opened. Reads only the header, the table
// directory and the cmap table, never the whole file.
HanziCoverage read_hanzi_coverage_from_file(const std::string& path);

// The same for a whole font file in memory.
HanziCoverage read_hanzi_coverage(ByteSpan whole_file);

// The coverage given by a cmap table's own bytes (its first
// kMaxCmapTableBytes). Exposed for the tests and the fuzz target.
HanziCoverage hanzi_coverage_from_cmap(ByteSpan cmap_table);

// The two sets counted, in ascending code point order.
std::span<const uint16_t> gb2312_hanzi();
std::span<const uint16_t> common_hanzi();

}  // namespace yq::sfnt
