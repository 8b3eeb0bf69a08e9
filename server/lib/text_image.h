// Drawing one line of text in a font file with FreeType, and writing the
// result as PNG (the /text.php answer) or 24-bit BMP (catalogue pictures).
// Images are black ink on a white page.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"

struct FT_LibraryRec_;
struct FT_FaceRec_;
struct FT_MemoryRec_;

namespace yq::server {

inline constexpr int kMaxPixelSize = 256;
inline constexpr int kMaxImageWidth = 16384;
inline constexpr int kMaxImageHeight = 1024;

// Coverage per pixel, row by row from the top: 0 paper, 255 full ink.
struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> ink;

    uint8_t at(int x, int y) const { return ink[static_cast<size_t>(y) * width + x]; }
};

// One face of a font file, with its own FreeType library instance, so each
// FontFace may be used by one thread at a time and different FontFaces by
// different threads at once. The library allocates through a counter, so a
// face can say how much memory it holds.
class FontFace {
  public:
    // Opens face 0 of a font file held in memory (kept alive by the face).
    // nullptr, with *error set, when FreeType cannot read it.
    static std::unique_ptr<FontFace> open(std::shared_ptr<const Bytes> file, std::string* error);
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // Draws `text` on one line at `pixel_size` (clamped to 1..kMaxPixelSize),
    // with `padding` blank pixels around it. The image is tall enough for the
    // face's ascender and descender and any ink beyond them, and never wider
    // than kMaxImageWidth (text past that is cut). Control characters are
    // skipped; characters the face lacks draw its missing-glyph shape.
    GreyImage draw_line(std::u32string_view text, int pixel_size, int padding);

    // 0 for an upright regular face, more for bold and for italic ones.
    int style_rank() const;

    // Width in pixels of `text` without padding, as draw_line would lay it out.
    int line_width(std::u32string_view text, int pixel_size);

    // Bytes FreeType holds for this face now (the font file it reads is not
    // counted: the caller shares it).
    size_t memory_bytes() const { return memory_bytes_; }

  private:
    FontFace() = default;
    bool set_size(int pixel_size);
    unsigned glyph_for(char32_t c);

    std::shared_ptr<const Bytes> file_;
    size_t memory_bytes_ = 0;
    std::unique_ptr<FT_MemoryRec_> memory_;
    FT_LibraryRec_* library_ = nullptr;
    FT_FaceRec_* face_ = nullptr;
};

// GBK text to code points (code page 936, surrogate pairs joined).
std::u32string gbk_to_code_points(std::string_view gbk);
std::u32string utf16_to_code_points(std::u16string_view utf16);

// 8-bit greyscale PNG of the image, ink drawn black on white. Empty on failure.
Bytes encode_png(const GreyImage& image);

// Bottom-up 24-bit BMP (file header, 40-byte info header, rows padded to 4
// bytes) of the image, ink drawn black on white.
Bytes encode_bmp24(const GreyImage& image);

}  // namespace yq::server
