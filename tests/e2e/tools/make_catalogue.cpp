// Writes a catalogue database for the e2e tests from a small UTF-8 layout:
//
//   dl  <column>  <category>          a row of "dl" with one column set
//   table <name>                      a category table (columns 字体名, 图片, 字体地址)
//   row <table> <font name> <picture file or -> <address>
//
// Fields are separated by tabs. Pictures are packed as zt containers (a file
// whose name ends in ".zt" is taken as one already packed, hostile or not);
// "-" leaves the picture empty. "dl" rows are written in layout order.
// usage: make_catalogue LAYOUT OUT.mdb
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/zt/zt_container.h"
#include "base/text.h"
#include "platform/jet/jet_writer.h"

using namespace yq;

namespace {

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, '\t')) out.push_back(field);
    return out;
}

Bytes read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_catalogue LAYOUT OUT.mdb\n");
        return 2;
    }
    std::ifstream layout(argv[1]);
    if (!layout) {
        std::fprintf(stderr, "make_catalogue: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::u16string kColumns[3] = {u"中文字体", u"英文字体", u"特殊字体"};
    jet::TableDef dl{u"dl", {}, {}};
    for (const auto& c : kColumns) dl.columns.push_back({c, jet::ColumnType::Text});
    std::vector<jet::TableDef> tables;
    std::map<std::string, size_t> index;
    std::string line;
    while (std::getline(layout, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> f = split(line);
        if (f.empty()) continue;
        if (f[0] == "dl" && f.size() == 3) {
            std::vector<jet::Value> row(3);
            for (int c = 0; c < 3; ++c) {
                if (utf8_to_utf16(f[1]) == kColumns[c]) row[c] = utf8_to_utf16(f[2]);
            }
            dl.rows.push_back(row);
        } else if (f[0] == "table" && f.size() == 2) {
            index[f[1]] = tables.size();
            tables.push_back({utf8_to_utf16(f[1]),
                              {{u"字体名", jet::ColumnType::Text},
                               {u"图片", jet::ColumnType::LongBinary},
                               {u"字体地址", jet::ColumnType::Text}},
                              {}});
        } else if (f[0] == "row" && f.size() == 5 && index.count(f[1])) {
            jet::Value picture;
            if (f[3].size() > 3 && f[3].ends_with(".zt"))
                picture = read_file(f[3]);
            else if (f[3] != "-")
                picture = zt_pack(read_file(f[3]));
            tables[index[f[1]]].rows.push_back({utf8_to_utf16(f[2]), picture, utf8_to_utf16(f[4])});
        } else {
            std::fprintf(stderr, "make_catalogue: bad line: %s\n", line.c_str());
            return 1;
        }
    }
    tables.insert(tables.begin(), dl);
    yq::Status written = jet::write_database(argv[2], tables);
    if (!written.ok()) {
        std::fprintf(stderr, "make_catalogue: %s\n", written.message().c_str());
        return 1;
    }
    return 0;
}
