#include "catalogue/picture.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace yq {

namespace {

// ---------------------------------------------------------------- canvas

// A zeroed (fully transparent) canvas, or false when the size is outside the limits.
bool make_canvas(int64_t width, int64_t height, Picture& out) {
    if (width < 1 || height < 1 || width > kMaxPictureWidth || height > kMaxPictureHeight)
        return false;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.bgra.assign(static_cast<size_t>(width * height) * 4, 0);
    return true;
}

inline void put(Picture& p, int64_t x, int64_t y, uint32_t argb) {
    if (x < 0 || y < 0 || x >= p.width || y >= p.height) return;
    uint8_t* d = &p.bgra[(static_cast<size_t>(y) * p.width + static_cast<size_t>(x)) * 4];
    d[0] = static_cast<uint8_t>(argb);
    d[1] = static_cast<uint8_t>(argb >> 8);
    d[2] = static_cast<uint8_t>(argb >> 16);
    d[3] = static_cast<uint8_t>(argb >> 24);
}

constexpr uint32_t kOpaque = 0xFF000000u;
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

inline uint32_t rgb(uint8_t r, uint8_t g, uint8_t b) {
    return kOpaque | uint32_t{r} << 16 | uint32_t{g} << 8 | b;
}

Picture failed() {
    return Picture{};
}

// ---------------------------------------------------------------- BMP / DIB

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;
constexpr size_t kBmpFileHeader = 14;
constexpr uint32_t kMaxDibHeader = 124;  // BITMAPV5HEADER

struct DibInfo {
    int64_t width = 0;
    int64_t height = 0;  // rows of the colour bitmap (half the stored height for icons)
    bool top_down = false;
    int bpp = 0;
    uint32_t compression = kBiRgb;
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    bool use_masks = false;
    std::array<uint32_t, 256> palette{};
    size_t palette_size = 0;
    size_t end = 0;  // offset just after the header, its masks and its palette
};

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

// ---------------------------------------------------------------- GIF

constexpr int kLzwMaxCodes = 4096;
constexpr int kLzwMaxBits = 12;

// Sub-blocks (length byte, then that many bytes) up to the empty block.
// Appends their bytes to `out` when given; false when the data ends first.
bool read_sub_blocks(ByteReader& r, Bytes* out) {
    while (true) {
        uint8_t n = r.u8();
        if (!r.ok()) return false;
        if (n == 0) return true;
        ByteSpan block = r.bytes(n);
        if (!r.ok()) return false;
        if (out) out->insert(out->end(), block.begin(), block.end());
    }
}

// Decodes `count` colour indices from an LZW stream. More codes than needed
// are ignored; fewer pixels than needed, or a code the table cannot hold yet,
// fail.
bool lzw_decode(ByteSpan stream, int min_bits, size_t count, Bytes& out) {
    if (min_bits < 1 || min_bits > 8) return false;
    const int clear = 1 << min_bits, end = clear + 1;
    std::vector<uint16_t> prefix(kLzwMaxCodes);
    std::vector<uint8_t> suffix(kLzwMaxCodes), first(kLzwMaxCodes);
    std::vector<uint16_t> length(kLzwMaxCodes);
    for (int i = 0; i < clear; ++i) {
        suffix[i] = first[i] = static_cast<uint8_t>(i);
        length[i] = 1;
    }
    out.clear();
    out.reserve(count);

    int bits = min_bits + 1, next = clear + 2, prev = -1;
    uint32_t acc = 0;
    int acc_bits = 0;
    size_t pos = 0;
    uint8_t stack[kLzwMaxCodes];
    while (out.size() < count) {
        while (acc_bits < bits && pos < stream.size()) {
            acc |= uint32_t{stream[pos++]} << acc_bits;
            acc_bits += 8;
        }
        if (acc_bits < bits) break;
        int code = static_cast<int>(acc & ((1u << bits) - 1));
        acc >>= bits;
        acc_bits -= bits;

        if (code == clear) {
            bits = min_bits + 1;
            next = clear + 2;
            prev = -1;
            continue;
        }
        if (code == end) break;
        if (prev < 0) {
            if (code > clear) return false;
            out.push_back(static_cast<uint8_t>(code));
            prev = code;
            continue;
        }
        int emit = code;
        uint8_t head;
        if (code < next) {
            head = first[code];
        } else if (code == next && next < kLzwMaxCodes) {
            head = first[prev];
        } else {
            return false;
        }
        if (next < kLzwMaxCodes) {
            prefix[next] = static_cast<uint16_t>(prev);
            suffix[next] = head;
            first[next] = first[prev];
            length[next] = static_cast<uint16_t>(length[prev] + 1);
            ++next;
            if (next == (1 << bits) && bits < kLzwMaxBits) ++bits;
        }
        // Walk the string of `emit` backwards into the stack, then copy it out.
        int n = length[emit], c = emit;
        for (int i = n - 1; i >= 0; --i) {
            stack[i] = suffix[c];
            c = prefix[c];
        }
        size_t take = std::min<size_t>(n, count - out.size());
        out.insert(out.end(), stack, stack + take);
        prev = code;
    }
    return out.size() == count;
}

bool read_colour_table(ByteReader& r, int size_bits, std::vector<uint32_t>& table) {
    size_t n = size_t{1} << (size_bits + 1);
    table.resize(n);
    for (size_t i = 0; i < n; ++i) {
        uint8_t red = r.u8(), g = r.u8(), b = r.u8();
        table[i] = rgb(red, g, b);
    }
    return r.ok();
}

// ---------------------------------------------------------------- icons

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool is_png(ByteSpan entry) {
    return entry.size() >= 8 && std::memcmp(entry.data(), kPngSignature, 8) == 0;
}

bool within_limits(int width, int height) {
    return width >= 1 && height >= 1 && width <= kMaxPictureWidth && height <= kMaxPictureHeight;
}

// ---------------------------------------------------------------- PCX

constexpr size_t kPcxHeader = 128;
constexpr size_t kPcxPaletteTail = 769;  // 0x0C marker plus 256 RGB triples

}  // namespace

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

