#include "platform/jet/jet_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "base/text.h"
#include "tests/unit/platform/jet/jet_test_util.h"
#include "tests/unit/platform/jet/json_lite.h"
#include "tests/support/status_assert.h"

namespace yq::jet {
namespace {

using test::Json;

std::vector<std::string> oracle_files() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(test::mdb_data_dir() + "/files"))
        if (e.path().extension() == ".mdb") names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Compares one of our fields with the reference reader's JSON value for the
// types this project reads; other types are left out.
void expect_same_value(const Field& f, const std::u16string& type, const Json& want,
                       const std::string& where) {
    if (type == u"text" || type == u"memo") {
        if (want.kind == Json::Kind::Null) {
            EXPECT_EQ(f.kind, Field::Kind::Null) << where;
        } else {
            ASSERT_EQ(f.kind, Field::Kind::Text) << where;
            EXPECT_EQ(f.text, want.string) << where;
        }
    } else if (type == u"binary" || type == u"ole") {
        if (want.kind == Json::Kind::Null) {
            EXPECT_EQ(f.kind, Field::Kind::Null) << where;
        } else {
            ASSERT_EQ(f.kind, Field::Kind::Binary) << where;
            EXPECT_EQ(test::hex(f.bytes), utf16_to_utf8(want.string)) << where;
        }
    } else if (type == u"long" || type == u"integer" || type == u"byte" || type == u"boolean") {
        if (want.kind == Json::Kind::Null) {
            EXPECT_EQ(f.kind, Field::Kind::Null) << where;
        } else {
            ASSERT_EQ(f.kind, Field::Kind::Integer) << where;
            double w = want.kind == Json::Kind::Bool ? double(want.boolean) : want.number;
            EXPECT_EQ(double(f.integer), w) << where;
        }
    }
}

TEST(JetReader, EveryOracleFileReadsAsTheReferenceReaderReadsIt) {
    auto files = oracle_files();
    ASSERT_GE(files.size(), 9u);
    size_t values = 0;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        std::string text;
        ASSERT_TRUE(test::read_whole_file(
            test::mdb_data_dir() + "/expected/" + file + "/mdb-reader.json", text));
        Json want;
        ASSERT_TRUE(test::JsonParser(text).parse(want));
        const Json* tables = want.get(u"tables");
        ASSERT_NE(tables, nullptr);

        auto db_r = Database::open(test::mdb_data_dir() + "/files/" + file);
        ASSERT_TRUE(test::IsOk(db_r));
        auto& db = *db_r;
        ASSERT_EQ(db->table_names().size(), tables->items.size());
        for (size_t ti = 0; ti < tables->items.size(); ++ti) {
            const Json& wt = tables->items[ti];
            const std::u16string& name = wt.get(u"name")->string;
            EXPECT_EQ(db->table_names()[ti], name);
            auto t_r = db->open_table(name);
            ASSERT_TRUE(test::IsOk(t_r));
            auto& t = *t_r;
            EXPECT_EQ(double(t->stored_row_count()), wt.get(u"rowCount")->number);
            const Json& rows = *wt.get(u"rows");
            ASSERT_EQ(t->record_count(), rows.items.size());
            const Json& cols = *wt.get(u"columns");
            ASSERT_EQ(t->columns().size(), cols.items.size());
            for (size_t ci = 0; ci < cols.items.size(); ++ci)
                EXPECT_EQ(t->columns()[ci].name, cols.items[ci].get(u"name")->string);
            size_t r = 0;
            for (t->move_first(); !t->eof(); t->move_next(), ++r) {
                for (size_t ci = 0; ci < cols.items.size(); ++ci) {
                    const std::u16string& cname = cols.items[ci].get(u"name")->string;
                    Field f;
                    ASSERT_TRUE(test::IsOk(t->read(ci, f)));
                    expect_same_value(f, cols.items[ci].get(u"type")->string,
                                      *rows.items[r].get(cname),
                                      utf16_to_utf8(name) + " row " + std::to_string(r) + " " +
                                          utf16_to_utf8(cname));
                    ++values;
                }
            }
        }
    }
    EXPECT_GT(values, 250u);
}

