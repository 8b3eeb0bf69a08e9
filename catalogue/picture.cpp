#include "catalogue/picture.h"

#include <cstring>

#include "catalogue/picture_decoding.h"

// What every catalogue picture goes through: the format told from its first
// bytes and handed to its decoder (picture_bmp, _gif, _icon, _pcx.cpp); the
// sizes of the formats the platform decodes.
namespace yq {

using namespace picture_decoding;

uint32_t Picture::argb(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height || empty()) return 0;
    const uint8_t* s = &bgra[(static_cast<size_t>(y) * width + x) * 4];
    return uint32_t{s[3]} << 24 | uint32_t{s[2]} << 16 | uint32_t{s[1]} << 8 | s[0];
}

PictureFormat sniff_picture(ByteSpan d) {
    if (d.size() >= 2 && d[0] == 'B' && d[1] == 'M') return PictureFormat::Bmp;
    if (d.size() >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return PictureFormat::Jpeg;
    if (d.size() >= 6 && std::memcmp(d.data(), "GIF8", 4) == 0 && (d[4] == '7' || d[4] == '9') &&
        d[5] == 'a')
        return PictureFormat::Gif;
    if (d.size() >= 4 && d[0] == 0 && d[1] == 0 && d[3] == 0) {
        if (d[2] == 1) return PictureFormat::Ico;
        if (d[2] == 2) return PictureFormat::Cur;
    }
    if (d.size() >= 3 && d[0] == 0x0A && d[2] == 1) {
        switch (d[1]) {
            case 0:
            case 2:
            case 3:
            case 4:
            case 5:
                return PictureFormat::Pcx;
        }
    }
    return PictureFormat::Unknown;
}

DecodedPicture decode_picture(ByteSpan data) {
    DecodedPicture result;
    result.format = sniff_picture(data);
    switch (result.format) {
        case PictureFormat::Unknown:
            result.status = PictureStatus::Unrecognised;
            return result;
        case PictureFormat::Jpeg:
            result.status = jpeg_size(data, result.width, result.height) &&
                                    within_limits(result.width, result.height)
                                ? PictureStatus::JpegNotDecoded
                                : PictureStatus::Malformed;
            return result;
        case PictureFormat::Ico:
        case PictureFormat::Cur:
            return decode_icon(data);
        case PictureFormat::Bmp:
            result.picture = decode_bmp(data);
            break;
        case PictureFormat::Gif:
            result.picture = decode_gif(data);
            break;
        case PictureFormat::Pcx:
            result.picture = decode_pcx(data);
            break;
    }
    result.status = result.picture.empty() ? PictureStatus::Malformed : PictureStatus::Decoded;
    return result;
}

bool jpeg_size(ByteSpan data, int& width, int& height) {
    if (sniff_picture(data) != PictureFormat::Jpeg) return false;
    ByteReader r(data);
    r.seek(2);
    while (r.ok()) {
        if (r.u8() != 0xFF) return false;
        uint8_t marker = r.u8();
        while (marker == 0xFF && r.ok()) marker = r.u8();                    // fill bytes
        if (!r.ok() || marker == 0xD9 || marker == 0xDA) return false;       // end, or the scan
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        uint16_t length = r.u16be();
        if (!r.ok() || length < 2) return false;
        bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            r.skip(1);  // sample precision
            height = r.u16be();
            width = r.u16be();
            return r.ok();
        }
        r.skip(length - 2u);
    }
    return false;
}

bool png_size(ByteSpan data, int& width, int& height) {
    // Signature, then the IHDR chunk: length 13, type, width, height.
    if (!is_png(data) || data.size() < 24 || load_u32be(data, 8) != 13 ||
        std::memcmp(data.data() + 12, "IHDR", 4) != 0)
        return false;
    uint32_t w = load_u32be(data, 16), h = load_u32be(data, 20);
    if (w > 0x7FFFFFFF || h > 0x7FFFFFFF) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

}  // namespace yq
