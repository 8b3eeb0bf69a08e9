#include "platform/sfnt/coverage.h"

namespace {

// Counts within the totals, and none at all when the map was not read.
void check(const yq::sfnt::HanziCoverage& c) {
    if (c.gb2312 > yq::sfnt::kGb2312HanziCount || c.common > yq::sfnt::kCommonHanziCount)
        __builtin_trap();
    if (!c.ok && (c.gb2312 != 0 || c.common != 0)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    yq::ByteSpan bytes(data, size);
    // The input both as a whole font file and as a bare cmap table.
    check(yq::sfnt::read_hanzi_coverage(bytes));
    check(yq::sfnt::hanzi_coverage_from_cmap(bytes));
    return 0;
}
