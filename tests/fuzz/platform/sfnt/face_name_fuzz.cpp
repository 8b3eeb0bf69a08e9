#include "platform/sfnt/face_name.h"

namespace {

// The face name and every licence text within their bounds.
void check(const yq::sfnt::FaceInfo& info) {
    if (info.face.size() > yq::sfnt::kMaxFaceNameBytes) __builtin_trap();
    for (const std::string* text :
         {&info.licence.copyright, &info.licence.description, &info.licence.url}) {
        if (text->size() > yq::sfnt::kMaxLicenceTextBytes) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    yq::ByteSpan bytes(data, size);
    // The input both as a whole font file and as a bare name table; the
    // face-name readers give the face of the same read.
    yq::sfnt::FaceInfo whole = yq::sfnt::read_face_info(bytes);
    check(whole);
    if (yq::sfnt::read_face_name(bytes) != whole.face) __builtin_trap();
    yq::sfnt::FaceInfo table = yq::sfnt::face_info_from_name_table(bytes);
    check(table);
    if (yq::sfnt::face_name_from_name_table(bytes) != table.face) __builtin_trap();
    return 0;
}
