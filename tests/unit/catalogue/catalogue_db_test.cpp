#include "catalogue/catalogue_db.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "platform/jet/jet_writer.h"
#include "tests/support/status_assert.h"

namespace yq {
namespace {

using jet::ColumnType;
using jet::TableDef;
using jet::Value;

class CatalogueDbTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("yq_catdb_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "ztdata.mdb").string();
        TableDef dl{u"dl",
                    {{u"中文字体", ColumnType::Text},
                     {u"英文字体", ColumnType::Text},
                     {u"特殊字体", ColumnType::Text},
                     {u"危险", ColumnType::Text}},
                    {}};
        dl.rows.push_back({std::u16string(u"黑体"), std::u16string(u"ก Thai"), Value(),
                           std::u16string(u"..\\x.hta\0.ttf", 12)});
        dl.rows.push_back({std::u16string(u"　宋体 "), Value(), std::u16string(), Value()});
        TableDef fonts{u"黑体",
                       {{u"字体名", ColumnType::Text},
                        {u"图片", ColumnType::LongBinary},
                        {u"字体地址", ColumnType::Text}},
                       {}};
        for (int i = 0; i < 12; ++i)
            fonts.rows.push_back({std::u16string(u"方正黑体") + char16_t(u'0' + i % 10),
                                  Bytes(size_t(i * 500), uint8_t(i)),
                                  std::u16string(u"ht") + char16_t(u'a' + i)});
        fonts.rows.push_back({Value(), Value(), Value()});
        ASSERT_TRUE(test::IsOk(jet::write_database(path_, {dl, fonts})));
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path dir_;
    std::string path_;
};

TEST_F(CatalogueDbTest, ReadsCategoryNamesAsGbk) {
    CatalogueDb db;
    ASSERT_TRUE(db.open(path_));
    ASSERT_EQ(db.open_table("dl"), "");
    ASSERT_EQ(db.record_count(), 2);
    db.move_first();
    EXPECT_EQ(db.read_text("中文字体"), "黑体");
    EXPECT_EQ(db.read_text("英文字体"), "? Thai");  // GBK has no Thai letters
    EXPECT_EQ(db.read_text("特殊字体"), "");        // NULL
    EXPECT_EQ(db.read_text("危险"), "..\\x.hta");   // ends at its NUL, as every text does
    db.move_next();
    EXPECT_EQ(db.read_text("中文字体"),
              "\xA1\xA1"
              "宋体 ");
    EXPECT_EQ(db.read_text("没有的列"), "");
    db.move_next();
    EXPECT_EQ(db.read_text("中文字体"), "");  // past the last row
    EXPECT_TRUE(db.read_bytes("中文字体").empty());
}

TEST_F(CatalogueDbTest, MovesStraightToAPageOfEntries) {
    CatalogueDb db;
    ASSERT_TRUE(db.open(path_));
    ASSERT_EQ(db.open_table("黑体"), "");
    EXPECT_EQ(db.record_count(), 13);
    db.move_to(10);
    EXPECT_EQ(db.read_text("字体名"), "方正黑体0");
    EXPECT_EQ(db.read_text("字体地址"), "htk");
    EXPECT_EQ(db.read_bytes("图片"), Bytes(5000, 10));
    db.move_next();
    db.move_next();
    EXPECT_EQ(db.read_text("字体名"), "");  // NULL name reads empty
    EXPECT_TRUE(db.read_bytes("图片").empty());
    db.move_first();
    EXPECT_EQ(db.read_text("字体名"), "方正黑体0");
    EXPECT_TRUE(db.read_bytes("图片").empty());  // an empty picture
    db.move_to(13);
    EXPECT_EQ(db.read_text("字体名"), "");
    db.move_to(-1);
    EXPECT_EQ(db.read_text("字体名"), "");
}

TEST_F(CatalogueDbTest, OpeningATableClosesTheOneBefore) {
    CatalogueDb db;
    ASSERT_TRUE(db.open(path_));
    ASSERT_EQ(db.open_table("黑体"), "");
    std::string err = db.open_table("楷体");
    EXPECT_NE(err.find("找不到表 '楷体'"), std::string::npos) << err;
    EXPECT_EQ(db.record_count(), -1);
    EXPECT_EQ(db.read_text("字体名"), "");
    ASSERT_EQ(db.open_table("dl"), "");
    EXPECT_EQ(db.record_count(), 2);
    db.close_table();
    EXPECT_EQ(db.record_count(), -1);
    EXPECT_EQ(db.read_text("中文字体"), "");
    db.close();
    EXPECT_FALSE(db.is_open());
    EXPECT_FALSE(db.open_table("dl").empty());
    // The file can be replaced while closed, then opened again.
    std::filesystem::remove(path_);
    EXPECT_TRUE(test::IsOk(
        jet::write_database(path_, {TableDef{u"dl", {{u"中文字体", ColumnType::Text}}, {}}})));
    ASSERT_TRUE(db.open(path_));
    ASSERT_EQ(db.open_table("dl"), "");
    EXPECT_EQ(db.record_count(), 0);
}

TEST_F(CatalogueDbTest, AMissingFileIsReportedByEachTableOpen) {
    CatalogueDb db;
    std::string missing = (dir_ / "none.mdb").string();
    EXPECT_FALSE(db.open(missing));
    EXPECT_EQ(db.record_count(), -1);
    for (int i = 0; i < 2; ++i) {
        std::string err = db.open_table("dl");
        EXPECT_NE(err.find("找不到文件 '" + missing + "'"), std::string::npos) << err;
        EXPECT_EQ(db.record_count(), -1);
        db.move_first();
        EXPECT_EQ(db.read_text("中文字体"), "");
    }
    CatalogueDb never_opened;
    EXPECT_FALSE(never_opened.open_table("dl").empty());
}

TEST_F(CatalogueDbTest, AFileThatIsNoDatabaseIsReportedWithTheReadersWords) {
    std::string other = (dir_ / "other.mdb").string();
    std::FILE* f = std::fopen(other.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a database", f);
    std::fclose(f);
    CatalogueDb db;
    EXPECT_FALSE(db.open(other));
    EXPECT_EQ(db.open_table("dl"), "无法打开数据库 '" + other + "'。\r\nThe file '" + other +
                                       "' is not an Access database.");
}

}  // namespace
}  // namespace yq
