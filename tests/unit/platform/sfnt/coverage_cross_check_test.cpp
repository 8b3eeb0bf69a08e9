// Cross-check of the hanzi coverage reader against fontTools over every
// font file of the CJK font packages of the test set-up (Debian packages
// fonts-noto-cjk, fonts-wqy-microhei, fonts-wqy-zenhei and every
// fonts-arphic-* package installed), read from the packages' file lists.
// The other side is hanzi_coverage_oracle.py beside this file, run by a
// Python that has fontTools (python3-fonttools gives it to /usr/bin/python3;
// the python3 first on PATH may be another one).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "platform/sfnt/coverage.h"
#include "tests/support/process.h"

namespace yq::sfnt {
namespace {

namespace fs = std::filesystem;

const char kListPackageFiles[] =
    "dpkg-query -W -f='${db:Status-Abbrev} ${Package}\\n' fonts-noto-cjk fonts-wqy-microhei "
    "fonts-wqy-zenhei 'fonts-arphic-*' 2>/dev/null | awk '$1 == \"ii\" { print $2 }' | "
    "xargs -r dpkg-query -L 2>/dev/null";

bool is_font_file(const fs::path& p) {
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return c | 0x20; });
    return ext == ".ttf" || ext == ".otf" || ext == ".ttc" || ext == ".otc";
}

// A Python that can import fontTools, or "" when there is none.
std::string python_with_font_tools() {
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        std::string out;
        if (test::run_command(std::string(python) + " -c 'import fontTools' 2>/dev/null", out) == 0)
            return python;
    }
    return "";
}

TEST(HanziCoverageCrossCheck, AgreesWithFontToolsOnEveryCjkFontOfTheTestSetUp) {
    std::vector<std::string> files;
    std::stringstream listed(test::command_output(kListPackageFiles));
    for (std::string line; std::getline(listed, line);) {
        std::error_code ec;
        if (is_font_file(line) && fs::is_regular_file(line, ec)) files.push_back(line);
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << "no font file in the CJK font packages; install those named "
                                   "at the top of this test (scripts/setup.sh does)";
    std::string python = python_with_font_tools();
    if (python.empty()) GTEST_SKIP() << "no python3 with fontTools (python3-fonttools)";

    std::string command =
        python + " " +
        test::shell_quote(std::string(YQ_SOURCE_DIR) +
                          "/tests/unit/platform/sfnt/hanzi_coverage_oracle.py") +
        " " + test::shell_quote(std::string(YQ_SOURCE_DIR) + "/platform/sfnt/hanzi_sets.inc");
    for (const std::string& f : files) command += " " + test::shell_quote(f);
    std::string out;
    ASSERT_EQ(test::run_command(command, out), 0) << command;

    std::stringstream theirs(out);
    int partial = 0;
    for (const std::string& path : files) {
        int gb2312 = -1, common = -1;
        theirs >> gb2312 >> common;
        ASSERT_TRUE(theirs) << path << ": the oracle printed '" << out << "'";
        HanziCoverage ours = read_hanzi_coverage_from_file(path);
        EXPECT_TRUE(ours.ok) << path;
        EXPECT_EQ(ours.gb2312, gb2312) << path;
        EXPECT_EQ(ours.common, common) << path;
        partial += gb2312 < kGb2312HanziCount || common < kCommonHanziCount;
    }
    std::printf("checked %zu CJK fonts (%d short of a whole set)\n", files.size(), partial);
}

}  // namespace
}  // namespace yq::sfnt
