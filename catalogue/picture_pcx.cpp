#include "catalogue/picture_decoding.h"

// PCX: run-length encoded planes, with an EGA or a 256-colour palette.
namespace yq {
namespace {

using namespace picture_decoding;

constexpr size_t kPcxHeader = 128;
constexpr size_t kPcxPaletteTail = 769;  // 0x0C marker plus 256 RGB triples

}  // namespace

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

}  // namespace yq
