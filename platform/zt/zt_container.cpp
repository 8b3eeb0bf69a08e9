#include "platform/zt/zt_container.h"

#include <zlib.h>

#include <algorithm>

namespace yq {

Bytes zt_unpack(ByteSpan in, size_t max_output) {
    if (in.size() < 8 || load_u32le(in, 0) != kZtMagic) return {};
    uint32_t stored = load_u32le(in, 4);
    int32_t capacity = static_cast<int32_t>(stored * 2u);  // wraps as on the server's side
    if (capacity <= 0) return {};

    z_stream z{};
    if (inflateInit(&z) != Z_OK) return {};
    ByteSpan stream = in.subspan(8);
    // zlib counts in uInt; feed the input in pieces so any size is safe.
    size_t fed = 0;
    Bytes out;
    const size_t cap = std::min(static_cast<size_t>(capacity), max_output);
    int rc = Z_OK;
    uint8_t chunk[65536];
    while (rc != Z_STREAM_END) {
        if (z.avail_in == 0 && fed < stream.size()) {
            size_t n = std::min<size_t>(stream.size() - fed, 1u << 30);
            z.next_in = const_cast<Bytef*>(stream.data() + fed);
            z.avail_in = static_cast<uInt>(n);
            fed += n;
        }
        z.next_out = chunk;
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) break;  // corrupt, or no input left
        size_t produced = sizeof chunk - z.avail_out;
        if (out.size() + produced > cap) {
            rc = Z_BUF_ERROR;
            break;
        }
        out.insert(out.end(), chunk, chunk + produced);
        if (rc == Z_OK && produced == 0 && z.avail_in == 0 && fed >= stream.size()) {
            rc = Z_BUF_ERROR;  // stream ends before its last block
            break;
        }
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END) return {};
    return out;
}

Bytes zt_pack(ByteSpan data, int level) {
    if (data.size() >= 0x40000000u) return {};
    uLongf bound = compressBound(static_cast<uLong>(data.size()));
    Bytes out(8 + bound);
    uint32_t magic = kZtMagic, stored = static_cast<uint32_t>(data.size());
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(magic >> (8 * i));
        out[4 + i] = static_cast<uint8_t>(stored >> (8 * i));
    }
    if (compress2(out.data() + 8, &bound, data.data(), static_cast<uLong>(data.size()), level) !=
        Z_OK)
        return {};
    out.resize(8 + bound);
    return out;
}

}  // namespace yq
