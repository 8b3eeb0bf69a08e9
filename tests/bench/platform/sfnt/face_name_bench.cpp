// Face names of every font file under a folder (default /usr/share/fonts):
// our reader against `fc-scan --format '%{family[0]}\n'` over the same files,
// in alternating rounds. Prints the median time of each and their ratio.
//
//   bench_face_name [FOLDER] [ROUNDS]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <time.h>
#include <vector>

#include "platform/sfnt/face_name.h"
#include "tests/support/process.h"
#include "tests/support/clock.h"
#include "tests/support/font_files.h"

namespace fs = std::filesystem;

namespace {

using yq::test::is_font_file;

using yq::test::median;

}  // namespace

int main(int argc, char** argv) {
    fs::path root = argc > 1 ? argv[1] : "/usr/share/fonts";
    int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file() && is_font_file(it->path())) files.push_back(it->path().string());
    }
    if (files.empty()) {
        std::fprintf(stderr, "no font files under %s\n", root.string().c_str());
        return 1;
    }
    std::string command = "fc-scan --format '%{family[0]}\\n'";
    for (const std::string& f : files) {
        command += ' ';
        command += yq::test::shell_quote(f);
    }
    command += " 2>/dev/null";

    std::vector<double> ours, theirs;
    size_t named = 0, scanned_lines = 0;
    for (int round = 0; round < rounds; ++round) {
        double start = yq::test::now_seconds();
        named = 0;
        for (const std::string& f : files) named += !yq::sfnt::read_face_name_from_file(f).empty();
        ours.push_back(yq::test::now_seconds() - start);

        start = yq::test::now_seconds();
        FILE* p = popen(command.c_str(), "r");
        if (!p) {
            std::fprintf(stderr, "cannot run fc-scan\n");
            return 1;
        }
        scanned_lines = 0;
        for (int c; (c = std::fgetc(p)) != EOF;) scanned_lines += c == '\n';
        if (pclose(p) != 0 || scanned_lines == 0) {
            std::fprintf(stderr, "fc-scan failed\n");
            return 1;
        }
        theirs.push_back(yq::test::now_seconds() - start);
    }
    double a = median(ours), b = median(theirs);
    std::printf("font files: %zu (named by us: %zu; fc-scan faces: %zu), rounds: %d\n",
                files.size(), named, scanned_lines, rounds);
    std::printf("read_face_name_from_file: %.4f s (median)\n", a);
    std::printf("fc-scan family[0]:        %.4f s (median)\n", b);
    std::printf("speed-up: %.1fx faster than fc-scan\n", b / a);
    return 0;
}
