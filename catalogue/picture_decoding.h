// What the decoders of catalogue pictures share (picture.h is their public
// face): the canvas they draw on, within the picture limits, and the DIB
// reader that both BMP files and icons hold. Not used outside catalogue/.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "catalogue/picture.h"

namespace yq::picture_decoding {

// ---------------------------------------------------------------- canvas

// A zeroed (fully transparent) canvas, or false when the size is outside the limits.
inline bool make_canvas(int64_t width, int64_t height, Picture& out) {
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

inline constexpr uint32_t kOpaque = 0xFF000000u;
inline constexpr uint32_t kBlack = 0xFF000000u;
inline constexpr uint32_t kWhite = 0xFFFFFFFFu;

inline uint32_t rgb(uint8_t r, uint8_t g, uint8_t b) {
    return kOpaque | uint32_t{r} << 16 | uint32_t{g} << 8 | b;
}

inline Picture failed() {
    return Picture{};
}

inline bool within_limits(int width, int height) {
    return width >= 1 && height >= 1 && width <= kMaxPictureWidth && height <= kMaxPictureHeight;
}

// ---------------------------------------------------------------- PNG inside icons

inline constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

inline bool is_png(ByteSpan entry) {
    return entry.size() >= 8 && std::memcmp(entry.data(), kPngSignature, 8) == 0;
}

// ---------------------------------------------------------------- DIB

inline constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3,
                          kBiAlphaBitfields = 6;
inline constexpr size_t kBmpFileHeader = 14;
inline constexpr uint32_t kMaxDibHeader = 124;  // BITMAPV5HEADER

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
bool read_dib_header(ByteSpan data, size_t at, bool icon, DibInfo& dib);
// Bytes of one stored row of a bitmap `width` pixels wide at `bpp` bits.
uint64_t dib_stride(int64_t width, int bpp);
// The uncompressed pixels at `at` into a new canvas; `keep_alpha` keeps a
// 32-bit bitmap's alpha (icons), else it is opaque.
bool decode_dib_pixels(ByteSpan data, size_t at, const DibInfo& dib, bool keep_alpha, Picture& p);

}  // namespace yq::picture_decoding
