// A font pack's zip: the directory listed, and every entry it calls
// readable extracted, with the writer keeping no more than the entry's size.
#include <cstdlib>

#include "platform/zip/zip_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    yq::zip::MemorySource src(yq::ByteSpan(data, size));
    auto listing = yq::zip::list_zip(src, 1u << 20);
    if (!listing) return 0;
    for (const yq::zip::Entry& e : *listing) {
        uint64_t written = 0;
        yq::Status o = yq::zip::extract_zip(src, e, [&](yq::ByteSpan piece) {
            written += piece.size();
            return true;
        });
        if (written > e.size || (o.ok() && written != e.size)) std::abort();
    }
    return 0;
}
