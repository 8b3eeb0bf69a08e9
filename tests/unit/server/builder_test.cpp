// The catalogue builder, read back with our Jet reader, mdbtools and the
// server itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "platform/zt/zt_container.h"
#include "base/text.h"
#include "http_client.h"
#include "platform/jet/jet_reader.h"
#include "platform/sfnt/face_name.h"
#include "platform/sfnt/licence.h"
#include "server/lib/catalogue_builder.h"
#include "server/lib/catalogue_index.h"
#include "server/lib/request_target.h"
#include "test_support.h"
#include "tests/support/process.h"
#include "update/update_model.h"
#include "tests/support/status_assert.h"

namespace yq::server {
namespace {

using namespace testing;

// UTF-8 folder names of the three groups.
const std::string kChinese = gbk_to_utf8("中文字体");
const std::string kLatin = gbk_to_utf8("英文字体");
const std::string kSpecial = gbk_to_utf8("特殊字体");

bool has_warning(const BuildReport& r, const std::string& part) {
    for (const std::string& w : r.warnings)
        if (w.find(part) != std::string::npos) return true;
    return false;
}

std::string percent_encode(std::string_view bytes) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += '%';
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

// SRC with fonts installed on this machine: a Chinese category, two Latin
// ones (one with a family in several styles), a special one holding a file
// that is not a font, and a stray folder.
struct Source {
    TempDir dir;
    std::string src = dir / "src";
    std::string out = dir / "out";
    bool ok = false;

    Source() {
        const std::string song = installed_font("arphic-gbsn00lp/gbsn00lp.ttf");
        const std::string sans = installed_font("dejavu/DejaVuSans.ttf");
        if (song.empty() || sans.empty()) return;
        const std::string dejavu = fs::path(sans).parent_path().string();
        copy(song, kChinese + "/" + gbk_to_utf8("宋体"));
        copy(sans, kLatin + "/Sans");
        copy(dejavu + "/DejaVuSans-Bold.ttf", kLatin + "/Sans");  // same family: a duplicate
        copy(dejavu + "/DejaVuSansCondensed-Bold.ttf", kLatin + "/Sans");
        copy(dejavu + "/DejaVuSans-ExtraLight.ttf", kLatin + "/Light");
        copy(dejavu + "/DejaVuMathTeXGyre.ttf", kSpecial + "/Math");
        write_bytes(src + "/" + kSpecial + "/Math/readme.txt", std::string("not a font"));
        write_bytes(src + "/stray/x.ttf", std::string("x"));
        ok = true;
    }
    void copy(const std::string& file, const std::string& to) {
        fs::create_directories(src + "/" + to);
        fs::copy_file(file, src + "/" + to + "/" + fs::path(file).filename().string());
    }
    BuildOptions options() const {
        BuildOptions o;
        o.source = src;
        o.out = out;
        return o;
    }
};

#define YQ_REQUIRE_SOURCE(s) \
    if (!(s).ok) GTEST_SKIP() << "needs fonts-arphic-gbsn00lp and fonts-dejavu installed"

std::unique_ptr<jet::Table> open_table(const jet::Database& db, std::u16string_view name) {
    auto t = db.open_table(name);
    EXPECT_TRUE(test::IsOk(t));
    return t ? std::move(t).value() : nullptr;
}

TEST(CatalogueBuilder, WritesADatabaseOurReaderReadsBack) {
    Source s;
    YQ_REQUIRE_SOURCE(s);
    BuildReport r = build_catalogue(s.options());
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.fonts, 5u);
    EXPECT_EQ(r.categories, 4u);
    EXPECT_TRUE(has_warning(r, "readme.txt: not a readable font"));
    EXPECT_TRUE(has_warning(r, "DejaVuSans-Bold.ttf: face name \"DejaVu Sans\" is already in"));
    EXPECT_TRUE(has_warning(r, "stray: not a group folder"));

    auto db_r = jet::Database::open(s.out + "/ztdata.mdb");
    ASSERT_TRUE(test::IsOk(db_r));
    auto& db = *db_r;
    auto dl = open_table(*db, u"dl");
    ASSERT_TRUE(dl);
    ASSERT_EQ(dl->record_count(), 2u);  // 英文字体 has two categories
    dl->move_first();
    EXPECT_EQ(dl->text(u"中文字体"), u"宋体");
    EXPECT_EQ(dl->text(u"英文字体"), u"Light");
    EXPECT_EQ(dl->text(u"特殊字体"), u"Math");
    dl->move_next();
    EXPECT_EQ(dl->text(u"中文字体"), u"");
    EXPECT_EQ(dl->text(u"英文字体"), u"Sans");
    EXPECT_EQ(dl->text(u"特殊字体"), u"");

