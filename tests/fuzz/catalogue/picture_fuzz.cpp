// Any bytes through the sniffer and every picture decoder: each gives a
// picture within the limits with exactly width x height pixels, or nothing.
#include "catalogue/picture.h"

namespace {

void check(const yq::Picture& p) {
    if (p.empty()) {
        if (p.width != 0 || p.height != 0) __builtin_trap();
        return;
    }
    if (p.width < 1 || p.height < 1 || p.width > yq::kMaxPictureWidth ||
        p.height > yq::kMaxPictureHeight)
        __builtin_trap();
    if (p.bgra.size() != size_t(p.width) * size_t(p.height) * 4) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    yq::ByteSpan bytes(data, size);
    yq::DecodedPicture d = yq::decode_picture(bytes);
    check(d.picture);
    if (d.status == yq::PictureStatus::PngNotDecoded &&
        (d.png_offset > size || d.png_size > size - d.png_offset))
        __builtin_trap();
    // What goes to the platform decoder has declared a size within the limits.
    if ((d.status == yq::PictureStatus::PngNotDecoded ||
         d.status == yq::PictureStatus::JpegNotDecoded) &&
        (d.width < 1 || d.height < 1 || d.width > yq::kMaxPictureWidth ||
         d.height > yq::kMaxPictureHeight))
        __builtin_trap();
    // Each decoder also sees every input, whatever its first bytes say.
    check(yq::decode_bmp(bytes));
    check(yq::decode_gif(bytes));
    check(yq::decode_icon(bytes).picture);
    check(yq::decode_pcx(bytes));
    return 0;
}
