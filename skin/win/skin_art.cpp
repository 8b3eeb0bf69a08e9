#include "skin/win/skin_art.h"

#include <shlwapi.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/win/gdiplus.h"
#include "platform/win/handles.h"

namespace yq {
namespace {

struct Entry {
    const char* resource;  // RCDATA name (resources/skin/skin.rc)
    int w, h;
};

constexpr std::array<Entry, static_cast<size_t>(SkinPicture::Count)> kEntries{{
    {"header_a", 840, 205},
    {"header_b", 840, 205},
    {"header_c", 840, 205},
    {"header_d", 840, 205},
    {"header_e", 840, 205},
    {"header_f", 840, 205},
    {"header_g", 840, 205},
    {"header_h", 840, 205},
    {"thumb_1", 68, 43},
    {"thumb_2", 68, 43},
    {"thumb_3", 68, 43},
    {"thumb_4", 68, 43},
    {"thumb_5", 68, 43},
    {"thumb_6", 68, 43},
    {"thumb_7", 68, 43},
    {"thumb_8", 68, 43},
    {"thumb_9", 68, 43},
    {"caption_close_normal", 37, 19},
    {"caption_close_hover", 37, 19},
    {"caption_close_pressed", 37, 19},
    {"caption_max_normal", 25, 19},
    {"caption_max_hover", 25, 19},
    {"caption_max_pressed", 25, 19},
    {"caption_min_normal", 25, 19},
    {"caption_min_hover", 25, 19},
    {"caption_min_pressed", 25, 19},
    {"caption_move_normal", 25, 19},
    {"caption_move_hover", 25, 19},
    {"caption_move_pressed", 25, 19},
    {"caption_menu_normal", 25, 19},
    {"caption_menu_hover", 25, 19},
    {"caption_menu_pressed", 25, 19},
    {"skin_icon", 14, 14},
    {"skin_hover", 28, 22},
    {"skin_pressed", 28, 22},
    {"tab_hover", 76, 71},
    {"tab_selected", 76, 71},
    {"tab_icon_1", 71, 48},
    {"tab_icon_2", 71, 48},
    {"tab_icon_3", 71, 48},
    {"tab_icon_4", 71, 48},
    {"tab_icon_5", 71, 48},
    {"title_icon", 16, 16},
    {"size_grip", 9, 8},
    {"popup_background", 218, 174},
    {"popup_tab_base", 40, 30},
    {"popup_tab_pictures_normal", 40, 30},
    {"popup_tab_pictures_hover", 40, 30},
    {"popup_tab_pictures_selected", 40, 30},
    {"popup_tab_colours_normal", 40, 30},
    {"popup_tab_colours_hover", 40, 30},
    {"popup_tab_colours_selected", 40, 30},
    {"popup_hover_frame", 68, 43},
    {"popup_selected_frame", 68, 43},
    {"popup_cell_frame", 15, 16},
    {"popup_palette", 206, 128},
}};

// A top-down 32-bit DIB of premultiplied BGRA pixels.
struct Dib {
    win::UniqueBitmap bitmap;
    uint8_t* bits = nullptr;
    int w = 0, h = 0;
    bool opaque = false;  // every alpha 255: copied, not blended
};

struct Scaled {
    Dib dib;
    int sx = 0, sy = 0, sw = 0, sh = 0;
    Scaling scaling = Scaling::Smooth;
};

struct Slot {
    bool tried = false;
    Dib dib;
    Scaled scaled;  // the last stretched copy asked for
};

std::array<Slot, static_cast<size_t>(SkinPicture::Count)>& slots() {
    static std::array<Slot, static_cast<size_t>(SkinPicture::Count)> s;
    return s;
}

// The memory DC pictures are selected into to be drawn from.
HDC picture_dc() {
    static win::UniqueMemDc dc(CreateCompatibleDC(nullptr));
    return dc.get();
}

bool make_dib(Dib& d, int w, int h) {
    d.bitmap = win::make_dib_section(w, h, d.bits);
    if (!d.bitmap) return false;
    d.w = w;
    d.h = h;
    return true;
}

void note_opacity(Dib& d) {
    d.opaque = true;
    const size_t n = static_cast<size_t>(d.w) * d.h;
    for (size_t i = 0; i < n; ++i) {
        if (d.bits[i * 4 + 3] != 255) {
            d.opaque = false;
            return;
        }
    }
}

// The resource's PNG through GDI+, premultiplied; empty unless it decodes
// to exactly the size the picture is drawn at.
Dib decode(const Entry& e) {
    Dib out;
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, e.resource, reinterpret_cast<LPCSTR>(RT_RCDATA));
    if (!found) return out;
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, found);
    if (!data || size == 0) return out;
    win::ComPtr<IStream> stream(SHCreateMemStream(static_cast<const BYTE*>(data), size));
    if (!stream) return out;
    Gdiplus::Bitmap bitmap(stream.get());
    if (bitmap.GetLastStatus() != Gdiplus::Ok || bitmap.GetWidth() != UINT(e.w) ||
        bitmap.GetHeight() != UINT(e.h))
        return out;
    Gdiplus::Rect rect(0, 0, e.w, e.h);
    Gdiplus::BitmapData locked;
    if (bitmap.LockBits(&rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &locked) !=
        Gdiplus::Ok)
        return out;
    if (make_dib(out, e.w, e.h)) {
        for (int y = 0; y < e.h; ++y) {
            const uint8_t* src = static_cast<const uint8_t*>(locked.Scan0) +
                                 static_cast<ptrdiff_t>(y) * locked.Stride;
            uint8_t* dst = out.bits + static_cast<size_t>(y) * e.w * 4;
            for (int x = 0; x < e.w; ++x, src += 4, dst += 4) {
                const unsigned a = src[3];
                for (int c = 0; c < 3; ++c) dst[c] = static_cast<uint8_t>((src[c] * a + 127) / 255);
                dst[3] = static_cast<uint8_t>(a);
            }
        }
        note_opacity(out);
    }
    bitmap.UnlockBits(&locked);
    return out;
}