Picture decode_gif(ByteSpan data) {
    if (sniff_picture(data) != PictureFormat::Gif) return failed();
    ByteReader r(data);
    r.seek(6);
    int64_t screen_w = r.u16le(), screen_h = r.u16le();
    uint8_t flags = r.u8();
    r.skip(2);  // background colour, aspect ratio
    std::vector<uint32_t> global;
    if ((flags & 0x80) && !read_colour_table(r, flags & 7, global)) return failed();
    if (!r.ok()) return failed();

    int transparent = -1;
    bool decoded = false;
    Picture p;
    while (true) {
        uint8_t block = r.u8();
        if (!r.ok()) return failed();
        if (block == 0x3B) break;  // trailer
        if (block == 0x21) {
            uint8_t label = r.u8();
            if (label == 0xF9 && !decoded) {
                Bytes gce;
                if (!read_sub_blocks(r, &gce)) return failed();
                transparent = gce.size() >= 4 && (gce[0] & 1) ? gce[3] : -1;
            } else if (!read_sub_blocks(r, nullptr)) {
                return failed();
            }
            continue;
        }
        if (block != 0x2C) return failed();

        int64_t left = r.u16le(), top = r.u16le(), w = r.u16le(), h = r.u16le();
        uint8_t image_flags = r.u8();
        std::vector<uint32_t> local;
        if ((image_flags & 0x80) && !read_colour_table(r, image_flags & 7, local)) return failed();
        uint8_t min_bits = r.u8();
        Bytes stream;
        if (!r.ok() || !read_sub_blocks(r, decoded ? nullptr : &stream)) return failed();
        if (decoded) continue;  // later frames are only walked past

        const std::vector<uint32_t>& table = local.empty() ? global : local;
        if (table.empty() || w < 1 || h < 1 || w > kMaxPictureWidth || h > kMaxPictureHeight)
            return failed();
        int64_t canvas_w = screen_w ? screen_w : left + w;
        int64_t canvas_h = screen_h ? screen_h : top + h;
        if (!make_canvas(canvas_w, canvas_h, p)) return failed();
        Bytes indices;
        if (!lzw_decode(stream, min_bits, static_cast<size_t>(w * h), indices)) return failed();

        // Interlaced rows come in four passes: every 8th from 0, every 8th
        // from 4, every 4th from 2, every 2nd from 1.
        std::vector<int64_t> rows;
        rows.reserve(static_cast<size_t>(h));
        if (image_flags & 0x40) {
            static const int kPassStart[4] = {0, 4, 2, 1}, kPassStep[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int64_t y = kPassStart[pass]; y < h; y += kPassStep[pass]) rows.push_back(y);
        } else {
            for (int64_t y = 0; y < h; ++y) rows.push_back(y);
        }
        for (int64_t row = 0; row < h; ++row) {
            for (int64_t x = 0; x < w; ++x) {
                uint8_t index = indices[static_cast<size_t>(row * w + x)];
                if (index == transparent) continue;
                put(p, left + x, top + rows[row], index < table.size() ? table[index] : kBlack);
            }
        }
        decoded = true;
    }
    return decoded ? p : failed();
}

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

