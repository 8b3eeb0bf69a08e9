// The fonts registry key read into the inventory under Wine, and our face
// names checked against the families Wine's GDI enumerates (Chinese locale).
#include "fonts/win/face_names.h"
#include "fonts/win/installed_fonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "base/text.h"
#include "fonts/face_cache.h"
#include "fonts/win/font_primitives.h"
#include "platform/sfnt/face_name.h"
#include "tests/win/fonts/test_fonts.h"

namespace yq {
namespace {

using test::test_font;

int position_of(const std::vector<test::FontValue>& values, const std::string& gbk_name) {
    std::u16string u = gbk_to_utf16(gbk_name);
    std::wstring w(u.begin(), u.end());
    for (size_t i = 0; i < values.size(); ++i) {
        if (values[i].name == w) return static_cast<int>(i);
    }
    return -1;
}

// Wine enumerates a key's values sorted by name, Windows in the order they
// were written: the names below are written in their sorted order, so the
// long ones come between the others either way.
TEST(InstalledFonts, ValuesTooLongForSmallBuffersDoNotEndTheListing) {
    std::string long_name = "ProbeB" + std::string(300, 'x') + " (TrueType)";
    std::string long_data = "C:\\" + std::string(400, 'd') + ".ttf";
    test::set_font_value("ProbeA (TrueType)", test_font("ProbeSans.ttf"));
    test::set_font_value(long_name, test_font("ProbeLast.ttf"));
    test::set_font_value("ProbeBLongData (TrueType)", long_data);
    test::set_font_value("ProbeC (TrueType)", test_font("ProbeTwo.ttf"));
    auto values = test::font_values();
    int early = position_of(values, "ProbeA (TrueType)");
    int long_at = position_of(values, long_name);
    int late = position_of(values, "ProbeC (TrueType)");
    ASSERT_TRUE(early >= 0 && early < long_at && long_at < late)
        << early << " " << long_at << " " << late;

    FontInventory inventory = read_installed_fonts();
    int p = inventory.find("ZProbeLast");
    ASSERT_NE(p, 0);
    EXPECT_EQ(inventory.value_name(p), long_name);
    EXPECT_EQ(inventory.file_path(p), test_font("ProbeLast.ttf"));
    EXPECT_NE(inventory.find("ProbeSans"), 0);
    EXPECT_NE(inventory.find("2ProbeTwo"), 0);
    EXPECT_LT(inventory.find("ProbeSans"), p);
    EXPECT_LT(p, inventory.find("2ProbeTwo"));
    for (int i = 1; i <= inventory.count(); ++i)
        EXPECT_NE(inventory.value_name(i), "ProbeBLongData (TrueType)");

    for (auto& name :
         {std::string("ProbeA (TrueType)"), long_name, std::string("ProbeBLongData (TrueType)"),
          std::string("ProbeC (TrueType)")}) {
        test::delete_font_value(name);
    }
}

TEST(InstalledFonts, BareNamesResolveToTheFontsFolderAndTheFirstValueOfAFaceWins) {
    std::string in_folder = fonts_folder() + "ProbeUnderscore.ttf";
    ASSERT_TRUE(CopyFileA(test_font("ProbeUnderscore.ttf").c_str(), in_folder.c_str(), FALSE));
    test::set_font_value("_ProbeUnderscore (TrueType)", "ProbeUnderscore.ttf");
    test::set_font_value("_ProbeUnderscore2 (TrueType)", test_font("ProbeUnderscore.ttf"));
    test::set_font_value("ProbeMissing (TrueType)", "ProbeMissing.ttf");
    test::set_font_value("ProbeNotAFont (TrueType)", test_font("NotAFont.ttf"));

    FontInventory inventory = read_installed_fonts();
    int p = inventory.find("_ProbeUnderscore");
    ASSERT_NE(p, 0);
    EXPECT_EQ(inventory.file_path(p), in_folder);
    EXPECT_EQ(inventory.value_name(p), "_ProbeUnderscore (TrueType)");
    std::set<std::string> faces;
    for (int i = 1; i <= inventory.count(); ++i) {
        EXPECT_TRUE(faces.insert(inventory.face_name(i)).second) << inventory.face_name(i);
        EXPECT_FALSE(inventory.face_name(i).empty());
        EXPECT_NE(inventory.value_name(i), "_ProbeUnderscore2 (TrueType)");
        EXPECT_NE(inventory.value_name(i), "ProbeMissing (TrueType)");
        EXPECT_NE(inventory.value_name(i), "ProbeNotAFont (TrueType)");
    }
    for (auto* name : {"_ProbeUnderscore (TrueType)", "_ProbeUnderscore2 (TrueType)",
                       "ProbeMissing (TrueType)", "ProbeNotAFont (TrueType)"}) {
        test::delete_font_value(name);
    }
}

TEST(InstalledFonts, RemembersFaceNamesOnlyForUnchangedFiles) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string path = std::string(temp) + "ProbeCached.ttf";
    ASSERT_TRUE(CopyFileA(test_font("ProbeSans.ttf").c_str(), path.c_str(), FALSE));
    std::string p = path;
    // A file locked for a moment gives no name, and that is not remembered.
    HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(cached_face_name(p), "");
    CloseHandle(lock);
    EXPECT_EQ(cached_face_name(p), "ProbeSans");
    EXPECT_EQ(cached_face_name(p), "ProbeSans");
    // Another font under the same name: a new size and write time.
    ASSERT_TRUE(test::write_file(path, test::read_file(test_font("ProbeCff.otf"))));
    EXPECT_EQ(cached_face_name(p), "ProbeCff");
    ASSERT_TRUE(DeleteFileA(path.c_str()));
    EXPECT_EQ(cached_face_name(p), "");
    std::string bare = "ProbeNoSuchCached.ttf";
    EXPECT_EQ(cached_face_name(bare), "");
    EXPECT_EQ(bare, fonts_folder() + "ProbeNoSuchCached.ttf");
}

// The stored cache: names of unchanged files come from it without the files
// being opened; a changed file, or a damaged cache, is read again.
TEST(InstalledFonts, StoredFaceNamesServeUnchangedFilesOnlyAndADamagedStoreIsReplaced) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string store = std::string(temp) + "ProbeFaceStore.dat";
    std::string font = std::string(temp) + "ProbeStored.ttf";
    ASSERT_TRUE(CopyFileA(test_font("ProbeSans.ttf").c_str(), font.c_str(), FALSE));
    test::set_font_value("ProbeStored (TrueType)", font);
    DeleteFileA(store.c_str());
    set_face_cache_file(store);
    clear_face_name_cache();

