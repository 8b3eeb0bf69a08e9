// Cross-check of the face-name reader against fontconfig's fc-scan over every
// font file the system has under /usr/share/fonts (Debian packages
// fonts-noto-cjk, fonts-wqy-microhei, fonts-wqy-zenhei, fonts-arphic-ukai,
// fonts-arphic-uming, fonts-dejavu, fonts-liberation2, fonts-noto-core).
//
// A font with a Chinese (PRC) family name must read as fc-scan's zh-cn (or
// zh) family; any other font as one of fc-scan's English families (or its
// first family when none is marked English).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "base/text.h"
#include "platform/sfnt/face_name.h"
#include "tests/support/process.h"

namespace yq::sfnt {
namespace {

namespace fs = std::filesystem;

const char kFontRoot[] = "/usr/share/fonts";

// fontconfig names a font by its typographic family (name ID 16) when it has
// one; Windows GDI shows the family (name ID 1). Where the two differ the
// names cannot agree, and our name must be the name ID 1 text given here.
const char kTypographicFamily[] =
    "fc-scan reports the typographic family (name ID 16); GDI shows name ID 1";

struct Exception {
    const char* our_name;  // UTF-8
    const char* reason;
};

const std::map<std::string, Exception> kExceptions = {
    {"NotoSansMeeteiMayek-Bold.ttf", {"Noto Sans MeeteiMayek", kTypographicFamily}},
    {"NotoSansMeeteiMayek-Regular.ttf", {"Noto Sans MeeteiMayek", kTypographicFamily}},
    {"NotoSansNewTaiLue-Regular.ttf", {"Noto Sans NewTaiLue", kTypographicFamily}},
    {"NotoSansOldPersian-Regular.ttf", {"Noto Sans OldPersian", kTypographicFamily}},
    {"NotoSansOldSogdian-Regular.ttf", {"Noto Sans OldSogdian", kTypographicFamily}},
    {"NotoSansPauCinHau-Regular.ttf", {"Noto Sans PauCinHau", kTypographicFamily}},
    {"NotoSansWarangCiti-Regular.ttf", {"Noto Sans WarangCiti", kTypographicFamily}},
    {"NotoSerifTamilSlanted-Bold.ttf", {"NotoSerifTamilSlanted", kTypographicFamily}},
    {"NotoSerifTamilSlanted-Regular.ttf", {"NotoSerifTamilSlanted", kTypographicFamily}},
};

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::stringstream in(s);
    for (std::string part; std::getline(in, part, sep);) parts.push_back(part);
    return parts;
}

bool is_font_file(const fs::path& p) {
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return c | 0x20; });
    return ext == ".ttf" || ext == ".otf" || ext == ".ttc" || ext == ".otc";
}

std::string join(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& x : v) s += (s.empty() ? "" : " | ") + x;
    return s;
}

TEST(FaceNameCrossCheck, AgreesWithFcScanOnEveryInstalledFont) {
    if (test::command_output("command -v fc-scan").empty())
        GTEST_SKIP() << "fc-scan is not installed (fontconfig)";
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(kFontRoot, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->is_regular_file() && is_font_file(it->path())) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << "no font files under " << kFontRoot
                                << "; install the font packages named at the top of this test";

    int chinese_checked = 0, exceptions_used = 0;
    for (const fs::path& file : files) {
        const std::string path = file.string();
        std::string ours = gbk_to_utf8(read_face_name_from_file(path));
        std::string scan = test::command_output("fc-scan --format '%{family}\\t%{familylang}\\n' " +
                                                test::shell_quote(path) + " 2>/dev/null");
        std::vector<std::string> first_face = split(split(scan, '\n').at(0), '\t');
        ASSERT_EQ(first_face.size(), 2u) << path << ": fc-scan printed '" << scan << "'";
        std::vector<std::string> families = split(first_face[0], ',');
        std::vector<std::string> langs = split(first_face[1], ',');
        ASSERT_EQ(families.size(), langs.size()) << path;

        std::vector<std::string> chinese, english;
        for (size_t i = 0; i < families.size(); ++i) {
            if (langs[i] == "zh-cn" || langs[i] == "zh") chinese.push_back(families[i]);
            if (langs[i] == "en") english.push_back(families[i]);
        }
        if (english.empty()) english.push_back(families.at(0));
        const std::vector<std::string>& wanted = chinese.empty() ? english : chinese;
        chinese_checked += !chinese.empty();

        auto exception = kExceptions.find(file.filename().string());
        if (exception != kExceptions.end()) {
            ++exceptions_used;
            EXPECT_EQ(ours, exception->second.our_name) << path;
            continue;
        }
        EXPECT_NE(std::find(wanted.begin(), wanted.end(), ours), wanted.end())
            << path << ": ours '" << ours << "', fc-scan " << join(wanted);
    }
    EXPECT_GT(chinese_checked, 0) << "no font with a Chinese family name was checked; install "
                                     "fonts-wqy-zenhei and fonts-wqy-microhei";
    RecordProperty("fonts_checked", static_cast<int>(files.size()));
    std::printf("checked %zu fonts (%d with a Chinese family, %d listed exceptions)\n",
                files.size(), chinese_checked, exceptions_used);
}

}  // namespace
}  // namespace yq::sfnt
