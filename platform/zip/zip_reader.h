// Reading a .zip pack of fonts, as fonts come from the web (layout:
// doc/formats/zip.md). The archive is outside bytes: its directory is read
// with every offset and count checked, an entry is inflated through a fixed
// window into the caller's writer, and nothing it says chooses a path: an
// entry gives a suggested file name (the last part of its name, only when
// Windows would store it as given), never a folder or a path.
//
//   list_zip     the central directory: each entry, and whether it can be read
//   extract_zip  one entry's bytes, checked against its size and CRC-32
//
// Refused: encrypted entries, methods other than stored and deflate, sizes
// in the 64-bit form (no font pack needs them), entries past the caller's
// size cap, more than kMaxZipEntries entries. Memory stays within
// kZipMemoryBytes whatever the archive claims.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/status.h"

namespace yq::zip {

inline constexpr size_t kMaxZipEntries = 65535;
// The longest entry name read; a longer one is damage.
inline constexpr size_t kMaxZipNameBytes = 4096;
// The windows of input and output an extraction holds, and zlib's state.
inline constexpr size_t kZipWindowBytes = 64 * 1024;
inline constexpr size_t kZipMemoryBytes = 2 * kZipWindowBytes + 64 * 1024;

// Where the archive's bytes come from: memory, or a file read piece by piece.
class Source {
  public:
    virtual ~Source() = default;
    virtual uint64_t size() const = 0;
    // Fills out[0..n) with the bytes at `offset`; false when they are not all there.
    virtual bool read(uint64_t offset, size_t n, uint8_t* out) = 0;
};

class MemorySource final : public Source {
  public:
    explicit MemorySource(ByteSpan data) : data_(data) {}
    uint64_t size() const override { return data_.size(); }
    bool read(uint64_t offset, size_t n, uint8_t* out) override;

  private:
    ByteSpan data_;
};

enum class EntryState : uint8_t {
    Readable,
    Folder,       // a name ending in '/': nothing to read
    Encrypted,    // flag bit 0: refused
    Unsupported,  // a method other than stored (0) and deflate (8), or 64-bit sizes
    TooLarge,     // its size is past the caller's cap
};

struct Entry {
    std::string name;       // as the archive names it, in GBK (UTF-8 names converted)
    std::string file_name;  // its last part when that is a storable file name, else ""
    uint64_t compressed = 0, size = 0;
    uint32_t crc = 0;
    uint16_t method = 0;
    uint64_t local_header = 0;  // offset of its local header
    EntryState state = EntryState::Readable;
};

// The failures, as Status codes (their messages are short English texts for
// the program's log):
//   kNotRecognised  no end-of-directory record
//   kCorrupt        a directory, header or stream that runs past its bounds or disagrees
//   kTooLarge       more entries than kMaxZipEntries; bytes past the entry's size
//   kUnsupported    extract_zip of an entry whose state is not Readable
//   kWriteFailed    the caller's writer refused bytes

// The entries of the archive, in directory order; entries larger than
// `max_entry_bytes` are listed as TooLarge. A damaged directory lists
// nothing.
Result<std::vector<Entry>> list_zip(Source& src, uint64_t max_entry_bytes);

// Writes the entry's bytes to `write` (called with pieces of at most
// kZipWindowBytes; returning false stops with kWriteFailed) and checks that
// exactly `entry.size` bytes with its CRC-32 came out. Ok only then; the
// caller drops what was written otherwise.
Status extract_zip(Source& src, const Entry& entry, const std::function<bool(ByteSpan)>& write);

}  // namespace yq::zip
