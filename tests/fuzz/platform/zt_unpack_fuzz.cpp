#include "platform/zt/zt_container.h"

// The largest output any caller of the program asks for is far above what a
// fuzz input can honestly hold; a small cap shows the cut-off works too.
constexpr size_t kFuzzCap = size_t{8} << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    yq::ByteSpan in(data, size);
    yq::Bytes out = yq::zt_unpack(in, kFuzzCap);
    // Whatever comes out fits twice the stored length and the cap.
    if (!out.empty() && (out.size() > 2u * yq::load_u32le(in, 4) || out.size() > kFuzzCap))
        __builtin_trap();
    yq::Bytes small = yq::zt_unpack(in, 4096);
    if (small.size() > 4096 || (!small.empty() && small != out)) __builtin_trap();
    return 0;
}
