// The catalogue server over real loopback connections: published paths,
// ranges, refused paths, /text.php and every fault mode.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "platform/zt/zt_container.h"
#include "base/text.h"
#include "http_client.h"
#include "server/lib/catalogue_index.h"
#include "server/lib/file_io.h"
#include "test_support.h"

namespace yq::server {
namespace {

using namespace testing;
using Clock = std::chrono::steady_clock;

std::string pattern(size_t n, unsigned seed) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

std::string packed(const std::string& data) {
    Bytes b = zt_pack(as_span(data));
    return std::string(b.begin(), b.end());
}

// A published folder like the builder makes, from bytes made here: every
// fixed file, one font (DejaVu Sans when installed, else none) and a font
// file whose name is only in the index.
struct Catalogue {
    TempDir parent;
    std::string root = parent / "out";
    std::string database = packed(pattern(150000, 1));
    std::string font_key = "dejavu-sans-0123abcd";
    std::string font_container;
    std::string exe = pattern(70000, 2);

    Catalogue() {
        write_bytes(root + "/ztpz.txt", std::string("1.6"));
        write_bytes(root + "/My.txt", std::string("主程序版本:3.6"));
        write_bytes(root + "/ad.html",
                    std::string("<html><head><meta charset=\"gbk\"></head></html>"));
        write_bytes(root + "/yanqing.exe", exe);
        write_bytes(root + "/ztysb.data", database);
        std::string font = installed_font("dejavu/DejaVuSans.ttf");
        std::vector<IndexEntry> entries;
        if (!font.empty()) {
            font_container = packed(read_bytes(font));
            write_bytes(root + "/ztwjj/" + font_key + ".tmp", font_container);
            entries.push_back({font_key, "英文字体", "Sans", "DejaVu Sans", "DejaVuSans.ttf"});
        } else {
            font_container = packed(pattern(30000, 3));
            write_bytes(root + "/ztwjj/" + font_key + ".tmp", font_container);
        }
        entries.push_back({"missing-file", "英文字体", "Sans", "Ghost", "ghost.ttf"});
        write_bytes(root + "/" + std::string(kIndexFileName), gbk_to_utf8(format_index(entries)));
        // Bytes beside the published folder that no request may reach.
        write_bytes(parent / "secret.tmp", std::string("SECRET-OUTSIDE"));
        write_bytes(parent / "ztpz.txt", std::string("SECRET-OUTSIDE"));
    }
    bool has_real_font() const { return !installed_font("dejavu/DejaVuSans.ttf").empty(); }
};

ServeOptions options_for(const Catalogue& c, std::vector<std::string> faults = {}) {
    ServeOptions o;
    o.root = c.root;
    for (const std::string& f : faults) {
        std::string error;
        std::optional<Fault> parsed = parse_fault(f, &error);
        EXPECT_TRUE(parsed) << f << ": " << error;
        if (parsed) o.faults.push_back(*parsed);
    }
    return o;
}

TEST(CatalogueServer, ServesEveryPublishedPathWithItsLength) {
    Catalogue c;
    RunningServer s(options_for(c));
    ASSERT_EQ(s.error(), "");
    struct Case {
        std::string path, body;
    } cases[] = {
        {"/ztpz.txt", "1.6"},
        {"/My.txt", "\xD6\xF7\xB3\xCC\xD0\xF2\xB0\xE6\xB1\xBE:3.6"},
        {"/ad.html", read_bytes(c.root + "/ad.html")},
        {"/yanqing.exe", c.exe},
        {"/ztysb.data", c.database},
        {"/ztwjj/" + c.font_key + ".tmp", c.font_container},
    };
    for (const Case& k : cases) {
        for (const char* version : {"--http1.1", "--http1.0"}) {
            HttpReply r = curl(s.url(k.path), {version});
            EXPECT_EQ(r.status, 200) << k.path << version;
            EXPECT_EQ(r.header("content-length"), std::to_string(k.body.size())) << k.path;
            EXPECT_TRUE(r.body == k.body) << k.path << version;
            EXPECT_EQ(r.exit_code, 0) << k.path;
        }
    }
    EXPECT_EQ(curl(s.url("/ztpz.txt"), {"-I"}).header("content-length"), "3");
}

TEST(CatalogueServer, ResumesFontAndDatabaseDownloadsWithOneRange) {
    Catalogue c;
    RunningServer s(options_for(c));
    ASSERT_EQ(s.error(), "");
    const std::string font_path = "/ztwjj/" + c.font_key + ".tmp";
    const std::string total = std::to_string(c.database.size());

    // The program's own header line: no blank after "Range:", HTTP/1.0.
    HttpReply r = raw_request(
        s.port(), "GET /ztysb.data HTTP/1.0\r\nAccept: */*\r\nRange:bytes=4096-\r\n\r\n");
    EXPECT_EQ(r.status, 206);
    EXPECT_EQ(r.header("content-range"),
              "bytes 4096-" + std::to_string(c.database.size() - 1) + "/" + total);
    EXPECT_EQ(r.header("content-length"), std::to_string(c.database.size() - 4096));
    EXPECT_TRUE(r.body == c.database.substr(4096));

    r = curl(s.url(font_path), {"-r", "10-19"});
    EXPECT_EQ(r.status, 206);
    EXPECT_TRUE(r.body == c.font_container.substr(10, 10));
    r = curl(s.url(font_path), {"-H", "Range: bytes=-5"});
    EXPECT_TRUE(r.body == c.font_container.substr(c.font_container.size() - 5));

    // Past the end: 416 saying how long the file is.
    for (const std::string& range : {total + "-", total + "-" + total + "0"}) {
        r = curl(s.url("/ztysb.data"), {"-H", "Range: bytes=" + range});
        EXPECT_EQ(r.status, 416) << range;
        EXPECT_EQ(r.header("content-range"), "bytes */" + total);
    }
    // Several ranges at once are not offered: the whole file comes back.
    r = curl(s.url("/ztysb.data"), {"-H", "Range: bytes=0-1,5-6"});
    EXPECT_EQ(r.status, 200);
    EXPECT_TRUE(r.body == c.database);
    // Small text files ignore Range.
    r = curl(s.url("/ztpz.txt"), {"-r", "1-"});
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "1.6");
}

TEST(CatalogueServer, RefusesEveryPathOutsideWhatItPublishes) {
    Catalogue c;
    RunningServer s(options_for(c));
    ASSERT_EQ(s.error(), "");
    const std::string targets[] = {"/../ztpz.txt",
                                   "/ztwjj/../../secret.tmp",
                                   "/%2e%2e/ztpz.txt",
                                   "/%2E%2E%2Fztpz.txt",
                                   "/ztwjj/..%2f..%2fsecret.tmp",
                                   "/ztwjj/%2e%2e%2f%2e%2e%2fsecret.tmp",
                                   "/ztwjj/..\\..\\secret.tmp",
                                   "/ztwjj/%5c..%5csecret.tmp",
                                   "/C:/secret.tmp",
                                   "/ztwjj/C:..secret.tmp",
                                   std::string("/ztpz.txt\0/../secret.tmp", 24),
                                   "/ztwjj/secret%00.tmp",
                                   "//secret.tmp",
                                   "/catalogue.tsv",
                                   "/ztwjj/",
                                   "/",
                                   "/index.html",
                                   "/ztwjj/missing-key.tmp",
                                   "/ztwjj/%zz.tmp"};
    for (const std::string& t : targets) {
        // The library keeps the connection of a request it cannot parse open
        // after its 400, so do not wait long for the close.
        HttpReply r = raw_request(s.port(), "GET " + t + " HTTP/1.0\r\n\r\n", 1000);
        EXPECT_TRUE(r.status == 404 || r.status == 400) << t << " gave " << r.status;
        EXPECT_EQ(r.body.find("SECRET"), std::string::npos) << t;
        EXPECT_EQ(r.body.find("yanqing catalogue index"), std::string::npos) << t;
    }
    HttpReply r = raw_request(s.port(), "POST /ztpz.txt HTTP/1.0\r\nContent-Length: 2\r\n\r\nab");
    EXPECT_EQ(r.status, 405);
    // The server is still answering afterwards.
    EXPECT_EQ(curl(s.url("/ztpz.txt")).body, "1.6");
}

TEST(CatalogueServer, TextPreviewIsAPngThatGrowsWithTheText) {
    Catalogue c;
    if (!c.has_real_font()) GTEST_SKIP() << "DejaVu Sans is not installed here";
    RunningServer s(options_for(c));
    ASSERT_EQ(s.error(), "");
    auto preview = [&](const std::string& msg, const std::string& size = "30") {
        return curl(s.url("/text.php?msg=" + msg + "&rot=15&size=" + size +
                          "&font=fonts/DejaVu%20Sans.ttf"));
    };
    HttpReply one = preview("Ag"), three = preview("AgAgAgAgAg");
    ASSERT_EQ(one.status, 200);
    EXPECT_EQ(one.header("content-type"), "image/png");
    std::optional<DecodedImage> a = decode_png(one.body), b = decode_png(three.body);
    ASSERT_TRUE(a && b);
    EXPECT_GT(b->width, a->width * 3);
    for (const DecodedImage* img : {&*a, &*b}) {
        InkBox box = ink_box(*img);
        ASSERT_FALSE(box.empty());
        EXPECT_GT(box.left, 0);
        EXPECT_GT(box.top, 0);
        EXPECT_LT(box.right, img->width - 1);
        EXPECT_LT(box.bottom, img->height - 1);
    }
    EXPECT_LT(decode_png(preview("Ag", "6").body)->height, a->height);
    // An empty text is a blank picture; a size with a leading blank is read as the program reads
    // it.
    std::optional<DecodedImage> blank = decode_png(preview("").body);
    ASSERT_TRUE(blank);
    EXPECT_TRUE(ink_box(*blank).empty());
    EXPECT_EQ(preview("Ag", "%2012").status, 200);
    // Raw GBK bytes in the query, as some clients send them ("中" is not in DejaVu: a box is
    // drawn).
    HttpReply raw = raw_request(
        s.port(),
        "GET /text.php?msg=\xD6\xD0&rot=15&size=20&font=fonts/DejaVu%20Sans.ttf HTTP/1.0\r\n\r\n");
    EXPECT_EQ(raw.status, 200);
    EXPECT_TRUE(decode_png(raw.body));
}

TEST(CatalogueServer, TextPreviewRefusesBadQueriesWith400) {
    Catalogue c;
    RunningServer s(options_for(c));
    ASSERT_EQ(s.error(), "");
    const std::string font = "&font=fonts/DejaVu%20Sans.ttf";
    const std::string queries[] = {
        "msg=a&rot=15&size=30&font=fonts/Nope.ttf",
        "msg=a&rot=15&size=30&font=fonts/Ghost.ttf",  // in the index, file missing
        "msg=a&rot=15&size=30&font=../../secret.tmp",
        "msg=a&rot=15&size=5" + font,
        "msg=a&rot=15&size=31" + font,
        "msg=a&rot=15&size=abc" + font,
        "msg=" + std::string(201, 'a') + "&rot=15&size=12" + font,
        "msg=%E&rot=15&size=12" + font,
        "msg=%00&rot=15&size=12" + font,
        "rot=15" + font,
    };
    for (const std::string& q : queries) {
        HttpReply r = curl(s.url("/text.php?" + q));
        EXPECT_EQ(r.status, 400) << q;
        EXPECT_EQ(r.body.rfind("bad request: ", 0), 0u) << r.body;
    }
}

TEST(CatalogueServer, FaultNoLengthEndsTheBodyByClosing) {
    Catalogue c;
    RunningServer s(options_for(c, {"no-length"}));
    ASSERT_EQ(s.error(), "");
    HttpReply r = raw_request(s.port(), "GET /ztysb.data HTTP/1.1\r\nHost: x\r\n\r\n", 10000);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.header("content-length"), "");
    EXPECT_EQ(r.header("transfer-encoding"), "");
    EXPECT_TRUE(r.closed);
    EXPECT_TRUE(r.body == c.database);
}