Slot& slot(SkinPicture p) {
    Slot& s = slots()[static_cast<size_t>(p)];
    if (!s.tried) {
        s.tried = true;
        s.dib = decode(kEntries[static_cast<size_t>(p)]);
    }
    return s;
}

// Which source pixels make destination pixel i along one axis, and by how
// much: a box over the covered span when shrinking, the two nearest
// centres when growing, one pixel for Nearest.
struct Tap {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Tap> taps(int src_len, int dst_len, Scaling scaling) {
    std::vector<Tap> out(dst_len);
    const double scale = static_cast<double>(src_len) / dst_len;
    for (int i = 0; i < dst_len; ++i) {
        Tap& t = out[i];
        if (scaling == Scaling::Nearest || src_len == dst_len) {
            t.first = std::min(src_len - 1, static_cast<int>((i + 0.5) * scale));
            t.weights = {1.0f};
        } else if (dst_len < src_len) {
            const double lo = i * scale, hi = (i + 1) * scale;
            t.first = static_cast<int>(lo);
            for (int j = t.first; j < src_len && j < hi; ++j) {
                const double cover = std::min<double>(j + 1, hi) - std::max<double>(j, lo);
                t.weights.push_back(static_cast<float>(cover / scale));
            }
        } else {
            const double c = (i + 0.5) * scale - 0.5;
            int j = static_cast<int>(std::floor(c));
            double f = c - j;
            if (j < 0) j = 0, f = 0;
            if (j >= src_len - 1) j = src_len - 1, f = 0;
            t.first = j;
            t.weights = {static_cast<float>(1 - f)};
            if (f > 0) t.weights.push_back(static_cast<float>(f));
        }
    }
    return out;
}

// The area (sx, sy, sw, sh) of `src` resampled to w x h, rows then columns.
bool resample(const Dib& src, int sx, int sy, int sw, int sh, int w, int h, Scaling scaling,
              Dib& out) {
    if (!make_dib(out, w, h)) return false;
    const std::vector<Tap> across = taps(sw, w, scaling), down = taps(sh, h, scaling);
    std::vector<float> rows(static_cast<size_t>(w) * sh * 4);
    for (int y = 0; y < sh; ++y) {
        const uint8_t* line = src.bits + (static_cast<size_t>(sy + y) * src.w + sx) * 4;
        float* dst = &rows[static_cast<size_t>(y) * w * 4];
        for (int x = 0; x < w; ++x, dst += 4) {
            const Tap& t = across[x];
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const uint8_t* p = line + static_cast<size_t>(t.first + k) * 4;
                for (int c = 0; c < 4; ++c) dst[c] += p[c] * t.weights[k];
            }
        }
    }
    for (int y = 0; y < h; ++y) {
        const Tap& t = down[y];
        uint8_t* dst = out.bits + static_cast<size_t>(y) * w * 4;
        for (int x = 0; x < w; ++x, dst += 4) {
            float v[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const float* p = &rows[(static_cast<size_t>(t.first + k) * w + x) * 4];
                for (int c = 0; c < 4; ++c) v[c] += p[c] * t.weights[k];
            }
            const int a = std::clamp(static_cast<int>(std::lround(v[3])), 0, 255);
            for (int c = 0; c < 3; ++c)
                dst[c] =
                    static_cast<uint8_t>(std::clamp(static_cast<int>(std::lround(v[c])), 0, a));
            dst[3] = static_cast<uint8_t>(a);
        }
    }
    note_opacity(out);
    return true;
}

