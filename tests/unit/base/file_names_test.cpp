#include "base/file_names.h"

#include <gtest/gtest.h>

#include <string>

namespace yq {
namespace {

TEST(FileNames, StorableNamesAreThoseWindowsKeepsAsGiven) {
    for (std::string ok : std::initializer_list<std::string>{"a.ttf", "My Font.ttf", " lead.ttf", "\xCB\xCE\xCC\xE5.ttf",
                           "\xD5\x5C.ttf" /* trail byte 5C */, "x_2.ttf", "..a"}) {
        EXPECT_TRUE(is_storable_file_name(ok)) << ok;
    }
    for (std::string bad : std::initializer_list<std::string>{"", ".", "..", "a\\b.ttf", "a/b", "c:x", "a?.ttf", "a*", "a|b",
                            "a\"b", "<a>", std::string("a\x01.ttf"), std::string("a\0b", 3),
                            "trailing.", "trailing ", "\xCB" /* lone lead */, "\xCB" "0.ttf",
                            "CON", "con.ttf", "NUL .txt", "COM1.ttf", "lpt9", "CONOUT$.x"}) {
        EXPECT_FALSE(is_storable_file_name(bad)) << bad;
    }
    EXPECT_TRUE(is_storable_file_name(std::string(255, 'a')));
    EXPECT_FALSE(is_storable_file_name(std::string(256, 'a')));
    std::string wide;
    for (int i = 0; i < 255; ++i) wide += "\xCB\xCE";
    EXPECT_TRUE(is_storable_file_name(wide));  // characters are counted, not bytes
    EXPECT_FALSE(is_storable_file_name(wide + "a"));
}

// The names the program gives files in its own folders, taken from paths and
// other files' names.
TEST(FileNames, PartsOfPathsAndNumberedNames) {
    EXPECT_EQ(file_name_of("C:\\windows\\Fonts\\simhei.ttf"), "simhei.ttf");
    EXPECT_EQ(file_name_of("C:/fonts/a b.ttf"), "a b.ttf");
    EXPECT_EQ(file_name_of("\xD5\x5C.ttf"), "\xD5\x5C.ttf");  // a trail byte 5C is no separator
    EXPECT_EQ(file_name_of("simsun.ttc"), "simsun.ttc");
    EXPECT_EQ(file_name_of("C:\\dir\\"), "");
    EXPECT_EQ(numbered_file_name("simhei.ttf", 2), "simhei (2).ttf");
    EXPECT_EQ(numbered_file_name("a.b.ttf", 10), "a.b (10).ttf");
    EXPECT_EQ(numbered_file_name("noext", 3), "noext (3)");
    EXPECT_EQ(numbered_file_name(".hidden", 2), ".hidden (2)");
    EXPECT_EQ(numbered_file_name(std::string(250, 'a') + ".ttf", 2), "");
    EXPECT_TRUE(is_partial_file_name("a.ttf.yqpart"));
    EXPECT_TRUE(is_partial_file_name("A.TTF.YQPART"));
    EXPECT_FALSE(is_partial_file_name("yqpart.ttf"));
    EXPECT_FALSE(is_partial_file_name("part"));
}

}  // namespace
}  // namespace yq
