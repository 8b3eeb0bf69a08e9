#include "app/zt_container.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    yq::Bytes out = yq::zt_unpack(yq::ByteSpan(data, size));
    // Whatever comes out fits twice the stored length.
    if (!out.empty() && out.size() > 2u * yq::load_u32le(yq::ByteSpan(data, size), 4))
        __builtin_trap();
    return 0;
}