// How mdb-export (binary as hex, NULL as <NULL>) prints one of our fields:
// text quoted (an empty text as NULL, as mdbtools reports it), bytes as
// quoted upper-case hex, integers and booleans as bare decimals. Types we do
// not decode give nullopt.
std::optional<std::string> as_mdb_export_prints(const Field& f) {
    switch (f.kind) {
        case Field::Kind::Null:
            return "<NULL>";
        case Field::Kind::Text:
            return f.text.empty() ? "<NULL>" : "\"" + utf16_to_utf8(f.text);
        case Field::Kind::Binary:
            return f.bytes.empty() ? "<NULL>" : "\"" + test::upper(test::hex(f.bytes));
        case Field::Kind::Integer:
            return std::to_string(f.integer);
        case Field::Kind::Other:
            break;
    }
    return std::nullopt;
}

TEST(JetReader, EveryOracleFileReadsAsMdbtoolsExportsIt) {
    size_t values = 0;
    for (const std::string& file : oracle_files()) {
        SCOPED_TRACE(file);
        const std::string expected = test::mdb_data_dir() + "/expected/" + file + "/";
        std::string text;
        auto db_r = Database::open(test::mdb_data_dir() + "/files/" + file);
        ASSERT_TRUE(test::IsOk(db_r));
        auto& db = *db_r;
        ASSERT_TRUE(test::read_whole_file(expected + "tables.txt", text));
        std::vector<std::string> listed = test::split_lines(text);
        ASSERT_EQ(db->table_names().size(), listed.size());
        for (size_t i = 0; i < listed.size(); ++i)
            EXPECT_EQ(utf16_to_utf8(db->table_names()[i]), listed[i]);

        // counts.tsv: table, mdb-count, the table's CSV file.
        ASSERT_TRUE(test::read_whole_file(expected + "counts.tsv", text));
        std::vector<std::string> counts = test::split_lines(text);
        ASSERT_EQ(counts.size(), listed.size());
        for (const std::string& line : counts) {
            size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
            ASSERT_NE(tab2, std::string::npos) << line;
            const std::string name = line.substr(0, tab1);
            auto t_r = db->open_table(utf8_to_utf16(name));
            ASSERT_TRUE(test::IsOk(t_r));
            auto& t = *t_r;
            EXPECT_EQ(std::to_string(t->stored_row_count()),
                      line.substr(tab1 + 1, tab2 - tab1 - 1));
            ASSERT_TRUE(test::read_whole_file(expected + line.substr(tab2 + 1), text));
            auto csv = test::parse_csv(text);
            ASSERT_EQ(csv.size(), t->record_count() + 1) << name;
            ASSERT_EQ(csv[0].size(), t->columns().size()) << name;
            for (size_t c = 0; c < t->columns().size(); ++c)
                EXPECT_EQ(csv[0][c], utf16_to_utf8(t->columns()[c].name));
            size_t r = 1;
            for (t->move_first(); !t->eof(); t->move_next(), ++r) {
                ASSERT_EQ(csv[r].size(), t->columns().size()) << name << " row " << r;
                for (size_t c = 0; c < t->columns().size(); ++c) {
                    Field f;
                    ASSERT_TRUE(test::IsOk(t->read(c, f)));
                    auto printed = as_mdb_export_prints(f);
                    if (!printed) continue;
                    EXPECT_EQ(csv[r][c], *printed)
                        << name << " row " << r << " " << utf16_to_utf8(t->columns()[c].name);
                    ++values;
                }
            }
        }
    }
    // Every Text, Memo, Binary, OLE, integer and boolean value of the files.
    EXPECT_EQ(values, 237u);
}

TEST(JetReader, MultiPageLongValueEqualsTheReferenceBytes) {
    std::string want;
    ASSERT_TRUE(test::read_whole_file(test::mdb_data_dir() + "/files/test2BinData.dat", want));
    for (const char* file : {"test2V2003.mdb", "test2V2000.mdb"}) {
        auto db_r = Database::open(test::mdb_data_dir() + "/files/" + file);
        ASSERT_TRUE(test::IsOk(db_r));
        auto& db = *db_r;
        auto t_r = db->open_table(u"MSP_PROJECTS");
        ASSERT_TRUE(test::IsOk(t_r));
        auto& t = *t_r;
        t->move_first();
        Bytes got = t->bytes(u"RESERVED_BINARY_DATA");
        EXPECT_EQ(std::string(got.begin(), got.end()), want) << file;
        Field f;
        const std::optional<size_t> column = t->find_column(u"RESERVED_BINARY_DATA");
        ASSERT_TRUE(column);
        ASSERT_TRUE(test::IsOk(t->read(*column, f)));
        EXPECT_EQ(f.bytes, got);
    }
}

