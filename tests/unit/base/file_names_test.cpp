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

}  // namespace
}  // namespace yq
