// SHA-256 of a byte stream: how the program tells a font file it wrote from
// another file of the same size, whoever made that one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/bytes.h"

namespace yq {

using Sha256Digest = std::array<uint8_t, 32>;

class Sha256 {
  public:
    Sha256();
    // Adds bytes; any number of calls, of any lengths.
    void update(ByteSpan data);
    // The digest of everything added. The object must not be used afterwards.
    Sha256Digest finish();

  private:
    void compress(const uint8_t* block);

    uint32_t state_[8];
    uint8_t buffer_[64];
    size_t buffered_ = 0;
    uint64_t total_bytes_ = 0;
};

Sha256Digest sha256(ByteSpan data);

}  // namespace yq
