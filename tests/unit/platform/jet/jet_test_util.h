// Helpers shared by the Jet tests.
#pragma once

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/status.h"
#include "platform/jet/jet_reader.h"

namespace yq::test {

// The Access-made files, their reference dumps and the pinned npm reader
// (tests/data/mdb/README.md says where each came from).
inline std::string mdb_data_dir() {
    return std::string(YQ_SOURCE_DIR) + "/tests/data/mdb";
}

inline bool read_whole_file(const std::string& path, std::string& out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buf[65536];
    size_t n;
    out.clear();
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return true;
}

inline Bytes to_bytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

inline std::string hex(ByteSpan b) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(b.size() * 2);
    for (uint8_t c : b) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

inline std::vector<std::string> split_lines(const std::string& s) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < s.size()) {
        size_t nl = s.find('\n', at);
        if (nl == std::string::npos) nl = s.size();
        lines.push_back(s.substr(at, nl - at));
        at = nl + 1;
    }
    return lines;
}

// Records of mdb-export's CSV: fields separated by commas, quoted fields
// with doubled quotes inside; a field that was quoted keeps a leading '"'
// marker so that <NULL> and the text "<NULL>" differ.
inline std::vector<std::vector<std::string>> parse_csv(const std::string& s) {
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false, in_quotes = false;
    auto end_field = [&] {
        rows.back().push_back(quoted ? "\"" + field : field);
        field.clear();
        quoted = false;
    };
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (in_quotes) {
            if (c == '"' && i + 1 < s.size() && s[i + 1] == '"')
                field += '"', ++i;
            else if (c == '"')
                in_quotes = false;
            else
                field += c;
        } else if (c == '"') {
            in_quotes = quoted = true;
        } else if (c == ',') {
            end_field();
        } else if (c == '\n') {
            end_field();
            rows.emplace_back();
        } else {
            field += c;
        }
    }
    if (!rows.back().empty() || !field.empty())
        end_field();
    else
        rows.pop_back();
    return rows;
}

inline std::string upper(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Reads every column of every row of every user table; the first damage
// fails it. Keeps a digest of what was read so that two reads can be
// compared.
inline Status read_everything(jet::Database& db, std::string* digest = nullptr) {
    for (const std::u16string& name : db.table_names()) {
        auto opened = db.open_table(name);
        if (!opened) return opened.status();
        jet::Table& t = **opened;
        jet::Field f;
        for (t.move_first(); !t.eof(); t.move_next()) {
            for (size_t c = 0; c < t.columns().size(); ++c) {
                if (Status read = t.read(c, f); !read.ok()) return read;
                if (digest) {
                    digest->push_back(char('0' + int(f.kind)));
                    digest->append(reinterpret_cast<const char*>(f.text.data()), f.text.size() * 2);
                    digest->append(f.bytes.begin(), f.bytes.end());
                    digest->append(std::to_string(f.integer));
                }
            }
        }
    }
    return Status();
}

}  // namespace yq::test
