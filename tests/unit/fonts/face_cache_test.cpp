#include "fonts/face_cache.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace yq {
namespace {

FaceCache sample() {
    FaceCache c;
    c["C:\\windows\\Fonts\\simsun.ttc"] = {10'000'000,
                                           0x01D9'0000'1234'5678ull,
                                           "宋体",
                                           true,
                                           {true, 6763, 3500},
                                           true,
                                           {LicenceClass::kRestricted, "商用需授权"}};
    c["ARIALUNI.TTF"] = {23'275'812,
                         1,
                         "Arial Unicode MS",
                         true,
                         {true, 6763, 3498},
                         true,
                         {LicenceClass::kFree, std::string(kMaxLicenceLineBytes, 'L')}};
    c["C:\\字体\\坏文件.ttf"] = {17,   2, "", true, {false, 0, 0},
                                 true, {}};  // not a font: remembered as such
    c[std::string(kMaxCachedPathBytes, 'p')] = {1, 3,
                                                std::string(100, 'f')};  // not counted or read yet
    return c;
}

// Recomputes the trailing checksum after a test edits the body.
void reseal(std::string& bytes) {
    bytes.resize(bytes.size() - 4);
    uLong crc =
        crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(crc >> (8 * i) & 0xFF));
}

TEST(FaceCache, RoundTripsEveryRecordAndLeavesOutWhatCouldNotBeReadBack) {
    FaceCache in = sample();
    in[""] = {1, 1, "Empty path"};
    in[std::string(kMaxCachedPathBytes + 1, 'q')] = {1, 1, "Long path"};
    in["long face"] = {1, 1, std::string(101, 'x')};
    in["too many hanzi"] = {1, 1, "X", true, {true, 6764, 0}};
    in["counts of an unread cmap"] = {1, 1, "X", true, {false, 1, 0}};
    in["long line"] = {1, 1, "X", false, {}, true, {LicenceClass::kFree, std::string(81, 'l')}};
    in["line of an unread licence"] = {1, 1, "X", false, {}, false, {LicenceClass::kUnknown, "l"}};
    in["class of an unread licence"] = {1, 1, "X", false, {}, false, {LicenceClass::kFree, ""}};
    in["unknown class"] = {1, 1, "X", false, {}, true, {static_cast<LicenceClass>(3), ""}};
    FaceCache out;
    const std::string stored = serialize_face_cache(in);
    EXPECT_EQ(stored.substr(0, 8), "YQFACES3");
    ASSERT_TRUE(parse_face_cache(as_span(stored), out));
    FaceCache want = sample();
    ASSERT_EQ(out.size(), want.size());
    for (const auto& [path, e] : want) {
        ASSERT_TRUE(out.count(path)) << path;
        EXPECT_EQ(out[path].size, e.size);
        EXPECT_EQ(out[path].write_time, e.write_time);
        EXPECT_EQ(out[path].face, e.face);
        EXPECT_EQ(out[path].coverage_counted, e.coverage_counted);
        EXPECT_TRUE(out[path].coverage == e.coverage) << path;
        EXPECT_EQ(out[path].licence_read, e.licence_read) << path;
        EXPECT_TRUE(out[path].licence == e.licence) << path;
    }
    ASSERT_TRUE(parse_face_cache(as_span(serialize_face_cache({})), out));
    EXPECT_TRUE(out.empty());
}

