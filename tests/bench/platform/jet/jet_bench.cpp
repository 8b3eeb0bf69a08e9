// Benchmark helper for the Jet reader and writer.
//
//   bench_jet make FILE [ROWS]     writes table "bench": Text "name" and a 4 KB Long Binary "data"
//   bench_jet dump FILE TABLE      every row as CSV with binary as upper-case hex (mdb-export -b
//   hex) bench_jet tail FILE TABLE [N]  moves straight to the last N rows (default 5) and prints
//   them
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "base/text.h"
#include "platform/jet/jet_reader.h"
#include "platform/jet/jet_writer.h"

namespace {

using namespace yq;

constexpr size_t kPictureBytes = 4096;

int make(const std::string& path, size_t rows) {
    jet::TableDef t{
        u"bench", {{u"name", jet::ColumnType::Text}, {u"data", jet::ColumnType::LongBinary}}, {}};
    t.rows.reserve(rows);
    for (size_t i = 0; i < rows; ++i) {
        Bytes b(kPictureBytes);
        for (size_t k = 0; k < b.size(); ++k) b[k] = uint8_t(k * 131 + i);
        t.rows.push_back({utf8_to_utf16("font " + std::to_string(i)), std::move(b)});
    }
    std::timespec t0, t1;
    std::timespec_get(&t0, TIME_UTC);
    Status written = jet::write_database(path, {t});
    std::timespec_get(&t1, TIME_UTC);
    double s = double(t1.tv_sec - t0.tv_sec) + double(t1.tv_nsec - t0.tv_nsec) / 1e9;
    if (!written.ok()) {
        std::fprintf(stderr, "bench_jet: %s\n", written.message().c_str());
        return 1;
    }
    std::fprintf(stderr, "wrote %zu rows in %.3f s\n", rows, s);
    return 0;
}

// Appends a value the way mdb-export prints it: text in quotes, binary as
// upper-case hex in quotes, NULL as nothing.
void put(std::string& out, const jet::Field& f) {
    static const char hex[] = "0123456789ABCDEF";
    if (f.kind == jet::Field::Kind::Text) {
        out += '"';
        out += utf16_to_utf8(f.text);
        out += '"';
    } else if (f.kind == jet::Field::Kind::Binary) {
        size_t at = out.size();
        out.resize(at + 2 + 2 * f.bytes.size());
        char* p = &out[at];
        *p++ = '"';
        for (uint8_t b : f.bytes) {
            *p++ = hex[b >> 4];
            *p++ = hex[b & 15];
        }
        *p = '"';
    } else if (f.kind == jet::Field::Kind::Integer) {
        out += std::to_string(f.integer);
    }
}

int print_rows(const std::string& path, const std::string& table, bool tail, size_t n) {
    auto db = jet::Database::open(path);
    auto opened = db ? (*db)->open_table(utf8_to_utf16(table)) : db.status();
    if (!opened) {
        std::fprintf(stderr, "bench_jet: %s\n", opened.status().message().c_str());
        return 1;
    }
    jet::Table* t = opened->get();
    std::string out;
    for (size_t c = 0; c < t->columns().size(); ++c) {
        if (c) out += ',';
        out += utf16_to_utf8(t->columns()[c].name);
    }
    out += '\n';
    if (tail)
        t->move_to(t->record_count() > n ? t->record_count() - n : 0);
    else
        t->move_first();
    jet::Field f;
    for (; !t->eof(); t->move_next()) {
        for (size_t c = 0; c < t->columns().size(); ++c) {
            if (Status read = t->read(c, f); !read.ok()) {
                std::fprintf(stderr, "bench_jet: %s\n", read.message().c_str());
                return 1;
            }
            if (c) out += ',';
            put(out, f);
        }
        out += '\n';
        if (out.size() > (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make" && argc >= 3) return make(argv[2], argc > 3 ? std::stoul(argv[3]) : 100000);
    if (mode == "dump" && argc == 4) return print_rows(argv[2], argv[3], false, 0);
    if (mode == "tail" && argc >= 4)
        return print_rows(argv[2], argv[3], true, argc > 4 ? std::stoul(argv[4]) : 5);
    std::fprintf(stderr,
                 "usage: bench_jet make FILE [ROWS] | dump FILE TABLE | tail FILE TABLE [N]\n");
    return 2;
}
