#include "fonts/inventory_model.h"

#include <gtest/gtest.h>

#include <random>

namespace yq {
namespace {

// The scope the test inventories give a face: a rule of the name, so that
// it can be checked after a reordering.
FontScope scope_of_face(const std::string& face) {
    return (face.back() & 1) ? FontScope::User : FontScope::Machine;
}

// Narrow literals are GBK bytes in this build.
FontInventory inventory_of(const std::vector<std::string>& faces) {
    FontInventory inv;
    for (const std::string& f : faces)
        inv.append(f, "C:\\Fonts\\" + f + ".ttf", f + " (TrueType)", scope_of_face(f));
    return inv;
}

std::vector<std::string> faces_of(const FontInventory& inv) {
    std::vector<std::string> faces;
    for (int p = 1; p <= inv.count(); ++p) faces.push_back(inv.face_name(p));
    return faces;
}

std::vector<std::string> placed_faces(const FontInventory& inv, const std::vector<int>& placement) {
    std::vector<std::string> faces;
    for (int p : placement) faces.push_back(inv.face_name(p));
    return faces;
}

// The lists still belong together.
void expect_lists_in_step(const FontInventory& inv) {
    for (int p = 1; p <= inv.count(); ++p) {
        EXPECT_EQ(inv.scope(p), scope_of_face(inv.face_name(p)));
        EXPECT_EQ(inv.file_path(p), "C:\\Fonts\\" + inv.face_name(p) + ".ttf");
        EXPECT_EQ(inv.value_name(p), inv.face_name(p) + " (TrueType)");
        EXPECT_EQ(inv.find(inv.face_name(p)), p);
    }
}

TEST(FontInventory, SkipsEmptyAndRepeatedFacesAndFindsByExactName) {
    FontInventory inv;
    EXPECT_TRUE(inv.append("宋体", "C:\\Windows\\Fonts\\simsun.ttc", "宋体 & 新宋体 (TrueType)"));
    EXPECT_FALSE(inv.append("", "C:\\x.ttf", "x (TrueType)"));
    EXPECT_TRUE(inv.append("Arial", "C:\\Windows\\Fonts\\arial.ttf", "Arial (TrueType)"));
    EXPECT_FALSE(inv.append("宋体", "D:\\other.ttf", "Other (TrueType)"));  // first one wins
    ASSERT_EQ(inv.count(), 2);
    EXPECT_EQ(inv.find("宋体"), 1);
    EXPECT_EQ(inv.file_path(1), "C:\\Windows\\Fonts\\simsun.ttc");
    EXPECT_EQ(inv.value_name(1), "宋体 & 新宋体 (TrueType)");
    EXPECT_EQ(inv.find("Arial"), 2);
    EXPECT_EQ(inv.find("arial"), 0);  // case-sensitive
    EXPECT_EQ(inv.find("Arial "), 0);
    EXPECT_EQ(inv.find(""), 0);
    EXPECT_EQ(inv.face_name(0), "");
    EXPECT_EQ(inv.face_name(3), "");
    EXPECT_EQ(inv.file_path(-1), "");
    inv.clear();
    EXPECT_EQ(inv.count(), 0);
    EXPECT_EQ(inv.find("Arial"), 0);
    EXPECT_TRUE(inv.append("宋体", "x", "y"));  // a cleared inventory forgets its faces
}

TEST(FontInventory, PermuteRejectsAnythingButAPermutation) {
    FontInventory inv = inventory_of({"A", "B", "C"});
    EXPECT_FALSE(inv.permute({0, 1}));
    EXPECT_FALSE(inv.permute({0, 0, 1}));
    EXPECT_FALSE(inv.permute({0, 1, 3}));
    EXPECT_FALSE(inv.permute({-1, 0, 1}));
    EXPECT_EQ(faces_of(inv), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_TRUE(inv.permute({2, 0, 1}));
    EXPECT_EQ(faces_of(inv), (std::vector<std::string>{"C", "A", "B"}));
    expect_lists_in_step(inv);
}

TEST(ChineseInitial, AcceptsTheGbkIdeographAreasOnly) {
    for (const char* yes : {"宋体", "丂", "\x81\x40", "\xA0\xFE", "\xAA\x40", "\xFE\xA0",
                            "\xB0\xA1", "\xF7\xFE", "黑体 Bold"}) {
        EXPECT_TRUE(starts_with_chinese(yes)) << yes;
    }
    for (const char* no : {"", "\xCB", "Arial", "A宋", "\xA1\xA1", "\xA3\xC1", "\xA9\xA4",
                           "\xAA\xA1", "\xF8\xA1", "\xFE\xFE", "@宋体", "\x81\x3F"}) {
        EXPECT_FALSE(starts_with_chinese(no)) << no;
    }
}

TEST(InitialKey, LettersDigitsVerticalFacesAndHanzi) {
    EXPECT_EQ(initial_key("Arial"), 'A');
    EXPECT_EQ(initial_key("arial"), 'A');
    EXPECT_EQ(initial_key("zapf"), 'Z');
    const std::pair<const char*, char> digits[] = {{"1", 'Y'}, {"2", 'E'}, {"3", 'S'}, {"4", 'S'},
                                                   {"5", 'W'}, {"6", 'L'}, {"7", 'Q'}, {"8", 'B'},
                                                   {"9", 'J'}, {"0", 'S'}};
    for (const auto& [text, letter] : digits) EXPECT_EQ(initial_key(text), letter) << text;
    EXPECT_EQ(initial_key("@宋体"), kVerticalFaceKey);
    EXPECT_EQ(initial_key("@Arial"), kVerticalFaceKey);
    for (const char* zero : {"", "_x", "-", " A", "?", "\x7F", "Ａ", "\xA1\xA1", "丂", "\xCB"}) {
        EXPECT_EQ(initial_key(zero), 0) << zero;
    }
    EXPECT_EQ(initial_key("宋体"), 'S');
    EXPECT_EQ(initial_key("黑体"), 'H');
    EXPECT_EQ(initial_key("鼾"), 'H');  // level 2
    EXPECT_EQ(initial_key("亍"), 'C');
    EXPECT_EQ(initial_key("仿宋_GB2312"), 'F');
}

TEST(ListingOrder, ChineseFirstListsChineseFacesFirstAndLeavesOutVerticalOnes) {
    FontInventory inv = inventory_of({"Arial", "@宋体", "宋体", "_Sym", "楷体", "@Arial", "Zed"});
    std::vector<int> placement = order_for_listing(inv, ListingOrder::ChineseFirst);
    EXPECT_EQ(placed_faces(inv, placement),
              (std::vector<std::string>{"宋体", "楷体", "Arial", "_Sym", "Zed"}));
    EXPECT_EQ(faces_of(inv)[0], "Arial");  // not reordered
}

TEST(ListingOrder, InitialLetterSortsTheInventoryStablyByKey) {
    FontInventory inv = inventory_of(
        {"Zed", "宋体", "2D", "@宋体", "0Fun", "_x", "arial", "Apple", "黑体", "Echo"});
    std::vector<int> placement = order_for_listing(inv, ListingOrder::InitialLetter);
    // _x has key 0 and comes first; 2D sorts under E, 0Fun under S; equal keys
    // keep their old order; @宋体 (key 255) ends the inventory but is not placed.
    EXPECT_EQ(faces_of(inv), (std::vector<std::string>{"_x", "arial", "Apple", "2D", "Echo", "黑体",
                                                       "宋体", "0Fun", "Zed", "@宋体"}));
    EXPECT_EQ(placed_faces(inv, placement),
              (std::vector<std::string>{"_x", "arial", "Apple", "2D", "Echo", "黑体", "宋体",
                                        "0Fun", "Zed"}));
    expect_lists_in_step(inv);

    // Back to Chinese-first: the sorted inventory order holds until a rebuild.
    placement = order_for_listing(inv, ListingOrder::ChineseFirst);
    EXPECT_EQ(placed_faces(inv, placement),
              (std::vector<std::string>{"黑体", "宋体", "_x", "arial", "Apple", "2D", "Echo",
                                        "0Fun", "Zed"}));
}

TEST(ListingOrder, NewestFirstListsEveryFaceAndUnreadableDatesLast) {
    FontInventory inv = inventory_of({"Old", "@宋体", "New", "Unknown", "Mid", "AlsoMid", "Short"});
    // "Short" has no date at all: the caller gave fewer dates than fonts.
    std::vector<FontDate> dates = {100, 300, 900, std::nullopt, 500, 500};
    std::vector<int> placement = order_for_listing(inv, ListingOrder::NewestFirst, dates);
    EXPECT_EQ(faces_of(inv), (std::vector<std::string>{"New", "Mid", "AlsoMid", "@宋体", "Old",
                                                       "Unknown", "Short"}));
    EXPECT_EQ(placement, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    expect_lists_in_step(inv);
}

TEST(SystemFontGrid, FiveFontsFillThreeRowsAndClearTheLastRightHalf) {
    FontInventory inv = inventory_of({"A1", "B1", "C1", "D1", "E1"});
    SystemFontGridLayout layout =
        lay_out_system_font_grid(inv, order_for_listing(inv, ListingOrder::ChineseFirst));
    EXPECT_EQ(layout.row_count, 3);
    EXPECT_EQ(layout.placed, 5);
    EXPECT_EQ(layout.label, "系统字体数:5");
    ASSERT_EQ(layout.slots.size(), 6u);
    const int rows[] = {0, 0, 1, 1, 2}, halves[] = {0, 1, 0, 1, 0};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(layout.slots[k].row, rows[k]);
        EXPECT_EQ(layout.slots[k].half, halves[k]);
        EXPECT_EQ(layout.slots[k].position, k + 1);
        EXPECT_EQ(layout.slots[k].face_name, inv.face_name(k + 1));
    }
    // The right half of row 2 is cleared, so a font from an earlier, longer
    // fill does not stay listed there.
    EXPECT_EQ(layout.slots[5].row, 2);
    EXPECT_EQ(layout.slots[5].half, 1);
    EXPECT_EQ(layout.slots[5].position, 0);
    EXPECT_EQ(layout.slots[5].face_name, "");
}

TEST(SystemFontGrid, OneFontGivesOneRowAndNoFontsOneEmptyRowWithoutLabel) {
    FontInventory one = inventory_of({"宋体"});
    SystemFontGridLayout layout = lay_out_system_font_grid(one, {1});
    EXPECT_EQ(layout.row_count, 1);
    EXPECT_EQ(layout.label, "系统字体数:1");
    ASSERT_EQ(layout.slots.size(), 2u);
    EXPECT_EQ(layout.slots[0].face_name, "宋体");
    EXPECT_EQ(layout.slots[0].half, 0);

    FontInventory empty;
    layout = lay_out_system_font_grid(empty, order_for_listing(empty, ListingOrder::InitialLetter));
    EXPECT_EQ(layout.row_count, 1);
    EXPECT_EQ(layout.placed, 0);
    EXPECT_EQ(layout.label, "");  // the label keeps its caption
    ASSERT_EQ(layout.slots.size(), 1u);
    EXPECT_EQ(layout.slots[0].row, 0);
    EXPECT_EQ(layout.slots[0].half, 0);
    EXPECT_EQ(layout.slots[0].face_name, "");

    // Only vertical faces: nothing is placed in Chinese-first order.
    FontInventory vertical = inventory_of({"@宋体", "@黑体"});
    layout =
        lay_out_system_font_grid(vertical, order_for_listing(vertical, ListingOrder::ChineseFirst));
    EXPECT_EQ(layout.placed, 0);
    EXPECT_EQ(layout.row_count, 1);
}

// The insertion sort the orders are defined by: entry i moves towards the
// front while the entry before it must come after it.
template <typename After>
std::vector<std::string> insertion_sorted(std::vector<std::string> faces, std::vector<int64_t> keys,
                                          After after) {
    for (size_t i = 1; i < faces.size(); ++i) {
        for (size_t j = i; j > 0 && after(keys[j - 1], keys[j]); --j) {
            std::swap(faces[j - 1], faces[j]);
            std::swap(keys[j - 1], keys[j]);
        }
    }
    return faces;
}

std::vector<std::string> random_faces(size_t n, std::mt19937& rng) {
    const std::vector<std::string> starts = {"宋", "黑", "楷", "仿", "隶",      "圆", "鼾",
                                             "亍", "丂", "@",  "_",  "0",       "2",  "7",
                                             "A",  "m",  "Z",  "-",  "\xA1\xA1"};
    std::vector<std::string> faces;
    FontInventory seen;
    while (faces.size() < n) {
        std::string f = starts[rng() % starts.size()] + std::to_string(rng() % 100000);
        if (seen.append(f, "", "")) faces.push_back(f);
    }
    return faces;
}

TEST(ListingOrder, LargeInventoriesSortAsTheInsertionSortWould) {
    std::mt19937 rng(20240601);
    std::vector<std::string> faces = random_faces(3000, rng);

    FontInventory inv = inventory_of(faces);
    std::vector<int64_t> keys;
    for (const std::string& f : faces) keys.push_back(initial_key(f));
    order_for_listing(inv, ListingOrder::InitialLetter);
    EXPECT_EQ(faces_of(inv),
              insertion_sorted(faces, keys, [](int64_t a, int64_t b) { return a > b; }));
    expect_lists_in_step(inv);

    // Dates with many ties and some unreadable (-1 in the reference: oldest).
    inv = inventory_of(faces);
    std::vector<FontDate> dates;
    std::vector<int64_t> date_keys;
    for (size_t i = 0; i < faces.size(); ++i) {
        int64_t d = rng() % 50;
        dates.push_back(d == 0 ? FontDate() : FontDate(d * 1000));
        date_keys.push_back(d == 0 ? -1 : d * 1000);
    }
    order_for_listing(inv, ListingOrder::NewestFirst, dates);
    EXPECT_EQ(faces_of(inv), insertion_sorted(faces, date_keys, [](int64_t a, int64_t b) {
                  return a < b;  // the entry before is older
              }));
    expect_lists_in_step(inv);
}

}  // namespace
}  // namespace yq
