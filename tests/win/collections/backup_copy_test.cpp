// Backing up font files under Wine: a backup is never lost or replaced by
// another font's file, unchanged fonts are not copied again, and a copy that
// fails leaves what was there.
#include "collections/win/backup_copy.h"

#include <gtest/gtest.h>

#include "collections/win/list_page.h"
#include "tests/win/fonts/test_fonts.h"

namespace yq {
namespace {

using test::file_exists;
using test::read_file;
using test::temp_folder;
using test::test_font;
using test::write_file;

// A copy of a test font under another name in a folder of its own, with
// `extra` bytes after the font (the face name still reads the same).
std::string font_copy(const char* font, const std::string& folder, const char* as,
                      const std::string& extra = "") {
    std::string path = temp_folder(folder.c_str()) + as;
    EXPECT_TRUE(write_file(path, read_file(test_font(font)) + extra));
    return path;
}

TEST(Backup, UnchangedFontsAreKeptUpdatedOnesReplacedOthersNumbered) {
    const std::string backups = temp_folder("yq-backups-1");
    const std::string sans = test_font("ProbeSans.ttf");
    std::string stored;
    EXPECT_EQ(back_up_font(sans, "ProbeSans", backups, &stored), BackupOutcome::Copied);
    EXPECT_EQ(stored, "ProbeSans.ttf");
    EXPECT_EQ(read_file(backups + "ProbeSans.ttf"), read_file(sans));
    EXPECT_FALSE(file_exists(backups + "ProbeSans.ttf.yqpart"));
    EXPECT_EQ(back_up_font(sans, "ProbeSans", backups), BackupOutcome::Unchanged);

    // Another font whose file has the same name: numbered, the first kept.
    const std::string other = font_copy("ProbeHei.ttf", "yq-src-other", "ProbeSans.ttf");
    EXPECT_EQ(back_up_font(other, "探针黑体", backups, &stored), BackupOutcome::Copied);
    EXPECT_EQ(stored, "ProbeSans (2).ttf");
    EXPECT_EQ(read_file(backups + "ProbeSans.ttf"), read_file(sans));
    EXPECT_EQ(read_file(backups + "ProbeSans (2).ttf"), read_file(other));
    // Backed up again, it finds its own numbered copy.
    EXPECT_EQ(back_up_font(other, "探针黑体", backups, &stored), BackupOutcome::Unchanged);
    EXPECT_EQ(stored, "ProbeSans (2).ttf");

    // The same face with other bytes (an updated font) replaces its backup.
    const std::string updated = font_copy("ProbeSans.ttf", "yq-src-new", "ProbeSans.ttf", "v2");
    EXPECT_EQ(back_up_font(updated, "ProbeSans", backups, &stored), BackupOutcome::Copied);
    EXPECT_EQ(stored, "ProbeSans.ttf");
    EXPECT_EQ(read_file(backups + "ProbeSans.ttf"), read_file(updated));
    EXPECT_EQ(read_file(backups + "ProbeSans (2).ttf"), read_file(other));

    // A backup of the same size written later (other bytes): the time tells
    // it from the source, and the face lets it be replaced.
    const std::string backup = backups + "ProbeSans.ttf";
    std::string bytes = read_file(updated);
    bytes.back() = '3';
    Sleep(20);
    ASSERT_TRUE(write_file(backup, bytes));
    EXPECT_EQ(back_up_font(updated, "ProbeSans", backups), BackupOutcome::Copied);
    EXPECT_EQ(read_file(backup), read_file(updated));

    // A source that is gone: nothing written.
    EXPECT_EQ(back_up_font(test_font("NoSuchFont.ttf"), "x", backups), BackupOutcome::Failed);
    EXPECT_FALSE(file_exists(backups + "NoSuchFont.ttf"));
}

TEST(Backup, ACopyThatFailsLeavesTheEarlierBackupAndNoPartialFile) {
    const std::string backups = temp_folder("yq-backups-2");
    const std::string sans = test_font("ProbeSans.ttf");
    ASSERT_EQ(back_up_font(sans, "ProbeSans", backups), BackupOutcome::Copied);
    // The partial file's name is taken by a folder: the copy cannot be made.
    ASSERT_TRUE(CreateDirectoryA((backups + "ProbeSans.ttf.yqpart").c_str(), nullptr));
    const std::string updated = font_copy("ProbeSans.ttf", "yq-src-2", "ProbeSans.ttf", "v2");
    EXPECT_EQ(back_up_font(updated, "ProbeSans", backups), BackupOutcome::Failed);
    EXPECT_EQ(read_file(backups + "ProbeSans.ttf"), read_file(sans));
    const std::string hei = font_copy("ProbeHei.ttf", "yq-src-3", "ProbeHei.ttf");
    ASSERT_TRUE(CreateDirectoryA((backups + "ProbeHei.ttf.yqpart").c_str(), nullptr));
    EXPECT_EQ(back_up_font(hei, "探针黑体", backups), BackupOutcome::Failed);
    EXPECT_FALSE(file_exists(backups + "ProbeHei.ttf"));

    // Many fonts at once, two of them under one file name in other cases:
    // every font is backed up, the second numbered, none lost.
    const std::string many = temp_folder("yq-backups-3");
    std::vector<BackupSource> fonts = {
        {sans, "ProbeSans"},
        {font_copy("ProbeHei.ttf", "yq-src-4", "probesans.TTF"), "探针黑体"},
        {test_font("ProbeSong.ttf"), "探针宋体"},
        {test_font("ProbeHei.ttf"), "探针黑体"},
    };
    std::atomic<int> done{0};
    back_up_fonts(fonts, many, 2, done);
    EXPECT_EQ(done.load(), 4);
    EXPECT_EQ(read_file(many + "ProbeSans.ttf"), read_file(sans));
    EXPECT_EQ(read_file(many + "ProbeSans (2).ttf"), read_file(fonts[1].path));
    EXPECT_EQ(read_file(many + "ProbeSong.ttf"), read_file(fonts[2].path));
    EXPECT_EQ(read_file(many + "ProbeHei.ttf"), read_file(fonts[3].path));

    // The listing shows the fonts, not the partial names nor other files.
    ASSERT_TRUE(write_file(backups + "notes.txt", "not a font"));
    ASSERT_TRUE(write_file(backups + "ProbeSong.ttf.yqpart", read_file(test_font("ProbeSong.ttf"))));
    std::vector<ListedFont> listed = list_font_folder(backups);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].file, "ProbeSans.ttf");
    EXPECT_EQ(listed[0].face, "ProbeSans");
}

}  // namespace
}  // namespace yq
