// The version checks' readings of server answers: the /ztpz.txt and
// /My.txt bodies and the Content-Length text, on any bytes. The read size
// must stay within its bounds and the readings must never crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "update/update_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const uint32_t read = yq::read_size_for(bytes);
    if (read < 1 || read > 102400) std::abort();
    const int status = size > 0 ? 100 + data[0] * 2 : 0;
    auto version = yq::catalogue_version_of(true, status, bytes);
    if (version && version->size() != 3) std::abort();
    yq::announces_new_program(true, status, bytes);
    (void)yq::text_of_body(bytes);
    return 0;
}
