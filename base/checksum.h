// The CRC-32 (zlib's) that seals the program's stored files: a file cut
// short or changed by a byte is refused as a whole.
#pragma once

#include <cstdint>

#include "base/bytes.h"

namespace yq {

// CRC-32 of any number of bytes (zlib takes at most 4 GiB a call).
uint32_t crc32_of(ByteSpan bytes);

}  // namespace yq
