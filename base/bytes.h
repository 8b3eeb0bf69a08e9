// Byte arrays and a bounds-checked reader for parsing outside bytes.
//
// ByteReader never reads outside its span: a read past the end yields 0 and
// clears the sticky ok() flag, so a parser can read a whole record and check
// once. Offsets and counts taken from a file must still be checked against
// size() before they are used to index anything else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace yq {

using Bytes = std::vector<uint8_t>;
using ByteSpan = std::span<const uint8_t>;

inline ByteSpan as_span(const std::string& s) {
    return ByteSpan(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

class ByteReader {
  public:
    explicit ByteReader(ByteSpan data) : data_(data) {}

    size_t size() const { return data_.size(); }
    size_t pos() const { return pos_; }
    size_t remaining() const { return pos_ <= data_.size() ? data_.size() - pos_ : 0; }
    bool ok() const { return ok_; }

    // Moves to an absolute offset; past the end clears ok().
    void seek(size_t pos) {
        if (pos > data_.size()) ok_ = false;
        pos_ = pos;
    }
    void skip(size_t n) { seek(n > remaining() ? data_.size() + 1 : pos_ + n); }

    uint8_t u8() { return static_cast<uint8_t>(take(1)); }
    uint16_t u16le() { return static_cast<uint16_t>(take(2)); }
    uint32_t u32le() { return static_cast<uint32_t>(take(4)); }
    uint16_t u16be() { return static_cast<uint16_t>(take(2, true)); }
    uint32_t u32be() { return static_cast<uint32_t>(take(4, true)); }
    int32_t i32le() { return static_cast<int32_t>(u32le()); }
    uint64_t u64le() { return take(8); }

    // The next n bytes, or an empty span (and !ok()) when fewer remain.
    ByteSpan bytes(size_t n) {
        if (!ok_ || n > remaining()) {
            ok_ = false;
            return {};
        }
        ByteSpan s = data_.subspan(pos_, n);
        pos_ += n;
        return s;
    }

  private:
    uint64_t take(size_t n, bool big_endian = false) {
        if (!ok_ || n > remaining()) {
            ok_ = false;
            return 0;
        }
        uint64_t v = 0;
        for (size_t i = 0; i < n; ++i) {
            uint64_t b = data_[pos_ + i];
            v |= big_endian ? b << (8 * (n - 1 - i)) : b << (8 * i);
        }
        pos_ += n;
        return v;
    }

    ByteSpan data_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Little- and big-endian loads from a span at an offset the caller has checked.
inline uint16_t load_u16le(ByteSpan s, size_t at) {
    return uint16_t(s[at] | s[at + 1] << 8);
}
inline uint32_t load_u32le(ByteSpan s, size_t at) {
    return uint32_t(s[at]) | uint32_t(s[at + 1]) << 8 | uint32_t(s[at + 2]) << 16 |
           uint32_t(s[at + 3]) << 24;
}
inline uint16_t load_u16be(ByteSpan s, size_t at) {
    return uint16_t(s[at] << 8 | s[at + 1]);
}
inline uint32_t load_u32be(ByteSpan s, size_t at) {
    return uint32_t(s[at]) << 24 | uint32_t(s[at + 1]) << 16 | uint32_t(s[at + 2]) << 8 |
           uint32_t(s[at + 3]);
}

}  // namespace yq
