#include "fonts/deletion_model.h"

#include <gtest/gtest.h>

namespace yq {
namespace {

TEST(Deletion, TheDeleteItemCarriesTheFontBetweenRightClicks) {
    std::string caption = delete_item_caption("宋体");
    EXPECT_EQ(caption, "删除字体  (  宋体  )");
    EXPECT_EQ(caption.size(), 13u + 4 + 3);
    EXPECT_EQ(face_from_delete_caption(caption), "宋体");
    EXPECT_EQ(face_from_delete_caption(delete_item_caption("")), "");
    EXPECT_EQ(face_from_delete_caption("删除字体"), "");  // shorter than its parts
}

TEST(Deletion, CheckBandsAndProgress) {
    EXPECT_EQ(system_grid_check_column(332), -1);
    EXPECT_EQ(system_grid_check_column(333), 2);
    EXPECT_EQ(system_grid_check_column(349), 2);
    EXPECT_EQ(system_grid_check_column(350), -1);
    EXPECT_EQ(system_grid_check_column(691), 5);
    EXPECT_EQ(system_grid_check_column(705), -1);
    EXPECT_FALSE(search_grid_check_hit(663, 489, 174, 50));  // the boundary itself
    EXPECT_TRUE(search_grid_check_hit(664, 489, 174, 50));
    EXPECT_FALSE(search_grid_check_hit(713, 489, 174, 50));
    EXPECT_EQ(batch_progress_text("宋体", 9, 10, 100), "卸载宋体.完成:90%");
    EXPECT_EQ(batch_progress_text("x", 3, 7, 200), "卸载x.完成:85%");  // 85.7 truncated
    EXPECT_EQ(batch_progress_text("x", 0, 0, 100), "卸载x.完成:0%");
}

TEST(Deletion, RecycleBinNamesStayInTheBin) {
    EXPECT_EQ(recycle_name_of_path("C:\\windows\\Fonts\\simhei.ttf"), "simhei.ttf");
    EXPECT_EQ(recycle_name_of_path("Z:\\usr\\share\\fonts\\a b.ttc"), "a b.ttc");
    EXPECT_EQ(recycle_name_of_path("simsun.ttc"), "simsun.ttc");
    EXPECT_EQ(recycle_name_of_path("C:\\f\\x.tt?"), "x.tt_");
    EXPECT_EQ(recycle_name_of_path("C:\\f\\CON.ttf"), "");
    // Face names come from font files: outside bytes.
    EXPECT_EQ(recycle_name_of_face("黑体"), "黑体.ttf");
    EXPECT_EQ(recycle_name_of_face("..\\..\\evil"), ".._.._evil.ttf");
    EXPECT_EQ(recycle_name_of_face("a:b*"), "a_b_.ttf");
    EXPECT_EQ(recycle_name_of_face("NUL"), "");
}

}  // namespace
}  // namespace yq
