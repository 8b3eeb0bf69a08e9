#include "platform/sfnt/coverage.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/sfnt/font_tables.h"

namespace yq::sfnt {
namespace {

#include "platform/sfnt/hanzi_sets.inc"

constexpr bool strictly_ascending(std::span<const uint16_t> s) {
    return std::adjacent_find(s.begin(), s.end(), [](uint16_t a, uint16_t b) { return a >= b; }) ==
           s.end();
}
static_assert(std::size(kGb2312Hanzi) == kGb2312HanziCount && strictly_ascending(kGb2312Hanzi));
static_assert(std::size(kCommonHanzi) == kCommonHanziCount && strictly_ascending(kCommonHanzi));

constexpr uint32_t kTagCmap = tag('c', 'm', 'a', 'p');

constexpr size_t kCmapHeaderBytes = 4;
constexpr size_t kEncodingRecordBytes = 8;
constexpr size_t kFormat4HeaderBytes = 14;  // up to and with rangeShift
constexpr size_t kFormat12HeaderBytes = 16;
constexpr size_t kFormat12GroupBytes = 12;

constexpr uint16_t kPlatformUnicode = 0;
constexpr uint16_t kPlatformWindows = 3;
constexpr uint16_t kWinEncodingUnicodeBmp = 1;
constexpr uint16_t kWinEncodingUnicodeFull = 10;

// A run of consecutive characters a segment (format 4) or group (format 12)
// maps.
struct Range {
    uint32_t first = 0;
    uint32_t last = 0;
    // Format 12: the glyph of `first`. Format 4: idDelta.
    uint32_t glyph = 0;
    // Format 4 with an idRangeOffset: where in the table the glyph id of
    // `first` is stored; 0 when the segment adds idDelta to the character.
    // No more than kMaxCmapTableBytes of a table is read: 32 bits hold it.
    uint32_t glyph_ids = 0;
};

// Lower is better; -1 for a subtable Windows does not read.
int rank_of(uint16_t platform, uint16_t encoding, uint16_t format) {
    if (format != 4 && format != 12) return -1;
    int kind;
    if (platform == kPlatformWindows && encoding == kWinEncodingUnicodeFull)
        kind = 0;
    else if (platform == kPlatformWindows && encoding == kWinEncodingUnicodeBmp)
        kind = 1;
    else if (platform == kPlatformUnicode)
        kind = 2;
    else
        return -1;
    return 2 * kind + (format == 4);
}

bool is_unicode_record(uint16_t platform, uint16_t encoding) {
    return platform == kPlatformUnicode ||
           (platform == kPlatformWindows &&
            (encoding == kWinEncodingUnicodeBmp || encoding == kWinEncodingUnicodeFull));
}

// Only ranges that can hold a character of the sets are kept: the others
// cannot change a count, even where they overlap the kept ones.
bool may_hold_hanzi(uint32_t first, uint32_t last) {
    uint32_t lo = std::min(kGb2312Hanzi[0], kCommonHanzi[0]);
    uint32_t hi =
        std::max(kGb2312Hanzi[kGb2312HanziCount - 1], kCommonHanzi[kCommonHanziCount - 1]);
    return first <= last && last >= lo && first <= hi;
}

// Segments of a format 4 subtable at `at`; false when its arrays, or the
// glyph ids of a segment that may hold hanzi, run past the table.
bool format4_ranges(ByteSpan t, size_t at, std::vector<Range>& out) {
    if (kFormat4HeaderBytes > t.size() - at) return false;
    size_t segments = load_u16be(t, at + 6) / 2;
    size_t ends = at + kFormat4HeaderBytes;
    size_t starts = ends + 2 * segments + 2;  // past reservedPad
    size_t deltas = starts + 2 * segments;
    size_t range_offsets = deltas + 2 * segments;
    if (range_offsets + 2 * segments > t.size()) return false;
    for (size_t i = 0; i < segments; ++i) {
        Range r{load_u16be(t, starts + 2 * i), load_u16be(t, ends + 2 * i),
                load_u16be(t, deltas + 2 * i), 0};
        if (!may_hold_hanzi(r.first, r.last)) continue;
        if (uint16_t offset = load_u16be(t, range_offsets + 2 * i); offset != 0) {
            size_t glyph_ids = range_offsets + 2 * i + offset;
            if (glyph_ids + 2 * size_t{r.last - r.first + 1} > t.size()) return false;
            r.glyph_ids = static_cast<uint32_t>(glyph_ids);
        }
        out.push_back(r);
    }
    return true;
}

// For a character of `r`, whose glyph ids format4_ranges found in the table.
uint32_t format4_glyph(ByteSpan t, const Range& r, uint32_t c) {
    if (r.glyph_ids == 0) return (c + r.glyph) & 0xFFFF;
    uint32_t g = load_u16be(t, r.glyph_ids + 2 * size_t{c - r.first});
    return g == 0 ? 0 : (g + r.glyph) & 0xFFFF;
}

// Groups of a format 12 subtable at `at`; false when they run past the table.
bool format12_ranges(ByteSpan t, size_t at, std::vector<Range>& out) {
    if (kFormat12HeaderBytes > t.size() - at) return false;
    size_t groups = load_u32be(t, at + 12);
    if (groups > (t.size() - at - kFormat12HeaderBytes) / kFormat12GroupBytes) return false;
    for (size_t i = 0, g = at + kFormat12HeaderBytes; i < groups; ++i, g += kFormat12GroupBytes) {
        Range r{load_u32be(t, g), load_u32be(t, g + 4), load_u32be(t, g + 8), 0};
        if (may_hold_hanzi(r.first, r.last)) out.push_back(r);
    }
    return true;
}

uint32_t format12_glyph(const Range& r, uint32_t c) {
    uint64_t g = uint64_t{r.glyph} + (c - r.first);
    return g <= 0xFFFF ? static_cast<uint32_t>(g) : 0;
}

// How many characters of `set` the ranges (ascending by first character)
// map to a glyph, in one pass over both. The place in `set` never moves
// back, so a character is decided by the first range that holds it, and
// characters of a range that earlier ranges hold are not looked at again.
template <class GlyphOf>
uint16_t count_mapped(std::span<const uint16_t> set, const std::vector<Range>& ranges,
                      GlyphOf glyph_of) {
    size_t p = 0;
    uint16_t count = 0;
    for (const Range& r : ranges) {
        while (p < set.size() && set[p] < r.first) ++p;
        if (p == set.size()) break;
        for (; p < set.size() && set[p] <= r.last; ++p) count += glyph_of(r, set[p]) != 0;
    }
    return count;
}

HanziCoverage coverage_from(FontSource& src) {
    Bytes cmap;
    if (!read_table(src, kTagCmap, kMaxCmapTableBytes, cmap)) return {};
    return hanzi_coverage_from_cmap(cmap);
}

}  // namespace

HanziCoverage hanzi_coverage_from_cmap(ByteSpan t) {
    if (t.size() > kMaxCmapTableBytes) t = t.first(kMaxCmapTableBytes);
    if (t.size() < kCmapHeaderBytes) return {};
    size_t records = load_u16be(t, 2);
    if (kCmapHeaderBytes + records * kEncodingRecordBytes > t.size()) return {};

    int best_rank = -1;
    size_t best_at = 0;
    uint16_t best_format = 0;
    for (size_t i = 0; i < records; ++i) {
        size_t rec = kCmapHeaderBytes + i * kEncodingRecordBytes;
        uint16_t platform = load_u16be(t, rec);
        uint16_t encoding = load_u16be(t, rec + 2);
        if (!is_unicode_record(platform, encoding)) continue;
        size_t at = load_u32be(t, rec + 4);
        if (at > t.size() || 2 > t.size() - at) return {};  // cut short
        uint16_t format = load_u16be(t, at);
        int rank = rank_of(platform, encoding, format);
        if (rank >= 0 && (best_rank < 0 || rank < best_rank)) {
            best_rank = rank;
            best_at = at;
            best_format = format;
        }
    }
    if (best_rank < 0) return {true, 0, 0};

    std::vector<Range> ranges;
    bool whole = best_format == 12 ? format12_ranges(t, best_at, ranges)
                                   : format4_ranges(t, best_at, ranges);
    if (!whole) return {};
    auto by_first = [](const Range& a, const Range& b) { return a.first < b.first; };
    if (!std::is_sorted(ranges.begin(), ranges.end(), by_first))
        std::stable_sort(ranges.begin(), ranges.end(), by_first);

    HanziCoverage c{true, 0, 0};
    if (best_format == 12) {
        c.gb2312 = count_mapped(gb2312_hanzi(), ranges, format12_glyph);
        c.common = count_mapped(common_hanzi(), ranges, format12_glyph);
    } else {
        auto glyph_of = [t](const Range& r, uint32_t ch) { return format4_glyph(t, r, ch); };
        c.gb2312 = count_mapped(gb2312_hanzi(), ranges, glyph_of);
        c.common = count_mapped(common_hanzi(), ranges, glyph_of);
    }
    return c;
}

HanziCoverage read_hanzi_coverage(ByteSpan whole_file) {
    MemorySource src(whole_file);
    return coverage_from(src);
}

HanziCoverage read_hanzi_coverage_from_file(const std::string& path) {
    FileSource src(path);
    return coverage_from(src);
}

std::span<const uint16_t> gb2312_hanzi() {
    return kGb2312Hanzi;
}

std::span<const uint16_t> common_hanzi() {
    return kCommonHanzi;
}

}  // namespace yq::sfnt
