// The font transfer against yanqing-server on loopback. with-server.sh starts
// the server (with the fault mode a group needs), publishes:
//   ztwjj/b25k.tmp  25,000 raw bytes
//   ztwjj/b3m.tmp   3,000,000 raw bytes
//   ztwjj/font.tmp  font.src packed in a zt container
//   ztpz.txt        "1.6" (served without Range support)
// and passes YQ_TEST_BASE_URL and YQ_TEST_DATA_DIR (the folder holding
// www\ztwjj\b25k.tmp and font.src) to this program. Each CTest test runs one
// group: Transfer.* on a well-behaved server, the others under one fault.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "download/win/font_transfer.h"

namespace yq::download {
namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string base_url() {
    return env("YQ_TEST_BASE_URL");
}
std::string data_file(const std::string& rel) {
    return env("YQ_TEST_DATA_DIR") + "\\" + rel;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool file_exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A folder of its own for the files one test writes.
std::string scratch_folder() {
    static int n = 0;
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::string dir = std::string(tmp) + "yq-dl-" + std::to_string(GetCurrentProcessId()) + "-" +
                      std::to_string(++n);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "\\";
}

struct Outcome {
    int result = 0;
    std::vector<Report> reports;
    TransferSummary summary;

    std::vector<int> progress() const {
        std::vector<int> p;
        for (const Report& r : reports)
            if (!r.failed && r.kind == Report::kProgress) p.push_back(r.percent);
        return p;
    }
    // The last report, which must be the only completion or failure.
    const Report& last() const { return reports.back(); }
};

Outcome transfer(const std::string& url, const std::string& path, int32_t offset = 0,
                 bool resume = false, const std::string& font = "\xCB\xCE\xCC\xE5") {
    Outcome run;
    run.result = font_transfer(
        {.url = url,
         .target_path = path,
         .font_name = font,
         .max_bytes = kMaxDownloadBytes,
         .start_offset = offset,
         .resume = resume},
        [&](const Report& r) { run.reports.push_back(r); }, &run.summary);
    return run;
}

// Every report before the last is progress for this path and font, and the
// last is a completion with that percentage.
void expect_completed(const Outcome& run, const std::string& path, int percent) {
    ASSERT_FALSE(run.reports.empty());
    EXPECT_EQ(run.result, 0);
    for (size_t i = 0; i + 1 < run.reports.size(); ++i) {
        EXPECT_FALSE(run.reports[i].failed);
        EXPECT_EQ(run.reports[i].kind, Report::kProgress);
        EXPECT_EQ(run.reports[i].path, path);
    }
    EXPECT_FALSE(run.last().failed);
    EXPECT_EQ(run.last().kind, Report::kCompletion);
    EXPECT_EQ(run.last().path, path);
    EXPECT_EQ(run.last().font, "\xCB\xCE\xCC\xE5");
    EXPECT_EQ(run.last().percent, percent);
}

void expect_one_failure(const Outcome& run) {
    EXPECT_EQ(run.result, -1);
    ASSERT_EQ(run.reports.size(), 1u);
    EXPECT_TRUE(run.reports[0].failed);
    EXPECT_EQ(run.reports[0].kind, 0);
    EXPECT_EQ(run.reports[0].percent, 0);
    EXPECT_EQ(run.reports[0].font, "\xCB\xCE\xCC\xE5");
}

// A loopback port nothing listens on: bound once, then released.
int free_port() {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    closesocket(s);
    return ntohs(a.sin_port);
}

TEST(Transfer, WholeChunksReportFortyAndEightyOneThenHundred) {
    std::string path = scratch_folder() + "b.ttf";
    Outcome run = transfer(base_url() + "/ztwjj/b25k.tmp", path);
    EXPECT_EQ(run.progress(), (std::vector<int>{40, 81}));
    expect_completed(run, path, 100);
    EXPECT_EQ(run.summary.http_status, 200);
    EXPECT_EQ(run.summary.announced, 25000u);
    EXPECT_FALSE(run.summary.short_body);
    EXPECT_EQ(read_file(path), read_file(data_file("www\\ztwjj\\b25k.tmp")));
}

TEST(Transfer, LargeBodyArrivesWholeWithOneReportPerChunk) {
    // Reads grow far beyond 10240 bytes on loopback; the reports do not change.
    std::string path = scratch_folder() + "big.ttf";
    Outcome run = transfer(base_url() + "/ztwjj/b3m.tmp", path);
    std::vector<int> p = run.progress();
    ASSERT_EQ(p.size(), 292u);  // 292 * 10240 = 2,990,080 < 3,000,000
    EXPECT_EQ(p.front(), 0);    // 10240 / 3,000,000 is 0.34%
    EXPECT_EQ(p.back(), 99);
    EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
    expect_completed(run, path, 100);
    EXPECT_EQ(read_file(path), read_file(data_file("www\\ztwjj\\b3m.tmp")));
}

TEST(Transfer, NewTransferTruncatesAnOlderFile) {
    std::string path = scratch_folder() + "b.ttf";
    write_file(path, std::string(40000, 'x'));
    expect_completed(transfer(base_url() + "/ztwjj/b25k.tmp", path), path, 100);
    EXPECT_EQ(read_file(path).size(), 25000u);
}

TEST(Transfer, PackedFontPassesTheCompletedCheck) {
    std::string path = scratch_folder() + "\xCB\xCE\xCC\xE5.ttf";
    Outcome run = transfer(base_url() + "/ztwjj/font.tmp", path);
    expect_completed(run, path, 100);
    std::string file = read_file(path);
    CheckedDownload c = check_downloaded_file(as_span(file), run.summary);
    ASSERT_TRUE(c.ok()) << to_string(c.verdict);
    EXPECT_EQ(std::string(c.font.begin(), c.font.end()), read_file(data_file("font.src")));
}

TEST(Transfer, ResumeAppendsTheRestAndCountsBytesPresent) {
    std::string original = read_file(data_file("www\\ztwjj\\b25k.tmp"));
    std::string path = scratch_folder() + "b.ttf";
    write_file(path, original.substr(0, 4096));
    Outcome run = transfer(base_url() + "/ztwjj/b25k.tmp", path, 4096, true);
    // 20,904 bytes announced for the rest; 4096 + 10240 = 14336 of them is 68%.
    EXPECT_EQ(run.progress(), (std::vector<int>{68}));
    expect_completed(run, path, 119);
    EXPECT_EQ(run.summary.http_status, 206);
    EXPECT_EQ(run.summary.announced, 20904u);
    EXPECT_FALSE(run.summary.restarted);
    EXPECT_EQ(read_file(path), original);
}

TEST(Transfer, ResumeDropsBytesPastTheOffsetInsteadOfDuplicatingThem) {
    std::string original = read_file(data_file("www\\ztwjj\\b25k.tmp"));
    std::string path = scratch_folder() + "b.ttf";
    write_file(path, original.substr(0, 4096) + std::string(3000, 'x'));
    expect_completed(transfer(base_url() + "/ztwjj/b25k.tmp", path, 4096, true), path, 119);
    EXPECT_EQ(read_file(path), original);
}

TEST(Transfer, ResumeWithoutThePartialFileFailsAndCreatesNothing) {
    std::string path = scratch_folder() + "b.ttf";
    expect_one_failure(transfer(base_url() + "/ztwjj/b25k.tmp", path, 4096, true));
    EXPECT_FALSE(file_exists(path));
}

TEST(Transfer, ResumePastTheEndFailsAndKeepsTheFile) {
    std::string original = read_file(data_file("www\\ztwjj\\b25k.tmp"));
    std::string path = scratch_folder() + "b.ttf";
    write_file(path, original);
    Outcome run = transfer(base_url() + "/ztwjj/b25k.tmp", path, 25000, true);
    expect_one_failure(run);
    EXPECT_EQ(run.summary.http_status, 416);
    EXPECT_EQ(read_file(path), original);  // no error page appended
}

TEST(Transfer, ResumeThatGetsTheWholeFileRewritesIt) {
    // ztpz.txt is served without Range support: 200 and the whole text.
    std::string path = scratch_folder() + "v.txt";
    write_file(path, "xy");
    Outcome run = transfer(base_url() + "/ztpz.txt", path, 2, true);
    expect_completed(run, path, 100);
    EXPECT_TRUE(run.summary.restarted);
    EXPECT_EQ(read_file(path), "1.6");
}

TEST(Transfer, NotFoundPageCompletesWithItsStatusAndFailsTheCheck) {
    std::string path = scratch_folder() + "m.ttf";
    Outcome run = transfer(base_url() + "/ztwjj/missing.tmp", path);
    ASSERT_FALSE(run.reports.empty());
    EXPECT_EQ(run.last().kind, Report::kCompletion);
    EXPECT_EQ(run.summary.http_status, 404);
    std::string page = read_file(path);
    EXPECT_NE(page.find("<html"), std::string::npos);
    EXPECT_EQ(check_downloaded_file(as_span(page), run.summary).verdict,
              DownloadVerdict::kHttpError);
}

TEST(Transfer, ServerDownGivesOneFailure) {
    std::string path = scratch_folder() + "d.ttf";
    std::string url = "http://127.0.0.1:" + std::to_string(free_port()) + "/ztwjj/b25k.tmp";
    Outcome run = transfer(url, path);
    expect_one_failure(run);
    EXPECT_EQ(run.summary.http_status, 0);
    EXPECT_FALSE(file_exists(path));
}

TEST(Transfer, TargetThatCannotBeCreatedGivesOneFailure) {
    std::string path = scratch_folder() + "no\\such\\folder\\x.ttf";
    expect_one_failure(transfer(base_url() + "/ztwjj/b25k.tmp", path));
}

TEST(Transfer, TransfersOnSeveralThreadsKeepTheirOwnReports) {
    std::string dir = scratch_folder();
    std::vector<Outcome> runs(3);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < runs.size(); ++i)
        threads.emplace_back([&, i] {
            runs[i] = transfer(base_url() + "/ztwjj/b25k.tmp", dir + std::to_string(i) + ".ttf");
        });
    for (std::thread& t : threads) t.join();
    for (size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].progress(), (std::vector<int>{40, 81}));
        expect_completed(runs[i], dir + std::to_string(i) + ".ttf", 100);
        EXPECT_EQ(read_file(dir + std::to_string(i) + ".ttf").size(), 25000u);
    }
}

