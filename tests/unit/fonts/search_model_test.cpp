#include "fonts/search_model.h"

#include <gtest/gtest.h>

namespace yq {
namespace {

FontInventory inventory(std::initializer_list<const char*> faces) {
    FontInventory inv;
    for (const char* f : faces) inv.append(f, std::string("C:\\f\\") + f + ".ttf", f);
    return inv;
}

std::vector<std::string> faces_of(const FontInventory& inv, const std::vector<int>& positions) {
    std::vector<std::string> out;
    for (int p : positions) out.push_back(inv.face_name(p));
    return out;
}

TEST(Search, SubstringsOnCharacterBoundariesWithOrWithoutCase) {
    FontInventory inv = inventory({"DejaVu Sans", "Arial", "DejaVu Serif", "宋体", "黑体"});
    EXPECT_EQ(faces_of(inv, search_faces(inv, "dejavu", false)),
              (std::vector<std::string>{"DejaVu Sans", "DejaVu Serif"}));
    EXPECT_TRUE(search_faces(inv, "dejavu", true).empty());
    EXPECT_EQ(faces_of(inv, search_faces(inv, "DejaVu S", true)).size(), 2u);
    // 宋 is CB CE and 体 CC E5: CE CC spans the boundary and is no match,
    // though those bytes stand side by side in "宋体".
    EXPECT_TRUE(search_faces(inv, "\xCE\xCC", false).empty());
    EXPECT_EQ(faces_of(inv, search_faces(inv, "体", false)),
              (std::vector<std::string>{"宋体", "黑体"}));
    EXPECT_TRUE(search_faces(inv, "", false).empty());
}

TEST(Search, PinyinInitialsComeAfterThePlainMatchesEachFontOnce) {
    FontInventory inv = inventory({"华文黑体", "Htbold", "黑体", "方正黑体_GBK", "HT Sans", "黑"});
    // "ht": the plain matches in inventory order, then the initials.
    EXPECT_EQ(faces_of(inv, search_faces(inv, "ht", false)),
              (std::vector<std::string>{"Htbold", "HT Sans", "黑体"}));
    EXPECT_EQ(faces_of(inv, search_faces(inv, "HWHT", true)),
              (std::vector<std::string>{"华文黑体"}));
    EXPECT_EQ(faces_of(inv, search_faces(inv, "fzht", false)),
              (std::vector<std::string>{"方正黑体_GBK"}));
    // One letter, or anything but ASCII letters, is no initials query.
    EXPECT_TRUE(search_faces(inv, "h", true).empty());
    EXPECT_TRUE(search_faces(inv, "h1", false).empty());
    EXPECT_EQ(pinyin_initials("方正黑体_GBK"), "fzht");
}

TEST(Search, ColumnsNarrowFromNineteenResults) {
    EXPECT_EQ(search_column_widths(734, 18).sample, 489);
    EXPECT_EQ(search_column_widths(734, 18).name, 192);
    EXPECT_EQ(search_column_widths(734, 19).name, 174);  // 18 pixels less
}

}  // namespace
}  // namespace yq