TEST(JetReader, MemoryAndFileGiveTheSameRows) {
    std::string path = test::mdb_data_dir() + "/files/overflowTestV2003.mdb", bytes, a, b;
    ASSERT_TRUE(test::read_whole_file(path, bytes));
    auto from_file = Database::open(path);
    auto from_memory = Database::open_memory(test::to_bytes(bytes));
    ASSERT_TRUE(test::IsOk(from_file));
    ASSERT_TRUE(test::IsOk(from_memory));
    ASSERT_TRUE(test::IsOk(test::read_everything(**from_file, &a)));
    ASSERT_TRUE(test::IsOk(test::read_everything(**from_memory, &b)));
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(a, b);
}

TEST(JetReader, MoveToLandsOnTheSameRowAsStepping) {
    auto db_r = Database::open(test::mdb_data_dir() + "/files/testUnicodeCompV2003.mdb");
    ASSERT_TRUE(test::IsOk(db_r));
    auto& db = *db_r;
    auto t_r = db->open_table(u"table");  // Jet matches names without regard to case
    ASSERT_TRUE(test::IsOk(t_r));
    auto& t = *t_r;
    ASSERT_EQ(t->record_count(), 8u);
    std::vector<std::u16string> stepped;
    for (t->move_first(); !t->eof(); t->move_next()) stepped.push_back(t->text(u"data"));
    for (size_t n = 8; n-- > 0;) {
        t->move_to(n);
        EXPECT_EQ(t->position(), n);
        EXPECT_EQ(t->text(u"DATA"), stepped[n]) << n;
    }
    t->move_to(8);
    EXPECT_TRUE(t->eof());
    EXPECT_EQ(t->text(u"data"), u"");
    EXPECT_TRUE(t->bytes(u"data").empty());
    t->move_to(1000);
    EXPECT_TRUE(t->eof());
    t->move_first();
    EXPECT_EQ(t->text(u"no such column"), u"");
}

TEST(JetReader, ProblemsAreDescribedWithTheFileName) {
    std::string self = std::string(YQ_SOURCE_DIR) + "/platform/jet/jet_reader.h";
    // A header claiming another version (here: 0 = the Jet 3 format).
    std::string bytes;
    ASSERT_TRUE(test::read_whole_file(test::mdb_data_dir() + "/files/delTestV2003.mdb", bytes));
    Bytes other = test::to_bytes(bytes);
    other[0x14] = 0;
    auto db_r = Database::open_memory(test::to_bytes(bytes));
    ASSERT_TRUE(test::IsOk(db_r));

    struct Case {
        Status got;
        StatusCode code;
        std::string message;  // the whole text, as a message box shows it
    } cases[] = {
        {Database::open("/nonexistent/dir/ztdata.mdb").status(), StatusCode::kNotFound,
         "Could not find file '/nonexistent/dir/ztdata.mdb'."},
        {Database::open(self).status(), StatusCode::kNotRecognised,
         "The file '" + self + "' is not an Access database."},
        {Database::open_memory(Bytes()).status(), StatusCode::kNotRecognised,
         "The file in memory is not an Access database."},
        {Database::open_memory(other).status(), StatusCode::kUnsupported,
         "The file in memory is not in the Access 2000-2003 (Jet 4) format this program reads."},
        {(*db_r)->open_table(u"Missing").status(), StatusCode::kNotFound,
         "Cannot find the table 'Missing' in the database in memory."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.got.code(), c.code) << c.message;
        EXPECT_EQ(c.got.message(), c.message);
    }
}

TEST(JetReader, DecodesCompressedAndPlainText) {
    const uint8_t plain[] = {0x1C, 0x04, 0x38, 0x04, 0x40, 0x04};
    EXPECT_EQ(decode_text(plain), u"Мир");
    const uint8_t compressed[] = {0xFF, 0xFE, 'a', 'b', 0x00, 0x2D, 0x4E, 0x00, 'c'};
    EXPECT_EQ(decode_text(compressed), u"ab中c");
    const uint8_t odd[] = {'a', 0, 'b'};
    EXPECT_EQ(decode_text(odd), u"a");
    const uint8_t dangling[] = {0xFF, 0xFE, 0x00, 0x41};
    EXPECT_EQ(decode_text(dangling), u"");
}

}  // namespace
}  // namespace yq::jet
