// Connections from clients that wait, trickle, read slowly or send too much:
// request heads framed and limited before a worker sees them, deadlines on
// idle and slow connections, a server that keeps answering fresh clients
// while hundreds of connections sit idle beside slow-loris clients and slow
// readers, and form bodies read to their end or drained when refused.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/zt/zt_container.h"
#include "base/text.h"
#include "http_client.h"
#include "server/lib/catalogue_index.h"
#include "server/lib/connection_limits.h"
#include "server/lib/request_head.h"
#include "test_support.h"

namespace yq::server {
namespace {

using namespace testing;
using Clock = std::chrono::steady_clock;
using State = RequestHeadReader::State;

// Feeds `bytes` one at a time, as a slow client sends them; the state after
// each byte is collected.
std::vector<State> scan_byte_by_byte(RequestHeadReader& reader, const std::string& bytes) {
    std::vector<State> states;
    for (size_t i = 1; i <= bytes.size(); ++i) states.push_back(reader.scan({bytes.data(), i}));
    return states;
}

TEST(RequestHead, FramesHeadsAsTheParserReadsThem) {
    const std::string head = "GET /ztpz.txt HTTP/1.1\r\nHost: x\r\nRange: bytes=1-\r\n\r\n";
    RequestHeadReader r;
    std::vector<State> states = scan_byte_by_byte(r, head);
    for (size_t i = 0; i + 1 < states.size(); ++i) EXPECT_EQ(states[i], State::Incomplete) << i;
    EXPECT_EQ(states.back(), State::Complete);
    EXPECT_EQ(r.head_bytes(), head.size());
    EXPECT_FALSE(r.has_body());

    // A pipelined request after it is not part of it.
    r.reset();
    EXPECT_EQ(r.scan(head + "GET /My.txt HTTP/1.1\r\n"), State::Complete);
    EXPECT_EQ(r.head_bytes(), head.size());

    // Lines ending in a bare LF are header lines the parser skips, not the end.
    r.reset();
    const std::string bare = "GET / HTTP/1.1\r\nA: b\n\nC: d\r\n\r\n";
    EXPECT_EQ(r.scan(bare.substr(0, 23)), State::Incomplete);
    EXPECT_EQ(r.scan(bare), State::Complete);
    EXPECT_EQ(r.head_bytes(), bare.size());

    struct BodyCase {
        std::string header;
        bool body;
    } cases[] = {
        {"Content-Length: 2", true},         {"content-length:  00", false},
        {"CONTENT-LENGTH: 0", false},        {"Transfer-Encoding: chunked", true},
        {"Content-Type: text/plain", false}, {"X-Content-Length: 5", false},
    };
    for (const BodyCase& k : cases) {
        r.reset();
        ASSERT_EQ(r.scan("POST / HTTP/1.1\r\n" + k.header + "\r\n\r\nab"), State::Complete);
        EXPECT_EQ(r.has_body(), k.body) << k.header;
    }
}

TEST(RequestHead, RefusesHeadsOverItsLimits) {
    auto with_lines = [](size_t n) {
        std::string s = "GET / HTTP/1.1\r\n";
        for (size_t i = 0; i < n; ++i) s += "X-" + std::to_string(i) + ": v\r\n";
        return s + "\r\n";
    };
    RequestHeadReader r;
    EXPECT_EQ(r.scan(with_lines(kMaxRequestHeaderLines)), State::Complete);
    r.reset();
    EXPECT_EQ(r.scan(with_lines(kMaxRequestHeaderLines + 1)), State::TooManyLines);
    EXPECT_EQ(r.scan(with_lines(1)), State::TooManyLines);  // stays refused until reset

    // One header padded so the whole head is exactly the limit, then one more.
    auto of_size = [](size_t total) {
        std::string s = "GET / HTTP/1.1\r\nX: ";
        s += std::string(total - s.size() - 4, 'a');
        return s + "\r\n\r\n";
    };
    r.reset();
    EXPECT_EQ(r.scan(of_size(kMaxRequestHeadBytes)), State::Complete);
    r.reset();
    EXPECT_EQ(r.scan(of_size(kMaxRequestHeadBytes + 1)), State::TooLarge);
    // Without an end, the limit is reached as soon as that many bytes wait.
    r.reset();
    std::string endless = "GET / HTTP/1.1\r\nX: " + std::string(kMaxRequestHeadBytes, 'a');
    EXPECT_EQ(r.scan(endless.substr(0, kMaxRequestHeadBytes - 1)), State::Incomplete);
    EXPECT_EQ(r.scan(endless.substr(0, kMaxRequestHeadBytes)), State::TooLarge);
    EXPECT_EQ(request_line_of(endless), "GET / HTTP/1.1");
}

// A published folder with the version file and, when installed, DejaVu Sans
// for /text.php.
struct SmallCatalogue {
    TempDir dir;
    std::string root = dir / "out";
    bool has_font = false;