Picture decode_pcx(ByteSpan data) {
    if (sniff_picture(data) != PictureFormat::Pcx || data.size() < kPcxHeader) return failed();
    int bpp = data[3];
    int64_t x_min = load_u16le(data, 4), y_min = load_u16le(data, 6);
    int64_t x_max = load_u16le(data, 8), y_max = load_u16le(data, 10);
    int planes = data[65];
    uint64_t line_bytes = load_u16le(data, 66);
    int64_t w = x_max - x_min + 1, h = y_max - y_min + 1;

    bool mono_planar = bpp == 1 && planes >= 1 && planes <= 4;
    bool indexed8 = bpp == 8 && planes == 1;
    bool rgb24 = bpp == 8 && planes == 3;
    if (!mono_planar && !indexed8 && !rgb24) return failed();
    if (line_bytes < (static_cast<uint64_t>(w > 0 ? w : 0) * bpp + 7) / 8) return failed();

    size_t data_end = data.size();
    std::array<uint32_t, 256> palette{};
    if (indexed8) {
        if (data.size() < kPcxHeader + kPcxPaletteTail) return failed();
        size_t marker = data.size() - kPcxPaletteTail;
        if (data[marker] != 0x0C) return failed();
        for (size_t i = 0; i < 256; ++i)
            palette[i] =
                rgb(data[marker + 1 + i * 3], data[marker + 2 + i * 3], data[marker + 3 + i * 3]);
        data_end = marker;
    } else if (planes > 1) {
        for (size_t i = 0; i < 16; ++i)
            palette[i] = rgb(data[16 + i * 3], data[17 + i * 3], data[18 + i * 3]);
    } else {
        palette[0] = kBlack;
        palette[1] = kWhite;
    }

    Picture p;
    if (!make_canvas(w, h, p)) return failed();
    size_t scan_size = static_cast<size_t>(line_bytes) * planes;
    Bytes scan(scan_size);
    size_t pos = kPcxHeader;
    int run = 0;  // bytes of a run left over from the previous scan line
    uint8_t run_value = 0;
    for (int64_t y = 0; y < h; ++y) {
        size_t filled = 0;
        while (filled < scan_size) {
            if (run == 0) {
                if (pos >= data_end) return failed();
                uint8_t b = data[pos++];
                if ((b & 0xC0) == 0xC0) {
                    if (pos >= data_end) return failed();
                    run = b & 0x3F;
                    run_value = data[pos++];
                } else {
                    run = 1;
                    run_value = b;
                }
            }
            size_t take = std::min<size_t>(run, scan_size - filled);
            std::memset(&scan[filled], run_value, take);
            filled += take;
            run -= static_cast<int>(take);
        }
        for (int64_t x = 0; x < w; ++x) {
            uint32_t c;
            if (indexed8) {
                c = palette[scan[x]];
            } else if (rgb24) {
                c = rgb(scan[x], scan[line_bytes + x], scan[2 * line_bytes + x]);
            } else {
                uint32_t index = 0;
                for (int pl = 0; pl < planes; ++pl)
                    index |= ((scan[pl * line_bytes + x / 8] >> (7 - x % 8)) & 1u) << pl;
                c = palette[index];
            }
            put(p, x, y, c);
        }
    }
    return p;
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
        while (marker == 0xFF && r.ok()) marker = r.u8();  // fill bytes
        if (!r.ok() || marker == 0xD9 || marker == 0xDA) return false;  // end, or the scan
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        uint16_t length = r.u16be();
        if (!r.ok() || length < 2) return false;
        bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                     marker != 0xCC;
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
