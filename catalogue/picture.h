// Preview pictures of the catalogue: an unpacked "图片" value is a whole image
// file. This recognises it by its first bytes and decodes the formats the
// platform decoder is not asked for, into 32-bit BGRA pixels.
//
//   sniff_picture       format from the first bytes
//   decode_picture      sniff and decode; JPEG and PNG-in-icon are only reported
//   decode_bmp / decode_gif / decode_icon / decode_pcx   one format each
//
// Every decoder takes untrusted bytes: anything malformed, truncated or over
// the limits below gives an empty result, never a crash. Memory is bounded by
// the limits, whatever sizes the file claims.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/bytes.h"
#include "catalogue/list_geometry.h"

namespace yq {

// The largest picture a catalogue row can show: rows are drawn into the
// list's 744 x 280 drawing buffer, so no pixel beyond it could ever be seen.
// Anything larger is refused from its header, before a pixel is decoded, so
// a page of hostile pictures costs no more than a page of real ones.
inline constexpr int kMaxPictureWidth = kListBufferWidth;
inline constexpr int kMaxPictureHeight = kListBufferHeight;
// The largest unpacked picture file: a 32-bit BMP of the largest picture
// with room to spare. A container that inflates further is not unpacked.
inline constexpr size_t kMaxPictureFileBytes = size_t{2} << 20;
// Most entries an icon or cursor directory may list.
inline constexpr int kMaxIconEntries = 512;

enum class PictureFormat : uint8_t { Unknown, Bmp, Jpeg, Gif, Ico, Cur, Pcx };

// BMP "BM"; JPEG FF D8 FF; GIF "GIF87a" or "GIF89a"; ICO 00 00 01 00;
// CUR 00 00 02 00; PCX 0A, version 0/2/3/4/5, encoding 1. Else Unknown.
PictureFormat sniff_picture(ByteSpan data);

// Decoded pixels: rows top to bottom, 4 bytes a pixel in the order B, G, R, A,
// alpha not premultiplied. Transparent pixels are 0, 0, 0, 0. Empty on failure.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgra;

    bool empty() const { return bgra.empty(); }
    // Pixel at (x, y) as 0xAARRGGBB; 0 outside the picture.
    uint32_t argb(int x, int y) const;
};

enum class PictureStatus : uint8_t {
    Decoded,         // picture holds the pixels
    Unrecognised,    // not one of the formats above
    JpegNotDecoded,  // a JPEG file whose declared size is within the limits: for the
                     // platform decoder
    PngNotDecoded,   // an icon whose chosen entry is PNG within the limits: png_offset/png_size
                     // locate it
    Malformed,       // a recognised format that could not be decoded, or is over the limits
};

struct DecodedPicture {
    PictureStatus status = PictureStatus::Unrecognised;
    PictureFormat format = PictureFormat::Unknown;
    Picture picture;
    size_t png_offset = 0;  // PngNotDecoded only: the PNG bytes inside the icon file
    size_t png_size = 0;
    // JpegNotDecoded and PngNotDecoded: the size the file declares. The
    // platform decoder's result must have exactly this size.
    int width = 0, height = 0;
};

DecodedPicture decode_picture(ByteSpan data);

// The size a JPEG file declares in its frame header (the first SOFn marker
// before the scan), or false when there is none. Nothing is decoded.
bool jpeg_size(ByteSpan data, int& width, int& height);
// The size in a PNG file's IHDR chunk, or false when it has none.
bool png_size(ByteSpan data, int& width, int& height);

// A BMP file (14-byte file header, then a core, info, V4 or V5 header): 1, 4
// and 8 bits with a palette, RLE8 and RLE4, 16 and 32 bits with or without
// bit fields, 24 bits; bottom-up or top-down. RLE pixels the stream skips
// stay transparent; an RLE stream must end with its end-of-bitmap code.
Picture decode_bmp(ByteSpan data);

// The first frame of a GIF 87a or 89a file, on a canvas of the logical screen
// size (the frame's extent when that is 0); pixels outside the frame and the
// frame's transparent colour are transparent. The file must reach its trailer.
Picture decode_gif(ByteSpan data);

// The largest entry of an ICO or CUR file (ties: more bits per pixel). A DIB
// entry is decoded with its AND mask (32-bit entries use their alpha when any
// pixel has some); a PNG entry is reported, not decoded.
DecodedPicture decode_icon(ByteSpan data);

// A PCX file, run-length encoded: 1 bit in 1 plane (black and white), 1 bit in
// 2 to 4 planes (header palette), 8 bits in 1 plane (256-colour palette at the
// end of the file), 8 bits in 3 planes (RGB).
Picture decode_pcx(ByteSpan data);

}  // namespace yq
