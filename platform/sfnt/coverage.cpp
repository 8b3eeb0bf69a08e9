#include "platform/sfnt/coverage.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <iterator>
#include <optional>
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

// Big-endian loads at an offset the caller has checked, as single loads: the
// segment and group loops read most of a large character map, and four byte
// loads each cost them several times more.
uint16_t be16(ByteSpan t, size_t at) {
    uint16_t v;
    std::memcpy(&v, t.data() + at, 2);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap16(v);
    return v;
}
uint32_t be32(ByteSpan t, size_t at) {
    uint32_t v;
    std::memcpy(&v, t.data() + at, 4);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
    return v;
}

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

// For each code point from the first to one past the last character of
// either set, how many characters of each set lie below it, packed as
// GB2312 count + common count << 16: the characters of both sets in [a, b]
// are then two lookups and one subtraction, not a walk over the range.
// Counts only grow along the table, so neither half of a difference or of
// a sum of differences borrows from or carries into the other.
constexpr uint32_t kFirstHanzi = std::min(kGb2312Hanzi[0], kCommonHanzi[0]);
constexpr uint32_t kLastHanzi =
    std::max(kGb2312Hanzi[kGb2312HanziCount - 1], kCommonHanzi[kCommonHanziCount - 1]);
constexpr int kCommonShift = 16;

constexpr std::array<uint32_t, kLastHanzi - kFirstHanzi + 2> kBelow = [] {
    std::array<uint32_t, kLastHanzi - kFirstHanzi + 2> below{};
    uint32_t g = 0, c = 0;
    for (uint32_t cp = kFirstHanzi; cp <= kLastHanzi + 1; ++cp) {
        below[cp - kFirstHanzi] = g | c << kCommonShift;
        g += g < kGb2312HanziCount && kGb2312Hanzi[g] == cp;
        c += c < kCommonHanziCount && kCommonHanzi[c] == cp;
    }
    return below;
}();
static_assert(kBelow.back() == (kGb2312HanziCount | kCommonHanziCount << kCommonShift));

// The characters of both sets in [a, b], packed; a <= b, both within the table.
uint32_t count_in(uint32_t a, uint32_t b) {
    return kBelow[b + 1 - kFirstHanzi] - kBelow[a - kFirstHanzi];
}

// Counts the characters of the sets as ranges come in order of their first
// character. Each range counts only characters past those that earlier ones
// held, so a character is decided by the first range that holds it and
// counted at most once, and no character is looked at twice.
class Counter {
  public:
    // A range mapping its characters up to `mapped_last` to glyphs other
    // than 0, except `zero` (the one character that lands on glyph 0, or -1).
    void add_run(const Range& r, int64_t mapped_last, int64_t zero) {
        uint32_t a, b;
        if (!take(r, a, b)) return;
        int64_t m = std::min<int64_t>(b, mapped_last);
        if (m < a) return;
        counts_ += count_in(a, static_cast<uint32_t>(m));
        if (zero >= a && zero <= m) counts_ -= count_in(uint32_t(zero), uint32_t(zero));
    }

    // A range whose glyphs are looked up one by one.
    template <class GlyphOf>
    void add_lookup(const Range& r, GlyphOf glyph_of) {
        uint32_t a, b;
        if (!take(r, a, b)) return;
        for (uint32_t c = a; c <= b; ++c) {
            uint32_t in = count_in(c, c);
            if (in != 0 && glyph_of(r, c) != 0) counts_ += in;
        }
    }

    HanziCoverage result() const {
        return {true, uint16_t(counts_ & 0xFFFF), uint16_t(counts_ >> kCommonShift)};
    }

  private:
    // [a, b]: the characters of `r` no earlier range held, within the
    // table; false when there are none. Ranges come ascending by first
    // character, so the earlier one reaching furthest holds everything
    // from `r.first` up to where it ends.
    bool take(const Range& r, uint32_t& a, uint32_t& b) {
        uint64_t from = std::max<uint64_t>(r.first, unheld_);
        if (from > r.last) return false;
        unheld_ = uint64_t{r.last} + 1;
        from = std::max<uint64_t>(from, kFirstHanzi);
        uint32_t to = std::min(r.last, kLastHanzi);
        if (from > to) return false;
        a = static_cast<uint32_t>(from);
        b = to;
        return true;
    }

    uint64_t unheld_ = 0;  // the first character no range has held yet
    uint32_t counts_ = 0;  // packed as kBelow
};