// --fault no-length: the body ends when the server closes the connection.
TEST(NoLength, NoProgressAndOneCompletionWithZero) {
    std::string path = scratch_folder() + "b.ttf";
    Outcome run = transfer(base_url() + "/ztwjj/b25k.tmp", path);
    ASSERT_EQ(run.reports.size(), 1u);
    expect_completed(run, path, 0);
    EXPECT_EQ(run.summary.announced, 0u);
    EXPECT_FALSE(run.summary.short_body);
    EXPECT_EQ(read_file(path), read_file(data_file("www\\ztwjj\\b25k.tmp")));
}

// --fault cut=12000@/ztwjj/: Content-Length 25,000, connection closed after 12,000.
TEST(CutBody, CompletesBelowHundredAndIsReportedShort) {
    std::string path = scratch_folder() + "b.ttf";
    Outcome run = transfer(base_url() + "/ztwjj/b25k.tmp", path);
    expect_completed(run, path, 48);
    std::vector<int> p = run.progress();
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p.front(), 40);
    EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
    EXPECT_TRUE(run.summary.short_body);
    EXPECT_EQ(run.summary.received, 12000);
    EXPECT_EQ(read_file(path).size(), 12000u);
}

TEST(CutBody, PackedFontCutShortFailsTheCheck) {
    std::string path = scratch_folder() + "f.ttf";
    Outcome run = transfer(base_url() + "/ztwjj/font.tmp", path);
    ASSERT_FALSE(run.reports.empty());
    EXPECT_EQ(run.last().kind, Report::kCompletion);
    EXPECT_LT(run.last().percent, 100);
    std::string file = read_file(path);
    EXPECT_EQ(check_downloaded_file(as_span(file), run.summary).verdict,
              DownloadVerdict::kShortBody);
    // Without the transfer's word the container itself is found broken.
    EXPECT_FALSE(check_downloaded_file(as_span(file), TransferSummary{}).ok());
}

