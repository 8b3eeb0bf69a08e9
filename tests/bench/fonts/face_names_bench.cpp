// Face names of every font file below a folder, read two ways in one run:
// our name-table reader, and GDI's scalable font resource (a temporary file
// written by CreateScalableFontResourceA, read back and searched for
// "FONTRES:"). Rounds alternate the order; the medians and their ratio are
// printed.
//
// usage: bench_fonts_face_names [FOLDER] [ROUNDS]   (default Z:\usr\share\fonts, 5)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/parallel.h"
#include "platform/sfnt/face_name.h"
#include "tests/win/fonts/test_fonts.h"
#include "tests/support/clock.h"

namespace {

// The face name as GDI records it in a scalable font resource file.
std::string gdi_resource_face_name(const std::string& font, const std::string& temp_dir) {
    static unsigned counter = 0;
    char name[32];
    std::snprintf(name, sizeof name, "%lx.tmp", GetTickCount() + ++counter);
    std::string temp = temp_dir + name;
    DeleteFileA(temp.c_str());
    if (!CreateScalableFontResourceA(0, temp.c_str(), font.c_str(), "")) return {};
    std::string bytes;
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        char buf[4096];
        DWORD got = 0;
        while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) bytes.append(buf, got);
        CloseHandle(h);
    }
    DeleteFileA(temp.c_str());
    size_t at = bytes.find("FONTRES:");
    if (at == std::string::npos) return {};
    std::string face = bytes.substr(at + 8, 100);
    return face.substr(0, face.find('\0'));
}

using yq::test::median;

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::string folder = argc > 1 ? argv[1] : "Z:\\usr\\share\\fonts";
    int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::vector<std::string> files;
    yq::test::collect_files(folder, files);
    if (files.empty()) {
        std::fprintf(stderr, "no files below %s\n", folder.c_str());
        return 1;
    }
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string temp_dir = temp;
    if (temp_dir.back() != '\\') temp_dir += '\\';

    std::vector<std::string> ours(files.size()), theirs(files.size());
    std::vector<double> ours_ms, theirs_ms, open_ms, pair_ms;
    // The floor under Wine: opening and closing each file, nothing read.
    auto run_open = [&] {
        double t0 = yq::test::now_ms();
        for (const std::string& f : files) {
            HANDLE h = CreateFileA(f.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   0, nullptr);
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
        open_ms.push_back(yq::test::now_ms() - t0);
    };
    auto run_ours = [&] {
        double t0 = yq::test::now_ms();
        for (size_t i = 0; i < files.size(); ++i)
            ours[i] = yq::sfnt::read_face_name_from_file(files[i]);
        ours_ms.push_back(yq::test::now_ms() - t0);
    };
    // As the inventory reads them: two threads taking files in turn.
    auto run_pair = [&] {
        std::vector<std::string> names(files.size());
        double t0 = yq::test::now_ms();
        yq::parallel_for(files.size(), 2, [&](size_t i) {
            names[i] = yq::sfnt::read_face_name_from_file(files[i]);
        });
        pair_ms.push_back(yq::test::now_ms() - t0);
        if (names != ours) std::fprintf(stderr, "two threads read other names\n");
    };
    auto run_theirs = [&] {
        double t0 = yq::test::now_ms();
        for (size_t i = 0; i < files.size(); ++i)
            theirs[i] = gdi_resource_face_name(files[i], temp_dir);
        theirs_ms.push_back(yq::test::now_ms() - t0);
    };
    run_ours();  // warm the file cache for both
    ours_ms.clear();
    for (int r = 0; r < rounds; ++r) {
        if (r % 2) {
            run_theirs();
            run_ours();
        } else {
            run_ours();
            run_theirs();
        }
        run_open();
        run_pair();
    }
    size_t read = 0, same = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        read += !ours[i].empty();
        same += !ours[i].empty() && ours[i] == theirs[i];
    }
    double a = median(ours_ms), b = median(theirs_ms);
    std::printf("face names of %zu files below %s (%zu read), %d rounds\n", files.size(),
                folder.c_str(), read, rounds);
    std::printf("  name-table reader        %9.1f ms  (%.3f ms a file)\n", a, a / files.size());
    std::printf("  scalable font resource   %9.1f ms  (%.3f ms a file)\n", b, b / files.size());
    std::printf("  speed-up                 %9.1fx   (target: at least 20x)\n", b / a);
    double p = median(pair_ms);
    std::printf("  reader on two threads    %9.1f ms  (%.1fx; how the inventory reads them)\n", p,
                b / p);
    std::printf(
        "  open + close alone       %9.1f ms  (at most %.1fx for any reader that opens each "
        "file)\n",
        median(open_ms), b / median(open_ms));
    // Wine 8 writes bytes that are not the face name after "FONTRES:", so
    // there the count says nothing about our names (the Wine tests check
    // them against GDI's enumeration instead).
    std::printf("  names alike both ways    %zu of %zu%s\n", same, read,
                same == 0 ? "  (the resource holds no face name here)" : "");
    return 0;
}