TEST(CatalogueServer, FaultCutStopsTheBodyOnlyUnderItsPrefix) {
    Catalogue c;
    RunningServer s(options_for(c, {"cut=1000@/ztwjj/"}));
    ASSERT_EQ(s.error(), "");
    HttpReply r = raw_request(
        s.port(), "GET /ztwjj/" + c.font_key + ".tmp HTTP/1.1\r\nHost: x\r\n\r\n", 10000);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.header("content-length"), std::to_string(c.font_container.size()));
    EXPECT_TRUE(r.closed);
    EXPECT_TRUE(r.body == c.font_container.substr(0, 1000));
    EXPECT_FALSE(zt_unpack(as_span(r.body), size_t{1} << 30).ok());
    // A resumed request is cut 1000 bytes into its own body.
    r = raw_request(s.port(),
                    "GET /ztwjj/" + c.font_key + ".tmp HTTP/1.0\r\nRange:bytes=500-\r\n\r\n");
    EXPECT_EQ(r.status, 206);
    EXPECT_TRUE(r.body == c.font_container.substr(500, 1000));
    EXPECT_TRUE(curl(s.url("/ztysb.data")).body == c.database);
}

TEST(CatalogueServer, FaultSlowTricklesTheWholeBodyThenCloses) {
    Catalogue c;
    RunningServer s(options_for(c, {"slow=20000@/ztpz.txt", "slow=20000@/yanqing.exe"}));
    ASSERT_EQ(s.error(), "");
    auto start = Clock::now();
    HttpReply r = raw_request(
        s.port(), "GET /yanqing.exe HTTP/1.1\r\nHost: x\r\nRange: bytes=60000-\r\n\r\n", 10000);
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_EQ(r.status, 206);
    EXPECT_TRUE(r.closed);
    EXPECT_TRUE(r.body == c.exe.substr(60000));
    EXPECT_GE(seconds, 0.45);  // 10000 bytes at 20000 per second
    EXPECT_EQ(raw_request(s.port(), "GET /ztpz.txt HTTP/1.1\r\nHost: x\r\n\r\n", 10000).body,
              "1.6");
}

