// Font files for the sfnt tests: big-endian writers, a font of given tables
// and a collection of fonts made in code; a file's bytes, and a temporary
// file that is removed when it goes out of scope.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"

namespace yq::sfnt::test {

inline void put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}
inline void put32(Bytes& b, uint32_t v) {
    put16(b, v >> 16);
    put16(b, v & 0xFFFF);
}

struct Table {
    std::string_view tag;  // four characters
    Bytes bytes;
};

// A font whose directory lists `tables` in order, their bytes laid out one
// after another behind it (unpadded), with table offsets counted from `base`
// (the font's place in a collection).
inline Bytes font_of(const std::vector<Table>& tables, uint32_t version = 0x00010000,
                     uint32_t base = 0) {
    Bytes f;
    put32(f, version);
    put16(f, uint32_t(tables.size()));
    put16(f, 32);  // search helpers: not read
    put16(f, 1);
    put16(f, 0);
    uint32_t at = base + 12 + 16 * uint32_t(tables.size());
    for (const Table& t : tables) {
        f.insert(f.end(), t.tag.begin(), t.tag.end());
        put32(f, 0);
        put32(f, at);
        put32(f, uint32_t(t.bytes.size()));
        at += uint32_t(t.bytes.size());
    }
    for (const Table& t : tables) f.insert(f.end(), t.bytes.begin(), t.bytes.end());
    return f;
}

// A collection of fonts, each made by `make_face(i, base)` for its place
// `base` in the file, laid out one after another.
template <class MakeFace>
Bytes collection_of(size_t faces, MakeFace make_face) {
    Bytes c;
    put32(c, 0x74746366);  // 'ttcf'
    put32(c, 0x00010000);
    put32(c, uint32_t(faces));
    uint32_t at = uint32_t(12 + 4 * faces);
    std::vector<Bytes> made;
    for (size_t i = 0; i < faces; ++i) {
        put32(c, at);
        made.push_back(make_face(i, at));
        at += uint32_t(made.back().size());
    }
    for (const Bytes& f : made) c.insert(c.end(), f.begin(), f.end());
    return c;
}

inline Bytes load(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

class TempFile {
  public:
    explicit TempFile(const Bytes& bytes)
        : path_(std::filesystem::temp_directory_path() /
                ("yq-sfnt-" + std::to_string(getpid()) + "-" +
                 std::to_string(reinterpret_cast<uintptr_t>(this)) + ".ttf")) {
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    ~TempFile() { std::filesystem::remove(path_); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    std::string path() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace yq::sfnt::test
