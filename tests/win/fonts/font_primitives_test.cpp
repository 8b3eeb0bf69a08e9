// Font install, uninstall and the face-name readers under Wine, on the test
// fonts of make_test_fonts.py (every face name unique to these tests).
#include "fonts/win/font_primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

#include "tests/win/fonts/test_fonts.h"

namespace yq {
namespace {

using test::file_exists;
using test::font_value;
using test::gdi_has_family;
using test::read_file;
using test::test_font;

TEST(FontInstall, CopiesUnderStrippedNameRegistersFaceAndLoadsIt) {
    std::string source = test_font("Probe Sans Wide.ttf");
    std::string name = "Probe Sans Wide.ttf";
    ASSERT_FALSE(gdi_has_family("Probe Sans Wide"));
    ASSERT_TRUE(install_font(source, name).ok());
    EXPECT_EQ(name, "ProbeSansWide.ttf");
    EXPECT_EQ(read_file(fonts_folder() + "ProbeSansWide.ttf"), read_file(source));
    EXPECT_FALSE(file_exists(fonts_folder() + "Probe Sans Wide.ttf"));
    EXPECT_EQ(font_value("ProbeSansWide (TrueType)"), "ProbeSansWide.ttf");
    EXPECT_EQ(font_value("Probe Sans Wide (TrueType)"), "<none>");
    EXPECT_TRUE(gdi_has_family("Probe Sans Wide"));  // usable without a restart
}

TEST(FontInstall, FullWidthSpaceLeavesTheValueNameAndCollectionsAndCffWork) {
    std::string name = "ProbeFullWidth.ttf";
    ASSERT_TRUE(install_font(test_font("ProbeFullWidth.ttf"), name).ok());
    EXPECT_EQ(font_value("探针宽体 (TrueType)"), "ProbeFullWidth.ttf");
    EXPECT_TRUE(gdi_has_family("探针　宽体"));

    name = "ProbePair.ttc";
    ASSERT_TRUE(install_font(test_font("ProbePair.ttc"), name).ok());
    EXPECT_EQ(font_value("ProbePairA (TrueType)"), "ProbePair.ttc");
    EXPECT_TRUE(gdi_has_family("ProbePairA"));
    EXPECT_TRUE(gdi_has_family("ProbePairB"));

    name = "ProbeCff.otf";
    ASSERT_TRUE(install_font(test_font("ProbeCff.otf"), name).ok());
    EXPECT_EQ(font_value("ProbeCff (TrueType)"), "ProbeCff.otf");
    EXPECT_TRUE(gdi_has_family("ProbeCff"));
}

TEST(FontInstall, EmptyTargetTakesTheSourceNameAndNeverReplacesAnotherFontsFile) {
    std::string name;
    ASSERT_TRUE(install_font(test_font("ProbeSans.ttf"), name).ok());
    EXPECT_EQ(name, "ProbeSans.ttf");
    EXPECT_EQ(font_value("ProbeSans (TrueType)"), "ProbeSans.ttf");
    // The same bytes again are installed already: nothing to do, no failure.
    name = "Another Name.ttf";
    EXPECT_EQ(install_font(test_font("ProbeSans.ttf"), name).status,
              InstallStatus::AlreadyInstalled);
    EXPECT_FALSE(file_exists(fonts_folder() + "AnotherName.ttf"));

    // A file of that name holding another face, or no font at all, stays as
    // it is: the new font takes the next free numbered name.
    std::string target = fonts_folder() + "ProbeOver.ttf";
    ASSERT_TRUE(test::write_file(target, "an older file of the same name"));
    ASSERT_TRUE(CopyFileA(test_font("ProbeSong.ttf").c_str(),
                          (fonts_folder() + "ProbeOver_2.ttf").c_str(), FALSE));
    name = "ProbeOver.ttf";
    ASSERT_TRUE(install_font(test_font("ProbeHei.ttf"), name).ok());
    EXPECT_EQ(name, "ProbeOver_3.ttf");
    EXPECT_EQ(read_file(target), "an older file of the same name");
    EXPECT_EQ(read_file(fonts_folder() + "ProbeOver_2.ttf"), read_file(test_font("ProbeSong.ttf")));
    EXPECT_EQ(read_file(fonts_folder() + name), read_file(test_font("ProbeHei.ttf")));
    EXPECT_EQ(font_value("探针黑体 (TrueType)"), "ProbeOver_3.ttf");
}

// Every value of both fonts keys and every byte of the Fonts folder.
struct MachineFonts {
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::pair<std::string, std::string>> files;
    bool operator==(const MachineFonts&) const = default;
};
MachineFonts machine_fonts() {
    MachineFonts m;
    for (FontScope scope : {FontScope::Machine, FontScope::User})
        for (const FontValue& v : font_values(scope)) m.values.emplace_back(v.name, v.data);
    std::vector<std::string> files;
    test::collect_files(fonts_folder().substr(0, fonts_folder().size() - 1), files);
    for (const std::string& f : files) m.files.emplace_back(f, read_file(f));
    return m;
}

TEST(FontIdentity, NoFontTakesAnotherFontsFaceAndOurOwnIsUpdatedInItsOwnFile) {
    // 探针标体 as another installer left it: its file, its value, loaded.
    const std::string theirs = fonts_folder() + "pmark.ttf";
    ASSERT_TRUE(CopyFileA(test_font("ProbeMark.ttf").c_str(), theirs.c_str(), FALSE));
    test::set_font_value("探针标体 (TrueType)", "pmark.ttf");
    ASSERT_GT(AddFontResourceA(theirs.c_str()), 0);
    const MachineFonts before = machine_fonts();

    // Another font of the face under its own name or the other font's file
    // name, and a font of its English name only: refused, nothing written.
    for (auto [font, target] : {std::pair{"ProbeMarkImpostor.ttf", "pmark.ttf"},
                                {"ProbeMarkImpostor.ttf", "impostor.ttf"},
                                {"ProbeMarkAlias.ttf", "alias.ttf"}}) {
        std::string name = target;
        InstallResult r = install_font(test_font(font), name);
        EXPECT_EQ(r.status, InstallStatus::FaceTaken) << font << " as " << target;
        EXPECT_FALSE(r.taken_by.empty()) << font;
    }
    // The very same bytes are installed already.
    std::string name = "copy.ttf";
    EXPECT_EQ(install_font(test_font("ProbeMark.ttf"), name).status,
              InstallStatus::AlreadyInstalled);
    EXPECT_TRUE(machine_fonts() == before);

    RemoveFontResourceA(theirs.c_str());
    test::delete_font_value("探针标体 (TrueType)");
    DeleteFileA(theirs.c_str());

    // Installed by the program, a newer version replaces its own file and
    // value, whatever name it comes with.
    name = "ProbeMark.ttf";
    ASSERT_EQ(install_font(test_font("ProbeMark.ttf"), name).status, InstallStatus::Installed);
    name = "Newer Name.ttf";
    ASSERT_EQ(install_font(test_font("ProbeMarkNewer.ttf"), name).status, InstallStatus::Installed);
    EXPECT_EQ(name, "ProbeMark.ttf");
    EXPECT_EQ(read_file(fonts_folder() + "ProbeMark.ttf"),
              read_file(test_font("ProbeMarkNewer.ttf")));
    EXPECT_FALSE(file_exists(fonts_folder() + "NewerName.ttf"));
    EXPECT_EQ(font_value("探针标体 (TrueType)"), "ProbeMark.ttf");
    // Once someone else has replaced the file, it is no longer ours.
    ASSERT_TRUE(test::write_file(fonts_folder() + "ProbeMark.ttf",
                                 read_file(test_font("ProbeMark.ttf")) + "x"));
    name = "ProbeMark.ttf";
    EXPECT_EQ(install_font(test_font("ProbeMarkNewer.ttf"), name).status, InstallStatus::FaceTaken);
    RemoveFontResourceA((fonts_folder() + "ProbeMark.ttf").c_str());
    test::delete_font_value("探针标体 (TrueType)");
    DeleteFileA((fonts_folder() + "ProbeMark.ttf").c_str());
}

TEST(FontInstall, RefusesNamesOutsideTheFontsFolderAndFontsGdiWillNotLoad) {
    // Everything on drive C and the whole fonts key, before and after.
    std::vector<std::string> before_files;
    test::collect_files("C:", before_files);
    auto before = test::font_values();
    const char* hostile[] = {"..\\..\\evil.ttf",
                             "..\\evil.ttf",
                             "C:\\evil.ttf",
                             "a/b.ttf",
                             "CON",
                             "con.ttf",
                             "NUL .ttf",
                             "ctl\x01x.ttf",
                             "trailing.",
                             "dots. . ",
                             "\\\\?\\C:\\evil.ttf"};
    for (const char* h : hostile) {
        std::string name = h;
        EXPECT_FALSE(install_font(test_font("ProbeZero.ttf"), name).ok()) << h;
    }
    std::string name = "ProbeNameOnly.ttf";  // a face name, but nothing GDI can load
    EXPECT_FALSE(install_font(test_font("ProbeNameOnly.ttf"), name).ok());
    std::vector<std::string> after_files;
    test::collect_files("C:", after_files);
    EXPECT_EQ(after_files, before_files);
    auto after = test::font_values();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) EXPECT_TRUE(after[i].name == before[i].name);
}

TEST(FontInstall, NotAFontChangesNothing) {
    auto before = test::font_values();
    std::string name = "Not A Font.ttf";
    EXPECT_FALSE(install_font(test_font("NotAFont.ttf"), name).ok());
    EXPECT_EQ(name, "NotAFont.ttf");  // stripped all the same
    EXPECT_FALSE(file_exists(fonts_folder() + "NotAFont.ttf"));
    auto after = test::font_values();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) EXPECT_TRUE(after[i].name == before[i].name);