    ASSERT_NE(read_installed_fonts().find("ProbeSans"), 0);
    FaceCache stored;
    ASSERT_TRUE(parse_face_cache(as_span(test::read_file(store)), stored));
    ASSERT_TRUE(stored.count(font));
    EXPECT_EQ(stored[font].face, "ProbeSans");

    // A name only the store knows shows that the file was not opened.
    stored[font].face = "ProbeFromStore";
    ASSERT_TRUE(test::write_file(store, serialize_face_cache(stored)));
    clear_face_name_cache();
    FontInventory inventory = read_installed_fonts();
    EXPECT_NE(inventory.find("ProbeFromStore"), 0);
    EXPECT_EQ(inventory.find("ProbeSans"), 0);

    // The same file with a new write time is read again.
    HANDLE h =
        CreateFileA(font.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME later{0x12345678, 0x01E00000};
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &later));
    CloseHandle(h);
    clear_face_name_cache();
    EXPECT_NE(read_installed_fonts().find("ProbeSans"), 0);

    // Garbage in the store: ignored, and a good store written in its place.
    ASSERT_TRUE(test::write_file(store, "YQFACES1 not a cache at all"));
    clear_face_name_cache();
    EXPECT_NE(read_installed_fonts().find("ProbeSans"), 0);
    ASSERT_TRUE(parse_face_cache(as_span(test::read_file(store)), stored));
    EXPECT_EQ(stored[font].face, "ProbeSans");

    set_face_cache_file("");
    test::delete_font_value("ProbeStored (TrueType)");
    DeleteFileA(font.c_str());
    DeleteFileA(store.c_str());
}

