// Hanzi coverage of every font file under a folder (default /usr/share/fonts)
// beside its face name, which the program reads of every file anyway: the
// face name alone, the coverage alone and both, in alternating rounds over
// the same files. Prints the median microseconds per file of each, over all
// files and over the fonts that cover hanzi (the large CJK character maps),
// the coverage time as a multiple of the face-name time (target: 3x), and
// the file where that multiple is highest (each reader's fastest of ROUNDS
// runs on that file alone).
//
//   bench_coverage [FOLDER] [ROUNDS]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sfnt/coverage.h"
#include "platform/sfnt/face_name.h"
#include "tests/support/clock.h"
#include "tests/support/font_files.h"

namespace fs = std::filesystem;

namespace {

constexpr double kTargetRatio = 3.0;

using yq::test::is_font_file;

using yq::test::median;

struct Timings {
    std::vector<double> name, coverage, both;  // seconds per round
};

// One round of each reader over `files`; `sink` keeps the results alive.
void time_round(const std::vector<std::string>& files, Timings& t, size_t& sink) {
    double start = yq::test::now_seconds();
    for (const std::string& f : files) sink += yq::sfnt::read_face_name_from_file(f).size();
    t.name.push_back(yq::test::now_seconds() - start);

    start = yq::test::now_seconds();
    for (const std::string& f : files) sink += yq::sfnt::read_hanzi_coverage_from_file(f).gb2312;
    t.coverage.push_back(yq::test::now_seconds() - start);

    start = yq::test::now_seconds();
    for (const std::string& f : files) {
        sink += yq::sfnt::read_face_name_from_file(f).size();
        sink += yq::sfnt::read_hanzi_coverage_from_file(f).gb2312;
    }
    t.both.push_back(yq::test::now_seconds() - start);
}

// Prints one line of figures; true when the coverage meets the target.
bool report(const char* what, size_t files, const Timings& t) {
    double us = 1e6 / double(files);
    double name = median(t.name) * us, coverage = median(t.coverage) * us;
    double both = median(t.both) * us;
    double ratio = coverage / name;
    std::printf(
        "%-22s %5zu files  face name %8.1f us  coverage %8.1f us  both %8.1f us  "
        "coverage/name %.2fx (target <= %.1fx)\n",
        what, files, name, coverage, both, ratio, kTargetRatio);
    return ratio <= kTargetRatio;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path root = argc > 1 ? argv[1] : "/usr/share/fonts";
    int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    std::vector<std::string> files, hanzi_fonts;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file() && is_font_file(it->path())) files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "no font files under %s\n", root.string().c_str());
        return 1;
    }
    size_t read = 0;
    for (const std::string& f : files) {
        yq::sfnt::HanziCoverage c = yq::sfnt::read_hanzi_coverage_from_file(f);
        read += c.ok;
        if (c.gb2312 > 0 || c.common > 0) hanzi_fonts.push_back(f);
    }

    Timings all, cjk;
    size_t sink = 0;
    for (int round = 0; round < rounds; ++round) {
        time_round(files, all, sink);
        if (!hanzi_fonts.empty()) time_round(hanzi_fonts, cjk, sink);
    }
    std::string worst;
    double worst_name = 0, worst_coverage = 0;
    for (const std::string& f : files) {
        double name = 1e9, coverage = 1e9;
        for (int round = 0; round < rounds; ++round) {
            double start = yq::test::now_seconds();
            sink += yq::sfnt::read_face_name_from_file(f).size();
            double mid = yq::test::now_seconds();
            sink += yq::sfnt::read_hanzi_coverage_from_file(f).gb2312;
            double end = yq::test::now_seconds();
            name = std::min(name, mid - start);
            coverage = std::min(coverage, end - mid);
        }
        if (worst.empty() || coverage / name > worst_coverage / worst_name) {
            worst = f;
            worst_name = name;
            worst_coverage = coverage;
        }
    }
    std::printf(
        "%s: %zu font files, %zu character maps read, %zu cover hanzi; median of %d "
        "rounds (checksum %zu)\n",
        root.string().c_str(), files.size(), read, hanzi_fonts.size(), rounds, sink);
    bool met = report("every font", files.size(), all);
    if (!hanzi_fonts.empty()) met = report("fonts covering hanzi", hanzi_fonts.size(), cjk) && met;
    std::printf("highest: %s  face name %.1f us  coverage %.1f us  coverage/name %.2fx\n",
                worst.c_str(), worst_name * 1e6, worst_coverage * 1e6, worst_coverage / worst_name);
    std::printf("target %s\n", met ? "met" : "NOT met");
    return 0;
}
