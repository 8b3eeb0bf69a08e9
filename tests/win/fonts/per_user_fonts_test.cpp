// Fonts installed for the current user under Wine: the user's Fonts folder
// and key with the absolute path as data, the inventory's union of both keys
// (the machine's entry of a face wins), and the removal of a per-user font
// whose file is held open, which leaves the file for the next start.
#include <gtest/gtest.h>

#include "fonts/win/font_primitives.h"
#include "fonts/win/font_removal.h"
#include "fonts/win/installed_fonts.h"
#include "platform/win/handles.h"
#include "tests/win/fonts/test_fonts.h"

namespace yq {
namespace {

using test::file_exists;
using test::font_value;
using test::read_file;
using test::temp_folder;
using test::test_font;

TEST(PerUserFonts, InstallListAndUnionWithTheMachineKey) {
    // Under Wine the process is elevated: new fonts are for every user.
    ASSERT_EQ(install_scope(), FontScope::Machine);
    const std::string& folder = fonts_folder(FontScope::User);
    ASSERT_GT(folder.size(), 3u);
    EXPECT_NE(folder, fonts_folder(FontScope::Machine));

    std::string name = "ProbeHei.ttf";
    ASSERT_TRUE(install_font(test_font("ProbeHei.ttf"), name, FontScope::User).ok());
    EXPECT_EQ(read_file(folder + name), read_file(test_font("ProbeHei.ttf")));
    EXPECT_EQ(font_value("探针黑体 (TrueType)", HKEY_CURRENT_USER), folder + name);
    EXPECT_EQ(font_value("探针黑体 (TrueType)"), "<none>");  // the machine's key untouched
    EXPECT_FALSE(file_exists(fonts_folder() + name));
    EXPECT_TRUE(installed_as(test_font("ProbeHei.ttf"), name, FontScope::User));
    EXPECT_FALSE(installed_as(test_font("ProbeHei.ttf"), name, FontScope::Machine));
    EXPECT_TRUE(is_registered_file(folder + name));

    // The same face for every user as well (as another installer puts it
    // there): one entry, the machine's. The program itself installs the same
    // bytes once.
    std::string machine_name = "ProbeSans.ttf";
    std::string user_name = "ProbeSans.ttf";
    ASSERT_TRUE(install_font(test_font("ProbeSans.ttf"), user_name, FontScope::User).ok());
    std::string again = machine_name;
    EXPECT_EQ(install_font(test_font("ProbeSans.ttf"), again, FontScope::Machine).status,
              InstallStatus::AlreadyInstalled);
    EXPECT_FALSE(file_exists(fonts_folder() + machine_name));
    ASSERT_TRUE(CopyFileA(test_font("ProbeSans.ttf").c_str(),
                          (fonts_folder() + machine_name).c_str(), FALSE));
    test::set_font_value("ProbeSans (TrueType)", machine_name);
    FontInventory inventory = read_installed_fonts();
    int hei = inventory.find("探针黑体"), sans = inventory.find("ProbeSans");
    ASSERT_NE(hei, 0);
    ASSERT_NE(sans, 0);
    EXPECT_EQ(inventory.scope(hei), FontScope::User);
    EXPECT_EQ(inventory.file_path(hei), folder + name);
    EXPECT_EQ(inventory.scope(sans), FontScope::Machine);
    EXPECT_EQ(inventory.file_path(sans), fonts_folder() + machine_name);

    EXPECT_TRUE(unregister_font(folder + name, "探针黑体 (TrueType)", FontScope::User));
    EXPECT_EQ(font_value("探针黑体 (TrueType)", HKEY_CURRENT_USER), "<none>");
    EXPECT_TRUE(unregister_font(folder + user_name, "ProbeSans (TrueType)", FontScope::User));
    EXPECT_EQ(font_value("ProbeSans (TrueType)"), machine_name);  // the machine's value stays
    EXPECT_TRUE(
        unregister_font(fonts_folder() + machine_name, "ProbeSans (TrueType)", FontScope::Machine));
    DeleteFileA((folder + name).c_str());
    DeleteFileA((folder + user_name).c_str());
    DeleteFileA((fonts_folder() + machine_name).c_str());
}

TEST(PerUserFonts, AHeldFileIsUnregisteredAndDeletedAtTheNextStart) {
    const std::string bin = temp_folder("yq-bin-user");
    const std::string list = temp_folder("yq-leftovers") + "leftovers.txt";
    const std::string& folder = fonts_folder(FontScope::User);
    std::string name = "ProbeSong.ttf";
    ASSERT_TRUE(install_font(test_font("ProbeSong.ttf"), name, FontScope::User).ok());
    const std::string path = folder + name, original = read_file(path);

    // Without a leftover list a held file is put back, as a machine font is.
    set_leftover_list_file("");
    {
        win::UniqueFile held(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        EXPECT_EQ(remove_font_into_bin(path, "探针宋体 (TrueType)", FontScope::User, bin, name),
                  RemovalOutcome::NotRemoved);
        EXPECT_EQ(font_value("探针宋体 (TrueType)", HKEY_CURRENT_USER), path);
        EXPECT_FALSE(file_exists(bin + name));

        set_leftover_list_file(list);
        EXPECT_EQ(remove_font_into_bin(path, "探针宋体 (TrueType)", FontScope::User, bin, name),
                  RemovalOutcome::RemovedFileLater);
        EXPECT_EQ(font_value("探针宋体 (TrueType)", HKEY_CURRENT_USER), "<none>");
        EXPECT_EQ(read_file(bin + name), original);
        EXPECT_TRUE(file_exists(path));
        // Still held at a start: the file stays listed.
        delete_leftover_fonts();
        EXPECT_TRUE(file_exists(path));
        EXPECT_EQ(read_file(list), path + "\r\n");
    }
    // A listed file outside the user's Fonts folder is never deleted, nor
    // one that a key names again.
    const std::string stranger = temp_folder("yq-leftovers") + "stranger.ttf";
    ASSERT_TRUE(test::write_file(stranger, "not ours"));
    std::string again = "ProbeZero.ttf";
    ASSERT_TRUE(install_font(test_font("ProbeZero.ttf"), again, FontScope::User).ok());
    ASSERT_TRUE(
        test::write_file(list, path + "\r\n" + stranger + "\r\n" + folder + again + "\r\n"));
    delete_leftover_fonts();
    EXPECT_FALSE(file_exists(path));
    EXPECT_EQ(read_file(stranger), "not ours");
    EXPECT_TRUE(file_exists(folder + again));
    EXPECT_FALSE(file_exists(list));  // nothing left to delete later

    // Lines that step out of the folder, name a folder or a device, or
    // resolve to another name: nothing is touched, and the list lets go of
    // them. (The Fonts folder lies three levels below %LOCALAPPDATA%, as
    // does the temporary folder's document.)
    const std::string docs = temp_folder("yq-docs");
    ASSERT_TRUE(test::write_file(docs + "论文.docx", "the user's own work"));
    const std::string keep = folder + "keep.ttf";
    ASSERT_TRUE(test::write_file(keep, "a font file nobody listed"));
    CreateDirectoryA((folder + "sub").c_str(), nullptr);
    ASSERT_TRUE(test::write_file(folder + "sub\\inside.ttf", "inside"));
    std::string hostile;
    for (std::string line : {folder + "../../../Temp/yq-docs/论文.docx",
                             folder + "..\\..\\..\\Temp\\yq-docs\\论文.docx",
                             folder.substr(0, folder.size() - 1) + "\\..\\Fonts\\keep.ttf",
                             folder + ".\\keep.ttf", folder + "keep.ttf.", folder + "keep.ttf ",
                             folder + "sub", folder + "sub\\", folder + "CON", folder + "nul.ttf",
                             docs + "论文.docx"}) {
        hostile += line + "\r\n";
    }
    ASSERT_TRUE(test::write_file(list, hostile));
    delete_leftover_fonts();
    EXPECT_EQ(read_file(docs + "论文.docx"), "the user's own work");
    EXPECT_EQ(read_file(keep), "a font file nobody listed");
    EXPECT_EQ(read_file(folder + "sub\\inside.ttf"), "inside");
    EXPECT_FALSE(file_exists(list));
    DeleteFileA(keep.c_str());

    EXPECT_TRUE(unregister_font(folder + again, "0ProbeZero (TrueType)", FontScope::User));
    DeleteFileA((folder + again).c_str());
    set_leftover_list_file("");
}

}  // namespace
}  // namespace yq
