#include "platform/sfnt/face_name.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/text.h"
#include "tests/unit/platform/sfnt/font_builder.h"

namespace yq::sfnt {
namespace {

namespace fs = std::filesystem;
using namespace test;

struct Record {
    uint16_t platform, encoding, language, name_id;
    Bytes text;
};

Bytes utf16be(std::u16string_view s) {
    Bytes b;
    for (char16_t c : s) put16(b, c);
    return b;
}
Bytes raw(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

// Name table format 0: header, records, then the strings in record order.
Bytes name_table(const std::vector<Record>& records) {
    Bytes t;
    put16(t, 0);
    put16(t, uint32_t(records.size()));
    put16(t, uint32_t(6 + 12 * records.size()));
    Bytes storage;
    for (const Record& r : records) {
        put16(t, r.platform);
        put16(t, r.encoding);
        put16(t, r.language);
        put16(t, r.name_id);
        put16(t, uint32_t(r.text.size()));
        put16(t, uint32_t(storage.size()));
        storage.insert(storage.end(), r.text.begin(), r.text.end());
    }
    t.insert(t.end(), storage.begin(), storage.end());
    return t;
}

// A font whose directory lists a dummy 'head' table and the name table,
// with table offsets counted from `base` (the font's place in a collection).
Bytes font(const Bytes& name, uint32_t version = 0x00010000, uint32_t base = 0) {
    return font_of({{"head", {0xDE, 0xAD, 0xBE, 0xEF}}, {"name", name}}, version, base);
}

// A collection of the given name tables, faces laid out one after another.
Bytes collection(const std::vector<Bytes>& names) {
    return collection_of(names.size(),
                         [&](size_t i, uint32_t base) { return font(names[i], 0x00010000, base); });
}

Record win(uint16_t language, std::u16string_view text, uint16_t encoding = 1) {
    return {3, encoding, language, 1, utf16be(text)};
}
Record mac(uint16_t language, std::string_view text) {
    return {1, 0, language, 1, raw(text)};
}

std::string name_of(const std::vector<Record>& records) {
    return read_face_name(font(name_table(records)));
}

TEST(FaceName, PrefersChineseThenUsEnglishThenFirstWindowsRecord) {
    Record zh = win(0x0804, u"宋体"), en = win(0x0409, u"SimSun"), tw = win(0x0404, u"宋가");
    Record style{3, 1, 0x0804, 2, utf16be(u"常规")};
    EXPECT_EQ(name_of({style, tw, en, zh}), "宋体");
    EXPECT_EQ(name_of({tw, en, mac(0, "Mac")}), "SimSun");
    EXPECT_EQ(name_of({mac(0, "Mac"), tw, win(0x0411, u"JP")}), "宋?");  // Hangul is not in GBK
    // The first record of a language wins over a later one.
    EXPECT_EQ(name_of({win(0x0409, u"First"), win(0x0409, u"Second")}), "First");
    // Windows encodings 0, 3 and 10 count; others (2 = ShiftJIS) do not.
    EXPECT_EQ(name_of({win(0x0409, u"Sym", 0)}), "Sym");
    EXPECT_EQ(name_of({win(0x0409, u"Full", 10)}), "Full");
    EXPECT_EQ(name_of({win(0x0409, u"SJIS", 2), mac(0, "Roman")}), "Roman");
}

TEST(FaceName, FallsBackToMacRomanAndConvertsItsHighBytes) {
    // 0x8E is e-acute (GBK has it: A8 A6); 0xF0 is a private-use mark GBK lacks.
    EXPECT_EQ(name_of({mac(0, "Caf\x8E \xF0")}), "Caf\xA8\xA6 ?");
    EXPECT_EQ(name_of({mac(3, "German"), mac(0, "English")}), "English");
    EXPECT_EQ(name_of({mac(3, "German")}), "German");
    // Mac Roman only: other Mac encodings (25 = simplified Chinese) are not read.
    EXPECT_EQ(name_of({{1, 25, 33, 1, raw("\xCB\xCE")}}), "");
}

TEST(FaceName, ReadsPrcRecordsAsGbkBytePairs) {
    // Units CBCE CCE5 are 宋体; 0x0041 is the single byte "A"; 0x817F is a
    // lead byte with an invalid trail byte: one "?" for the pair.
    Record prc{3, 3, 0x0804, 1, {0xCB, 0xCE, 0xCC, 0xE5, 0x00, 0x41, 0x81, 0x7F}};
    EXPECT_EQ(name_of({prc}),
              "\xCB\xCE\xCC\xE5"
              "A?");
    // A string stored as plain bytes reads the same.
    EXPECT_EQ(name_of({{3, 3, 0x0804, 1,
                        raw("\xCB\xCE\xCC\xE5"
                            "Ab")}}),
              "\xCB\xCE\xCC\xE5"
              "Ab");
}

TEST(FaceName, StopsAtNulAndSkipsEmptyNames) {
    EXPECT_EQ(name_of({win(0x0804, std::u16string(u"Ab\0cd", 5))}), "Ab");
    EXPECT_EQ(name_of({win(0x0804, u""), win(0x0409, u"Next")}), "Next");
    EXPECT_EQ(name_of({win(0x0804, std::u16string(u"\0x", 2)), win(0x0409, u"Next")}), "Next");
    EXPECT_EQ(name_of({{3, 1, 0x0409, 1, {0x00, 0x41, 0x00}}}), "A");  // odd byte ignored
    EXPECT_EQ(name_of({{3, 1, 0x0409, 2, utf16be(u"Regular")}}), "");
}

TEST(FaceName, KeepsExactlyTheFirst100Bytes) {
    std::u16string long_name(60, u'字');
    std::string cut = name_of({win(0x0804, long_name)});
    ASSERT_EQ(cut.size(), kMaxFaceNameBytes);
    EXPECT_EQ(cut, utf16_to_gbk(long_name.substr(0, 50)));
    // One ASCII byte first: byte 100 is the lead byte of the 50th hanzi.
    std::string odd = name_of({win(0x0804, u"A" + long_name)});
    ASSERT_EQ(odd.size(), kMaxFaceNameBytes);
    EXPECT_EQ(odd.substr(0, 99), "A" + utf16_to_gbk(long_name.substr(0, 49)));
    EXPECT_EQ(odd.back(), utf16_to_gbk(u"字")[0]);
    EXPECT_EQ(name_of({win(0x0409, std::u16string(100, u'x'))}).size(), 100u);
}

TEST(FaceName, ReadsCffFontsAndTheFirstFaceOfACollection) {
    Bytes name = name_table({win(0x0409, u"Cff")});
    EXPECT_EQ(read_face_name(font(name, 0x4F54544F)), "Cff");  // 'OTTO'
    EXPECT_EQ(read_face_name(font(name, 0x74727565)), "");     // 'true' is not loaded by GDI
    EXPECT_EQ(read_face_name(font(name, 0x00020000)), "");
    Bytes ttc = collection({name_table({win(0x0409, u"One")}), name_table({win(0x0409, u"Two")})});
    EXPECT_EQ(read_face_name(ttc), "One");
    Bytes no_faces = ttc;
    no_faces[11] = 0;  // numFonts
    EXPECT_EQ(read_face_name(no_faces), "");
    Bytes bad_version = ttc;
    bad_version[5] = 3;
    EXPECT_EQ(read_face_name(bad_version), "");
}

TEST(FaceName, RejectsOffsetsAndCountsPastTheEnd) {
    Bytes good = font(name_table({win(0x0409, u"Good"), win(0x0804, u"好")}));
    ASSERT_EQ(read_face_name(good), "\xBA\xC3");
    const size_t dir = 12 + 16;  // the name table's directory entry
    const size_t table = 12 + 2 * 16 + 4;

    Bytes b = good;
    b[4] = 0xFF, b[5] = 0xFF;  // 65535 tables: the directory runs past the end
    EXPECT_EQ(read_face_name(b), "");
    b = good;
    b[dir + 8] = 0x7F;  // table offset far past the end
    EXPECT_EQ(read_face_name(b), "");
    b = good;
    b[dir + 15] += 1;  // table one byte longer than the file
    EXPECT_EQ(read_face_name(b), "");
    b = good;
    b[dir + 8] = b[dir + 9] = b[dir + 10] = b[dir + 11] = 0xFF;  // offset + length wraps 32 bits
    EXPECT_EQ(read_face_name(b), "");
    b = good;
    b[table + 2] = 0xFF;  // 65280+ records: more than the table holds
    EXPECT_EQ(read_face_name(b), "");
    b = good;
    b[table + 4] = 0xFF;  // storage offset past the table: no string is readable
    EXPECT_EQ(read_face_name(b), "");
    b = good;
    b[table + 6 + 12 + 10] = 0xFF;  // the Chinese string's offset past the table
    EXPECT_EQ(read_face_name(b), "Good");
    b = good;
    b[table + 6 + 12 + 8] = 0xFF;  // its length past the table
    EXPECT_EQ(read_face_name(b), "Good");
    EXPECT_EQ(read_face_name({}), "");
    EXPECT_EQ(read_face_name(as_span(std::string("not a font at all, just words"))), "");
}

fs::path seed_dir() {
    return fs::path(YQ_SOURCE_DIR) / "tests/fuzz/platform/sfnt/seeds";
}

// The seeds are the header, directory and name table of real fonts.
TEST(FaceName, EveryTruncatedPrefixOfARealFontGivesNothing) {
    const std::pair<const char*, std::u16string> seeds[] = {
        {"dejavu-sans.ttf", u"DejaVu Sans"},
        {"wqy-zenhei.ttc", u"文泉驿正黑"},
        {"gbsn00lp.ttf", u"文鼎ＰＬ简报宋"},
        {"noto-sans-cjk.ttc", u"Noto Sans CJK SC"},
    };
    for (const auto& [file, expected] : seeds) {
        Bytes whole = load(seed_dir() / file);
        ASSERT_FALSE(whole.empty()) << file;
        EXPECT_EQ(read_face_name(whole), utf16_to_gbk(expected)) << file;
        for (size_t n = 0; n < whole.size(); ++n) {
            EXPECT_EQ(read_face_name(ByteSpan(whole.data(), n)), "") << file << " cut at " << n;
        }
        // One byte changed anywhere never crashes, and a changed name byte
        // still gives some name or none.
        for (size_t i = 0; i < whole.size(); ++i) {
            Bytes bad = whole;
            bad[i] ^= 0xFF;
            EXPECT_LE(read_face_name(bad).size(), kMaxFaceNameBytes);
        }
    }
}

TEST(FaceName, FileReaderAgreesWithTheMemoryReader) {
    for (const char* file : {"dejavu-sans.ttf", "wqy-zenhei.ttc", "noto-sans-cjk.ttc"}) {
        Bytes whole = load(seed_dir() / file);
        TempFile full(whole);
        EXPECT_EQ(read_face_name_from_file(full.path()), read_face_name(whole)) << file;
        for (size_t n : {size_t{0}, size_t{11}, size_t{40}, whole.size() - 1}) {
            TempFile cut(Bytes(whole.begin(), whole.begin() + n));
            EXPECT_EQ(read_face_name_from_file(cut.path()), "") << file << " cut at " << n;
        }
    }
    EXPECT_EQ(read_face_name_from_file((seed_dir() / "no-such-font.ttf").string()), "");
    EXPECT_EQ(read_face_name_from_file(seed_dir().string()), "");  // a folder
}

TEST(FaceName, ReadsANameTableLongerThanItsReachableBytes) {
    // A name table may declare more bytes than its records can reach; only
    // the reachable part is read, and the name still comes out.
    Bytes table = name_table({win(0x0409, u"Big")});
    table.resize(kMaxNameTableBytes + 4096, 0xAB);
    Bytes f = font(table);
    EXPECT_EQ(read_face_name(f), "Big");
    TempFile file(f);
    EXPECT_EQ(read_face_name_from_file(file.path()), "Big");
}

TEST(FamilyNames, EveryFamilyNameOfEveryFaceInEveryLanguageOnce) {
    Record zh = win(0x0804, u"宋体"), en = win(0x0409, u"SimSun");
    Record typographic{3, 1, 0x0409, 16, utf16be(u"SimSun Family")};
    Record style{3, 1, 0x0409, 2, utf16be(u"Regular")};  // not a family name
    Record full{3, 1, 0x0409, 4, utf16be(u"SimSun Regular")};
    Record sjis{3, 2, 0x0411, 1, utf16be(u"JP")};  // an encoding the face reader does not read
    Bytes single = font(name_table({style, zh, full, en, typographic, en, mac(0, "SimSun"), sjis}));
    EXPECT_EQ(family_names(single), (std::vector<std::string>{"宋体", "SimSun", "SimSun Family"}));
    // Each face of a collection counts: a second face cannot hide behind the first.
    Bytes pair = collection({name_table({win(0x0409, u"Harmless")}),
                             name_table({win(0x0804, u"黑体"), win(0x0409, u"SimHei")})});
    EXPECT_EQ(family_names(pair), (std::vector<std::string>{"Harmless", "黑体", "SimHei"}));
    EXPECT_EQ(read_face_name(pair), "Harmless");
    // Every truncated prefix of the collection reads without going past it.
    for (size_t n = 0; n < pair.size(); ++n) family_names(ByteSpan(pair.data(), n));
    EXPECT_TRUE(
        family_names(Bytes{'t', 't', 'c', 'f', 0, 1, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}).empty());
}

Record text(uint16_t name_id, uint16_t language, std::u16string_view s, uint16_t encoding = 1) {
    return {3, encoding, language, name_id, utf16be(s)};
}

TEST(FaceLicence, ReadsCopyrightDescriptionAndUrlFromTheSameTableAsTheFace) {
    FaceInfo info = read_face_info(font(name_table({
        text(13, 0x0409, u"Licensed under the SIL Open Font License, Version 1.1"),
        win(0x0409, u"Sans"),
        text(0, 0x0409, u"Copyright 2020 Someone"),
        text(13, 0x0804, u"本字体可免费商用"),
        text(14, 0x0409, u"https://openfontlicense.org"),
        text(13, 0x0411, u"日本語"),
    })));
    EXPECT_EQ(info.face, "Sans");
    // Chinese (PRC) first, then US English, then any Windows language.
    EXPECT_EQ(info.licence.description, "本字体可免费商用");
    EXPECT_EQ(info.licence.copyright, "Copyright 2020 Someone");
    EXPECT_EQ(info.licence.url, "https://openfontlicense.org");
    EXPECT_EQ(read_face_info(font(name_table({win(0x0409, u"A"), text(13, 0x0411, u"x"),
                                              text(13, 0x0407, u"y")})))
                  .licence.description,
              "x");
    // Nothing given: all empty; the face alone is still read.
    info = read_face_info(font(name_table({win(0x0409, u"Bare")})));
    EXPECT_EQ(info.face, "Bare");
    EXPECT_TRUE(info.licence.copyright.empty() && info.licence.description.empty() &&
                info.licence.url.empty());
    // A face of a collection gives its own licence: the first, as its face name.
    Bytes ttc = collection({name_table({win(0x0409, u"One"), text(13, 0x0409, u"first")}),
                            name_table({win(0x0409, u"Two"), text(13, 0x0409, u"second")})});
    EXPECT_EQ(read_face_info(ttc).licence.description, "first");
    TempFile file(ttc);
    info = read_face_info_from_file(file.path());
    EXPECT_EQ(info.face, "One");
    EXPECT_EQ(info.licence.description, "first");
}

TEST(FaceLicence, FallsBackToMacRomanAndDecodesAsTheFaceName) {
    FaceInfo info = read_face_info(font(name_table({
        mac(0, "Mac Face"),
        {1, 0, 0, 13, raw("Caf\x8E licence")},
        {1, 0, 0, 0, raw("\xA9 2001")},                 // the copyright sign
        {1, 0, 0, 14, raw("http://example.org/\xF0")},  // a mark GBK lacks
    })));
    EXPECT_EQ(info.face, "Mac Face");
    EXPECT_EQ(info.licence.description, "Caf\xA8\xA6 licence");
    EXPECT_EQ(info.licence.copyright, utf16_to_gbk(u"\u00A9 2001"));
    EXPECT_EQ(info.licence.url, "http://example.org/?");
    // A Windows record wins over a Mac one; PRC records read as GBK pairs.
    info = read_face_info(font(
        name_table({{1, 0, 0, 13, raw("mac")}, {3, 3, 0x0804, 13, {0xC3, 0xE2, 0xB7, 0xD1}}})));
    EXPECT_EQ(info.licence.description, "\xC3\xE2\xB7\xD1");  // 免费
}

TEST(FaceLicence, CutsEachTextToItsInputBound) {
    // 3000 hanzi: only the first kMaxLicenceInputBytes bytes (1024 units) are decoded.
    std::u16string long_text(3000, u'字');
    FaceInfo info =
        read_face_info(font(name_table({win(0x0409, u"F"), text(13, 0x0409, long_text)})));
    EXPECT_EQ(info.licence.description,
              utf16_to_gbk(long_text.substr(0, kMaxLicenceInputBytes / 2)));
    // A Mac Roman byte may become two GBK bytes: the text's own bound.
    info = read_face_info(font(name_table({mac(0, "F"), {1, 0, 0, 13, Bytes(3000, 0x8E)}})));
    EXPECT_EQ(info.licence.description.size(), kMaxLicenceTextBytes);
    // The cut falls between the halves of a pair past U+FFFF: the lone half is "?".
    std::u16string pairs = std::u16string(kMaxLicenceInputBytes / 2 - 1, u'a') + u"\U00020000";
    info = read_face_info(font(name_table({win(0x0409, u"F"), text(13, 0x0409, pairs, 10)})));
    EXPECT_EQ(info.licence.description, std::string(kMaxLicenceInputBytes / 2 - 1, 'a') + "?");
    // Up to the first NUL; an odd last byte is ignored.
    info = read_face_info(font(name_table({win(0x0409, u"F"),
                                           {3, 1, 0x0409, 13, {0, 'O', 0, 'K', 0, 0, 0, 'x'}},
                                           {3, 1, 0x0409, 14, {0, 'u', 0}}})));
    EXPECT_EQ(info.licence.description, "OK");
    EXPECT_EQ(info.licence.url, "u");
}

TEST(FaceLicence, HostileTablesGiveNoLicenceAndReadNothingOutside) {
    Bytes table = name_table(
        {win(0x0409, u"Good"), text(13, 0x0409, u"Licence words"), text(14, 0x0409, u"http://u")});
    Bytes good = font(table);
    ASSERT_EQ(read_face_info(good).licence.description, "Licence words");
    const size_t at = 12 + 2 * 16 + 4;  // the name table in the file
    const size_t desc = at + 6 + 12;    // the description's record

    Bytes b = good;
    b[desc + 10] = 0xFF;  // its string offset past the table: the record is passed over
    EXPECT_EQ(read_face_info(b).licence.description, "");
    EXPECT_EQ(read_face_info(b).licence.url, "http://u");
    b = good;
    b[desc + 8] = 0xFF;  // its length past the table
    EXPECT_EQ(read_face_info(b).licence.description, "");
    b = good;
    b[desc + 9] = 0x03;  // an odd length: the last byte is ignored
    b[desc + 8] = 0x00;
    EXPECT_EQ(read_face_info(b).licence.description, "L");
    b = good;
    b[at + 2] = 0xFF, b[at + 3] = 0xFF;  // 65535 records: more than the table holds
    EXPECT_EQ(read_face_info(b).licence.description, "");
    EXPECT_EQ(read_face_info(b).face, "");
    b = good;
    b[at + 4] = 0xFF;  // storage offset past the table
    EXPECT_EQ(read_face_info(b).licence.description, "");

    // Every prefix of the font and of the bare table: never more than the
    // bound, nothing for a table cut inside its records.
    for (size_t n = 0; n < good.size(); ++n) {
        FaceInfo cut = read_face_info(ByteSpan(good.data(), n));
        EXPECT_EQ(cut.licence.description, "") << n;  // the table no longer fits the file
    }
    for (size_t n = 0; n < 6 + 3 * 12; ++n) {
        FaceInfo cut = face_info_from_name_table(ByteSpan(table.data(), n));
        EXPECT_TRUE(cut.face.empty() && cut.licence.description.empty() && cut.licence.url.empty())
            << n;
    }
}

}  // namespace
}  // namespace yq::sfnt
