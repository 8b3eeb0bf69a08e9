#include "server/lib/text_image.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_MODULE_H
#include <malloc.h>
#include <png.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <csetjmp>

#include "base/text.h"

namespace yq::server {

namespace {

struct PlacedGlyph {
    int x = 0, y = 0;  // top-left, relative to the pen start on the baseline
    int width = 0, rows = 0;
    std::vector<uint8_t> coverage;
};

bool is_control(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

// Copies the slot's rendered bitmap as 8-bit coverage; false for pixel
// formats we do not draw (colour bitmaps).
bool copy_bitmap(const FT_Bitmap& bm, PlacedGlyph* g) {
    g->width = static_cast<int>(bm.width);
    g->rows = static_cast<int>(bm.rows);
    g->coverage.assign(static_cast<size_t>(g->width) * g->rows, 0);
    for (int y = 0; y < g->rows; ++y) {
        const uint8_t* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
        for (int x = 0; x < g->width; ++x) {
            uint8_t v;
            if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
                v = bm.num_grays == 256 ? row[x]
                                        : static_cast<uint8_t>(row[x] * 255 / (bm.num_grays - 1));
            } else if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
                v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
            } else {
                return false;
            }
            g->coverage[static_cast<size_t>(y) * g->width + x] = v;
        }
    }
    return true;
}

// FreeType's allocator for one face: malloc, with the usable size of every
// block added to or taken from the size_t that `user` points at.
void* counted_alloc(FT_Memory memory, long size) {
    void* block = std::malloc(static_cast<size_t>(size));
    if (block) *static_cast<size_t*>(memory->user) += malloc_usable_size(block);
    return block;
}

void counted_free(FT_Memory memory, void* block) {
    if (!block) return;
    *static_cast<size_t*>(memory->user) -= malloc_usable_size(block);
    std::free(block);
}

void* counted_realloc(FT_Memory memory, long, long new_size, void* block) {
    const size_t before = block ? malloc_usable_size(block) : 0;
    void* moved = std::realloc(block, static_cast<size_t>(new_size));
    if (!moved) return nullptr;  // the old block stays valid and counted
    size_t& total = *static_cast<size_t*>(memory->user);
    total = total - before + malloc_usable_size(moved);
    return moved;
}

}  // namespace

std::unique_ptr<FontFace> FontFace::open(std::shared_ptr<const Bytes> file, std::string* error) {
    std::unique_ptr<FontFace> f(new FontFace);
    f->file_ = std::move(file);
    if (!f->file_ || f->file_->empty()) {
        if (error) *error = "empty font file";
        return nullptr;
    }
    f->memory_ = std::make_unique<FT_MemoryRec_>();
    f->memory_->user = &f->memory_bytes_;
    f->memory_->alloc = counted_alloc;
    f->memory_->free = counted_free;
    f->memory_->realloc = counted_realloc;
    if (FT_New_Library(f->memory_.get(), &f->library_) != 0) {
        f->library_ = nullptr;
        if (error) *error = "FreeType could not start";
        return nullptr;
    }
    FT_Add_Default_Modules(f->library_);
    FT_Set_Default_Properties(f->library_);
    if (FT_New_Memory_Face(f->library_, f->file_->data(), static_cast<FT_Long>(f->file_->size()), 0,
                           &f->face_) != 0) {
        f->face_ = nullptr;
        if (error) *error = "not a font FreeType can read";
        return nullptr;
    }
    if (f->face_->num_fixed_sizes == 0 && !FT_IS_SCALABLE(f->face_)) {
        if (error) *error = "font has neither outlines nor bitmaps";
        return nullptr;
    }
    return f;
}

FontFace::~FontFace() {
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_Library(library_);
}

bool FontFace::set_size(int pixel_size) {
    if (FT_IS_SCALABLE(face_))
        return FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixel_size)) == 0;
    // Bitmap-only face: take the strike nearest to the size asked for.
    int best = 0;
    for (int i = 1; i < face_->num_fixed_sizes; ++i) {
        if (std::abs(face_->available_sizes[i].height - pixel_size) <
            std::abs(face_->available_sizes[best].height - pixel_size))
            best = i;
    }
    return FT_Select_Size(face_, best) == 0;
}

unsigned FontFace::glyph_for(char32_t c) {
    FT_UInt g = FT_Get_Char_Index(face_, c);
    // Symbol fonts map their characters into the private area at U+F0xx.
    if (g == 0 && c < 0x100 && face_->charmap && face_->charmap->encoding == FT_ENCODING_MS_SYMBOL)
        g = FT_Get_Char_Index(face_, 0xF000 | c);
    return g;
}