    auto sans = open_table(*db, u"Sans");
    ASSERT_TRUE(sans);
    ASSERT_EQ(sans->record_count(), 2u);
    std::vector<std::u16string> names;
    std::set<std::string> keys;
    for (const char16_t* table : {u"宋体", u"Sans", u"Light", u"Math"}) {
        auto t = open_table(*db, table);
        ASSERT_TRUE(t);
        for (t->move_first(); !t->eof(); t->move_next()) {
            std::u16string name = t->text(u"字体名");
            std::u16string key16 = t->text(u"字体地址");
            std::string key(key16.begin(), key16.end());
            EXPECT_TRUE(is_valid_font_key(key)) << key;
            EXPECT_TRUE(keys.insert(key).second) << key;
            // The packed font is the very file the face name came from.
            Bytes font =
                zt_unpack(as_span(read_bytes(s.out + "/ztwjj/" + key + ".tmp")), size_t{1} << 30)
                    .value_or(Bytes());
            ASSERT_FALSE(font.empty()) << key;
            EXPECT_EQ(gbk_to_utf16(sfnt::read_face_name(font)), name);
            // The picture: a 24-bit BMP within 330 x 36, black ink on white.
            Bytes bmp = zt_unpack(t->bytes(u"图片"), size_t{1} << 30).value_or(Bytes());
            ASSERT_GE(bmp.size(), 54u) << key;
            EXPECT_EQ(bmp[0], 'B');
            EXPECT_EQ(load_u16le(bmp, 28), 24);
            uint32_t w = load_u32le(bmp, 18), h = load_u32le(bmp, 22);
            EXPECT_LE(w, 330u);
            EXPECT_EQ(h, 36u);
            size_t dark = 0, white = 0;
            for (size_t i = 54; i < bmp.size(); ++i) {
                dark += bmp[i] < 64;
                white += bmp[i] == 255;
            }
            EXPECT_GT(dark, 30u) << key;
            EXPECT_GT(white, dark) << key;
            names.push_back(name);
        }
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"文鼎ＰＬ简报宋", u"DejaVu Sans",
                                                  u"DejaVu Sans Condensed", u"DejaVu Sans Light",
                                                  u"DejaVu Math TeX Gyre"}));

    // Every listed font has its licence class, read from its own file, in
    // the licence table; the category tables keep their three columns.
    auto licences = open_table(*db, kLicenceTable);
    ASSERT_TRUE(licences);
    EXPECT_EQ(licences->record_count(), keys.size());
    std::map<std::string, std::u16string> classes;
    for (licences->move_first(); !licences->eof(); licences->move_next()) {
        std::u16string key16 = licences->text(u"字体地址");
        std::string key(key16.begin(), key16.end());
        EXPECT_TRUE(keys.count(key)) << key;
        classes[key] = licences->text(u"授权");
        Bytes font =
            zt_unpack(as_span(read_bytes(s.out + "/ztwjj/" + key + ".tmp")), size_t{1} << 30)
                .value_or(Bytes());
        sfnt::FaceInfo info = sfnt::read_face_info(font);
        EXPECT_EQ(classes[key], gbk_to_utf16(licence_caption(classify_licence(info.licence))))
            << key;
        EXPECT_EQ(licences->text(u"授权说明"),
                  gbk_to_utf16(licence_first_line(info.licence)))
            << key;
    }
    // The Arphic Public License counts as free (doc/licences.md).
    auto song = open_table(*db, u"宋体");
    ASSERT_TRUE(song);
    song->move_first();
    std::u16string song_key = song->text(u"字体地址");
    EXPECT_EQ(classes[std::string(song_key.begin(), song_key.end())], u"可免费商用");
}

// A catalogue built without --program-version announces no new program to
// the program built from the same tree.
TEST(CatalogueBuilder, ByDefaultMyTxtHoldsTheProgramsOwnVersionText) {
    EXPECT_EQ(program_version_text(BuildOptions{}.program_version), kProgramVersionText);
}

