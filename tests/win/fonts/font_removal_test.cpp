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
    ASSERT_TRUE(install_font(test_font("ProbeSong.ttf"), name).ok());  // loaded by this process
    const std::string original = read_file(test_font("ProbeSong.ttf"));
    // A different file already holds the name in the bin: it stays.
    ASSERT_TRUE(test::write_file(bin + "ProbeSong.ttf", "an earlier file of that name"));
    std::string stored;
    EXPECT_EQ(remove_font_into_bin(fonts_folder() + name, "探针宋体 (TrueType)", FontScope::Machine,
                                   bin, "ProbeSong.ttf", &stored),
              RemovalOutcome::Removed);
    EXPECT_EQ(stored, "ProbeSong (2).ttf");
    EXPECT_EQ(read_file(bin + "ProbeSong (2).ttf"), original);
    EXPECT_EQ(read_file(bin + "ProbeSong.ttf"), "an earlier file of that name");
    EXPECT_FALSE(file_exists(fonts_folder() + name));
    EXPECT_EQ(font_value("探针宋体 (TrueType)"), "<none>");
    EXPECT_FALSE(file_exists(bin + "ProbeSong (2).ttf.yqpart"));

    // The same bytes again under that name: the earlier copy is kept as it is.
    std::string path = register_copy("ProbeSong.ttf", "探针宋体 (TrueType)");
    EXPECT_EQ(remove_font_into_bin(path, "探针宋体 (TrueType)", FontScope::Machine, bin,
                                   "ProbeSong.ttf", &stored),
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
    EXPECT_EQ(remove_font_into_bin(path, "0ProbeZero (TrueType)", FontScope::Machine,
                                   blocked + "\\", "ProbeZero.ttf"),
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
        EXPECT_EQ(remove_font_into_bin(path, "0ProbeZero (TrueType)", FontScope::Machine, bin,
                                       "ProbeZero.ttf"),
                  RemovalOutcome::NotRemoved);
    }
    EXPECT_EQ(read_file(path), original);
    EXPECT_EQ(font_value("0ProbeZero (TrueType)"), "ProbeZero.ttf");
    EXPECT_FALSE(file_exists(bin + "ProbeZero.ttf"));
    // Let go of, it is removed: nothing holds a font GDI never loaded.
    EXPECT_EQ(remove_font_into_bin(path, "0ProbeZero (TrueType)", FontScope::Machine, bin,
                                   "ProbeZero.ttf"),
              RemovalOutcome::Removed);
    EXPECT_EQ(read_file(bin + "ProbeZero.ttf"), original);
    EXPECT_EQ(font_value("0ProbeZero (TrueType)"), "<none>");
}

TEST(FontRemoval, AFileOutsideTheFontsFoldersOrOfAnotherValueStaysWhereItIs) {
    // Registered from the user's own folder: unregistered and copied into
    // the bin; the file itself is the user's and stays.
    std::string bin = temp_folder("yq-bin-4");
    std::string own = temp_folder("yq-own-fonts") + "ProbeLast.ttf";
    ASSERT_TRUE(CopyFileA(test_font("ProbeLast.ttf").c_str(), own.c_str(), FALSE));
    test::set_font_value("ZProbeLast (TrueType)", own);
    EXPECT_EQ(remove_font_into_bin(own, "ZProbeLast (TrueType)", FontScope::Machine, bin,
                                   "ProbeLast.ttf"),
              RemovalOutcome::Unregistered);
    EXPECT_EQ(read_file(own), read_file(test_font("ProbeLast.ttf")));
    EXPECT_EQ(read_file(bin + "ProbeLast.ttf"), read_file(own));
    EXPECT_EQ(font_value("ZProbeLast (TrueType)"), "<none>");

    // One file of two faces: the first face removed leaves the file to the
    // value that still names it; the last one takes it.
    std::string pair = register_copy("ProbePair.ttc", "ProbePairA (TrueType)");
    test::set_font_value("ProbePairB (TrueType)", "ProbePair.ttc");
    EXPECT_EQ(remove_font_into_bin(pair, "ProbePairA (TrueType)", FontScope::Machine, bin,
                                   "ProbePair.ttc"),
              RemovalOutcome::Unregistered);
    EXPECT_TRUE(file_exists(pair));
    EXPECT_EQ(font_value("ProbePairB (TrueType)"), "ProbePair.ttc");
    EXPECT_EQ(remove_font_into_bin(pair, "ProbePairB (TrueType)", FontScope::Machine, bin,
                                   "ProbePair.ttc"),
              RemovalOutcome::Removed);
    EXPECT_FALSE(file_exists(pair));
    EXPECT_EQ(read_file(bin + "ProbePair.ttc"), read_file(test_font("ProbePair.ttc")));
    EXPECT_FALSE(file_exists(bin + "ProbePair (2).ttc"));
}

}  // namespace
}  // namespace yq
