// Tiny image files for the picture decoder tests and the fuzz seeds, built
// byte by byte. Each returns a whole file; the comments give the pixels.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/bytes.h"

namespace yq::samples {

inline void le16(Bytes& b, unsigned v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
inline void le32(Bytes& b, uint32_t v) {
    le16(b, v & 0xFFFF);
    le16(b, v >> 16);
}

// 2 x 2, 24 bits, bottom-up. Top row: red, white. Bottom row: blue, green.
inline Bytes bmp24() {
    return {
        'B',  'M', 70,   0,    0,    0,    0, 0, 0,  0, 54, 0, 0, 0,  // file header, pixels at 54
        40,   0,   0,    0,    2,    0,    0, 0, 2,  0, 0,  0,        // info header, 2 x 2
        1,    0,   24,   0,    0,    0,    0, 0, 16, 0, 0,  0,        // 1 plane, 24 bits, BI_RGB
        0,    0,   0,    0,    0,    0,    0, 0, 0,  0, 0,  0, 0, 0, 0, 0,  // resolution, colours
        0xFF, 0,   0,    0,    0xFF, 0,    0, 0,  // bottom: blue, green, pad
        0,    0,   0xFF, 0xFF, 0xFF, 0xFF, 0, 0,  // top: red, white, pad
    };
}

// 3 x 2, 1 bit, top-down (height -2), palette black / yellow.
// Row 0: Y . Y   Row 1: . Y .
inline Bytes bmp1_top_down() {
    return {
        'B',  'M', 70, 0, 0, 0,    0,    0, 0,    0,    62,   0,    0, 0,        // pixels at 62
        40,   0,   0,  0, 3, 0,    0,    0, 0xFE, 0xFF, 0xFF, 0xFF,              // 3 x -2
        1,    0,   1,  0, 0, 0,    0,    0, 0,    0,    0,    0,                 // 1 bit, BI_RGB
        0,    0,   0,  0, 0, 0,    0,    0, 2,    0,    0,    0,    0, 0, 0, 0,  // 2 colours used
        0,    0,   0,  0, 0, 0xFF, 0xFF, 0,  // palette: black, yellow
        0xA0, 0,   0,  0,                    // row 0: 101
        0x40, 0,   0,  0,                    // row 1: 010
    };
}

// 4 x 3, RLE8, palette red / green / blue. Bottom line: R R R G (a run and an
// absolute run of 1 is not allowed, so R R R then a run of one G). Middle line:
// skipped by a delta. Top line: absolute B G B, then end of bitmap.
inline Bytes bmp_rle8() {
    return {
        'B', 'M', 0,    0, 0, 0,    0, 0, 0,    0, 66, 0, 0, 0,        // pixels at 66
        40,  0,   0,    0, 4, 0,    0, 0, 3,    0, 0,  0,              // 4 x 3
        1,   0,   8,    0, 1, 0,    0, 0, 0,    0, 0,  0,              // 8 bits, BI_RLE8
        0,   0,   0,    0, 0, 0,    0, 0, 3,    0, 0,  0, 0, 0, 0, 0,  // 3 colours
        0,   0,   0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0,  0,              // red, green, blue
        3,   0,                                                        // 3 x red
        1,   1,                                                        // 1 x green
        0,   0,                                                        // end of line
        0,   2,   0,    1,        // delta: 0 right, 1 up (skips the middle line)
        0,   3,   2,    1, 2, 0,  // absolute: blue green blue, padded
        0,   1,                   // end of bitmap
    };
}

// 3 x 1, RLE4, palette black / white: run of 3 alternating white, black, white.
inline Bytes bmp_rle4() {
    Bytes b = {
        'B', 'M',  0, 0, 0,    0,    0,    0, 0, 0, 62, 0, 0, 0,        // pixels at 62
        40,  0,    0, 0, 3,    0,    0,    0, 1, 0, 0,  0,              // 3 x 1
        1,   0,    4, 0, 2,    0,    0,    0, 0, 0, 0,  0,              // 4 bits, BI_RLE4
        0,   0,    0, 0, 0,    0,    0,    0, 2, 0, 0,  0, 0, 0, 0, 0,  // 2 colours
        0,   0,    0, 0, 0xFF, 0xFF, 0xFF, 0,                           // black, white
        3,   0x10,  // 3 pixels alternating index 1, 0
        0,   1,     // end of bitmap
    };
    return b;
}

// 2 x 1, 16 bits with bit fields 5-6-5: pure red, pure green.
inline Bytes bmp16_565() {
    return {
        'B',  'M',  0,    0,    0, 0, 0,    0,    0, 0, 66,   0, 0, 0,  // pixels at 66
        40,   0,    0,    0,    2, 0, 0,    0,    1, 0, 0,    0,        // 2 x 1
        1,    0,    16,   0,    3, 0, 0,    0,    0, 0, 0,    0,        // 16 bits, BI_BITFIELDS
        0,    0,    0,    0,    0, 0, 0,    0,    0, 0, 0,    0, 0, 0,
        0,    0,    0,    0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0,  // masks F800, 07E0, 001F
        0x00, 0xF8, 0xE0, 0x07,                                         // red, green
    };
}

// 1 x 1, core header (12 bytes), 8 bits, 3-byte palette entries: index 1 = RGB(10, 20, 30).
inline Bytes bmp_core8() {
    Bytes b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // pixels at 14 + 12 + 768
               12,  0,   0, 0, 1, 0, 1, 0, 1, 0, 8, 0};       // core: 1 x 1, 8 bits
    for (int i = 0; i < 256; ++i) {
        b.push_back(i == 1 ? 30 : 0);
        b.push_back(i == 1 ? 20 : 0);
        b.push_back(i == 1 ? 10 : 0);
    }
    uint32_t at = static_cast<uint32_t>(b.size());
    b[10] = at & 0xFF;
    b[11] = at >> 8;
    b.insert(b.end(), {1, 0, 0, 0});  // index 1, padded to 4 bytes
    return b;
}

// 2 x 2 GIF89a, global palette black / white / red / blue, colour 3 transparent.
// Pixels: 0 1 / 1 3, so the bottom right is transparent.
// LZW, minimum code size 2: clear(4) 0 1 1 3 end(5); the table reaches 8
// entries after the third pixel code, so 3 and end are 4 bits wide.
inline Bytes gif_2x2() {
    return {
        'G',  'I',  'F',  '8',  '9',  'a',  2,    0, 2, 0,  // screen 2 x 2
        0x81, 0,    0,                                      // global table of 4 entries
        0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0,
        0,    0xFF, 0x21, 0xF9, 4,    0x01, 0,    0, 3, 0,  // graphic control: transparent 3
        0x2C, 0,    0,    0,    0,    2,    0,    2, 0, 0,  // image 2 x 2 at (0, 0), no local table
        2,                                                  // minimum code size
        3,    0x44, 0x32, 0x05, 0,                          // codes 100 000 001 001 0011 0101
        0x3B,                                               // trailer
    };
}

// LZW for the GIF samples: a real dictionary encoder (codes up to 12 bits,
// a clear code when the table is full).
inline Bytes lzw_encode(const std::vector<uint8_t>& pixels, int min_bits) {
    Bytes out;
    uint32_t acc = 0;
    int acc_bits = 0;
    int bits = min_bits + 1;
    auto emit = [&](int code) {
        acc |= uint32_t(code) << acc_bits;
        acc_bits += bits;
        while (acc_bits >= 8) {
            out.push_back(acc & 0xFF);
            acc >>= 8;
            acc_bits -= 8;
        }
    };
    const int clear = 1 << min_bits;
    std::vector<std::pair<std::pair<int, int>, int>> table;  // (prefix, byte) -> code
    auto find = [&](int prefix, int c) {
        for (auto& e : table)
            if (e.first.first == prefix && e.first.second == c) return e.second;
        return -1;
    };
    int next = clear + 2;
    emit(clear);
    int cur = -1;
    for (uint8_t p : pixels) {
        if (cur < 0) {
            cur = p;
            continue;
        }
        int f = find(cur, p);
        if (f >= 0) {
            cur = f;
            continue;
        }
        emit(cur);
        if (next < 4096) {
            table.push_back({{cur, p}, next++});
            if (next - 1 == (1 << bits) && bits < 12) ++bits;
        } else {
            emit(clear);
            table.clear();
            next = clear + 2;
            bits = min_bits + 1;
        }
        cur = p;
    }
    if (cur >= 0) emit(cur);
    emit(clear + 1);
    if (acc_bits > 0) out.push_back(acc & 0xFF);
    return out;
}

// A GIF87a of w x h with `palette_bits` + 1 bits of global palette (grey ramp),
// optionally interlaced, pixel (x, y) = (x + 3 * y) % colours.
inline Bytes gif_pattern(int w, int h, int palette_bits, bool interlace, bool local = false) {
    int colours = 1 << (palette_bits + 1);
    Bytes b = {'G', 'I', 'F', '8', '7', 'a'};
    le16(b, w);
    le16(b, h);
    b.push_back(local ? 0 : 0x80 | palette_bits);
    b.push_back(0);
    b.push_back(0);
    auto palette = [&] {
        for (int i = 0; i < colours; ++i)
            for (int k = 0; k < 3; ++k) b.push_back(uint8_t(i * 255 / (colours - 1)));
    };
    if (!local) palette();
    b.push_back(0x2C);
    le16(b, 0);
    le16(b, 0);
    le16(b, w);
    le16(b, h);
    b.push_back((interlace ? 0x40 : 0) | (local ? 0x80 | palette_bits : 0));
    if (local) palette();
    std::vector<int> order;
    if (interlace) {
        const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int p = 0; p < 4; ++p)
            for (int y = start[p]; y < h; y += step[p]) order.push_back(y);
    } else {
        for (int y = 0; y < h; ++y) order.push_back(y);
    }
    std::vector<uint8_t> pixels;
    for (int y : order)
        for (int x = 0; x < w; ++x) pixels.push_back(uint8_t((x + 3 * y) % colours));
    int min_bits = palette_bits + 1 < 2 ? 2 : palette_bits + 1;
    b.push_back(uint8_t(min_bits));
    Bytes data = lzw_encode(pixels, min_bits);
    for (size_t i = 0; i < data.size(); i += 255) {
        size_t n = std::min<size_t>(255, data.size() - i);
        b.push_back(uint8_t(n));
        b.insert(b.end(), data.begin() + i, data.begin() + i + n);
    }
    b.push_back(0);
    b.push_back(0x3B);
    return b;
}

