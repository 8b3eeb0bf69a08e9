#include "platform/jet/jet_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <filesystem>

#include "base/text.h"
#include "platform/jet/jet_format.h"
#include "platform/jet/jet_reader.h"
#include "tests/unit/platform/jet/jet_test_util.h"
#include "tests/unit/platform/jet/json_lite.h"
#include "tests/support/status_assert.h"

namespace yq::jet {
namespace {

namespace fs = std::filesystem;

std::string temp_path(const std::string& name) {
    fs::path dir = fs::temp_directory_path() / ("yq_jet_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return (dir / name).string();
}

Bytes pattern(size_t n, uint8_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i * 31 + seed + (i >> 8));
    return b;
}

// Reads every table back with our reader and compares it with what was written.
void expect_reads_back(const std::string& path, const std::vector<TableDef>& tables) {
    auto db_r = Database::open(path);
    ASSERT_TRUE(test::IsOk(db_r));
    auto& db = *db_r;
    ASSERT_EQ(db->table_names().size(), tables.size());
    for (size_t ti = 0; ti < tables.size(); ++ti) {
        const TableDef& def = tables[ti];
        EXPECT_EQ(db->table_names()[ti], def.name);
        auto t_r = db->open_table(def.name);
        ASSERT_TRUE(test::IsOk(t_r));
        auto& t = *t_r;
        ASSERT_EQ(t->record_count(), def.rows.size());
        EXPECT_EQ(t->stored_row_count(), def.rows.size());
        ASSERT_EQ(t->columns().size(), def.columns.size());
        size_t r = 0;
        for (t->move_first(); !t->eof(); t->move_next(), ++r) {
            for (size_t c = 0; c < def.columns.size(); ++c) {
                EXPECT_EQ(t->columns()[c].name, def.columns[c].name);
                Field f;
                ASSERT_TRUE(test::IsOk(t->read(c, f)));
                const Value& v = def.rows[r][c];
                std::string at = "row " + std::to_string(r) + " column " + std::to_string(c);
                if (std::holds_alternative<std::monostate>(v)) {
                    EXPECT_EQ(f.kind, Field::Kind::Null) << at;
                } else if (auto* s = std::get_if<std::u16string>(&v)) {
                    ASSERT_EQ(f.kind, Field::Kind::Text) << at;
                    EXPECT_EQ(f.text, *s) << at;
                } else {
                    ASSERT_EQ(f.kind, Field::Kind::Binary) << at;
                    EXPECT_TRUE(f.bytes == std::get<Bytes>(v)) << at << " size " << f.bytes.size();
                }
            }
        }
    }
}

TEST(JetWriter, TextAndLongValuesOfEverySizeReadBack) {
    TableDef t{u"Values",
               {{u"t", ColumnType::Text}, {u"m", ColumnType::Memo}, {u"b", ColumnType::LongBinary}},
               {}};
    std::u16string latin, control;
    for (char16_t c = 0xA0; c <= 0xFF; ++c) latin += c;
    for (char16_t c = 1; c < 32; ++c) control += c;
    std::vector<std::u16string> texts = {u"",
                                         u"a",
                                         u"ab",
                                         u"plain ascii",
                                         latin,
                                         control,
                                         u"Мир",
                                         u"中文字体",
                                         u"mixed 字 é",
                                         std::u16string(255, u'字'),
                                         std::u16string(255, u'x'),
                                         std::u16string(1, 0x100),
                                         std::u16string(u"a\u0000b", 3)};
    std::vector<size_t> sizes = {
        0,    1,    63,           64,       65,           4072,         4075,
        4076, 4077, 4072 * 2 - 1, 4072 * 2, 4072 * 2 + 1, 4072 * 3 + 5, 1 << 20};
    size_t n = std::max(texts.size(), sizes.size());
    for (size_t i = 0; i < n; ++i) {
        Value text = i < texts.size() ? Value(texts[i]) : Value();
        Value memo = i < texts.size() ? Value(texts[texts.size() - 1 - i] + texts[i])
                                      : Value(std::u16string(i * 500, u'm'));
        Value bin = i < sizes.size() ? Value(pattern(sizes[i], uint8_t(i))) : Value();
        t.rows.push_back({text, memo, bin});
    }
    t.rows.push_back({Value(), Value(), Value()});
    std::string path = temp_path("values.mdb");
    ASSERT_TRUE(test::IsOk(write_database(path, {t})));
    expect_reads_back(path, {t});
}

TEST(JetWriter, ManyRowsSpanPagesAndTablesKeepTheirOrder) {
    std::vector<TableDef> tables;
    for (int k = 0; k < 3; ++k) {
        TableDef t{u"表" + std::u16string(1, char16_t(u'A' + k)),
                   {{u"名", ColumnType::Text}, {u"图", ColumnType::LongBinary}},
                   {}};
        for (int i = 0; i < 700 * (k + 1); ++i)
            t.rows.push_back({std::u16string(u"行") + utf8_to_utf16(std::to_string(i)),
                              pattern(size_t(i % 300), uint8_t(i))});
        tables.push_back(std::move(t));
    }
    tables.push_back(TableDef{u"none", {{u"x", ColumnType::Memo}}, {}});
    std::string path = temp_path("many.mdb");
    ASSERT_TRUE(test::IsOk(write_database(path, tables)));
    expect_reads_back(path, tables);
}

TEST(JetWriter, HeaderUnmasksToAFreshJetFileWithoutPassword) {
    std::string path = temp_path("header.mdb"), bytes;
    ASSERT_TRUE(test::IsOk(write_database(
        path, {TableDef{u"t", {{u"a", ColumnType::Text}}, {{std::u16string(u"x")}}}})));
    ASSERT_TRUE(test::read_whole_file(path, bytes));
    ASSERT_EQ(bytes.size() % kPageSize, 0u);
    Bytes p = test::to_bytes(bytes.substr(0, kPageSize));
    EXPECT_EQ(p[kHeaderVersionAt], 1);
    apply_header_mask(&p[kHeaderMaskAt]);
    EXPECT_EQ(load_u16le(p, kHeaderCodePageAt), 1252);
    EXPECT_EQ(load_u32le(p, kHeaderDbKeyAt), 0u);
    EXPECT_EQ(load_u32le(p, kHeaderSortOrderAt), 0x409u);
    double created;
    std::memcpy(&created, &p[kHeaderCreatedAt], 8);
    EXPECT_GT(created, 40000.0);  // after 2009
    for (size_t i = 0; i < kHeaderPasswordLen; i += 4)
        EXPECT_EQ(load_u32le(p, kHeaderPasswordAt + i), uint32_t(created)) << i;
}

TEST(JetWriter, RefusesWhatCannotBeStoredAndLeavesNoFile) {
    std::string path = temp_path("refused.mdb");
    auto one = [](std::u16string name, ColumnType type, Value v) {
        return std::vector<TableDef>{TableDef{std::move(name), {{u"c", type}}, {{std::move(v)}}}};
    };
    struct Case {
        std::vector<TableDef> tables;
        const char* says;
    } cases[] = {
        {one(u"", ColumnType::Text, Value()), "empty"},
        {one(u"MSysMine", ColumnType::Text, Value()), "MSys"},
        {one(u"a.b", ColumnType::Text, Value()), "character"},
        {one(u"t", ColumnType::Text, std::u16string(256, u'x')), "255"},
        {one(u"t", ColumnType::Text, Bytes{1}), "text"},
        {one(u"t", ColumnType::LongBinary, std::u16string(u"x")), "bytes"},
        {one(u"t", ColumnType::Memo, std::u16string(u"\uFEFFabc")), "U+FEFF"},
        {one(u"t", ColumnType::LongBinary, Bytes(kMaxLongValueBytes + 1)), "16 MiB"},
        {{TableDef{u"t", {{u"c", ColumnType::Text}, {u"C", ColumnType::Text}}, {}}}, "two columns"},
        {{TableDef{u"t", {{u"c", ColumnType::Text}}, {{Value(), Value()}}}}, "values"},
        {{TableDef{u"t", {{u"c", ColumnType::Text}}, {}},
          TableDef{u"T", {{u"c", ColumnType::Text}}, {}}},
         "two tables"},
    };
    for (const Case& c : cases) {
        std::remove(path.c_str());
        Status written = write_database(path, c.tables);
        EXPECT_EQ(written.code(), StatusCode::kInvalidArgument) << c.says;
        EXPECT_NE(written.message().find(c.says), std::string::npos) << written.message();
        EXPECT_FALSE(fs::exists(path)) << c.says;
    }
    // Twenty Text columns of 255 characters do not fit in one row.
    TableDef wide{u"wide", {}, {{}}};
    for (int i = 0; i < 20; ++i) {
        wide.columns.push_back({u"c" + utf8_to_utf16(std::to_string(i)), ColumnType::Text});
        wide.rows[0].push_back(std::u16string(255, u'字'));
    }
    Status too_wide = write_database(path, {wide});
    EXPECT_EQ(too_wide.code(), StatusCode::kInvalidArgument);
    EXPECT_NE(too_wide.message().find("longer than a page"), std::string::npos);
    Status uncreated = write_database("/nonexistent/dir/x.mdb", {});
    EXPECT_EQ(uncreated.code(), StatusCode::kWriteFailed);
    EXPECT_EQ(uncreated.message(), "Cannot create file '/nonexistent/dir/x.mdb'.");
}

}  // namespace
}  // namespace yq::jet
