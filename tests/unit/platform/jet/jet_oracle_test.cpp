// Files made by our writer, read by the two independent readers (mdbtools
// and the npm package mdb-reader) and by ours.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "base/text.h"
#include "platform/jet/jet_reader.h"
#include "platform/jet/jet_writer.h"
#include "tests/unit/platform/jet/jet_test_util.h"
#include "tests/unit/platform/jet/json_lite.h"
#include "tests/support/process.h"
#include "tests/support/status_assert.h"

namespace yq::jet {
namespace {

namespace fs = std::filesystem;

bool have(const char* program) {
    std::string out;
    return test::run_command(std::string("command -v ") + program + " >/dev/null 2>&1", out) == 0;
}

// The folder where scripts/setup-oracles.sh installed mdb-reader, or empty.
std::string mdb_reader_dir() {
    for (const char* dir : {YQ_ORACLE_MDB_DIR, YQ_ORACLE_MDB_DIR_FALLBACK}) {
        std::string d = dir;
        if (fs::exists(d + "/node_modules/mdb-reader") &&
            fs::exists(d + "/dump_with_mdb_reader.mjs"))
            return d;
    }
    return {};
}

std::vector<TableDef> catalogue_shaped() {
    static const char16_t* const names[12] = {u"黑体", u"宋体", u"楷体",    u"隶书",
                                              u"圆体", u"行书", u"篆书",    u"魏碑",
                                              u"综艺", u"手写", u"English", u"特殊 符号"};
    std::vector<TableDef> tables;
    TableDef dl{u"dl",
                {{u"中文字体", ColumnType::Text},
                 {u"英文字体", ColumnType::Text},
                 {u"特殊字体", ColumnType::Text}},
                {}};
    for (int i = 0; i < 10; ++i)
        dl.rows.push_back(
            {std::u16string(names[i]), i < 2 ? Value(std::u16string(names[10])) : Value(),
             i == 0 ? Value(std::u16string(u"  ") + names[11] + u"　") : Value(std::u16string())});
    tables.push_back(dl);
    size_t picture = 3;
    for (int k = 0; k < 12; ++k) {
        TableDef t{names[k],
                   {{u"字体名", ColumnType::Text},
                    {u"图片", ColumnType::LongBinary},
                    {u"字体地址", ColumnType::Text}},
                   {}};
        for (int i = 0; i < 3 + k; ++i) {
            Bytes pic(picture);
            for (size_t b = 0; b < pic.size(); ++b) pic[b] = uint8_t(b * 13 + i + k);
            picture = picture * 3 / 2 + 7;
            if (picture > 100 * 1024) picture = 100 * 1024 - size_t(i);
            std::u16string font =
                std::u16string(names[k]) + u"字体" + utf8_to_utf16(std::to_string(i));
            t.rows.push_back({k == 3 && i == 1 ? Value() : Value(font), pic,
                              utf8_to_utf16("f" + std::to_string(k * 100 + i) + ",\"x\"")});
        }
        tables.push_back(t);
    }
    return tables;
}

std::string expected_csv_value(const Value& v) {
    if (std::holds_alternative<std::monostate>(v)) return "<NULL>";
    // mdbtools reports a zero-length variable column (an empty text) as NULL.
    if (auto* s = std::get_if<std::u16string>(&v))
        return s->empty() ? "<NULL>" : "\"" + utf16_to_utf8(*s);
    return "\"" + test::upper(test::hex(std::get<Bytes>(v)));
}

// Why the oracles cannot run here, or empty.
std::string oracles_missing() {
    if (!have("mdb-export") || !have("mdb-tables") || !have("mdb-count"))
        return "mdbtools is not installed (apt-get install mdbtools)";
    if (!have("node") || mdb_reader_dir().empty())
        return "node or mdb-reader missing: run scripts/setup-oracles.sh BUILD_DIR";
    return {};
}

// Writes the tables and checks that all three readers read them back.
void expect_all_readers_agree(const std::vector<TableDef>& tables) {
    std::string reader_dir = mdb_reader_dir();
    fs::path dir = fs::temp_directory_path() / ("yq_jet_oracle_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string path = (dir / "ztdata.mdb").string();
    ASSERT_TRUE(test::IsOk(write_database(path, tables)));

    // Our reader.
    auto db_r = Database::open(path);
    ASSERT_TRUE(test::IsOk(db_r));
    auto& db = *db_r;
    ASSERT_EQ(db->table_names().size(), tables.size());

    // mdbtools: table list, counts, every value.
    std::string out;
    ASSERT_EQ(test::run_command("mdb-tables -1 '" + path + "'", out), 0);
    std::vector<std::string> listed = test::split_lines(out);
    ASSERT_EQ(listed.size(), tables.size());
    for (size_t ti = 0; ti < tables.size(); ++ti) {
        const TableDef& t = tables[ti];
        std::string name = utf16_to_utf8(t.name);
        EXPECT_EQ(listed[ti], name);
        EXPECT_EQ(utf16_to_utf8(db->table_names()[ti]), name);
        ASSERT_EQ(test::run_command("mdb-count '" + path + "' '" + name + "'", out), 0);
        EXPECT_EQ(out, std::to_string(t.rows.size()) + "\n") << name;
        ASSERT_EQ(
            test::run_command("mdb-export -b hex -0 '<NULL>' '" + path + "' '" + name + "'", out),
            0);
        auto csv = test::parse_csv(out);
        ASSERT_EQ(csv.size(), t.rows.size() + 1) << name;
        for (size_t c = 0; c < t.columns.size(); ++c)
            EXPECT_EQ(csv[0][c], utf16_to_utf8(t.columns[c].name));
        for (size_t r = 0; r < t.rows.size(); ++r) {
            ASSERT_EQ(csv[r + 1].size(), t.columns.size());
            for (size_t c = 0; c < t.columns.size(); ++c) {
                std::string want = expected_csv_value(t.rows[r][c]);
                EXPECT_TRUE(csv[r + 1][c] == want) << name << " row " << r << " col " << c;
            }
        }
        // Ours, the same values.
        auto table_r = db->open_table(t.name);
        ASSERT_TRUE(test::IsOk(table_r));
        auto& table = *table_r;
        ASSERT_EQ(table->record_count(), t.rows.size());
        size_t r = 0;
        for (table->move_first(); !table->eof(); table->move_next(), ++r) {
            for (size_t c = 0; c < t.columns.size(); ++c) {
                Field f;
                ASSERT_TRUE(test::IsOk(table->read(c, f)));
                const Value& v = t.rows[r][c];
                if (auto* s = std::get_if<std::u16string>(&v))
                    EXPECT_TRUE(f.text == *s) << r << " " << c;
                else if (auto* b = std::get_if<Bytes>(&v))
                    EXPECT_TRUE(f.bytes == *b);
                else
                    EXPECT_EQ(f.kind, Field::Kind::Null);
            }
        }
    }

    // mdb-reader: every table in one JSON document.
    ASSERT_EQ(
        test::run_command(
            "node '" + reader_dir + "/dump_with_mdb_reader.mjs' '" + path + "' --compact", out),
        0);
    test::Json doc;
    ASSERT_TRUE(test::JsonParser(out).parse(doc));
    const test::Json& jt = *doc.get(u"tables");
    ASSERT_EQ(jt.items.size(), tables.size());
    for (size_t ti = 0; ti < tables.size(); ++ti) {
        const TableDef& t = tables[ti];
        EXPECT_EQ(jt.items[ti].get(u"name")->string, t.name);
        EXPECT_EQ(jt.items[ti].get(u"rowCount")->number, double(t.rows.size()));
        const test::Json& rows = *jt.items[ti].get(u"rows");
        ASSERT_EQ(rows.items.size(), t.rows.size());
        for (size_t r = 0; r < t.rows.size(); ++r) {
            for (size_t c = 0; c < t.columns.size(); ++c) {
                const test::Json* v = rows.items[r].get(t.columns[c].name);
                ASSERT_NE(v, nullptr);
                const Value& want = t.rows[r][c];
                if (std::holds_alternative<std::monostate>(want))
                    EXPECT_EQ(v->kind, test::Json::Kind::Null);
                else if (auto* s = std::get_if<std::u16string>(&want))
                    EXPECT_TRUE(v->string == *s) << r << " " << c;
                else
                    EXPECT_TRUE(utf16_to_utf8(v->string) == test::hex(std::get<Bytes>(want)))
                        << r << " " << c;
            }
        }
    }
    fs::remove_all(dir);
}

TEST(JetOracles, CatalogueShapedFileReadsTheSameInAllThreeReaders) {
    std::string missing = oracles_missing();
    if (!missing.empty()) GTEST_SKIP() << missing;
    expect_all_readers_agree(catalogue_shaped());
}

TEST(JetOracles, MemoAndLongValuesAtEveryStorageBoundaryReadTheSame) {
    std::string missing = oracles_missing();
    if (!missing.empty()) GTEST_SKIP() << missing;
    TableDef t{u"Values",
               {{u"t", ColumnType::Text}, {u"m", ColumnType::Memo}, {u"b", ColumnType::LongBinary}},
               {}};
    std::u16string latin;
    for (char16_t c = 0xA0; c <= 0xFF; ++c) latin += c;
    const size_t sizes[] = {1, 64, 65, 4076, 4077, 4072 * 2 - 1, 4072 * 2, 4072 * 2 + 1, 300000};
    const std::u16string texts[] = {u"abc",
                                    latin,
                                    u"Мир",
                                    u"中文字体",
                                    std::u16string(255, u'字'),
                                    std::u16string(255, u'x'),
                                    u"mixed 字 é",
                                    u"x",
                                    u"末"};
    for (size_t i = 0; i < std::size(sizes); ++i) {
        Bytes b(sizes[i]);
        for (size_t k = 0; k < b.size(); ++k) b[k] = uint8_t(k * 7 + i);
        std::u16string memo;
        // mdb-export cuts a Memo after 200,000 bytes of UTF-8.
        while (memo.size() < std::min<size_t>(sizes[i] / 3, 60000)) memo += texts[i];
        t.rows.push_back({texts[i], memo, b});
    }
    expect_all_readers_agree({t});
}

}  // namespace
}  // namespace yq::jet