// ICO (type 1) or CUR (type 2) of 2 x 2, 32 bits with alpha:
// top row: opaque red, transparent; bottom row: half-transparent green, opaque blue.
inline Bytes icon32(int type) {
    Bytes b = {0,  0, uint8_t(type),
               0,  1, 0,  // one entry
               2,  2, 0,
               0,  1, 0,
               32, 0, 64,
               0,  0, 0,
               22, 0, 0,
               0};  // 2 x 2, 64 bytes at 22
    Bytes dib = {
        40, 0, 0,    0,    2, 0, 0, 0, 4, 0, 0,    0,  // 2 x (2 * 2)
        1,  0, 32,   0,    0, 0, 0, 0, 0, 0, 0,    0, 0,    0,    0, 0, 0,    0, 0,
        0,  0, 0,    0,    0, 0, 0, 0, 0, 0, 0xFF, 0, 0x80, 0xFF, 0, 0, 0xFF,  // bottom: green
                                                                               // a=80, blue
        0,  0, 0xFF, 0xFF, 0, 0, 0, 0,   // top: red, transparent
        0,  0, 0,    0,    0, 0, 0, 0};  // AND mask, 2 rows of 4 bytes
    b.insert(b.end(), dib.begin(), dib.end());
    return b;
}

// ICO with two entries: a 1 x 1 4-bit one and a 2 x 1 1-bit one, the larger
// decoded. Its pixels: white, then masked out by the AND mask.
inline Bytes icon_two_entries() {
    Bytes small = {40, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 4, 0, 0, 0, 0, 0,
                   0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 16; ++i) le32(small, 0);          // 16-entry palette, all black
    small.insert(small.end(), {0, 0, 0, 0, 0, 0, 0, 0});  // XOR row, AND row
    Bytes large = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0,
                   0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    le32(large, 0x000000);                       // palette 0: black
    le32(large, 0xFFFFFF);                       // palette 1: white
    large.insert(large.end(), {0x80, 0, 0, 0,    // XOR: white, black
                               0x40, 0, 0, 0});  // AND: second pixel transparent
    Bytes b = {0, 0, 1, 0, 2, 0};
    uint32_t at = 6 + 32;
    b.insert(b.end(), {1, 1, 16, 0, 1, 0, 4, 0});
    le32(b, uint32_t(small.size()));
    le32(b, at);
    b.insert(b.end(), {2, 1, 2, 0, 1, 0, 1, 0});
    le32(b, uint32_t(large.size()));
    le32(b, at + uint32_t(small.size()));
    b.insert(b.end(), small.begin(), small.end());
    b.insert(b.end(), large.begin(), large.end());
    return b;
}