    name = "";
    EXPECT_FALSE(install_font(test_font("NoSuchFile.ttf"), name).ok());
    EXPECT_FALSE(file_exists(fonts_folder() + "NoSuchFile.ttf"));
}

TEST(FontInstall, LeavesTheFontsFolderAttributesAlone) {
    const std::string& folder = fonts_folder();
    std::string bare = folder.substr(0, folder.size() - 1);
    ASSERT_TRUE(SetFileAttributesA(bare.c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
    // Wine keeps the system attribute of a folder but not its read-only one.
    DWORD before = GetFileAttributesA(bare.c_str());
    ASSERT_TRUE(before & FILE_ATTRIBUTE_SYSTEM);
    std::string name = "ProbeLate.ttf";
    ASSERT_TRUE(install_font(test_font("ProbeLate.ttf"), name).ok());
    EXPECT_TRUE(file_exists(folder + "ProbeLate.ttf"));
    EXPECT_EQ(GetFileAttributesA(bare.c_str()), before);
    SetFileAttributesA(bare.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FontUninstall, RemovesTheValueAndKeepsTheFile) {
    std::string name = "ProbeSong.ttf";
    ASSERT_TRUE(install_font(test_font("ProbeSong.ttf"), name).ok());
    std::string installed = fonts_folder() + name;
    ASSERT_EQ(font_value("探针宋体 (TrueType)"), name);
    ASSERT_TRUE(gdi_has_family("探针宋体"));

    EXPECT_TRUE(uninstall_font(installed, "探针宋体 (TrueType)", FontScope::Machine));
    EXPECT_EQ(font_value("探针宋体 (TrueType)"), "<none>");
    EXPECT_TRUE(file_exists(installed));
    EXPECT_FALSE(gdi_has_family("探针宋体"));
}

TEST(FontUninstall, FontGdiHasNotLoadedFailsAndKeepsTheValue) {
    // A registered file that no process added: GDI has no resource to remove.
    std::string path = fonts_folder() + "ProbeTwo.ttf";
    ASSERT_TRUE(CopyFileA(test_font("ProbeTwo.ttf").c_str(), path.c_str(), FALSE));
    test::set_font_value("2ProbeTwo (TrueType)", "ProbeTwo.ttf");
    EXPECT_FALSE(uninstall_font(path, "2ProbeTwo (TrueType)", FontScope::Machine));
    EXPECT_EQ(font_value("2ProbeTwo (TrueType)"), "ProbeTwo.ttf");
    // The removal sequence falls back to the resource alone, which fails too,
    // but it has cleared the file's read-only attribute first.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(remove_installed_font(path, "2ProbeTwo (TrueType)", FontScope::Machine));
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              0u);
    EXPECT_EQ(font_value("2ProbeTwo (TrueType)"), "ProbeTwo.ttf");
    test::delete_font_value("2ProbeTwo (TrueType)");
}

// What 我的字体's 卸载 and the restores rely on: a font taken off the system
// keeps its file, and a restore knows whether its font has really arrived.
TEST(FontUnregister, KeepsTheFileAndARestoreSeesWhatArrived) {
    const std::string value = "@探针竖排 (TrueType)";
    std::string name = "ProbeVertical.ttf";
    ASSERT_TRUE(install_font(test_font("ProbeVertical.ttf"), name).ok());
    EXPECT_TRUE(installed_as(test_font("ProbeVertical.ttf"), name, FontScope::Machine));
    EXPECT_FALSE(installed_as(test_font("ProbeLate.ttf"), name,
                              FontScope::Machine));  // other bytes, another face
    EXPECT_TRUE(unregister_font(fonts_folder() + name, value, FontScope::Machine));
    EXPECT_EQ(font_value(value), "<none>");
    EXPECT_TRUE(file_exists(fonts_folder() + name));
    EXPECT_FALSE(installed_as(test_font("ProbeVertical.ttf"), name,
                              FontScope::Machine));  // no longer registered

    // Registered by another program and never loaded here: nothing holds it,
    // so its registration goes all the same.
    test::set_font_value(value, name);
    EXPECT_TRUE(installed_as(test_font("ProbeVertical.ttf"), name, FontScope::Machine));
    EXPECT_TRUE(unregister_font(fonts_folder() + name, value, FontScope::Machine));
    EXPECT_EQ(font_value(value), "<none>");
    EXPECT_TRUE(
        unregister_font(fonts_folder() + name, value, FontScope::Machine));  // already gone: done

    // The Fonts folder's copy differs from the source: not arrived.
    test::set_font_value(value, name);
    ASSERT_TRUE(
        test::write_file(fonts_folder() + name, read_file(test_font("ProbeVertical.ttf")) + "x"));
    EXPECT_FALSE(installed_as(test_font("ProbeVertical.ttf"), name, FontScope::Machine));
    test::delete_font_value(value);
    DeleteFileA((fonts_folder() + name).c_str());
}

TEST(FaceNameReaders, ListingReaderResolvesBareNamesAndReadsEveryKind) {
    std::string bare = "simsun.ttf";  // the template prefix's own 宋体
    EXPECT_EQ(listing_face_name(bare), "宋体");
    EXPECT_EQ(bare, fonts_folder() + "simsun.ttf");

    std::string absolute = test_font("ProbePair.ttc");
    const std::string unchanged = absolute;
    EXPECT_EQ(listing_face_name(absolute), "ProbePairA");
    EXPECT_EQ(absolute, unchanged);

    EXPECT_EQ(install_face_name(test_font("ProbeCff.otf")), "ProbeCff");
    EXPECT_EQ(install_face_name(test_font("ProbeVertical.ttf")), "@探针竖排");
    EXPECT_EQ(install_face_name(test_font("NotAFont.ttf")), "");
    std::string missing = "C:\\no\\such.ttf";
    EXPECT_EQ(listing_face_name(missing), "");
    EXPECT_EQ(missing, "C:\\no\\such.ttf");
}

TEST(FaceNameReaders, ThreadsReadTheSameNamesAsOneThread) {
    std::vector<std::string> files;
    char here[MAX_PATH];
    GetFullPathNameA("test-fonts", MAX_PATH, here, nullptr);
    yq::test::collect_files(
        here, files);  // absolute: the listing reader puts bare names in the Fonts folder
    yq::test::collect_files("Z:\\usr\\share\\fonts", files);
    ASSERT_GT(files.size(), 20u);
    std::vector<std::string> expected;
    for (const std::string& f : files) expected.push_back(install_face_name(f));
    EXPECT_GT(std::count_if(expected.begin(), expected.end(), [](auto& n) { return !n.empty(); }),
              20);

    constexpr int kThreads = 4;
    std::vector<std::vector<std::string>> got(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            // Each thread starts at a different file so that reads overlap.
            for (size_t i = 0; i < files.size(); ++i) {
                size_t k = (i + t * files.size() / kThreads) % files.size();
                std::string path = files[k];
                got[t].push_back(t % 2 ? listing_face_name(path) : install_face_name(path));
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(got[t].size(), files.size());
        for (size_t i = 0; i < files.size(); ++i) {
            size_t k = (i + t * files.size() / kThreads) % files.size();
            EXPECT_EQ(got[t][i], expected[k]) << files[k];
        }
    }
}

}  // namespace
}  // namespace yq
