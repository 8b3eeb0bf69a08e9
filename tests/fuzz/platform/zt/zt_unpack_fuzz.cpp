#include <algorithm>

#include "platform/zt/zt_container.h"

// The largest output any caller of the program asks for is far above what a
// fuzz input can honestly hold; a small cap shows the cut-off works too.
constexpr size_t kFuzzCap = size_t{8} << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    yq::ByteSpan in(data, size);
    yq::Result<yq::Bytes> unpacked = yq::zt_unpack(in, kFuzzCap);
    // A refusal always says why; whatever comes out fits twice the stored
    // length and the cap.
    if (!unpacked && unpacked.status().message().empty()) __builtin_trap();
    const yq::Bytes out = unpacked.value_or(yq::Bytes());
    if (unpacked && (out.size() > 2u * yq::load_u32le(in, 4) || out.size() > kFuzzCap))
        __builtin_trap();
    yq::Result<yq::Bytes> small = yq::zt_unpack(in, 4096);
    if (small && (small->size() > 4096 || *small != out)) __builtin_trap();

    // The streaming unpacker, fed in pieces whose size the input's last byte
    // picks, gives the same bytes, never more than its cap.
    const size_t piece = size > 0 ? 1 + data[size - 1] % 97 : 1;
    size_t at = 0;
    yq::Bytes streamed;
    yq::ZtStreamResult r = yq::zt_unpack_stream(
        [&](uint8_t* to, size_t capacity) -> int64_t {
            const size_t n = std::min({piece, capacity, size - at});
            std::copy_n(data + at, n, to);
            at += n;
            return static_cast<int64_t>(n);
        },
        [&](const uint8_t* from, size_t n) {
            streamed.insert(streamed.end(), from, from + n);
            return streamed.size() <= kFuzzCap;
        },
        kFuzzCap);
    if (r.written != streamed.size() || streamed.size() > kFuzzCap) __builtin_trap();
    if (r.status.ok() != unpacked.ok() || (unpacked && streamed != out)) __builtin_trap();
    return 0;
}