// ICO whose only entry (256 x 256 in the directory) is PNG data: the
// signature and an IHDR chunk declaring w x h; the rest is not looked at.
inline Bytes icon_png(uint16_t w = 16, uint16_t h = 16) {
    Bytes b = {0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 32, 0, 33, 0, 0, 0, 22, 0, 0, 0};
    b.insert(b.end(), {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A,  // signature
                       0,    0,   0,   13,  'I',  'H',  'D',  'R',   // IHDR, 13 bytes
                       0,    0,   uint8_t(w >> 8), uint8_t(w),       // width
                       0,    0,   uint8_t(h >> 8), uint8_t(h),       // height
                       8,    6,   0,   0,   0,    0,    0,    0, 0});  // depth, RGBA; CRC
    return b;
}

// The start of a JPEG file: an APP0 segment, then a baseline frame header
// declaring w x h. Nothing after it is looked at.
inline Bytes jpeg_start(uint16_t w, uint16_t h) {
    return {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'J', 'F',  // SOI, APP0 of 2 bytes
            0xFF, 0xC0, 0, 11, 8, uint8_t(h >> 8), uint8_t(h), uint8_t(w >> 8), uint8_t(w),
            1,    1,    0x11, 0};                   // one component
}

// PCX header for w x h with bits per pixel, planes and bytes per plane line.
inline Bytes pcx_header(int w, int h, int bpp, int planes, int line_bytes) {
    Bytes b(128, 0);
    b[0] = 0x0A;
    b[1] = 5;
    b[2] = 1;
    b[3] = uint8_t(bpp);
    b[8] = uint8_t(w - 1);
    b[10] = uint8_t(h - 1);
    b[65] = uint8_t(planes);
    b[66] = uint8_t(line_bytes);
    // EGA palette: entry i = (i * 16, 255 - i * 16, i).
    for (int i = 0; i < 16; ++i) {
        b[16 + 3 * i] = uint8_t(i * 16);
        b[17 + 3 * i] = uint8_t(255 - i * 16);
        b[18 + 3 * i] = uint8_t(i);
    }
    return b;
}

