// Finding and reading one table of a font file or collection, from memory or
// from a file, without reading the rest (layout: doc/formats/name-table.md).
// Shared by the readers of platform/sfnt; not used outside it.
//
// The face read is the font itself, or a face of a collection: by default
// the first, the one Windows lists first and the one the face-name and
// coverage readers describe.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "base/bytes.h"

namespace yq::sfnt {

constexpr uint32_t tag(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) << 24 | uint32_t(uint8_t(b)) << 16 | uint32_t(uint8_t(c)) << 8 |
           uint32_t(uint8_t(d));
}

// Where the bytes of a font come from: a span in memory or an open file.
class FontSource {
  public:
    virtual ~FontSource() = default;
    virtual uint64_t size() const = 0;
    // Fills `out` with the n bytes at `offset`; false when they are not all there.
    virtual bool read(uint64_t offset, size_t n, Bytes& out) = 0;
};

class MemorySource final : public FontSource {
  public:
    explicit MemorySource(ByteSpan data) : data_(data) {}
    uint64_t size() const override { return data_.size(); }
    bool read(uint64_t offset, size_t n, Bytes& out) override;

  private:
    ByteSpan data_;
};

// A file opened for reading by its narrow path (GBK on Windows). A file that
// cannot be opened, or a folder, has size 0 and reads nothing. Seeks with a
// long offset, so files beyond 2 GiB are refused where long has 32 bits; no
// font comes near that.
class FileSource final : public FontSource {
  public:
    explicit FileSource(const std::string& path);
    uint64_t size() const override { return size_; }
    bool read(uint64_t offset, size_t n, Bytes& out) override;

  private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    uint64_t size_ = 0;
};

// Where a table lies in the file: offsets count from the start of the file,
// also inside a collection.
struct TableExtent {
    uint64_t offset = 0;
    uint64_t length = 0;
};

// Faces of the file: a collection's count from its header, 1 for a single
// TrueType or CFF font, 0 when the header is neither.
uint32_t face_count(FontSource& src);

// The first directory entry for `table_tag` of face `face` (0 for a single
// font), or nullopt when the header is not a TrueType, CFF or collection
// header, the face is not in the collection, the header or directory runs
// past the end, no entry has the tag, or the table it names runs past the
// end of the file.
std::optional<TableExtent> find_table(FontSource& src, uint32_t table_tag, uint32_t face = 0);

// The table's first min(length, max_bytes) bytes into `out`: false, as
// find_table, when the table cannot be found or read.
bool read_table(FontSource& src, uint32_t table_tag, size_t max_bytes, Bytes& out,
                uint32_t face = 0);

}  // namespace yq::sfnt
