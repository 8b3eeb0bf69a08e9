#include "catalogue/picture_decoding.h"

// ICO and CUR: the entry that best fits a row, as a DIB or a PNG.
namespace yq {

using namespace picture_decoding;

DecodedPicture decode_icon(ByteSpan data) {
    DecodedPicture result;
    result.format = sniff_picture(data);
    if (result.format != PictureFormat::Ico && result.format != PictureFormat::Cur) {
        result.status = PictureStatus::Unrecognised;
        result.format = PictureFormat::Unknown;
        return result;
    }
    result.status = PictureStatus::Malformed;
    ByteReader r(data);
    r.seek(4);
    int count = r.u16le();
    if (!r.ok() || count < 1 || count > kMaxIconEntries) return result;
    size_t directory_end = 6 + 16 * static_cast<size_t>(count);
    if (directory_end > data.size()) return result;

    // Every entry must lie inside the file; the largest one (then the deepest) wins.
    int best = -1;
    int64_t best_area = 0;
    int best_bpp = 0;
    size_t best_offset = 0, best_size = 0;
    for (int i = 0; i < count; ++i) {
        size_t e = 6 + 16 * static_cast<size_t>(i);
        int64_t w = data[e] ? data[e] : 256, h = data[e + 1] ? data[e + 1] : 256;
        uint32_t size = load_u32le(data, e + 8), offset = load_u32le(data, e + 12);
        if (size == 0 || offset < directory_end || offset > data.size() ||
            size > data.size() - offset)
            return result;
        ByteSpan entry = data.subspan(offset, size);
        int bpp = 32;
        if (!is_png(entry)) bpp = entry.size() >= 16 ? load_u16le(entry, 14) : 0;
        if (best < 0 || w * h > best_area || (w * h == best_area && bpp > best_bpp)) {
            best = i;
            best_area = w * h;
            best_bpp = bpp;
            best_offset = offset;
            best_size = size;
        }
    }

    ByteSpan entry = data.subspan(best_offset, best_size);
    if (is_png(entry)) {
        if (!png_size(entry, result.width, result.height) ||
            !within_limits(result.width, result.height))
            return result;
        result.status = PictureStatus::PngNotDecoded;
        result.png_offset = best_offset;
        result.png_size = best_size;
        return result;
    }
    DibInfo dib;
    if (!read_dib_header(entry, 0, true, dib)) return result;
    Picture p;
    if (!decode_dib_pixels(entry, dib.end, dib, dib.bpp == 32, p)) return result;

    uint64_t xor_bytes = dib_stride(dib.width, dib.bpp) * static_cast<uint64_t>(dib.height);
    uint64_t mask_stride = dib_stride(dib.width, 1);
    size_t mask_at = dib.end + static_cast<size_t>(xor_bytes);
    if (mask_stride * static_cast<uint64_t>(dib.height) > entry.size() - mask_at) return result;

    bool has_alpha = false;
    if (dib.bpp == 32)
        for (size_t i = 3; i < p.bgra.size() && !has_alpha; i += 4) has_alpha = p.bgra[i] != 0;
    for (int64_t fr = 0; fr < dib.height; ++fr) {
        ByteSpan mask = entry.subspan(mask_at + static_cast<size_t>(fr * mask_stride), mask_stride);
        int64_t y = dib.height - 1 - fr;
        for (int64_t x = 0; x < dib.width; ++x) {
            uint8_t* px = &p.bgra[(static_cast<size_t>(y) * p.width + static_cast<size_t>(x)) * 4];
            bool clear_bit = (mask[x / 8] >> (7 - x % 8)) & 1;
            if (has_alpha) {
                if (px[3] == 0) std::memset(px, 0, 4);
            } else if (clear_bit) {
                std::memset(px, 0, 4);
            } else {
                px[3] = 0xFF;
            }
        }
    }
    result.status = PictureStatus::Decoded;
    result.picture = std::move(p);
    return result;
}

}  // namespace yq
