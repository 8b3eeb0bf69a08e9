// Removing installed fonts into the recycle bin under Wine: the copy first
// and checked, numbered names instead of replacing, and nothing changed
// when the copy or the removal cannot be done.
#include "fonts/win/font_removal.h"

#include <gtest/gtest.h>

#include "fonts/win/font_primitives.h"
#include "platform/win/handles.h"
#include "tests/win/fonts/test_fonts.h"

namespace yq {
namespace {

using test::file_exists;
using test::font_value;
using test::read_file;
using test::temp_folder;
using test::test_font;

// A font copied into the Fonts folder and registered, as a font installed
// by another program (this process never loaded it).
std::string register_copy(const char* font, const char* value) {
    std::string path = fonts_folder() + font;
    EXPECT_TRUE(CopyFileA(test_font(font).c_str(), path.c_str(), FALSE));
    test::set_font_value(value, font);
    return path;
}

TEST(FontRemoval, MovesACheckedCopyIntoTheBinAndNeverReplacesAnother) {
    std::string bin = temp_folder("yq-bin-1");
    std::string name = "ProbeSong.ttf";
    ASSERT_TRUE(install_font(test_font("ProbeSong.ttf"), name));  // loaded by this process
    const std::string original = read_file(test_font("ProbeSong.ttf"));
    // A different file already holds the name in the bin: it stays.
    ASSERT_TRUE(test::write_file(bin + "ProbeSong.ttf", "an earlier file of that name"));
    std::string stored;
    EXPECT_EQ(remove_font_into_bin(fonts_folder() + name, "探针宋体 (TrueType)", FontScope::Machine, bin,
                                   "ProbeSong.ttf", &stored),
              RemovalOutcome::Removed);
    EXPECT_EQ(stored, "ProbeSong (2).ttf");
    EXPECT_EQ(read_file(bin + "ProbeSong (2).ttf"), original);
    EXPECT_EQ(read_file(bin + "ProbeSong.ttf"), "an earlier file of that name");
    EXPECT_FALSE(file_exists(fonts_folder() + name));
    EXPECT_EQ(font_value("探针宋体 (TrueType)"), "<none>");
    EXPECT_FALSE(file_exists(bin + "ProbeSong (2).ttf.yqpart"));

    // The same bytes again under that name: the earlier copy is kept as it is.
    std::string path = register_copy("ProbeSong.ttf", "探针宋体 (TrueType)");
    EXPECT_EQ(remove_font_into_bin(path, "探针宋体 (TrueType)", FontScope::Machine, bin, "ProbeSong.ttf", &stored),
              RemovalOutcome::Removed);
    EXPECT_EQ(stored, "ProbeSong (2).ttf");
    EXPECT_FALSE(file_exists(bin + "ProbeSong (3).ttf"));
    EXPECT_FALSE(file_exists(path));
    EXPECT_EQ(font_value("探针宋体 (TrueType)"), "<none>");
}

TEST(FontRemoval, NothingChangesWhenTheCopyOrTheRemovalCannotBeDone) {
    std::string path = register_copy("ProbeZero.ttf", "0ProbeZero (TrueType)");
    const std::string original = read_file(path);
    // A bin that cannot be written: its name is taken by a file.
    std::string blocked = temp_folder("yq-bin-2") + "not a folder";
    ASSERT_TRUE(test::write_file(blocked, "x"));
    EXPECT_EQ(remove_font_into_bin(path, "0ProbeZero (TrueType)", FontScope::Machine, blocked + "\\", "ProbeZero.ttf"),
              RemovalOutcome::NotCopied);
    EXPECT_EQ(read_file(path), original);
    EXPECT_EQ(font_value("0ProbeZero (TrueType)"), "ProbeZero.ttf");

    // A file another process holds (as Windows holds a loaded font): the
    // removal fails, and the bin keeps no copy of a font still installed.
    std::string bin = temp_folder("yq-bin-3");
    {
        win::UniqueFile held(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        EXPECT_EQ(remove_font_into_bin(path, "0ProbeZero (TrueType)", FontScope::Machine, bin, "ProbeZero.ttf"),
                  RemovalOutcome::NotRemoved);
    }
    EXPECT_EQ(read_file(path), original);
    EXPECT_EQ(font_value("0ProbeZero (TrueType)"), "ProbeZero.ttf");
    EXPECT_FALSE(file_exists(bin + "ProbeZero.ttf"));
    // Let go of, it is removed: nothing holds a font GDI never loaded.
    EXPECT_EQ(remove_font_into_bin(path, "0ProbeZero (TrueType)", FontScope::Machine, bin, "ProbeZero.ttf"),
              RemovalOutcome::Removed);
    EXPECT_EQ(read_file(bin + "ProbeZero.ttf"), original);
    EXPECT_EQ(font_value("0ProbeZero (TrueType)"), "<none>");
}

}  // namespace
}  // namespace yq