TEST(CatalogueBuilder, WritesEveryPublishedFile) {
    Source s;
    YQ_REQUIRE_SOURCE(s);
    BuildOptions o = s.options();
    o.catalogue_version = "2.1";
    o.program_version = "3.7";
    o.exe = s.dir / "fake.exe";
    write_bytes(o.exe, std::string("MZ fake program"));
    ASSERT_EQ(build_catalogue(o).error, "");
    EXPECT_EQ(read_bytes(s.out + "/ztpz.txt"), "2.1");
    EXPECT_EQ(read_bytes(s.out + "/My.txt"), "主程序版本:3.7");
    EXPECT_EQ(read_bytes(s.out + "/yanqing.exe"), "MZ fake program");
    std::string ad = read_bytes(s.out + "/ad.html");
    EXPECT_NE(ad.find("charset=gbk"), std::string::npos);
    EXPECT_LT(ad.size(), 2048u);
    Bytes db =
        zt_unpack(as_span(read_bytes(s.out + "/ztysb.data")), size_t{1} << 30).value_or(Bytes());
    EXPECT_TRUE(std::string(db.begin(), db.end()) == read_bytes(s.out + "/ztdata.mdb"));

    std::vector<std::string> problems;
    std::vector<IndexEntry> index = parse_index(read_bytes(s.out + "/catalogue.tsv"), &problems);
    EXPECT_TRUE(problems.empty());
    ASSERT_EQ(index.size(), 5u);
    EXPECT_EQ(index[0].group, kChinese);
    EXPECT_EQ(index[0].face_name, gbk_to_utf8("文鼎ＰＬ简报宋"));
    EXPECT_EQ(index[0].source, "gbsn00lp.ttf");
}

TEST(CatalogueBuilder, MdbtoolsReadsTheDatabase) {
    Source s;
    YQ_REQUIRE_SOURCE(s);
    if (test::command_output("command -v mdb-export").empty())
        GTEST_SKIP() << "mdbtools is not installed";
    ASSERT_EQ(build_catalogue(s.options()).error, "");
    const std::string mdb = "'" + s.out + "/ztdata.mdb'";
    std::string tables = test::command_output("mdb-tables -1 " + mdb);
    for (const std::string& t : {std::string("dl"), gbk_to_utf8("宋体"), std::string("Sans"),
                                 std::string("Light"), std::string("Math"),
                                 gbk_to_utf8("字体授权")})
        EXPECT_NE(tables.find(t + "\n"), std::string::npos) << t << " in\n" << tables;
    EXPECT_EQ(test::command_output("mdb-export " + mdb + " dl"),
              gbk_to_utf8("中文字体,英文字体,特殊字体\n\"宋体\",\"Light\",\"Math\"\n,\"Sans\",\n"));
    std::string sans = test::command_output("mdb-export -b strip " + mdb + " Sans");
    EXPECT_EQ(sans.rfind(gbk_to_utf8("字体名,图片,字体地址\n\"DejaVu Sans\","), 0), 0u) << sans;
    EXPECT_NE(sans.find("\"DejaVu Sans Condensed\""), std::string::npos);
    std::string licences = test::command_output("mdb-export " + mdb + " " + gbk_to_utf8("字体授权"));
    EXPECT_EQ(licences.rfind(gbk_to_utf8("字体地址,授权,授权说明\n"), 0), 0u) << licences;
    EXPECT_EQ(std::count(licences.begin(), licences.end(), '\n'), 6) << licences;
}

TEST(CatalogueBuilder, RebuildKeepsKeysAndDropsFontsThatLeft) {
    Source s;
    YQ_REQUIRE_SOURCE(s);
    ASSERT_EQ(build_catalogue(s.options()).error, "");
    std::string first = read_bytes(s.out + "/catalogue.tsv");
    ASSERT_EQ(build_catalogue(s.options()).error, "");
    EXPECT_EQ(read_bytes(s.out + "/catalogue.tsv"), first);

    fs::remove_all(s.src + "/" + kLatin + "/Light");
    write_bytes(s.out + "/ztwjj/keep.me", std::string("not ours"));
    BuildReport r = build_catalogue(s.options());
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.fonts, 4u);
    size_t packed = 0;
    for (const auto& e : fs::directory_iterator(s.out + "/ztwjj"))
        packed += e.path().extension() == ".tmp";
    EXPECT_EQ(packed, 4u);
    EXPECT_TRUE(fs::exists(s.out + "/ztwjj/keep.me"));
}

