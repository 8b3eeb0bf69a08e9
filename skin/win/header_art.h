// The skins' header pictures, drawn in code, and their thumbnails for the
// skin picker.
#pragma once

#include <windows.h>

namespace yq {

// Height of the header band the pictures fill.
inline constexpr int kHeaderBandHeight = 103;

// `a` blended towards `b` by percent_b (0..100).
COLORREF mix(COLORREF a, COLORREF b, int percent_b);

// Header picture 0..7 (A..H) across a band W pixels wide.
void draw_header_picture(HDC dc, int W, int picture);

// What skin n (1..9) looks like, in w x h at (x, y): its header (a flat
// colour for skin 1) over a strip of its frame colour.
void draw_skin_thumbnail(HDC dc, int x, int y, int w, int h, int n);

}  // namespace yq