TEST(CatalogueServer, StopEndsASlowAnswerEarly) {
    Catalogue c;
    auto server = std::make_unique<RunningServer>(options_for(c, {"slow=1000"}));
    ASSERT_EQ(server->error(), "");
    const int port = server->port();
    HttpReply r;
    auto start = Clock::now();
    std::thread client(
        [&r, port] { r = raw_request(port, "GET /ztysb.data HTTP/1.0\r\n\r\n", 20000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    server.reset();  // stops and joins the server while the answer trickles
    client.join();
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_LT(seconds, 10.0);  // 150 KB at 1000 B/s would take minutes
    EXPECT_TRUE(r.closed);
    EXPECT_EQ(r.status, 200);
    EXPECT_LT(r.body.size(), c.database.size());
}

TEST(CatalogueServer, FaultEndlessSendsABodyThatNeverEndsUntilTheServerStops) {
    Catalogue c;
    auto server = std::make_unique<RunningServer>(options_for(c, {"endless@/ztpz.txt"}));
    ASSERT_EQ(server->error(), "");
    RawConnection conn(server->port());
    ASSERT_TRUE(conn.send("GET /ztpz.txt HTTP/1.1\r\nHost: x\r\n\r\n"));
    const size_t far = size_t{4} << 20;  // the file itself is 3 bytes
    EXPECT_TRUE(conn.read_until([&](const std::string& s) { return s.size() > far; }, 20000));
    HttpReply r = split_reply(conn.received());
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.header("content-length"), "");
    EXPECT_EQ(r.header("transfer-encoding"), "");
    EXPECT_EQ(r.body.substr(0, 3), "1.6");
    // Random-looking filler, not a run of one byte.
    std::string tail = r.body.substr(r.body.size() - 4096);
    EXPECT_GT(std::set<char>(tail.begin(), tail.end()).size(), 200u);
    EXPECT_FALSE(conn.closed_now());
    EXPECT_EQ(curl(server->url("/My.txt")).body.size(), 14u);  // outside the prefix: normal

    // A client that gives up frees the server; stopping ends the answer.
    { RawConnection(server->port()).send("GET /ztpz.txt HTTP/1.0\r\n\r\n"); }
    std::thread stopper([&] { server.reset(); });
    EXPECT_TRUE(conn.wait_closed(10000));
    stopper.join();
}

TEST(CatalogueServer, FaultStatusAnswersWithAnHtmlErrorPage) {
    Catalogue c;
    for (int code : {404, 500}) {
        RunningServer s(options_for(c, {"status=" + std::to_string(code)}));
        ASSERT_EQ(s.error(), "");
        for (const std::string path : {"/ztpz.txt", "/ztysb.data", "/My.txt"}) {
            HttpReply r = curl(s.url(path), {"-H", "Range: bytes=5-"});
            EXPECT_EQ(r.status, code) << path;
            EXPECT_EQ(r.header("content-type").rfind("text/html", 0), 0u);
            EXPECT_NE(r.body.find("<html>"), std::string::npos);
            EXPECT_NE(r.body.find(std::to_string(code)), std::string::npos);
        }
    }
}

TEST(CatalogueServer, FaultVersionReplacesTheCatalogueVersion) {
    Catalogue c;
    RunningServer s(options_for(c, {"version=1.6\\r\\n"}));
    ASSERT_EQ(s.error(), "");
    HttpReply r = curl(s.url("/ztpz.txt"));
    EXPECT_EQ(r.body, "1.6\r\n");
    EXPECT_EQ(r.header("content-length"), "5");
    EXPECT_EQ(curl(s.url("/My.txt")).body.size(), 14u);
}

// The stand-in identification site: a form with the ids the program clicks,
// sent by POST to its answer page; no other path takes a POST.
TEST(CatalogueServer, IdentificationStandInTakesItsFormByPost) {
    Catalogue c;
    RunningServer s(options_for(c, {}));
    ASSERT_EQ(s.error(), "");
    HttpReply page = curl(s.url("/identify/"));
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("id=\"uploaded_file\""), std::string::npos);
    EXPECT_NE(page.body.find("id=\"forward\""), std::string::npos);
    EXPECT_NE(page.body.find("action=\"/identify/answer\""), std::string::npos);
    // As a browser sends the form, with the picture read to its end (curl
    // asks for "100 Continue" first, since the form is over 1 MiB).
    TempDir dir;
    write_bytes(dir / "a.png", pattern(1500000, 3));
    HttpReply answer = curl(s.url("/identify/answer"), {"-F", "uploaded_file=@" + (dir / "a.png")});
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.exit_code, 0);
    EXPECT_NE(answer.body.find("识别结果"), std::string::npos);
    EXPECT_NE(answer.body.find("收到图片 1500000 字节"), std::string::npos);
    // The chooser cancelled: an empty file part.
    write_bytes(dir / "none", std::string());
    HttpReply empty = curl(s.url("/identify/answer"), {"-F", "uploaded_file=@" + (dir / "none")});
    EXPECT_NE(empty.body.find("没有收到图片"), std::string::npos);
    // Not a form, or not one the server can read.
    EXPECT_EQ(curl(s.url("/identify/answer"), {"--data-binary", "x=1"}).status, 415);
    EXPECT_EQ(curl(s.url("/identify/answer"),
                   {"-H", "Content-Type: multipart/form-data", "--data-binary", "x"})
                  .status,
              400);
    // Chunked bodies are not read (browsers send forms with a length).
    EXPECT_EQ(curl(s.url("/identify/answer"),
                   {"-H", "Transfer-Encoding: chunked", "-F", "uploaded_file=abc"})
                  .status,
              411);
    EXPECT_EQ(curl(s.url("/ztpz.txt"), {"-X", "POST"}).status, 405);
}