TEST(CatalogueBuilder, LeavesOutCategoriesThatCannotBeTables) {
    Source s;
    YQ_REQUIRE_SOURCE(s);
    const std::string sans = installed_font("dejavu/DejaVuSans.ttf");
    s.copy(sans, kSpecial + "/a.b");
    s.copy(sans, kSpecial + "/Sans");    // already a 英文字体 category
    s.copy(sans, kSpecial + "/dl");      // the category list's own name
    s.copy(sans, kSpecial + "/" + gbk_to_utf8("字体授权"));  // the licence table's
    s.copy(sans, kSpecial + "/ Blank");  // blanks around a name are trimmed by the program
    fs::create_directories(s.src + "/" + kSpecial + "/Empty");
    BuildReport r = build_catalogue(s.options());
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.categories, 4u);
    EXPECT_TRUE(has_warning(r, "a.b: name holds a character"));
    EXPECT_TRUE(has_warning(r, "/Sans: a category of that name exists already"));
    EXPECT_TRUE(has_warning(r, "/dl: name is reserved"));
    EXPECT_TRUE(has_warning(r, "/" + gbk_to_utf8("字体授权") + ": name is reserved"));
    EXPECT_TRUE(has_warning(r, " Blank: name starts or ends with a blank"));
    EXPECT_TRUE(has_warning(r, "category Empty has no usable fonts"));
}

TEST(CatalogueBuilder, RefusesBadOptionsWithAReason) {
    Source s;
    struct Case {
        BuildOptions options;
        const char* reason;
    } cases[] = {
        {[&] {
             auto o = s.options();
             o.catalogue_version = "1.66";
             return o;
         }(),
         "exactly 3"},
        {[&] {
             auto o = s.options();
             o.catalogue_version = "1\n6";
             return o;
         }(),
         "exactly 3"},
        {[&] {
             auto o = s.options();
             o.program_version = "3 6";
             return o;
         }(),
         "program-version"},
        {[&] {
             auto o = s.options();
             o.source = s.dir / "missing";
             return o;
         }(),
         "missing: not a folder"},
        {[&] {
             auto o = s.options();
             o.exe = s.dir / "no.exe";
             return o;
         }(),
         "no.exe: "},
    };
    for (const Case& c : cases) {
        BuildReport r = build_catalogue(c.options);
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << r.error;
    }
}

TEST(CatalogueBuilder, KeysAreStableAsciiAndDistinct) {
    std::string a = font_key_for("g", "c", "DejaVu Sans-Bold.ttf");
    EXPECT_EQ(a, font_key_for("g", "c", "DejaVu Sans-Bold.ttf"));
    EXPECT_EQ(a.rfind("dejavu-sans-bold-", 0), 0u);
    EXPECT_NE(a, font_key_for("g", "c2", "DejaVu Sans-Bold.ttf"));
    EXPECT_TRUE(is_valid_font_key(a));
    std::string chinese = font_key_for("g", "c", gbk_to_utf8("宋体.ttf"));
    EXPECT_EQ(chinese.rfind("font-", 0), 0u);
    EXPECT_TRUE(is_valid_font_key(chinese));
    EXPECT_TRUE(is_valid_font_key(font_key_for("g", "c", std::string(300, 'x') + ".ttf")));
}

TEST(CatalogueBuilder, ServerDrawsPreviewsFromABuiltFolder) {
    Source s;
    YQ_REQUIRE_SOURCE(s);
    ASSERT_EQ(build_catalogue(s.options()).error, "");
    ServeOptions o;
    o.root = s.out;
    RunningServer server(o);
    ASSERT_EQ(server.error(), "");
    // What the program sends: GBK text and GBK face name, percent-encoded.
    HttpReply r =
        curl(server.url("/text.php?msg=" + percent_encode("中文预览") +
                        "&rot=15&size=24&font=fonts/" + percent_encode("文鼎ＰＬ简报宋") + ".ttf"));
    ASSERT_EQ(r.status, 200) << r.body;
    std::optional<DecodedImage> img = decode_png(r.body);
    ASSERT_TRUE(img);
    EXPECT_GE(img->width, 4 * 20);
    EXPECT_FALSE(ink_box(*img).empty());
    EXPECT_EQ(curl(server.url("/ztpz.txt")).body, "1.6");
}

}  // namespace
}  // namespace yq::server