// The licence comes out of the read that gives the face name and is kept in
// the store; an entry whose licence was not read (as every entry of an older
// store) keeps its name, and its font is read once when the licence is asked for.
TEST(InstalledFonts, LicencesAreStoredWithTheFaceNamesAndAnUnreadOneIsReadOnce) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string store = std::string(temp) + "ProbeLicenceStore.dat";
    std::string font = std::string(temp) + "ProbeLicence.ttf";
    ASSERT_TRUE(CopyFileA(test_font("ProbeSans.ttf").c_str(), font.c_str(), FALSE));
    DeleteFileA(store.c_str());
    set_face_cache_file(store);
    clear_face_name_cache();

    // A DejaVu copy: its licence description names its free licences.
    std::vector<std::string> paths{font};
    ASSERT_EQ(face_names_of(paths), std::vector<std::string>{"ProbeSans"});
    FaceCache stored;
    ASSERT_TRUE(parse_face_cache(as_span(test::read_file(store)), stored));
    ASSERT_TRUE(stored.count(font));
    EXPECT_TRUE(stored[font].licence_read);
    EXPECT_EQ(stored[font].licence.kind, LicenceClass::kFree);
    EXPECT_EQ(stored[font].licence.first_line.substr(0, 14), "Fonts are (c) ");
    EXPECT_TRUE(cached_face_licence(font) == stored[font].licence);

    // A licence only the store knows shows that the file was not opened.
    const LicenceSummary only_stored{LicenceClass::kRestricted, "ProbeFromStore"};
    stored[font].licence = only_stored;
    ASSERT_TRUE(test::write_file(store, serialize_face_cache(stored)));
    clear_face_name_cache();
    EXPECT_TRUE(cached_face_licence(font) == only_stored);

    // Not read: the stored name serves, the licence is read from the file
    // once and the next listing stores it beside the name.
    stored[font].face = "ProbeNameFromStore";
    stored[font].licence_read = false;
    stored[font].licence = {};
    ASSERT_TRUE(test::write_file(store, serialize_face_cache(stored)));
    clear_face_name_cache();
    EXPECT_EQ(face_names_of(paths), std::vector<std::string>{"ProbeNameFromStore"});
    EXPECT_EQ(cached_face_licence(font).kind, LicenceClass::kFree);
    EXPECT_EQ(face_names_of(paths), std::vector<std::string>{"ProbeNameFromStore"});
    ASSERT_TRUE(parse_face_cache(as_span(test::read_file(store)), stored));
    EXPECT_EQ(stored[font].face, "ProbeNameFromStore");
    EXPECT_TRUE(stored[font].licence_read);
    EXPECT_EQ(stored[font].licence.kind, LicenceClass::kFree);

    set_face_cache_file("");
    clear_face_name_cache();
    DeleteFileA(font.c_str());
    DeleteFileA(store.c_str());
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

TEST(InstalledFonts, FaceNamesAgreeWithWineGdi) {
    std::vector<std::string> files;
    yq::test::collect_files("Z:\\usr\\share\\fonts", files);
    ASSERT_GT(files.size(), 10u);

    // Wine's own values: file (lower case) -> value names without " (TrueType)".
    std::map<std::string, std::set<std::string>> registered;
    for (const auto& v : test::font_values()) {
        std::u16string name(v.name.begin(), v.name.end()), data(v.data.begin(), v.data.end());
        std::string n = utf16_to_gbk(name);
        const std::string suffix = kTrueTypeSuffix;
        if (n.size() > suffix.size() &&
            n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0) {
            n.resize(n.size() - suffix.size());
        }
        registered[lower(utf16_to_gbk(data))].insert(n);
    }

    int checked = 0, registered_checked = 0;
    for (const std::string& file : files) {
        std::string face = sfnt::read_face_name_from_file(file);
        EXPECT_FALSE(face.empty()) << file << ": no face name read";
        if (face.empty()) continue;
        ++checked;
        EXPECT_TRUE(test::gdi_has_family(face))
            << file << ": GDI has no family \"" << gbk_to_utf8(face) << "\"";
        auto it = registered.find(lower(file));
        if (it == registered.end()) continue;
        ++registered_checked;
        // Wine names each value by a face's full name: mostly the family
        // followed by the style ("DejaVu Sans Bold"), but a family name cut
        // short for old systems ("Noto Sans AnatoHiero") has a full name of
        // its own, which GDI gives for the faces of that family.
        std::vector<std::string> full = test::gdi_full_names(face);
        bool named = false;
        std::string names;
        for (const auto& n : it->second) {
            named = named || n == face || n.rfind(face + " ", 0) == 0 ||
                    std::find(full.begin(), full.end(), n) != full.end();
            names += " \"" + gbk_to_utf8(n) + "\"";
        }
        EXPECT_TRUE(named) << file << ": no value is named \"" << gbk_to_utf8(face)
                           << "\", that and a style, or the full name of one of its faces:"
                           << names;
    }
    std::printf("compared %d files with GDI, %d with Wine's registry values\n", checked,
                registered_checked);
    EXPECT_GT(checked, 10);
    EXPECT_GT(registered_checked, 10);
}

}  // namespace
}  // namespace yq
