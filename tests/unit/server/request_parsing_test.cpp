// Request target, /text.php query, Range header and --fault parsing.
#include <gtest/gtest.h>

#include "server/lib/byte_range.h"
#include "server/lib/faults.h"
#include "server/lib/request_target.h"
#include "server/lib/text_query.h"

namespace yq::server {
namespace {

TEST(RequestTarget, PublishedNamesResolveToTheirFiles) {
    struct Case {
        const char* target;
        Resource resource;
        const char* file;
    } cases[] = {
        {"/ztpz.txt", Resource::CatalogueVersion, "ztpz.txt"},
        {"/ztysb.data", Resource::Database, "ztysb.data"},
        {"/My.txt", Resource::ProgramVersion, "My.txt"},
        {"/yanqing.exe", Resource::Program, "yanqing.exe"},
        {"/ad.html", Resource::AdPage, "ad.html"},
        {"/ztwjj/dejavu-sans-1a2b3c4d.tmp", Resource::Font, "ztwjj/dejavu-sans-1a2b3c4d.tmp"},
        {"/ztwjj/%41b_c.tmp", Resource::Font, "ztwjj/Ab_c.tmp"},
        {"/text.php?msg=a", Resource::TextPreview, ""},
        {"/identify/", Resource::IdentifyPage, ""},
        {"/identify/answer", Resource::IdentifyAnswer, ""},
    };
    for (const Case& c : cases) {
        ResolvedTarget t = resolve_target(c.target);
        EXPECT_EQ(t.resource, c.resource) << c.target;
        EXPECT_EQ(resource_file(t), c.file) << c.target;
    }
    EXPECT_EQ(resolve_target("/text.php?msg=%D6%D0&size=9").query, "msg=%D6%D0&size=9");
    EXPECT_EQ(resolve_target("/ztpz.txt?x=1").resource, Resource::CatalogueVersion);
}

TEST(RequestTarget, AnythingElseResolvesToNothing) {
    const std::string_view refused[] = {
        "/",
        "",
        "ztpz.txt",
        "/ZTPZ.TXT",
        "//ztpz.txt",
        "/ztpz.txt/",
        "/./ztpz.txt",
        "/x/../ztpz.txt",
        "/ztwjj/../ztpz.txt",
        "/ztwjj/..%2fztpz.txt",
        "/ztwjj/%2e%2e.tmp",
        "/ztwjj/a.b.tmp",
        "/ztwjj/.tmp",
        "/ztwjj/a/b.tmp",
        "/ztwjj%2fa.tmp",
        "/ztwjj%2Fa.tmp",
        "/ztwjj\\a.tmp",
        "/ztwjj/a%5c.tmp",
        "/ztwjj/..\\..\\etc.tmp",
        "/C:/Windows/win.ini",
        "/ztwjj/C:a.tmp",
        "/ztwjj/a%00.tmp",
        std::string_view("/ztpz.txt\0x", 11),
        "/ztwjj/a%zz.tmp",
        "/ztwjj/a%.tmp",
        "/ztwjj/a%4.tmp",
        "/etc/passwd",
        "/ztwjj/a.tmp.tmp",
        "http://127.0.0.1/ztpz.txt",
        "/ztwjj/\xd6\xd0.tmp",
    };
    for (std::string_view t : refused) {
        ResolvedTarget r = resolve_target(t);
        EXPECT_EQ(r.resource, Resource::None) << t;
        EXPECT_EQ(resource_file(r), "") << t;
    }
    EXPECT_EQ(resolve_target("/ztwjj/" + std::string(kMaxFontKeyBytes + 1, 'a') + ".tmp").resource,
              Resource::None);
    EXPECT_EQ(resolve_target("/ztwjj/" + std::string(kMaxFontKeyBytes, 'a') + ".tmp").resource,
              Resource::Font);
    EXPECT_EQ(resolve_target("/text.php?" + std::string(kMaxTargetBytes, 'a')).resource,
              Resource::None);
}

TEST(RequestTarget, PercentDecodingRejectsBrokenEscapes) {
    EXPECT_EQ(percent_decode("%D6%d0+%41"), "\xD6\xD0+A");
    EXPECT_EQ(percent_decode("%00"), std::string(1, '\0'));
    EXPECT_EQ(percent_decode(""), "");
    for (const char* bad : {"%", "%4", "%G0", "a%", "%%41", "%-1"})
        EXPECT_FALSE(percent_decode(bad)) << bad;
}

TextQueryResult parse(std::string_view q) {
    return parse_text_query(q);
}

TEST(TextQuery, ReadsWhatTheProgramSends) {
    // "中文" in GBK, percent-encoded, and the same bytes raw.
    for (std::string_view q :
         {"msg=%D6%D0%CE%C4&rot=15&size=30&font=fonts/%CB%CE%CC%E5.ttf",
          "msg=\xD6\xD0\xCE\xC4&rot=15&size=30&font=fonts/\xCB\xCE\xCC\xE5.ttf"}) {
        TextQueryResult r = parse(q);
        ASSERT_TRUE(r.query) << r.error;
        EXPECT_EQ(r.query->msg, "\xD6\xD0\xCE\xC4");
        EXPECT_EQ(r.query->size, 30);
        EXPECT_EQ(r.query->rot, 15);
        EXPECT_EQ(r.query->font_name, "\xCB\xCE\xCC\xE5");
    }
    TextQueryResult r = parse("msg=&rot=15&size=6&font=fonts/My%20Font.TTF");
    ASSERT_TRUE(r.query) << r.error;
    EXPECT_EQ(r.query->msg, "");
    EXPECT_EQ(r.query->font_name, "My Font");
    // '+' is a plus sign; a bare name without "fonts/" and ".ttf" is accepted.
    r = parse("font=Sans&size=12&msg=1+1");
    ASSERT_TRUE(r.query) << r.error;
    EXPECT_EQ(r.query->msg, "1+1");
    EXPECT_EQ(r.query->font_name, "Sans");
}

TEST(TextQuery, SizeIsReadAsTheProgramReadsIt) {
    // Leading blank, full-width digits (A3B1 A3B2 = "１２"), trailing junk.
    for (std::string_view size : {"%2012", "\xA3\xB1\xA3\xB2", "12px", "+12"}) {
        TextQueryResult r = parse("msg=a&size=" + std::string(size) + "&font=x");
        ASSERT_TRUE(r.query) << size << ": " << r.error;
        EXPECT_EQ(r.query->size, 12) << size;
    }
    for (std::string_view size : {"5", "31", "0", "abc", "", "-10", "99999999999"})
        EXPECT_FALSE(parse("msg=a&size=" + std::string(size) + "&font=x").query) << size;
    EXPECT_TRUE(parse("msg=a&size=6&font=x").query);
    EXPECT_TRUE(parse("msg=a&size=30&font=x").query);
}

TEST(TextQuery, RejectsBadQueriesWithAReason) {
    const std::string two_hundred(200, 'a'), gbk_two_hundred = [] {
        std::string s;
        for (int i = 0; i < 200; ++i) s += "\xD6\xD0";
        return s;
    }();
    EXPECT_TRUE(parse("msg=" + two_hundred + "&size=9&font=x").query);
    EXPECT_TRUE(parse("msg=" + gbk_two_hundred + "&size=9&font=x").query);
    struct Case {
        std::string query;
        const char* reason;
    } cases[] = {
        {"msg=" + two_hundred + "a&size=9&font=x", "longer than 200"},
        {"msg=" + gbk_two_hundred + "a&size=9&font=x", "longer than 200"},
        {"msg=%G1&size=9&font=x", "malformed"},
        {"msg=a%&size=9&font=x", "malformed"},
        {"msg=a%00b&size=9&font=x", "NUL"},
        {"msg=a&font=x", "missing size"},
        {"msg=a&size=9", "missing font"},
        {"msg=a&size=9&font=fonts/.ttf", "missing font"},
        {"msg=a&size=9&font=x&rot=abc", "rot"},
        {"msg=a&size=9&font=x&rot=361", "rot"},
        {"msg=a&size=9&font=x&" + std::string(kMaxQueryBytes, 'z'), "too long"},
    };
    for (const Case& c : cases) {
        TextQueryResult r = parse(c.query);
        EXPECT_FALSE(r.query) << c.query.substr(0, 60);
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << r.error;
    }
    // A repeated key keeps its first value; unknown keys are ignored.
    TextQueryResult r = parse("size=9&size=99&font=a&font=b&x=%41&msg=m&rot=");
    ASSERT_TRUE(r.query) << r.error;
    EXPECT_EQ(r.query->size, 9);
    EXPECT_EQ(r.query->font_name, "a");
    EXPECT_EQ(r.query->rot, 0);
}

TEST(ByteRange, HonoursOneRangeAndIgnoresWhatItCannotRead) {
    struct Case {
        const char* header;
        uint64_t size;
        RangeKind kind;
        uint64_t first, last;
    } cases[] = {
        {"bytes=4096-", 10000, RangeKind::Partial, 4096, 9999},
        {"bytes = 4096 -", 10000, RangeKind::Partial, 4096, 9999},
        {"Bytes=0-0", 10000, RangeKind::Partial, 0, 0},
        {"bytes=10-19", 10000, RangeKind::Partial, 10, 19},
        {"bytes=9990-20000", 10000, RangeKind::Partial, 9990, 9999},
        {"bytes=-100", 10000, RangeKind::Partial, 9900, 9999},
        {"bytes=-20000", 10000, RangeKind::Partial, 0, 9999},
        {"bytes=9999-", 10000, RangeKind::Partial, 9999, 9999},
        {"bytes=10000-", 10000, RangeKind::Unsatisfiable, 0, 0},
        {"bytes=20000-30000", 10000, RangeKind::Unsatisfiable, 0, 0},
        {"bytes=-0", 10000, RangeKind::Unsatisfiable, 0, 0},
        {"bytes=0-", 0, RangeKind::Unsatisfiable, 0, 0},
        {"", 10000, RangeKind::Whole, 0, 0},
        {"bytes=5-4", 10000, RangeKind::Whole, 0, 0},
        {"bytes=0-1,5-6", 10000, RangeKind::Whole, 0, 0},
        {"items=0-1", 10000, RangeKind::Whole, 0, 0},
        {"bytes=abc", 10000, RangeKind::Whole, 0, 0},
        {"bytes=-", 10000, RangeKind::Whole, 0, 0},
        {"bytes=99999999999999999999-", 10000, RangeKind::Whole, 0, 0},
    };
    for (const Case& c : cases) {
        RangeDecision d = decide_range(c.header, c.size);
        EXPECT_EQ(d.kind, c.kind) << c.header;
        if (c.kind == RangeKind::Partial) {
            EXPECT_EQ(d.first, c.first) << c.header;
            EXPECT_EQ(d.last, c.last) << c.header;
        }
    }
}

TEST(FaultModes, ParsesEveryModeAndItsPrefix) {
    std::string error;
    std::optional<Fault> f = parse_fault("cut=1000@/ztwjj/", &error);
    ASSERT_TRUE(f) << error;
    EXPECT_EQ(f->kind, FaultKind::Cut);
    EXPECT_EQ(f->number, 1000u);
    EXPECT_EQ(f->prefix, "/ztwjj/");

    f = parse_fault("version=1.6\\r\\n", &error);
    ASSERT_TRUE(f) << error;
    EXPECT_EQ(f->text, "1.6\r\n");
    EXPECT_EQ(f->prefix, "/");
    f = parse_fault("version=a@b\\x41", &error);  // '@' not followed by '/' is text
    ASSERT_TRUE(f) << error;
    EXPECT_EQ(f->text, "a@bA");
    f = parse_fault("program=\xD6\xF7@/My.txt", &error);
    ASSERT_TRUE(f) << error;
    EXPECT_EQ(f->kind, FaultKind::Program);
    EXPECT_EQ(f->text, "\xD6\xF7");
    EXPECT_EQ(f->prefix, "/My.txt");
    f = parse_fault("version=", &error);
    ASSERT_TRUE(f) << error;
    EXPECT_EQ(f->text, "");

    EXPECT_EQ(parse_fault("no-length", &error)->kind, FaultKind::NoLength);
    EXPECT_EQ(parse_fault("slow=500", &error)->number, 500u);
    EXPECT_EQ(parse_fault("status=404", &error)->number, 404u);
    EXPECT_EQ(parse_fault("corrupt=flip", &error)->corruption, Corruption::Flip);
    EXPECT_EQ(parse_fault("corrupt=magic", &error)->corruption, Corruption::Magic);

    for (const char* bad : {"", "cut", "cut=", "cut=-1", "cut=1k", "slow=0", "status=200",
                            "status=600", "status=abc", "corrupt=", "corrupt=both", "no-length=1",
                            "version=\\q", "version=\\x4", "version", "explode"}) {
        error.clear();
        EXPECT_FALSE(parse_fault(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(FaultModes, PlanTakesTheFaultsWhosePrefixMatches) {
    std::vector<Fault> faults = {
        *parse_fault("cut=10@/ztwjj/", nullptr), *parse_fault("cut=20@/ztwjj/", nullptr),
        *parse_fault("status=500@/ztysb.data", nullptr), *parse_fault("slow=100", nullptr)};
    FaultPlan font = plan_faults(faults, "/ztwjj/a.tmp");
    EXPECT_EQ(font.cut_after, 20u);  // the last of one kind wins
    EXPECT_EQ(font.status, 0);
    EXPECT_EQ(font.bytes_per_second, 100u);
    FaultPlan db = plan_faults(faults, "/ztysb.data");
    EXPECT_FALSE(db.cut_after);
    EXPECT_EQ(db.status, 500);
    EXPECT_EQ(describe(db), "status=500,slow=100");
    EXPECT_EQ(describe(plan_faults({}, "/ztpz.txt")), "-");
}

TEST(FaultModes, CorruptionChangesOneByteWhereverTheReadStarts) {
    std::vector<uint8_t> whole(100, 0x11);
    corrupt_bytes(Corruption::Flip, whole.size(), 0, whole.data(), whole.size());
    int changed = 0;
    for (uint8_t b : whole) changed += b != 0x11;
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(whole[54], 0xEE);  // middle of the stream after the 8-byte header
    // The same byte when the body is read in two pieces around it.
    std::vector<uint8_t> a(54, 0x11), b(46, 0x11);
    corrupt_bytes(Corruption::Flip, 100, 0, a.data(), a.size());
    corrupt_bytes(Corruption::Flip, 100, 54, b.data(), b.size());
    EXPECT_EQ(b[0], 0xEE);
    for (uint8_t x : a) EXPECT_EQ(x, 0x11);
    std::vector<uint8_t> head = {0x0D, 0x0F, 0x3E, 0x03};
    corrupt_bytes(Corruption::Magic, 100, 0, head.data(), head.size());
    EXPECT_NE(head[0], 0x0D);
}

}  // namespace
}  // namespace yq::server