// The counts over the ranges for_each(visit) visits in table order, each
// given to the counter by add(counter, range). Ranges in order, as in every
// real font, are counted as they come; otherwise they are sorted by first
// character (equal ones kept in table order) and counted again.
template <class ForEach, class Add>
HanziCoverage count_ranges(ForEach for_each, Add add) {
    Counter as_listed;
    bool sorted = true;
    uint32_t previous = 0;
    for_each([&](const Range& r) {
        sorted = sorted && r.first >= previous;
        previous = r.first;
        if (sorted) add(as_listed, r);
    });
    if (sorted) return as_listed.result();

    std::vector<Range> ranges;
    for_each([&](const Range& r) { ranges.push_back(r); });
    std::stable_sort(ranges.begin(), ranges.end(),
                     [](const Range& a, const Range& b) { return a.first < b.first; });
    Counter c;
    for (const Range& r : ranges) add(c, r);
    return c.result();
}

// Ranges that cannot hold a character of the sets are passed over: they
// cannot change a count.
bool may_hold_hanzi(uint32_t first, uint32_t last) {
    return first <= last && last >= kFirstHanzi && first <= kLastHanzi;
}

// Where the arrays of a format 4 subtable lie.
struct Format4 {
    size_t segments = 0;
    size_t ends = 0, starts = 0, deltas = 0, range_offsets = 0;
};

template <class Visit>
void each_segment(ByteSpan t, const Format4& f, Visit visit) {
    for (size_t i = 0; i < f.segments; ++i) {
        Range r{be16(t, f.starts + 2 * i), be16(t, f.ends + 2 * i), be16(t, f.deltas + 2 * i), 0};
        if (!may_hold_hanzi(r.first, r.last)) continue;
        if (uint16_t offset = be16(t, f.range_offsets + 2 * i); offset != 0)
            r.glyph_ids = static_cast<uint32_t>(f.range_offsets + 2 * i + offset);
        visit(r);
    }
}

// The format 4 subtable at `at`, or nullopt when its arrays, or the glyph
// ids of a segment that may hold hanzi, run past the table.
std::optional<Format4> format4_at(ByteSpan t, size_t at) {
    if (kFormat4HeaderBytes > t.size() - at) return std::nullopt;
    Format4 f;
    f.segments = load_u16be(t, at + 6) / 2;
    f.ends = at + kFormat4HeaderBytes;
    f.starts = f.ends + 2 * f.segments + 2;  // past reservedPad
    f.deltas = f.starts + 2 * f.segments;
    f.range_offsets = f.deltas + 2 * f.segments;
    if (f.range_offsets + 2 * f.segments > t.size()) return std::nullopt;
    bool fits = true;
    each_segment(t, f, [&](const Range& r) {
        if (r.glyph_ids != 0 && r.glyph_ids + 2 * size_t{r.last - r.first + 1} > t.size())
            fits = false;
    });
    if (!fits) return std::nullopt;
    return f;
}

// Adds a format 4 segment: idDelta added to each character, or to each
// glyph id stored for it (format4_at found them in the table) that is not 0.
void add_segment(ByteSpan t, Counter& c, const Range& r) {
    uint32_t delta = r.glyph;
    if (r.glyph_ids == 0) {
        c.add_run(r, r.last, (0x10000 - delta) & 0xFFFF);
        return;
    }
    c.add_lookup(r, [&](const Range& s, uint32_t ch) {
        uint32_t g = be16(t, s.glyph_ids + 2 * size_t{ch - s.first});
        return g == 0 ? 0 : (g + delta) & 0xFFFF;
    });
}

template <class Visit>
void each_group(ByteSpan t, size_t at, size_t groups, Visit visit) {
    for (size_t i = 0, g = at + kFormat12HeaderBytes; i < groups; ++i, g += kFormat12GroupBytes) {
        Range r{be32(t, g), be32(t, g + 4), be32(t, g + 8), 0};
        if (may_hold_hanzi(r.first, r.last)) visit(r);
    }
}

// The group count of the format 12 subtable at `at`, or nullopt when the
// groups run past the table.
std::optional<size_t> format12_groups(ByteSpan t, size_t at) {
    if (kFormat12HeaderBytes > t.size() - at) return std::nullopt;
    size_t groups = load_u32be(t, at + 12);
    if (groups > (t.size() - at - kFormat12HeaderBytes) / kFormat12GroupBytes) return std::nullopt;
    return groups;
}

// Adds a format 12 group: consecutive glyphs from its first character's,
// up to glyph 65535.
void add_group(Counter& c, const Range& r) {
    int64_t mapped_last = r.glyph > 0xFFFF ? -1 : int64_t{r.first} + (0xFFFF - r.glyph);
    c.add_run(r, mapped_last, r.glyph == 0 ? int64_t{r.first} : -1);
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

    if (best_format == 12) {
        std::optional<size_t> groups = format12_groups(t, best_at);
        if (!groups) return {};
        return count_ranges([&](auto visit) { each_group(t, best_at, *groups, visit); },
                            [](Counter& c, const Range& r) { add_group(c, r); });
    }
    std::optional<Format4> segments = format4_at(t, best_at);
    if (!segments) return {};
    return count_ranges([&](auto visit) { each_segment(t, *segments, visit); },
                        [t](Counter& c, const Range& r) { add_segment(t, c, r); });
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
