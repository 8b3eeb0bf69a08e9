// The skin's pictures: PNG resources of the program (resources/skin/, made
// by scripts/gen_skin_art.py), each decoded with GDI+ the first time it is
// drawn into a 32-bit premultiplied DIB kept for the process. A picture that
// is missing, cannot be decoded or has not its expected size stays empty:
// drawing it draws nothing and says so, and callers put a flat colour in
// its place where a hole would show. UI thread only.
#pragma once

#include <windows.h>

namespace yq {

// clang-format off
enum class SkinPicture {
    HeaderA, HeaderB, HeaderC, HeaderD, HeaderE, HeaderF, HeaderG, HeaderH,  // 840 x 205
    Thumbnail1, Thumbnail2, Thumbnail3, Thumbnail4, Thumbnail5,              // 68 x 43
    Thumbnail6, Thumbnail7, Thumbnail8, Thumbnail9,
    CloseNormal, CloseHover, ClosePressed,                                   // 37 x 19
    MaximiseNormal, MaximiseHover, MaximisePressed,                          // 25 x 19, and
    MinimiseNormal, MinimiseHover, MinimisePressed,                          // so are these
    MoveNormal, MoveHover, MovePressed,
    MenuNormal, MenuHover, MenuPressed,
    SkinIcon,                                                                // 14 x 14
    SkinHover, SkinPressed,                                                  // 28 x 22
    TabHover, TabSelected,                                                   // 76 x 71
    TabIcon1, TabIcon2, TabIcon3, TabIcon4, TabIcon5,                        // 71 x 48
    TitleIcon,                                                               // 16 x 16
    SizeGrip,                                                                // 9 x 8
    PopupBackground,                                                         // 218 x 174
    PopupTabBase,                                                            // 40 x 30, and
    PopupPicturesNormal, PopupPicturesHover, PopupPicturesSelected,          // so are these
    PopupColoursNormal, PopupColoursHover, PopupColoursSelected,
    PopupHoverFrame, PopupSelectedFrame,                                     // 68 x 43
    PopupCellFrame,                                                          // 15 x 16
    PopupPalette,                                                            // 206 x 128
    Count
};
// clang-format on

// Header picture 0..7 (A..H), thumbnail of skin 1..9, tab icon 1..5, and
// the face of caption button 1..5 in state 0 normal, 1 hover, 2 pressed.
SkinPicture header_picture(int picture);
SkinPicture thumbnail_picture(int skin);
SkinPicture tab_icon_picture(int tab);
SkinPicture caption_face(int button, int state);

// How a stretched copy is made: Smooth averages the pixels a shrunk one
// covers and blends between neighbours when growing; Nearest takes the
// pixel under each centre, which keeps one-pixel lines whole.
enum class Scaling { Smooth, Nearest };

// Draws the picture at its own size with its top left at (x, y), blending
// its alpha over what is there. False when the picture is empty.
bool draw_skin_picture(HDC dc, SkinPicture p, int x, int y);

// Draws the picture's area (sx, sy, sw, sh) stretched to (x, y, w, h). The
// stretched copy is made once and kept until another size is asked of the
// same picture (a window resized), so repaints only copy it. False when the
// picture is empty or the area is not inside it.
bool draw_skin_picture_scaled(HDC dc, SkinPicture p, int sx, int sy, int sw, int sh, int x, int y,
                              int w, int h, Scaling scaling = Scaling::Smooth);

// The same, stretching the whole picture.
bool draw_skin_picture_scaled(HDC dc, SkinPicture p, int x, int y, int w, int h,
                              Scaling scaling = Scaling::Smooth);

}  // namespace yq