    SmallCatalogue() {
        write_bytes(root + "/ztpz.txt", std::string("1.6"));
        std::string font = installed_font("dejavu/DejaVuSans.ttf");
        if (font.empty()) return;
        Bytes packed = zt_pack(as_span(read_bytes(font)));
        write_bytes(root + "/ztwjj/dejavu-sans-0123abcd.tmp", ByteSpan(packed));
        std::vector<IndexEntry> entries{
            {"dejavu-sans-0123abcd", "英文字体", "Sans", "DejaVu Sans", "DejaVuSans.ttf"}};
        write_bytes(root + "/" + std::string(kIndexFileName), gbk_to_utf8(format_index(entries)));
        has_font = true;
    }
};

const std::string kPreviewPath = "/text.php?msg=Ag&rot=15&size=20&font=fonts/DejaVu%20Sans.ttf";

size_t count_of(const std::string& haystack, const std::string& needle) {
    size_t n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + 1))
        ++n;
    return n;
}

bool has_answers(const std::string& received, size_t n) {
    return count_of(received, "HTTP/1.1 200") >= n;
}

TEST(Connections, RefusesSlowAndOversizedHeadsAndClosesIdleConnections) {
    SmallCatalogue c;
    TempDir logs;
    FILE* log = std::fopen((logs / "access.log").c_str(), "w+");
    ASSERT_TRUE(log);
    ServeOptions o;
    o.root = c.root;
    o.log = log;
    o.limits.keep_alive_idle = std::chrono::milliseconds(600);
    o.limits.request_head_time = std::chrono::milliseconds(1000);
    CatalogueServer server(o);
    ASSERT_EQ(server.start(), "");
    std::thread serving([&] { server.run(); });
    const int port = server.port();

    RawConnection idle(port), slow(port), large(port), many(port);
    ASSERT_TRUE(idle.ok() && slow.ok() && large.ok() && many.ok());
    slow.send("GET /ztpz.txt HTTP/1.1\r\nHo");
    large.send("GET /ztpz.txt HTTP/1.1\r\nX: " + std::string(kMaxRequestHeadBytes, 'a'));
    std::string lines = "GET /ztpz.txt HTTP/1.1\r\n";
    for (size_t i = 0; i <= kMaxRequestHeaderLines; ++i) lines += "X: v\r\n";
    many.send(lines + "\r\n");

    EXPECT_TRUE(large.wait_closed(5000));
    EXPECT_EQ(split_reply(large.received()).status, 431);
    EXPECT_TRUE(many.wait_closed(5000));
    EXPECT_EQ(split_reply(many.received()).status, 431);
    EXPECT_TRUE(idle.wait_closed(5000));
    EXPECT_EQ(idle.received(), "");  // closed without a word
    EXPECT_TRUE(slow.wait_closed(5000));
    HttpReply timed_out = split_reply(slow.received());
    EXPECT_EQ(timed_out.status, 408);
    EXPECT_EQ(timed_out.header("connection"), "close");

    // Keep-alive goes on for normal clients: two requests, one after the
    // other, then the idle limit closes the connection.
    RawConnection kept(port);
    kept.send("GET /ztpz.txt HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_TRUE(kept.read_until([](const std::string& s) { return has_answers(s, 1); }, 5000));
    kept.send("HEAD /ztpz.txt HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_TRUE(kept.read_until([](const std::string& s) { return has_answers(s, 2); }, 5000));
    EXPECT_NE(kept.received().find("Keep-Alive: timeout="), std::string::npos);
    EXPECT_TRUE(kept.wait_closed(5000));
    EXPECT_EQ(count_of(kept.received(), "HTTP/1.1 "), 2u);

    // A request with a body the server does not read ends its connection.
    RawConnection post(port);
    post.send(
        "POST /ztpz.txt HTTP/1.1\r\nHost: x\r\nContent-Length: 2\r\n\r\nabGET /ztpz.txt "
        "HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_TRUE(post.wait_closed(5000));
    EXPECT_EQ(split_reply(post.received()).status, 405);
    EXPECT_EQ(count_of(post.received(), "HTTP/1.1 "), 1u);

    server.stop();
    serving.join();
    std::fflush(log);
    std::string written = read_bytes(logs / "access.log");
    std::fclose(log);
    EXPECT_NE(written.find("\"GET /ztpz.txt HTTP/1.1\" 431 - refused=head-too-large"),
              std::string::npos)
        << written;
    EXPECT_NE(written.find(" 431 - refused=too-many-headers"), std::string::npos);
    EXPECT_NE(written.find("\"GET /ztpz.txt HTTP/1.1\" 408 - refused=head-timeout"),
              std::string::npos);
}

TEST(Connections, PipelinedRequestsAreAnsweredInOrderUpToThePerConnectionLimit) {
    SmallCatalogue c;
    ServeOptions o;
    o.root = c.root;
    o.limits.requests_per_connection = 3;
    RunningServer s(o);
    ASSERT_EQ(s.error(), "");
    RawConnection conn(s.port());
    const std::string one = "GET /ztpz.txt HTTP/1.1\r\nHost: x\r\n\r\n";
    // Four at once, the last split mid-line: three are answered, then the
    // connection ends.
    conn.send(one + "HEAD /ztpz.txt HTTP/1.1\r\nHost: x\r\n\r\n" + one + "GET /ztp");
    conn.send("z.txt HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_TRUE(conn.wait_closed(5000));
    const std::string& got = conn.received();
    EXPECT_EQ(count_of(got, "HTTP/1.1 200"), 3u);
    EXPECT_EQ(count_of(got, "1.6"), 2u);  // the HEAD answer has no body
    EXPECT_EQ(count_of(got, "Connection: close"), 1u);
    EXPECT_GT(got.rfind("Connection: close"), got.rfind("HTTP/1.1 200"));
}

// Sends a request as HTTP/1.0 on a fresh connection and reads the answer to
// its end; the reply's status, or 0 when it did not come within timeout_ms.
int fetch_status(int port, const std::string& path, int timeout_ms, std::string* body = nullptr) {
    RawConnection conn(port);
    if (!conn.send("GET " + path + " HTTP/1.0\r\n\r\n") || !conn.wait_closed(timeout_ms)) return 0;
    HttpReply r = split_reply(conn.received());
    if (body) *body = r.body;
    return r.status;
}

TEST(Connections, IdleAndSlowClientsDoNotStopFreshOnesBeingAnswered) {
    SmallCatalogue c;
    if (!c.has_font) GTEST_SKIP() << "DejaVu Sans is not installed here";
    ServeOptions o;
    o.root = c.root;  // the real worker count and limits
    RunningServer s(o);
    ASSERT_EQ(s.error(), "");
    const int port = s.port();

    // Many more connections than workers, all silent...
    const auto start = Clock::now();  // no idle limit can have run out before start + limit
    std::vector<std::unique_ptr<RawConnection>> idle;
    for (int i = 0; i < 200; ++i) {
        idle.push_back(std::make_unique<RawConnection>(port));
        ASSERT_TRUE(idle.back()->ok()) << i;
    }
    // ...and slow-loris clients trickling one header byte at a time.
    std::atomic<bool> done{false};
    std::vector<std::thread> slow;
    for (int i = 0; i < 8; ++i) {
        slow.emplace_back([&, port] {
            RawConnection conn(port);
            const std::string trickle =
                "GET /ztpz.txt HTTP/1.1\r\nX-Slow: " + std::string(200, 'z');
            for (size_t at = 0; at < trickle.size() && !done; ++at) {
                conn.send(trickle.substr(at, 1));
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
    }

    Clock::duration slowest{};
    int answered = 0;
    for (int round = 0; round < 10; ++round) {
        for (const std::string& path : {std::string("/ztpz.txt"), kPreviewPath}) {
            const auto asked = Clock::now();
            std::string body;
            EXPECT_EQ(fetch_status(port, path, 2000, &body), 200) << path << " round " << round;
            slowest = std::max(slowest, Clock::now() - asked);
            if (path == kPreviewPath ? decode_png(body).has_value() : body == "1.6") ++answered;
        }
    }
    EXPECT_EQ(answered, 20);
    EXPECT_LT(slowest, std::chrono::milliseconds(2000));
    // Every idle connection was still open while the fresh ones were answered:
    // they were waited beside, not timed out of the way first.
    ASSERT_LT(Clock::now() - start, kKeepAliveIdle) << "too slow to tell";
    size_t still_open = 0;
    for (auto& conn : idle) still_open += !conn->closed_now();
    EXPECT_EQ(still_open, idle.size());

    // And the idle ones do not stay for ever.
    const auto give_up = Clock::now() + kKeepAliveIdle + std::chrono::seconds(5);
    size_t closed = 0;
    for (auto& conn : idle) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(give_up - Clock::now());
        closed += conn->wait_closed(static_cast<int>(std::max<int64_t>(1, left.count())));
    }
    EXPECT_EQ(closed, idle.size());
    done = true;
    for (std::thread& t : slow) t.join();
}

// A client that asks for `path` and then reads up to `chunk` bytes every
// `interval` on its own thread, until the server ends the connection or the
// reader is stopped. Its receive buffer is `chunk` bytes, so that the server
// waits for it from the start.
class PacedReader {
  public:
    PacedReader(int port, const std::string& path, int chunk, std::chrono::milliseconds interval)
        : conn_(port, chunk), began_(Clock::now()) {
        conn_.send("GET " + path + " HTTP/1.1\r\nHost: x\r\n\r\n");
        thread_ = std::thread([this, chunk, interval] {
            while (!stop_) {
                if (conn_.receive_some(static_cast<size_t>(chunk)) <= 0) {
                    lasted_ = Clock::now() - began_;
                    ended_ = true;
                    return;
                }
                received_ = conn_.received().size();
                std::this_thread::sleep_for(interval);
            }
        });
    }
    ~PacedReader() { stop(); }

    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    // The server ended the connection; how long it had lasted then.
    bool ended() const { return ended_; }
    Clock::duration lasted() const { return lasted_; }
    size_t received() const { return received_; }
    bool wait_ended(std::chrono::milliseconds limit) const {
        const auto until = Clock::now() + limit;
        while (!ended_ && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return ended_;
    }

  private:
    RawConnection conn_;
    const Clock::time_point began_;
    std::atomic<bool> stop_{false}, ended_{false};
    std::atomic<size_t> received_{0};
    Clock::duration lasted_{};
    std::thread thread_;
};

// A database far larger than every socket buffer between the server and a
// reader, so that its answer cannot be written ahead of the reader.
struct LargeDatabase : SmallCatalogue {
    static constexpr size_t kSize = size_t{24} << 20;
    LargeDatabase() { write_bytes(root + "/ztysb.data", std::string(kSize, 'd')); }
};

TEST(Connections, SlowReadersLoseTheirConnectionNotOtherClientsService) {
    using std::chrono::milliseconds;
    LargeDatabase c;
    {
        // One worker, and a pace scaled down so the test is quick: 64 KiB/s
        // after a second's grace.
        ServeOptions o;
        o.root = c.root;
        o.threads = 1;
        o.limits.client_grace = milliseconds(1000);
        o.limits.min_client_rate = 64 << 10;
        RunningServer s(o);
        ASSERT_EQ(s.error(), "");

        // About 10 KiB/s, and about 640 KiB/s: one far below the pace, one
        // well above it, and the server waits for both all the time.
        PacedReader slow(s.port(), "/ztysb.data", 1024, milliseconds(100));
        PacedReader brisk(s.port(), "/ztysb.data", 32 << 10, milliseconds(50));
        std::this_thread::sleep_for(milliseconds(500));

        // Both hold the one worker's requests; a fresh client is answered.
        const auto asked = Clock::now();
        std::string body;
        EXPECT_EQ(fetch_status(s.port(), "/ztpz.txt", 2000, &body), 200);
        EXPECT_EQ(body, "1.6");
        EXPECT_LT(Clock::now() - asked, milliseconds(1000));
        EXPECT_FALSE(slow.ended());
        EXPECT_FALSE(brisk.ended());

        // The slow reader is cut once it has fallen behind: by the grace
        // plus what it has taken at 64 KiB/s (what its buffer holds, at most
        // 64 KiB, included), and a second for the server's checks.
        ASSERT_TRUE(slow.wait_ended(milliseconds(10000)));
        const auto deadline = milliseconds(1000) +
                              milliseconds((slow.received() + (64 << 10)) * 1000 / (64 << 10)) +
                              milliseconds(1000);
        EXPECT_LT(slow.lasted(), deadline);
        EXPECT_LT(slow.received(), LargeDatabase::kSize);
        // The brisk one goes on well past that.
        std::this_thread::sleep_for(milliseconds(1500));
        EXPECT_FALSE(brisk.ended());
        EXPECT_GT(brisk.received(), size_t{256} << 10);
    }
    {
        // Room for one slow request only: a second one cuts whichever is
        // nearer to falling behind, here the newcomer reading slowly, not
        // the brisk reader already there. The pace alone would cut neither
        // for 30 s.
        ServeOptions o;
        o.root = c.root;
        o.threads = 1;
        o.limits.client_grace = milliseconds(30000);
        o.limits.min_client_rate = 64 << 10;
        o.limits.slow_requests = 1;
        RunningServer s(o);
        ASSERT_EQ(s.error(), "");
        PacedReader brisk(s.port(), "/ztysb.data", 32 << 10, milliseconds(20));
        std::this_thread::sleep_for(milliseconds(1000));
        PacedReader slow(s.port(), "/ztysb.data", 1024, milliseconds(100));
        EXPECT_TRUE(slow.wait_ended(milliseconds(3000)));
        EXPECT_EQ(fetch_status(s.port(), "/ztpz.txt", 2000), 200);
        EXPECT_FALSE(brisk.ended());
    }
}

// A browser-shaped form whose one part holds `file`.
std::string form_request(const std::string& boundary, const std::string& file,
                         std::optional<uint64_t> announced = std::nullopt) {
    std::string body = "--" + boundary +
                       "\r\nContent-Disposition: form-data; name=\"uploaded_file\"; "
                       "filename=\"a.png\"\r\nContent-Type: image/png\r\n\r\n" +
                       file + "\r\n--" + boundary + "--\r\n";
    return "POST /identify/answer HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; "
           "boundary=" +
           boundary + "\r\nContent-Length: " + std::to_string(announced.value_or(body.size())) +
           "\r\n\r\n" + body;
}

TEST(Connections, FormsAreReadToTheirEndAndOversizedOnesRefusedWithoutAReset) {
    SmallCatalogue c;
    ServeOptions o;
    o.root = c.root;
    RunningServer s(o);
    ASSERT_EQ(s.error(), "");
    const std::string boundary = "----yqFormBoundary7MA4YWxk";

    // 1 MiB of picture holding the boundary where it is not a delimiter:
    // at the start of a line without CR LF before it, and after CR LF
    // followed by neither "--" nor a line end.
    std::string picture(size_t{1} << 20, 'p');
    const std::string inside[] = {"\n--" + boundary + "\r\n", "\r\n--" + boundary + "x",
                                  "--" + boundary + "--"};
    for (size_t i = 0; i < 3; ++i) picture.replace(1000 + i * 300000, inside[i].size(), inside[i]);
    RawConnection whole(s.port());
    ASSERT_TRUE(whole.send(form_request(boundary, picture)));
    EXPECT_TRUE(whole.wait_closed(10000));
    EXPECT_FALSE(whole.reset());
    HttpReply answer = split_reply(whole.received());
    EXPECT_EQ(answer.status, 200);
    EXPECT_NE(answer.body.find("收到图片 1048576 字节"), std::string::npos) << answer.body;
    EXPECT_EQ(answer.header("content-length"), std::to_string(answer.body.size()));

    // Over the limit: refused at once, and the rest is drained while the
    // client, which reads nothing until it has sent everything, still sends.
    const uint64_t over = kMaxRequestBodyBytes + (1 << 20);
    const std::string request = form_request(boundary, std::string(over, 'q'));
    RawConnection large(s.port());
    ASSERT_TRUE(large.send(request));
    EXPECT_TRUE(large.wait_closed(10000));
    EXPECT_FALSE(large.reset());
    HttpReply refused = split_reply(large.received());
    EXPECT_EQ(refused.status, 413);
    EXPECT_EQ(refused.header("connection"), "close");
    EXPECT_NE(refused.body.find(std::to_string(kMaxRequestBodyBytes)), std::string::npos);

    // A body that ends short of its length is not taken for a whole form.
    RawConnection cut(s.port());
    ASSERT_TRUE(cut.send(form_request(boundary, "abc", 1000)));
    cut.finish_sending();
    EXPECT_TRUE(cut.wait_closed(10000));
    EXPECT_EQ(split_reply(cut.received()).status, 400);
}

}  // namespace
}  // namespace yq::server
