#include "platform/sfnt/face_name.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    yq::ByteSpan bytes(data, size);
    // The input both as a whole font file and as a bare name table.
    if (yq::sfnt::read_face_name(bytes).size() > yq::sfnt::kMaxFaceNameBytes) __builtin_trap();
    if (yq::sfnt::face_name_from_name_table(bytes).size() > yq::sfnt::kMaxFaceNameBytes)
        __builtin_trap();
    return 0;
}
