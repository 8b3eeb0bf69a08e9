#include "platform/sfnt/coverage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>

#include "tests/unit/platform/sfnt/font_builder.h"

namespace yq::sfnt {

void PrintTo(const HanziCoverage& c, std::ostream* os) {
    *os << (c.ok ? "ok " : "not ok ") << c.gb2312 << " GB2312, " << c.common << " common";
}

namespace {

namespace fs = std::filesystem;
using namespace test;

// Characters whose place in the sets the tests build on.
constexpr uint16_t kYi = 0x4E00;    // 一: in both sets
constexpr uint16_t kJi = 0x4E0C;    // 丌: GB2312 only
constexpr uint16_t kLuo = 0x5570;   // 啰: common only
constexpr uint16_t kLiao = 0x77AD;  // 瞭: common only
constexpr uint32_t kCjkFirst = 0x4E00, kCjkLast = 0x9FFF;

const HanziCoverage kAll{true, kGb2312HanziCount, kCommonHanziCount};
const HanziCoverage kNone{true, 0, 0};
const HanziCoverage kNotRead{};

// A format 4 segment: idDelta alone, or the glyph ids of its characters.
struct Segment {
    uint32_t first, last;
    uint16_t delta;
    std::vector<uint16_t> glyph_ids;
};

// Format 4 with the closing 0xFFFF segment added; the glyph ids of the
// segments follow one another at the end.
Bytes format4(std::vector<Segment> segments) {
    segments.push_back({0xFFFF, 0xFFFF, 1, {}});
    const size_t n = segments.size();
    Bytes ends, starts, deltas, offsets, ids;
    for (size_t i = 0; i < n; ++i) {
        const Segment& s = segments[i];
        put16(ends, s.last);
        put16(starts, s.first);
        put16(deltas, s.delta);
        // From this idRangeOffset word to the segment's first glyph id.
        put16(offsets, s.glyph_ids.empty() ? 0 : uint32_t(2 * (n - i) + ids.size()));
        for (uint16_t g : s.glyph_ids) put16(ids, g);
    }
    Bytes t;
    put16(t, 4);
    put16(t, uint32_t(16 + 8 * n + ids.size()) & 0xFFFF);
    put16(t, 0);  // language
    put16(t, uint32_t(2 * n));
    put16(t, 0);  // searchRange, entrySelector, rangeShift: not read
    put16(t, 0);
    put16(t, 0);
    for (const Bytes* part : {&ends, &starts, &deltas, &offsets, &ids}) {
        t.insert(t.end(), part->begin(), part->end());
        if (part == &ends) put16(t, 0);  // reservedPad
    }
    return t;
}

struct Group {
    uint32_t first, last, glyph;
};

Bytes format12(const std::vector<Group>& groups) {
    Bytes t;
    put16(t, 12);
    put16(t, 0);
    put32(t, uint32_t(16 + 12 * groups.size()));
    put32(t, 0);  // language
    put32(t, uint32_t(groups.size()));
    for (const Group& g : groups) {
        put32(t, g.first);
        put32(t, g.last);
        put32(t, g.glyph);
    }
    return t;
}

struct Subtable {
    uint16_t platform, encoding;
    Bytes bytes;
};

// A cmap table listing the subtables in order, laid out in order behind
// `gap` bytes of filler.
Bytes cmap(const std::vector<Subtable>& subtables, size_t gap = 0) {
    Bytes t;
    put16(t, 0);
    put16(t, uint32_t(subtables.size()));
    size_t at = 4 + 8 * subtables.size() + gap;
    for (const Subtable& s : subtables) {
        put16(t, s.platform);
        put16(t, s.encoding);
        put32(t, uint32_t(at));
        at += s.bytes.size();
    }
    t.resize(t.size() + gap, 0xEE);
    for (const Subtable& s : subtables) t.insert(t.end(), s.bytes.begin(), s.bytes.end());
    return t;
}

Bytes font_with(const Bytes& cmap_table, uint32_t base = 0) {
    return font_of({{"head", {0xDE, 0xAD, 0xBE, 0xEF}}, {"cmap", cmap_table}}, 0x00010000, base);
}

HanziCoverage coverage_of(const Bytes& cmap_table) {
    return read_hanzi_coverage(font_with(cmap_table));
}

bool holds(std::span<const uint16_t> set, uint16_t c) {
    return std::binary_search(set.begin(), set.end(), c);
}

TEST(HanziSets, HoldTheCharactersOfTheirSources) {
    auto gb = gb2312_hanzi(), common = common_hanzi();
    ASSERT_EQ(gb.size(), kGb2312HanziCount);
    ASSERT_EQ(common.size(), kCommonHanziCount);
    EXPECT_TRUE(holds(gb, 0x554A));   // 啊, GB2312 B0A1, the first code of the hanzi rows
    EXPECT_TRUE(holds(gb, 0x9F44));   // 齄, F7FE, the last
    EXPECT_FALSE(holds(gb, 0x4E02));  // 丂: GBK, not GB2312
    EXPECT_TRUE(holds(common, kYi) && holds(gb, kYi));
    EXPECT_TRUE(holds(gb, kJi) && !holds(common, kJi));
    // The only common characters GB2312 lacks.
    std::vector<uint16_t> not_in_gb;
    std::set_difference(common.begin(), common.end(), gb.begin(), gb.end(),
                        std::back_inserter(not_in_gb));
    EXPECT_EQ(not_in_gb, (std::vector<uint16_t>{kLuo, kLiao}));
}

TEST(HanziCoverage, CountsFormat4SegmentsByDeltaAndByGlyphIds) {
    EXPECT_EQ(coverage_of(cmap({{3, 1, format4({{kCjkFirst, kCjkLast, 1, {}}})}})), kAll);
    // idDelta wraps at 16 bits: here 一 lands on glyph 0.
    uint16_t to_zero = uint16_t(0x10000 - kYi);
    EXPECT_EQ(coverage_of(cmap({{3, 1, format4({{kCjkFirst, kCjkLast, to_zero, {}}})}})),
              (HanziCoverage{true, kGb2312HanziCount - 1, kCommonHanziCount - 1}));

    // Glyph ids for 一..丌 of which only 一 and 丌 are not 0; idDelta is added
    // to those. 啰 maps by its delta, 瞭 by its delta to glyph 0.
    std::vector<uint16_t> ids(kJi - kYi + 1, 0);
    ids.front() = 3;
    ids.back() = 0xFFFF;  // + 2 = glyph 1
    Bytes map = cmap({{3, 1,
                       format4({{kYi, kJi, 2, ids},
                                {kLuo, kLuo, 100, {}},
                                {kLiao, kLiao, uint16_t(0x10000 - kLiao), {}}})}});
    EXPECT_EQ(coverage_of(map), (HanziCoverage{true, 2, 2}));  // 一 丌; 一 啰
    ids.front() = 0xFFFE;                                      // + 2 wraps to glyph 0
    map = cmap({{3, 1, format4({{kYi, kJi, 2, ids}})}});
    EXPECT_EQ(coverage_of(map), (HanziCoverage{true, 1, 0}));  // 丌
}

TEST(HanziCoverage, CountsFormat12Groups) {
    EXPECT_EQ(coverage_of(cmap({{3, 10, format12({{kYi, kYi, 0}, {kYi + 1, kCjkLast, 1}})}})),
              (HanziCoverage{true, kGb2312HanziCount - 1, kCommonHanziCount - 1}));
    // Glyph ids end at 65535: only 一..丌 map, 9 GB2312 and 8 common characters.
    EXPECT_EQ(coverage_of(cmap({{3, 10, format12({{kCjkFirst, kCjkLast, 0xFFFF - 12}})}})),
              (HanziCoverage{true, 9, 8}));
    // Latin letters and the characters past the BMP are not counted.
    EXPECT_EQ(coverage_of(cmap({{3, 10, format12({{0x20, 0x7E, 1}, {0x20000, 0x2A6DF, 100}})}})),
              kNone);
}

TEST(HanziCoverage, ReadsTheSubtableWindowsReads) {
    Bytes all12 = format12({{kCjkFirst, kCjkLast, 1}});
    Bytes all4 = format4({{kCjkFirst, kCjkLast, 1, {}}});
    Bytes one4 = format4({{kYi, kYi, 1, {}}});
    const HanziCoverage one{true, 1, 1};
    EXPECT_EQ(coverage_of(cmap({{3, 1, one4}, {3, 10, all12}})), kAll);  // 3/10, wherever listed
    EXPECT_EQ(coverage_of(cmap({{0, 4, all12}, {0, 3, all4}, {3, 1, one4}})), one);  // then 3/1
    EXPECT_EQ(coverage_of(cmap({{0, 3, one4}, {0, 4, all12}})), kAll);  // format 12 first
    EXPECT_EQ(coverage_of(cmap({{3, 1, one4}, {3, 1, all4}})), one);    // the first of equals
    Bytes format13 = all12;
    format13[1] = 13;  // the same groups, read as many-to-one: not read at all
    EXPECT_EQ(coverage_of(cmap({{3, 10, format13}, {3, 1, one4}})), one);
    // No Unicode subtable (a symbol font, a Macintosh map): no character is covered.
    EXPECT_EQ(coverage_of(cmap({{3, 0, all4}, {1, 0, all4}})), kNone);
    EXPECT_EQ(coverage_of(cmap({})), kNone);
}

TEST(HanziCoverage, OverlappingOrUnsortedRangesCountEachCharacterOnce) {
    // 一..丌 and 丅..丐 (U+4E05..U+4E10) hold 9 GB2312 and 8 common characters
    // each, 12 and 11 together.
    Segment a{kYi, kJi, 1, {}}, b{0x4E05, 0x4E10, 1, {}};
    EXPECT_EQ(coverage_of(cmap({{3, 1, format4({a, b})}})), (HanziCoverage{true, 12, 11}));
    EXPECT_EQ(coverage_of(cmap({{3, 1, format4({b, a})}})), (HanziCoverage{true, 12, 11}));
    // Where they overlap the one that starts first decides, in either order:
    // b maps nothing, so only a's characters count.
    Segment b_empty{0x4E05, 0x4E10, 0, std::vector<uint16_t>(12, 0)};
    EXPECT_EQ(coverage_of(cmap({{3, 1, format4({a, b_empty})}})), (HanziCoverage{true, 9, 8}));
    EXPECT_EQ(coverage_of(cmap({{3, 1, format4({b_empty, a})}})), (HanziCoverage{true, 9, 8}));
    EXPECT_EQ(coverage_of(cmap({{3, 10, format12({{0x4E05, 0x4E10, 0x10000}, {kYi, kJi, 1}})}})),
              (HanziCoverage{true, 9, 8}));
    // The same group over and over, and groups inside it.
    std::vector<Group> repeated(5000, Group{kCjkFirst, kCjkLast, 1});
    repeated.push_back({0x5000, 0x5100, 1});
    repeated.push_back({kCjkFirst, kCjkFirst, 0});
    EXPECT_EQ(coverage_of(cmap({{3, 10, format12(repeated)}})), kAll);
}

TEST(HanziCoverage, ACmapCutShortGivesNoCounts) {
    // The chosen subtable last, its bytes running to the end of the table.
    std::vector<uint16_t> ids(kJi - kYi + 1, 7);
    for (const Bytes& map :
         {cmap({{3, 1, format4({{kYi, kYi, 1, {}}})},
                {3, 10, format12({{kCjkFirst, kCjkLast, 1}})}}),
          cmap({{1, 0, Bytes(262, 1)}, {3, 1, format4({{kYi, kJi, 0, ids}})}})}) {
        ASSERT_TRUE(hanzi_coverage_from_cmap(map).ok);
        for (size_t n = 0; n < map.size(); ++n)
            EXPECT_EQ(hanzi_coverage_from_cmap(ByteSpan(map).first(n)), kNotRead) << n;
        Bytes f = font_with(map);
        for (size_t n = 0; n < f.size(); ++n)
            EXPECT_EQ(read_hanzi_coverage(ByteSpan(f).first(n)), kNotRead) << n;
    }

    Bytes good = cmap({{3, 1, format4({{kYi, kJi, 0, ids}})}});
    ASSERT_EQ(hanzi_coverage_from_cmap(good), (HanziCoverage{true, 9, 8}));
    const size_t sub = 4 + 8, segments = 2;
    Bytes b = good;
    b[2] = 0xFF;  // 65280+ encoding records
    EXPECT_EQ(hanzi_coverage_from_cmap(b), kNotRead);
    b = good;
    b[8] = 0x7F;  // the subtable far past the end
    EXPECT_EQ(hanzi_coverage_from_cmap(b), kNotRead);
    b = good;
    b[sub + 6] = 0xFF;  // 32767 segments
    EXPECT_EQ(hanzi_coverage_from_cmap(b), kNotRead);
    b = good;
    b[sub + 16 + 6 * segments] = 0x7F;  // the first segment's glyph ids past the end
    EXPECT_EQ(hanzi_coverage_from_cmap(b), kNotRead);

    Bytes groups = cmap({{3, 10, format12({{kCjkFirst, kCjkLast, 1}})}});
    for (size_t i = 0; i < 4; ++i) groups[sub + 12 + i] = 0xFF;  // 2^32 - 1 groups
    EXPECT_EQ(hanzi_coverage_from_cmap(groups), kNotRead);
}

TEST(HanziCoverage, ReadsNoMoreThanTheCapOfACmap) {
    Bytes all12 = format12({{kCjkFirst, kCjkLast, 1}});
    Bytes within = cmap({{3, 10, all12}}, kMaxCmapTableBytes - 12 - all12.size());
    Bytes beyond = cmap({{3, 10, all12}}, kMaxCmapTableBytes - 12 - all12.size() + 1);
    within.resize(kMaxCmapTableBytes + 4096, 0xEE);  // bytes past the cap are not needed
    const std::pair<Bytes, HanziCoverage> cases[] = {{within, kAll}, {beyond, kNotRead}};
    for (const auto& [map, expected] : cases) {
        Bytes f = font_with(map);
        EXPECT_EQ(read_hanzi_coverage(f), expected);
        TempFile file(f);
        EXPECT_EQ(read_hanzi_coverage_from_file(file.path()), expected);
    }
}

TEST(HanziCoverage, FontsWithoutACmapGiveNoCounts) {
    EXPECT_EQ(read_hanzi_coverage(font_of({{"head", {1, 2, 3, 4}}, {"name", {0, 0, 0, 0, 0, 6}}})),
              kNotRead);
    EXPECT_EQ(read_hanzi_coverage({}), kNotRead);
    EXPECT_EQ(read_hanzi_coverage(as_span(std::string("not a font at all, just words"))), kNotRead);
    EXPECT_EQ(read_hanzi_coverage_from_file("/no/such/font.ttf"), kNotRead);
    EXPECT_EQ(read_hanzi_coverage_from_file(fs::temp_directory_path().string()), kNotRead);

    // A collection: its first face, as the face-name reader reads it.
    Bytes one = cmap({{3, 1, format4({{kYi, kYi, 1, {}}})}});
    Bytes all = cmap({{3, 1, format4({{kCjkFirst, kCjkLast, 1, {}}})}});
    Bytes ttc = collection_of(
        2, [&](size_t i, uint32_t base) { return font_with(i == 0 ? one : all, base); });
    EXPECT_EQ(read_hanzi_coverage(ttc), (HanziCoverage{true, 1, 1}));
}

// Fuzz seeds: the header, a one-entry directory and the cmap table of real
// fonts (format 12 and 4 of wqy-zenhei, format 4 of gbsn00lp).
TEST(HanziCoverage, RealCmapsGiveTheWholeCountOrNoneAndSurviveDamage) {
    const std::pair<const char*, HanziCoverage> seeds[] = {
        {"wqy-zenhei.ttf", kAll},
        {"gbsn00lp.ttf", {true, kGb2312HanziCount, kCommonHanziCount - 2}},  // no 啰 瞭
    };
    for (const auto& [file, expected] : seeds) {
        Bytes whole = load(fs::path(YQ_SOURCE_DIR) / "tests/fuzz/platform/sfnt/cmap-seeds" / file);
        ASSERT_GT(whole.size(), 28u) << file;
        EXPECT_EQ(read_hanzi_coverage(whole), expected) << file;
        // Cut anywhere: no counts until the bytes the count needs are all
        // there, the whole count from then on.
        ByteSpan table = ByteSpan(whole).subspan(28);
        bool whole_seen = false;
        for (size_t n = 0; n <= table.size(); ++n) {
            HanziCoverage c = hanzi_coverage_from_cmap(table.first(n));
            whole_seen = whole_seen || c.ok;
            EXPECT_EQ(c, whole_seen ? expected : kNotRead) << file << " cut at " << n;
        }
        // One byte changed in the records, headers and first ranges: never a
        // count past the totals (and the sanitizers see every read).
        for (size_t i = 0; i < std::min<size_t>(whole.size(), 2048); ++i) {
            Bytes bad = whole;
            bad[i] ^= 0xFF;
            HanziCoverage c = read_hanzi_coverage(bad);
            EXPECT_LE(c.gb2312, kGb2312HanziCount) << file << " byte " << i;
            EXPECT_LE(c.common, kCommonHanziCount) << file << " byte " << i;
        }
    }
}

}  // namespace
}  // namespace yq::sfnt