// PCX run-length coding of whole scan lines: runs of equal bytes, and single
// bytes of 0xC0 and up written as a run of one.
inline void pcx_encode(Bytes& out, const std::vector<uint8_t>& raw) {
    for (size_t i = 0; i < raw.size();) {
        size_t n = 1;
        while (i + n < raw.size() && raw[i + n] == raw[i] && n < 63) ++n;
        if (n > 1 || raw[i] >= 0xC0) out.push_back(uint8_t(0xC0 | n));
        out.push_back(raw[i]);
        i += n;
    }
}

// 8 x 2, 1 bit, 1 plane (line 2 bytes): row 0 = 0xF0 (4 white, 4 black), row 1 = 0x55.
inline Bytes pcx_mono() {
    Bytes b = pcx_header(8, 2, 1, 1, 2);
    pcx_encode(b, {0xF0, 0x00, 0x55, 0x00});
    return b;
}

// 4 x 1, 1 bit, 4 planes (line 2 bytes): pixel x has index 1 << x... that is
// indices 1, 2, 4, 8 (plane p has only pixel p set).
inline Bytes pcx_planar() {
    Bytes b = pcx_header(4, 1, 1, 4, 2);
    pcx_encode(b, {0x80, 0, 0x40, 0, 0x20, 0, 0x10, 0});
    return b;
}

// 3 x 2, 8 bits, 256-colour palette at the end (entry i = (i, 2i, 255 - i)),
// pixels 0 1 2 / 200 200 200 (a run).
inline Bytes pcx_indexed() {
    Bytes b = pcx_header(3, 2, 8, 1, 4);
    pcx_encode(b, {0, 1, 2, 0, 200, 200, 200, 0});
    b.push_back(0x0C);
    for (int i = 0; i < 256; ++i) {
        b.push_back(uint8_t(i));
        b.push_back(uint8_t(2 * i));
        b.push_back(uint8_t(255 - i));
    }
    return b;
}

// 2 x 1, 24 bits in three planes: (255, 0, 10), (1, 128, 20).
inline Bytes pcx_rgb() {
    Bytes b = pcx_header(2, 1, 8, 3, 2);
    pcx_encode(b, {255, 1, 0, 128, 10, 20});
    return b;
}

// Every sample with a file name, for the fuzz seeds and the truncation tests.
inline std::vector<std::pair<std::string, Bytes>> all() {
    return {{"bmp24.bmp", bmp24()},
            {"bmp1_top_down.bmp", bmp1_top_down()},
            {"bmp_rle8.bmp", bmp_rle8()},
            {"bmp_rle4.bmp", bmp_rle4()},
            {"bmp16_565.bmp", bmp16_565()},
            {"bmp_core8.bmp", bmp_core8()},
            {"gif_2x2.gif", gif_2x2()},
            {"gif_interlaced.gif", gif_pattern(9, 11, 2, true)},
            {"gif_local.gif", gif_pattern(40, 30, 7, false, true)},
            {"icon32.ico", icon32(1)},
            {"cursor32.cur", icon32(2)},
            {"icon_two.ico", icon_two_entries()},
            {"icon_png.ico", icon_png()},
            {"pcx_mono.pcx", pcx_mono()},
            {"pcx_planar.pcx", pcx_planar()},
            {"pcx_indexed.pcx", pcx_indexed()},
            {"pcx_rgb.pcx", pcx_rgb()}};
}

}  // namespace yq::samples