TEST(CatalogueServer, FaultCorruptSpoilsServedContainers) {
    Catalogue c;
    {
        RunningServer s(options_for(c, {"corrupt=flip"}));
        ASSERT_EQ(s.error(), "");
        std::string body = curl(s.url("/ztysb.data")).body;
        ASSERT_EQ(body.size(), c.database.size());
        size_t differing = 0;
        for (size_t i = 0; i < body.size(); ++i) differing += body[i] != c.database[i];
        EXPECT_EQ(differing, 1u);
        EXPECT_FALSE(zt_unpack(as_span(body), size_t{1} << 30).ok());
        // A resumed download gets the same spoilt byte.
        std::string tail = curl(s.url("/ztysb.data"), {"-r", "4096-"}).body;
        EXPECT_TRUE(tail == body.substr(4096));
        EXPECT_FALSE(
            zt_unpack(as_span(curl(s.url("/ztwjj/" + c.font_key + ".tmp")).body), size_t{1} << 30)
                .ok());
        EXPECT_EQ(curl(s.url("/ztpz.txt")).body, "1.6");  // not a container: untouched
    }
    {
        RunningServer s(options_for(c, {"corrupt=magic@/ztwjj/"}));
        ASSERT_EQ(s.error(), "");
        std::string font = curl(s.url("/ztwjj/" + c.font_key + ".tmp")).body;
        ASSERT_EQ(font.size(), c.font_container.size());
        EXPECT_NE(font.substr(0, 4), c.font_container.substr(0, 4));
        EXPECT_TRUE(font.substr(4) == c.font_container.substr(4));
        EXPECT_TRUE(curl(s.url("/ztysb.data")).body == c.database);
    }
}

TEST(CatalogueServer, StartFailsOnAMissingFolder) {
    TempDir dir;
    ServeOptions o;
    o.root = dir / "absent";
    o.log = nullptr;
    CatalogueServer s(o);
    EXPECT_NE(s.start().find("not a folder"), std::string::npos);
}

}  // namespace
}  // namespace yq::server
