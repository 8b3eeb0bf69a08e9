// Helpers shared by the Jet tests.
#pragma once

#include <cstdio>
#include <string>

#include "base/bytes.h"
#include "platform/jet/jet_reader.h"

namespace yq::test {

inline std::string oracle_dir() {
    return std::string(YQ_SOURCE_DIR) + "/../shared/oracle/mdb";
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

// Reads every column of every row of every user table; false at the first
// damage (the description goes to *error). Keeps a digest of what was read
// so that two reads can be compared.
inline bool read_everything(jet::Database& db, std::string* error, std::string* digest = nullptr) {
    for (const std::u16string& name : db.table_names()) {
        auto t = db.open_table(name, error);
        if (!t) return false;
        jet::Field f;
        for (t->move_first(); !t->eof(); t->move_next()) {
            for (size_t c = 0; c < t->columns().size(); ++c) {
                if (!t->read(c, f)) {
                    *error = t->error();
                    return false;
                }
                if (digest) {
                    digest->push_back(char('0' + int(f.kind)));
                    digest->append(reinterpret_cast<const char*>(f.text.data()), f.text.size() * 2);
                    digest->append(f.bytes.begin(), f.bytes.end());
                    digest->append(std::to_string(f.integer));
                }
            }
        }
    }
    return true;
}

}  // namespace yq::test