TEST(FaceCache, RefusesDamagedFilesAsAWhole) {
    const std::string good = serialize_face_cache(sample());
    FaceCache out;
    // Cut at every length: nothing is taken from a partial file.
    for (size_t n = 0; n < good.size(); ++n) {
        out["stale"] = {};
        EXPECT_FALSE(parse_face_cache(as_span(good.substr(0, n)), out)) << n;
        EXPECT_TRUE(out.empty());
    }
    // One changed byte anywhere fails the checksum.
    for (size_t at : {size_t{0}, size_t{9}, good.size() / 2, good.size() - 1}) {
        std::string bad = good;
        bad[at] ^= 0x20;
        EXPECT_FALSE(parse_face_cache(as_span(bad), out)) << at;
    }
    // Well sealed but inconsistent: a count beyond the records, extra bytes
    // after them, a face longer than any face name.
    std::string more = good;
    more[8] = static_cast<char>(more[8] + 1);
    reseal(more);
    EXPECT_FALSE(parse_face_cache(as_span(more), out));
    std::string huge = good;
    huge[8] = huge[9] = huge[10] = huge[11] = '\xFF';
    reseal(huge);
    EXPECT_FALSE(parse_face_cache(as_span(huge), out));
    std::string trailing = good;
    trailing.insert(trailing.size() - 4, "x");
    reseal(trailing);
    EXPECT_FALSE(parse_face_cache(as_span(trailing), out));

    FaceCache one;
    one["a.ttf"] = {1, 1, "A"};
    std::string long_face = serialize_face_cache(one);
    // Layout: magic 8, count 4, path length 2, path 5, size 8, time 8, face length.
    size_t face_len_at = 8 + 4 + 2 + 5 + 8 + 8;
    ASSERT_EQ(long_face[face_len_at], 1);
    long_face[face_len_at] = static_cast<char>(101);
    long_face.insert(face_len_at + 1, std::string(100, 'y'));
    reseal(long_face);
    EXPECT_FALSE(parse_face_cache(as_span(long_face), out));
    std::string wrong_magic = serialize_face_cache(one);
    wrong_magic[7] = '4';
    reseal(wrong_magic);
    EXPECT_FALSE(parse_face_cache(as_span(wrong_magic), out));

    // The coverage after the face: flags, then the two counts. Unknown
    // flags, counts beyond the totals and counts of a cmap not read are refused.
    one["a.ttf"] = {1, 1, "A", true, {true, 10, 10}};
    const std::string counted = serialize_face_cache(one);
    const size_t flags_at = face_len_at + 2;
    ASSERT_EQ(counted[flags_at], 3);
    const std::vector<std::pair<size_t, std::string>> edits = {
        {flags_at, "\x07"},          // an unknown flag
        {flags_at, "\x01"},          // counted, cmap not read, yet counts
        {flags_at + 1, "\x6C\x1A"},  // 6764 GB2312 hanzi
        {flags_at + 3, "\xAD\x0D"},  // 3501 common hanzi
    };
    for (const auto& [at, bytes] : edits) {
        std::string bad = counted;
        bad.replace(at, bytes.size(), bytes);
        reseal(bad);
        EXPECT_FALSE(parse_face_cache(as_span(bad), out)) << at;
    }

    // The licence after the coverage: 1 + class, the line's length, the
    // line. An unknown value, a line past the cap and a line or class of a
    // licence not read are refused.
    one["a.ttf"] = {1, 1, "A", false, {}, true, {LicenceClass::kFree, "OFL"}};
    const std::string licensed = serialize_face_cache(one);
    const size_t licence_at = flags_at + 5;
    ASSERT_EQ(licensed.substr(licence_at, 5), std::string("\x02\x03OFL"));
    ASSERT_TRUE(parse_face_cache(as_span(licensed), out));
    std::string bad = licensed;
    bad[licence_at] = 4;
    reseal(bad);
    EXPECT_FALSE(parse_face_cache(as_span(bad), out));
    bad = licensed;
    bad[licence_at] = 0;  // not read, yet with a line
    reseal(bad);
    EXPECT_FALSE(parse_face_cache(as_span(bad), out));
    bad = licensed;
    bad[licence_at + 1] = static_cast<char>(kMaxLicenceLineBytes + 1);
    bad.insert(licence_at + 5, std::string(kMaxLicenceLineBytes + 1 - 3, 'x'));
    reseal(bad);
    EXPECT_FALSE(parse_face_cache(as_span(bad), out));
    bad[licence_at + 1] = static_cast<char>(kMaxLicenceLineBytes);  // the cap itself is kept
    bad.erase(licence_at + 5, 1);
    reseal(bad);
    ASSERT_TRUE(parse_face_cache(as_span(bad), out));
    EXPECT_EQ(out["a.ttf"].licence.first_line.size(), kMaxLicenceLineBytes);
}

TEST(FaceCache, ReadsTheFormWithoutLicenceAsNotReadYet) {
    // "YQFACES2", one record: path "a.ttf", size 7, time 9, face "A",
    // coverage counted and read, 5 GB2312 and 4 common hanzi.
    std::string second("YQFACES2\x01\0\0\0\x05\0a.ttf", 19);
    second += std::string(
        "\x07\0\0\0\0\0\0\0\x09\0\0\0\0\0\0\0\x01"
        "A"
        "\x03\x05\0\x04\0",
        23);
    second += "crc.";
    reseal(second);
    FaceCache out;
    ASSERT_TRUE(parse_face_cache(as_span(second), out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out["a.ttf"].face, "A");
    EXPECT_TRUE(out["a.ttf"].coverage == (sfnt::HanziCoverage{true, 5, 4}));
    EXPECT_FALSE(out["a.ttf"].licence_read);
    EXPECT_TRUE(out["a.ttf"].licence == LicenceSummary{});
    // Stored again it takes the current form, the licence still not read.
    FaceCache again;
    ASSERT_TRUE(parse_face_cache(as_span(serialize_face_cache(out)), again));
    EXPECT_FALSE(again["a.ttf"].licence_read);
    EXPECT_TRUE(again["a.ttf"].coverage == out["a.ttf"].coverage);
    // The same bytes under the current header lack the licence: refused.
    second[7] = '3';
    reseal(second);
    EXPECT_FALSE(parse_face_cache(as_span(second), out));
}

TEST(FaceCache, ReadsTheFormWithoutCoverageAsNotCountedYet) {
    // "YQFACES1", one record: path "a.ttf", size 7, time 9, face "A".
    std::string first("YQFACES1\x01\0\0\0\x05\0a.ttf", 19);
    first += std::string(
        "\x07\0\0\0\0\0\0\0\x09\0\0\0\0\0\0\0\x01"
        "A",
        18);
    first += "crc.";
    reseal(first);
    FaceCache out;
    ASSERT_TRUE(parse_face_cache(as_span(first), out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out["a.ttf"].size, 7u);
    EXPECT_EQ(out["a.ttf"].write_time, 9u);
    EXPECT_EQ(out["a.ttf"].face, "A");
    EXPECT_FALSE(out["a.ttf"].coverage_counted);
    // The same bytes under the current header lack the coverage: refused.
    first[7] = '2';
    reseal(first);
    EXPECT_FALSE(parse_face_cache(as_span(first), out));
}

}  // namespace
}  // namespace yq