// --fault slow=20000@/ztwjj/: the body trickles in small pieces.
TEST(SlowBody, KeepsReportingProgressUntilComplete) {
    std::string path = scratch_folder() + "b.ttf";
    Outcome run = transfer(base_url() + "/ztwjj/b25k.tmp", path);
    // Pieces of about 1000 bytes still give one report per 10240 bytes.
    EXPECT_EQ(run.progress(), (std::vector<int>{40, 81}));
    expect_completed(run, path, 100);
    EXPECT_EQ(read_file(path), read_file(data_file("www\\ztwjj\\b25k.tmp")));
}

// --fault endless@/ztwjj/: no Content-Length, and the body never ends. The
// transfer stops at its limit (here 1 MB instead of the default cap) and
// fails, with no more than the limit in its file; an announced length past
// the limit fails before the file is touched.
TEST(EndlessBody, IsCutOffAtTheLimitAndFails) {
    std::string path = scratch_folder() + "e.ttf";
    const int64_t limit = 1 << 20;
    std::vector<Report> reports;
    TransferSummary summary;
    int result = font_transfer(
        {.url = base_url() + "/ztwjj/b25k.tmp",
         .target_path = path,
         .font_name = "\xCB\xCE\xCC\xE5",
         .max_bytes = limit},
        [&](const Report& r) { reports.push_back(r); }, &summary);
    EXPECT_EQ(result, -1);
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(reports.back().failed);
    EXPECT_TRUE(summary.too_long);
    EXPECT_LE(read_file(path).size(), size_t(limit));
    EXPECT_GT(read_file(path).size(), size_t(limit) / 2);
}

TEST(Transfer, AnnouncedLengthPastTheLimitFailsWithoutTouchingTheFile) {
    std::string path = scratch_folder() + "b.ttf";
    write_file(path, "an earlier file");
    TransferSummary summary;
    int result = font_transfer({.url = base_url() + "/ztwjj/b25k.tmp",
                                .target_path = path,
                                .font_name = "x",
                                .max_bytes = 24999},
                               nullptr, &summary);
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(summary.too_long);
    EXPECT_EQ(read_file(path), "an earlier file");
}

// --fault corrupt=flip: one byte of the zlib stream is inverted.
TEST(CorruptBody, CompletesButTheCheckFindsTheContainerDamaged) {
    std::string path = scratch_folder() + "f.ttf";
    Outcome run = transfer(base_url() + "/ztwjj/font.tmp", path);
    expect_completed(run, path, 100);
    std::string file = read_file(path);
    CheckedDownload c = check_downloaded_file(as_span(file), run.summary);
    EXPECT_EQ(c.verdict, DownloadVerdict::kDamaged);
    EXPECT_TRUE(c.font.empty());
}

}  // namespace
}  // namespace yq::download
