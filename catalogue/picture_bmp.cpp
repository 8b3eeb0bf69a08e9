#include "catalogue/picture_decoding.h"

// BMP files and the DIB they hold, which icons hold too.
namespace yq {
namespace picture_decoding {

// Reads a DIB header at `at`. For icons the stored height covers the colour
// bitmap and the AND mask, and only uncompressed bitmaps occur.
bool read_dib_header(ByteSpan data, size_t at, bool icon, DibInfo& dib) {
    ByteReader r(data);
    r.seek(at);
    uint32_t header_size = r.u32le();
    if (!r.ok()) return false;
    bool core = header_size == 12;
    if (!core && (header_size < 40 || header_size > kMaxDibHeader)) return false;

    uint32_t colours_used = 0;
    int palette_entry = core ? 3 : 4;
    if (core) {
        dib.width = r.u16le();
        dib.height = r.u16le();
        r.u16le();  // planes
        dib.bpp = r.u16le();
    } else {
        dib.width = r.i32le();
        dib.height = r.i32le();
        r.u16le();  // planes
        dib.bpp = r.u16le();
        dib.compression = r.u32le();
        r.skip(12);  // image size, resolution
        colours_used = r.u32le();
        r.u32le();  // colours important
        if (header_size >= 52) {
            dib.masks[0] = r.u32le();
            dib.masks[1] = r.u32le();
            dib.masks[2] = r.u32le();
        }
        if (header_size >= 56) dib.masks[3] = r.u32le();
    }
    if (!r.ok()) return false;
    r.seek(at + header_size);

    switch (dib.bpp) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return false;
    }
    switch (dib.compression) {
        case kBiRgb:
            break;
        case kBiRle8:
            if (dib.bpp != 8) return false;
            break;
        case kBiRle4:
            if (dib.bpp != 4) return false;
            break;
        case kBiBitfields:
        case kBiAlphaBitfields:
            if (dib.bpp != 16 && dib.bpp != 32) return false;
            if (header_size == 40) {  // the masks follow the header
                dib.masks[0] = r.u32le();
                dib.masks[1] = r.u32le();
                dib.masks[2] = r.u32le();
                if (dib.compression == kBiAlphaBitfields) dib.masks[3] = r.u32le();
            }
            dib.use_masks = true;
            break;
        default:
            return false;
    }
    if (icon && dib.compression != kBiRgb) return false;

    if (dib.height < 0) {
        // Top-down bitmaps cannot be run-length encoded, and icons are bottom-up.
        if (icon || dib.compression == kBiRle8 || dib.compression == kBiRle4) return false;
        dib.top_down = true;
        dib.height = -dib.height;
    }
    if (icon) {
        if (dib.height % 2 != 0) return false;
        dib.height /= 2;
    }
    if (dib.width < 1 || dib.height < 1 || dib.width > kMaxPictureWidth ||
        dib.height > kMaxPictureHeight)
        return false;

