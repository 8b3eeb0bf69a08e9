// yanqing-server dump against the reference reader's output for every
// oracle file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

#include "base/text.h"
#include "tests/unit/platform/jet/jet_test_util.h"
#include "tests/unit/platform/jet/json_lite.h"
#include "tests/support/process.h"

namespace yq {
namespace {

using test::Json;

std::string dump(const std::string& args, int& status) {
    std::string out;
    status = test::run_command(std::string("'") + YQ_SERVER_BIN + "' dump " + args + " 2>&1", out);
    return out;
}

TEST(JetDump, PrintsWhatTheReferenceReaderPrints) {
    size_t compared = 0;
    for (const auto& e : std::filesystem::directory_iterator(test::mdb_data_dir() + "/files")) {
        if (e.path().extension() != ".mdb") continue;
        std::string file = e.path().filename().string(), text;
        SCOPED_TRACE(file);
        int status;
        std::string got_text = dump("'" + e.path().string() + "'", status);
        ASSERT_EQ(status, 0) << got_text;
        Json got, want;
        ASSERT_TRUE(test::JsonParser(got_text).parse(got)) << got_text.substr(0, 500);
        ASSERT_TRUE(test::read_whole_file(
            test::mdb_data_dir() + "/expected/" + file + "/mdb-reader.json", text));
        ASSERT_TRUE(test::JsonParser(text).parse(want));
        EXPECT_EQ(got.get(u"file")->string, utf8_to_utf16(file));
        const Json& gt = *got.get(u"tables");
        const Json& wt = *want.get(u"tables");
        ASSERT_EQ(gt.items.size(), wt.items.size());
        for (size_t t = 0; t < wt.items.size(); ++t) {
            const Json& g = gt.items[t];
            const Json& w = wt.items[t];
            EXPECT_EQ(g.get(u"name")->string, w.get(u"name")->string);
            EXPECT_EQ(g.get(u"rowCount")->number, w.get(u"rowCount")->number);
            EXPECT_EQ(g.get(u"rowsRead")->number, w.get(u"rowsRead")->number);
            const Json& gc = *g.get(u"columns");
            const Json& wc = *w.get(u"columns");
            ASSERT_EQ(gc.items.size(), wc.items.size());
            for (size_t c = 0; c < wc.items.size(); ++c)
                for (const char16_t* key :
                     {u"name", u"type", u"size", u"fixedLength", u"nullable"}) {
                    const Json* a = gc.items[c].get(key);
                    const Json* b = wc.items[c].get(key);
                    ASSERT_TRUE(a && b);
                    EXPECT_TRUE(a->string == b->string && a->number == b->number &&
                                a->boolean == b->boolean)
                        << utf16_to_utf8(wc.items[c].get(u"name")->string) << " "
                        << utf16_to_utf8(key);
                }
            const Json& gr = *g.get(u"rows");
            const Json& wr = *w.get(u"rows");
            ASSERT_EQ(gr.items.size(), wr.items.size());
            for (size_t r = 0; r < wr.items.size(); ++r) {
                for (const auto& [name, wv] : wr.items[r].fields) {
                    const Json* gv = gr.items[r].get(name);
                    ASSERT_NE(gv, nullptr);
                    // Types we print as null (dates, floating point, money) are left out.
                    if (gv->kind == Json::Kind::Null && wv.kind != Json::Kind::Null) {
                        std::u16string type;
                        for (const Json& col : wc.items)
                            if (col.get(u"name")->string == name) type = col.get(u"type")->string;
                        EXPECT_TRUE(type == u"datetime" || type == u"double" || type == u"float" ||
                                    type == u"currency" || type == u"numeric" || type == u"repid")
                            << utf16_to_utf8(name);
                        continue;
                    }
                    EXPECT_EQ(int(gv->kind), int(wv.kind)) << utf16_to_utf8(name);
                    EXPECT_TRUE(gv->string == wv.string && gv->number == wv.number &&
                                gv->boolean == wv.boolean)
                        << "row " << r << " " << utf16_to_utf8(name);
                    ++compared;
                }
            }
        }
    }
    EXPECT_GT(compared, 200u);
}

TEST(JetDump, ChosenTablesOnlyAndErrorsNameTheFile) {
    int status;
    std::string path = test::mdb_data_dir() + "/files/delTestV2003.mdb";
    std::string out = dump("'" + path + "' Table", status);
    EXPECT_EQ(status, 0);
    Json doc;
    ASSERT_TRUE(test::JsonParser(out).parse(doc)) << out;
    ASSERT_EQ(doc.get(u"tables")->items.size(), 1u);

    out = dump("'" + path + "' Nope", status);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.find(path), std::string::npos) << out;
    EXPECT_NE(out.find("no table named 'Nope'"), std::string::npos) << out;

    out = dump("/nonexistent/x.mdb", status);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.find("Could not find file '/nonexistent/x.mdb'"), std::string::npos) << out;

    std::string not_jet = test::mdb_data_dir() + "/files/PROVENANCE.md";
    out = dump("'" + not_jet + "'", status);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.find("not an Access database"), std::string::npos) << out;
}

}  // namespace
}  // namespace yq