GreyImage FontFace::draw_line(std::u32string_view text, int pixel_size, int padding) {
    pixel_size = std::clamp(pixel_size, 1, kMaxPixelSize);
    padding = std::clamp(padding, 0, 64);
    GreyImage img;
    std::vector<PlacedGlyph> glyphs;
    int ascent = pixel_size, descent = 0;
    long pen = 0;  // 26.6 fixed point
    if (set_size(pixel_size)) {
        ascent = static_cast<int>((face_->size->metrics.ascender + 63) >> 6);
        descent = static_cast<int>((-face_->size->metrics.descender + 63) >> 6);
        FT_UInt previous = 0;
        for (char32_t c : text) {
            if (is_control(c)) continue;
            FT_UInt g = glyph_for(c);
            if (previous && g && FT_HAS_KERNING(face_)) {
                FT_Vector delta;
                if (FT_Get_Kerning(face_, previous, g, FT_KERNING_DEFAULT, &delta) == 0)
                    pen += delta.x;
            }
            previous = g;
            if (FT_Load_Glyph(face_, g, FT_LOAD_DEFAULT) != 0) continue;
            FT_GlyphSlot slot = face_->glyph;
            if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
                FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
                continue;
            PlacedGlyph pg;
            pg.x = static_cast<int>(pen >> 6) + slot->bitmap_left;
            pg.y = -slot->bitmap_top;
            if (slot->bitmap.width > 0 && slot->bitmap.rows > 0 &&
                slot->bitmap.rows <= kMaxImageHeight && copy_bitmap(slot->bitmap, &pg))
                glyphs.push_back(std::move(pg));
            pen += slot->advance.x;
            if ((pen >> 6) > kMaxImageWidth) break;
        }
    }
    int left = 0, right = static_cast<int>((pen + 63) >> 6), top = -ascent, bottom = descent;
    for (const PlacedGlyph& g : glyphs) {
        left = std::min(left, g.x);
        right = std::max(right, g.x + g.width);
        top = std::min(top, g.y);
        bottom = std::max(bottom, g.y + g.rows);
    }
    img.width = std::clamp(right - left + 2 * padding, 1, kMaxImageWidth);
    img.height = std::clamp(bottom - top + 2 * padding, 1, kMaxImageHeight);
    img.ink.assign(static_cast<size_t>(img.width) * img.height, 0);
    const int ox = padding - left, oy = padding - top;
    for (const PlacedGlyph& g : glyphs) {
        for (int y = 0; y < g.rows; ++y) {
            int iy = oy + g.y + y;
            if (iy < 0 || iy >= img.height) continue;
            for (int x = 0; x < g.width; ++x) {
                int ix = ox + g.x + x;
                if (ix < 0 || ix >= img.width) continue;
                uint8_t& dst = img.ink[static_cast<size_t>(iy) * img.width + ix];
                dst = std::max(dst, g.coverage[static_cast<size_t>(y) * g.width + x]);
            }
        }
    }
    return img;
}

int FontFace::style_rank() const {
    return ((face_->style_flags & FT_STYLE_FLAG_BOLD) ? 1 : 0) +
           ((face_->style_flags & FT_STYLE_FLAG_ITALIC) ? 1 : 0);
}

int FontFace::line_width(std::u32string_view text, int pixel_size) {
    return draw_line(text, pixel_size, 0).width;
}

std::u32string utf16_to_code_points(std::u16string_view s) {
    std::u32string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        }
        out += c;
    }
    return out;
}

std::u32string gbk_to_code_points(std::string_view gbk) {
    return utf16_to_code_points(gbk_to_utf16(gbk));
}

namespace {

void append_to_bytes(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

void flush_nothing(png_structp) {}

}  // namespace

Bytes encode_png(const GreyImage& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.ink.size() != static_cast<size_t>(image.width) * image.height)
        return {};
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return {};
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> row(static_cast<size_t>(image.width));
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return {};
    }
    png_set_write_fn(png, &out, append_to_bytes, flush_nothing);
    png_set_compression_level(png, 6);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) row[x] = static_cast<uint8_t>(255 - image.at(x, y));
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes encode_bmp24(const GreyImage& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.ink.size() != static_cast<size_t>(image.width) * image.height)
        return {};
    const uint32_t stride = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    const uint32_t pixels = stride * static_cast<uint32_t>(image.height);
    const uint32_t header = 14 + 40;
    Bytes out;
    out.reserve(header + pixels);
    auto u16 = [&](uint32_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    out.push_back('B');
    out.push_back('M');
    u32(header + pixels);
    u32(0);  // reserved
    u32(header);
    u32(40);
    u32(static_cast<uint32_t>(image.width));
    u32(static_cast<uint32_t>(image.height));  // positive: rows stored bottom-up
    u16(1);                                    // planes
    u16(24);                                   // bits per pixel
    u32(0);                                    // BI_RGB
    u32(pixels);
    u32(2835);  // 72 dpi
    u32(2835);
    u32(0);
    u32(0);
    for (int y = image.height - 1; y >= 0; --y) {
        size_t row_start = out.size();
        for (int x = 0; x < image.width; ++x) {
            uint8_t v = static_cast<uint8_t>(255 - image.at(x, y));
            out.insert(out.end(), {v, v, v});
        }
        out.resize(row_start + stride, 0);
    }
    return out;
}

}  // namespace yq::server