    // Palette: bitmaps of 8 bits or fewer index one; deeper bitmaps may carry
    // an unused one that icons still have to skip.
    uint64_t entries = colours_used;
    if (dib.bpp <= 8) {
        uint64_t full = uint64_t{1} << dib.bpp;
        if (entries == 0) entries = full;
        if (entries > full) return false;
    } else if (entries > 256) {
        return false;
    }
    if (core && dib.bpp > 8) entries = 0;
    for (uint64_t i = 0; i < entries; ++i) {
        uint8_t b = r.u8(), g = r.u8(), red = r.u8();
        if (palette_entry == 4) r.u8();
        if (i < dib.palette.size()) dib.palette[i] = rgb(red, g, b);
    }
    if (!r.ok()) return false;
    dib.palette_size = dib.bpp <= 8 ? static_cast<size_t>(entries) : 0;
    dib.end = r.pos();
    return true;
}

uint64_t dib_stride(int64_t width, int bpp) {
    return (static_cast<uint64_t>(width) * static_cast<uint64_t>(bpp) + 31) / 32 * 4;
}

// A colour component under a bit mask, scaled to 0..255.
uint8_t masked(uint32_t value, uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    uint64_t max = mask >> shift;
    uint64_t v = (value & mask) >> shift;
    return static_cast<uint8_t>((v * 255 + max / 2) / max);
}

uint32_t palette_colour(const DibInfo& dib, uint32_t index) {
    return index < dib.palette_size ? dib.palette[index] : kBlack;
}

// Row `file_row` (in file order) of an uncompressed bitmap into picture row y.
void decode_dib_row(const DibInfo& dib, ByteSpan row, int64_t y, bool keep_alpha, Picture& p) {
    uint32_t default16[4] = {0x7C00, 0x03E0, 0x001F, 0};
    const uint32_t* masks = dib.use_masks ? dib.masks : default16;
    for (int64_t x = 0; x < dib.width; ++x) {
        uint32_t c = kBlack;
        switch (dib.bpp) {
            case 1:
                c = palette_colour(dib, (row[x / 8] >> (7 - x % 8)) & 1);
                break;
            case 4:
                c = palette_colour(dib, (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF);
                break;
            case 8:
                c = palette_colour(dib, row[x]);
                break;
            case 16: {
                uint32_t v = load_u16le(row, x * 2);
                c = rgb(masked(v, masks[0]), masked(v, masks[1]), masked(v, masks[2]));
                if (dib.use_masks && masks[3])
                    c = (c & 0xFFFFFF) | uint32_t{masked(v, masks[3])} << 24;
                break;
            }
            case 24:
                c = rgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
                break;
            case 32: {
                uint32_t v = load_u32le(row, x * 4);
                if (dib.use_masks) {
                    c = rgb(masked(v, masks[0]), masked(v, masks[1]), masked(v, masks[2]));
                    if (masks[3]) c = (c & 0xFFFFFF) | uint32_t{masked(v, masks[3])} << 24;
                } else {
                    c = keep_alpha ? v : (v | kOpaque);
                }
                break;
            }
        }
        put(p, x, y, c);
    }
}

// Uncompressed pixels at `at`; false when they do not fit in the data.
bool decode_dib_pixels(ByteSpan data, size_t at, const DibInfo& dib, bool keep_alpha, Picture& p) {
    uint64_t stride = dib_stride(dib.width, dib.bpp);
    if (at > data.size() || stride * static_cast<uint64_t>(dib.height) > data.size() - at)
        return false;
    if (!make_canvas(dib.width, dib.height, p)) return false;
    for (int64_t fr = 0; fr < dib.height; ++fr) {
        ByteSpan row = data.subspan(at + static_cast<size_t>(fr * stride), stride);
        decode_dib_row(dib, row, dib.top_down ? fr : dib.height - 1 - fr, keep_alpha, p);
    }
    return true;
}

// RLE8 / RLE4 from `at` to the end of the data, bottom-up. Succeeds only at
// the end-of-bitmap code.
bool decode_dib_rle(ByteSpan data, size_t at, const DibInfo& dib, Picture& p) {
    if (at > data.size()) return false;
    if (!make_canvas(dib.width, dib.height, p)) return false;
    bool rle4 = dib.compression == kBiRle4;
    ByteReader r(data);
    r.seek(at);
    int64_t x = 0, line = 0;
    auto plot = [&](uint32_t index) {
        if (x < dib.width && line < dib.height)
            put(p, x, dib.height - 1 - line, palette_colour(dib, index));
        ++x;
    };
    while (true) {
        uint8_t count = r.u8(), value = r.u8();
        if (!r.ok()) return false;
        if (count > 0) {
            for (int i = 0; i < count; ++i) plot(rle4 ? (i % 2 ? value & 0xF : value >> 4) : value);
            continue;
        }
        switch (value) {
            case 0:
                x = 0;
                ++line;
                break;
            case 1:
                return true;
            case 2: {
                uint8_t dx = r.u8(), dy = r.u8();
                if (!r.ok()) return false;
                x += dx;
                line += dy;
                break;
            }
            default: {
                size_t bytes = rle4 ? (value + 1u) / 2 : value;
                ByteSpan run = r.bytes(bytes);
                if (!r.ok()) return false;
                for (int i = 0; i < value; ++i)
                    plot(rle4 ? (i % 2 ? run[i / 2] & 0xF : run[i / 2] >> 4) : run[i]);
                if (bytes % 2) r.u8();  // runs are padded to a 16-bit boundary
                if (!r.ok()) return false;
                break;
            }
        }
    }
}

}  // namespace picture_decoding

using namespace picture_decoding;

Picture decode_bmp(ByteSpan data) {
    if (sniff_picture(data) != PictureFormat::Bmp || data.size() < kBmpFileHeader) return failed();
    uint32_t pixels_at = load_u32le(data, 10);
    DibInfo dib;
    if (!read_dib_header(data, kBmpFileHeader, false, dib)) return failed();
    // The pixels may not start inside the headers.
    if (pixels_at < dib.end) return failed();
    Picture p;
    bool ok = dib.compression == kBiRle8 || dib.compression == kBiRle4
                  ? decode_dib_rle(data, pixels_at, dib, p)
                  : decode_dib_pixels(data, pixels_at, dib, false, p);
    return ok ? p : failed();
}

}  // namespace yq
