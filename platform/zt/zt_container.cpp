#include "platform/zt/zt_container.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace yq {
namespace {

// zlib counts its input in uInt: longer pieces are fed in parts.
constexpr size_t kMaxZlibInput = size_t{1} << 30;

// The failures of an unpack; their texts go into the program's log.
Status not_a_container() {
    return Status(StatusCode::kNotRecognised, "not a container");
}
Status bad_length() {
    return Status(StatusCode::kCorrupt, "stored length out of range");
}
Status too_long() {
    return Status(StatusCode::kTooLarge, "inflates past its cap");
}
Status damaged() {
    return Status(StatusCode::kCorrupt, "damaged stream");
}
Status read_failed() {
    return Status(StatusCode::kReadFailed, "read failed");
}
Status write_failed() {
    return Status(StatusCode::kWriteFailed, "write failed");
}

// The rules of both unpackers. `pull(data, size)` points at the next piece
// of the container (valid until the next call), size 0 at its end, and
// returns false when reading failed; `push(data, size)` takes unpacked
// bytes and returns false to stop.
template <typename Pull, typename Push>
ZtStreamResult unpack(Pull& pull, Push& push, uint64_t max_output) {
    const uint8_t* piece = nullptr;
    size_t left = 0;
    bool at_end = false;

    uint8_t head[8];
    size_t have = 0;
    while (have < sizeof head) {
        if (left == 0) {
            if (!pull(piece, left)) return {read_failed(), 0};
            if (left == 0) return {not_a_container(), 0};
        }
        const size_t n = std::min(left, sizeof head - have);
        std::memcpy(head + have, piece, n);
        have += n;
        piece += n;
        left -= n;
    }
    const ByteSpan header(head, sizeof head);
    if (load_u32le(header, 0) != kZtMagic) return {not_a_container(), 0};
    // Doubled in 32 bits, wrapping as the server's side does.
    const int32_t capacity = static_cast<int32_t>(load_u32le(header, 4) * 2u);
    if (capacity <= 0) return {bad_length(), 0};
    const uint64_t cap = std::min<uint64_t>(static_cast<uint64_t>(capacity), max_output);

    Bytes window(kZtStreamChunkBytes);
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return {damaged(), 0};
    ZtStreamResult result{damaged(), 0};
    for (;;) {
        if (z.avail_in == 0 && !at_end) {
            if (left == 0) {
                if (!pull(piece, left)) {
                    result.status = read_failed();
                    break;
                }
                at_end = left == 0;
            }
            const size_t n = std::min(left, kMaxZlibInput);
            z.next_in = const_cast<Bytef*>(piece);
            z.avail_in = static_cast<uInt>(n);
            piece += n;
            left -= n;
        }
        z.next_out = window.data();
        z.avail_out = static_cast<uInt>(window.size());
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) break;  // damaged
        const size_t produced = window.size() - z.avail_out;
        if (produced > cap - result.written) {
            result.status = too_long();
            break;
        }
        if (produced > 0 && !push(window.data(), produced)) {
            result.status = write_failed();
            break;
        }
        result.written += produced;
        if (rc == Z_STREAM_END) {
            result.status = Status();
            break;
        }
        // No progress without more input, and there is none: the stream
        // ends before its last block.
        if (rc == Z_BUF_ERROR && z.avail_in == 0 && left == 0 && at_end) break;
    }
    inflateEnd(&z);
    return result;
}

}  // namespace

ZtStreamResult zt_unpack_stream(const ZtReader& read, const ZtWriter& write, uint64_t max_output) {
    Bytes buffer(kZtStreamChunkBytes);
    auto pull = [&](const uint8_t*& data, size_t& size) {
        const int64_t got = read ? read(buffer.data(), buffer.size()) : -1;
        if (got < 0 || static_cast<uint64_t>(got) > buffer.size()) return false;
        data = buffer.data();
        size = static_cast<size_t>(got);
        return true;
    };
    auto push = [&](const uint8_t* data, size_t size) { return write && write(data, size); };
    return unpack(pull, push, max_output);
}

Result<Bytes> zt_unpack(ByteSpan in, size_t max_output) {
    bool given = false;
    auto pull = [&](const uint8_t*& data, size_t& size) {
        data = in.data();
        size = given ? 0 : in.size();
        given = true;
        return true;
    };
    Bytes out;
    auto push = [&](const uint8_t* data, size_t size) {
        out.insert(out.end(), data, data + size);
        return true;
    };
    Status unpacked = unpack(pull, push, max_output).status;
    if (!unpacked.ok()) return unpacked;
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
