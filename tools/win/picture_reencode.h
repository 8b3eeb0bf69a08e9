// Pictures re-encoded through GDI+: the preview's answer (a PNG from the
// server) becomes the BMP the label shows.
#pragma once

#include <windows.h>

#include <string>

namespace yq {

enum class PictureFormat { Bmp = 1, Jpeg = 2, Gif = 3, Tiff = 4, Png = 5 };

// Pictures larger than this are refused before their pixels are decoded:
// the preview is 424 x 40, and a small file can claim a huge picture.
inline constexpr unsigned kMaxPicturePixels = 4096u * 1024u;
inline constexpr unsigned kMaxPictureSide = 8192;

// Decodes `bytes` as any picture GDI+ reads and saves it with the encoder
// of `format`; "" when any step fails or the picture is too large.
std::string reencode_picture(const std::string& bytes, PictureFormat format);

// A bitmap of a BMP file's bytes (the caller owns it), or null.
HBITMAP bitmap_from_bmp(const std::string& bmp);

}  // namespace yq