void put(HDC dc, const Dib& d, int x, int y) {
    HDC mem = picture_dc();
    HGDIOBJ old = SelectObject(mem, d.bitmap.get());
    if (d.opaque) {
        BitBlt(dc, x, y, d.w, d.h, mem, 0, 0, SRCCOPY);
    } else {
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, x, y, d.w, d.h, mem, 0, 0, d.w, d.h, blend);
    }
    SelectObject(mem, old);
}

}  // namespace

SkinPicture header_picture(int picture) {
    return static_cast<SkinPicture>(static_cast<int>(SkinPicture::HeaderA) +
                                    std::clamp(picture, 0, 7));
}

SkinPicture thumbnail_picture(int skin) {
    return static_cast<SkinPicture>(static_cast<int>(SkinPicture::Thumbnail1) +
                                    std::clamp(skin, 1, 9) - 1);
}

SkinPicture tab_icon_picture(int tab) {
    return static_cast<SkinPicture>(static_cast<int>(SkinPicture::TabIcon1) +
                                    std::clamp(tab, 1, 5) - 1);
}

SkinPicture caption_face(int button, int state) {
    return static_cast<SkinPicture>(static_cast<int>(SkinPicture::CloseNormal) +
                                    3 * (std::clamp(button, 1, 5) - 1) + std::clamp(state, 0, 2));
}

bool draw_skin_picture(HDC dc, SkinPicture p, int x, int y) {
    const Dib& d = slot(p).dib;
    if (!d.bitmap) return false;
    put(dc, d, x, y);
    return true;
}

bool draw_skin_picture_scaled(HDC dc, SkinPicture p, int sx, int sy, int sw, int sh, int x, int y,
                              int w, int h, Scaling scaling) {
    Slot& s = slot(p);
    if (!s.dib.bitmap || w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || sx < 0 || sy < 0 ||
        sx + sw > s.dib.w || sy + sh > s.dib.h)
        return false;
    if (sx == 0 && sy == 0 && sw == w && sh == h && sw == s.dib.w && sh == s.dib.h) {
        put(dc, s.dib, x, y);
        return true;
    }
    Scaled& c = s.scaled;
    if (!c.dib.bitmap || c.dib.w != w || c.dib.h != h || c.sx != sx || c.sy != sy || c.sw != sw ||
        c.sh != sh || c.scaling != scaling) {
        c = Scaled{};
        if (!resample(s.dib, sx, sy, sw, sh, w, h, scaling, c.dib)) return false;
        c.sx = sx, c.sy = sy, c.sw = sw, c.sh = sh, c.scaling = scaling;
    }
    put(dc, c.dib, x, y);
    return true;
}

bool draw_skin_picture_scaled(HDC dc, SkinPicture p, int x, int y, int w, int h, Scaling scaling) {
    const Dib& d = slot(p).dib;
    if (!d.bitmap) return false;
    return draw_skin_picture_scaled(dc, p, 0, 0, d.w, d.h, x, y, w, h, scaling);
}

}  // namespace yq
