#include "base/checksum.h"

#include <zlib.h>

namespace yq {

uint32_t crc32_of(ByteSpan bytes) {
    uLong crc = crc32(0L, Z_NULL, 0);
    const Bytef* p = bytes.data();
    size_t n = bytes.size();
    while (n > 0) {
        uInt piece = n > (1u << 30) ? (1u << 30) : static_cast<uInt>(n);
        crc = crc32(crc, p, piece);
        p += piece;
        n -= piece;
    }
    return static_cast<uint32_t>(crc);
}

}  // namespace yq
