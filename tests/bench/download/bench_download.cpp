// Throughput of font_transfer beside the platform's floor: a bare WinINet
// loop (InternetOpenUrlA + InternetReadFile into a 64 KB buffer, nothing
// written) on the same URL; also that loop with 10 KB reads, and with 64 KB
// reads written to a file. Runs each ROUNDS times,
// alternating, and prints the best and median MB/s of each and their ratio,
// and what the connected-state test alone costs. The runs that write start
// without the target file, as a new download does.
//
// usage: bench_download URL TARGET_FILE [ROUNDS]
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "download/win/font_transfer.h"
#include "platform/win/internet_handle.h"
#include "tests/support/clock.h"

namespace {

// Bytes read by a bare loop of `chunk`-byte reads, or -1. With a path, what
// is read is also written to that file (the floor for a download to disk).
long long bare_loop(const std::string& url, size_t chunk, const char* path = nullptr) {
    yq::win::UniqueFile file;
    if (path) {
        file.reset(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return -1;
    }
    yq::win::UniqueInternet root(InternetOpenA(
        "bench", INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY, nullptr, nullptr, 0));
    if (!root) return -1;
    yq::win::UniqueInternet req(
        InternetOpenUrlA(root.get(), url.c_str(), nullptr, 0,
                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!req) return -1;
    std::vector<char> buf(chunk);
    long long total = 0;
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(req.get(), buf.data(), DWORD(buf.size()), &got)) return -1;
        if (got == 0) return total;
        DWORD written = 0;
        if (file && (!WriteFile(file.get(), buf.data(), got, &written, nullptr) || written != got))
            return -1;
        total += got;
    }
}

// Bytes written by font_transfer, or -1; *done is the time of its completion
// report (after it the transfer only waits its fixed 100 ms for messages).
long long transfer(const std::string& url, const std::string& path, int* reports, double* done) {
    *reports = 0;
    yq::download::TransferSummary sum;
    int rc = yq::download::font_transfer(
        {.url = url, .target_path = path, .font_name = "bench"},
        [&](const yq::download::Report& r) {
            ++*reports;
            if (r.kind == yq::download::Report::kCompletion) *done = yq::test::now_seconds();
        },
        &sum);
    return rc == 0 ? sum.received : -1;
}

using yq::test::median;

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_download URL TARGET_FILE [ROUNDS]\n");
        return 2;
    }
    const std::string url = argv[1], path = argv[2];
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    std::vector<double> bare, bare10, bare_file, ours, connected_ms;
    long long size = 0;
    int reports = 0;
    for (int i = 0; i < rounds; ++i) {
        double t0 = yq::test::now_seconds();
        long long a = bare_loop(url, 64 * 1024);
        double t1 = yq::test::now_seconds();
        long long c = bare_loop(url, yq::download::kReadChunkBytes);
        // Both runs that write start without the file, as a new download
        // does: truncating the last round's 30 MB would be timed otherwise.
        DeleteFileA(path.c_str());
        double t2 = yq::test::now_seconds();
        long long d = bare_loop(url, 64 * 1024, path.c_str());
        double t3 = yq::test::now_seconds(), t4 = 0;
        DeleteFileA(path.c_str());
        // The connected-state test every transfer starts with (under Wine it
        // enumerates the network adapters).
        DWORD state = 0;
        double c0 = yq::test::now_seconds();
        InternetGetConnectedState(&state, 0);
        connected_ms.push_back(1e3 * (yq::test::now_seconds() - c0));
        double t3b = yq::test::now_seconds();
        long long b = transfer(url, path, &reports, &t4);
        if (a <= 0 || b != a || c != a || d != a) {
            std::fprintf(stderr,
                         "bench_download: bare loops read %lld, %lld, %lld, transfer %lld\n", a, c,
                         d, b);
            return 1;
        }
        size = a;
        bare.push_back(double(a) / 1e6 / (t1 - t0));
        bare10.push_back(double(a) / 1e6 / (t2 - t1));
        bare_file.push_back(double(a) / 1e6 / (t3 - t2));
        ours.push_back(double(a) / 1e6 / (t4 - t3b));
    }
    auto best = [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); };
    auto row = [&](const char* name, const std::vector<double>& v) {
        std::printf("%-40s %10.1f %10.1f\n", name, best(v), median(v));
    };
    std::printf("body %lld bytes, %d rounds, %d reports per transfer\n", size, rounds, reports);
    std::printf("%-40s %10s %10s\n", "", "best MB/s", "median");
    row("bare WinINet loop, 64 KB reads", bare);
    row("bare WinINet loop, 10 KB reads", bare10);
    row("bare WinINet loop, 64 KB reads, to file", bare_file);
    row("font_transfer (to file, reports)", ours);
    std::printf("connected-state test alone: %.1f ms median (%.0f%% of a median transfer)\n",
                median(connected_ms),
                100 * median(connected_ms) / (double(size) / 1e3 / median(ours)));
    std::printf("ratio font_transfer / bare 64 KB: best %.2f, median %.2f\n",
                best(ours) / best(bare), median(ours) / median(bare));
    std::printf("ratio font_transfer / bare 64 KB to file: best %.2f, median %.2f\n",
                best(ours) / best(bare_file), median(ours) / median(bare_file));
    return 0;
}
