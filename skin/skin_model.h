// The window skin: nine presets (a header picture or colour, a frame colour,
// a text colour) and the custom colour, and what applying one changes.
#pragma once

#include <cstdint>

namespace yq {

using Colour = uint32_t;  // 0x00BBGGRR, as a Windows COLORREF

inline constexpr Colour kWhite = 0xFFFFFF;
inline constexpr Colour kBlack = 0x000000;
inline constexpr int kNoPicture = -1;
inline constexpr int kDefaultHeaderPicture = 0;  // picture A
inline constexpr int kSkinPresetCount = 9;

struct SkinState {
    int preset = 0;            // 1..9 for a real preset; any other number is kept as read
    int mode = 0;              // 1 custom colour, 2 preset
    int picture = kNoPicture;  // header picture 0..7 (A..H), or none
    Colour header_colour = 0;
    Colour frame_colour = 0;  // also the status line background
    Colour text_colour = 0;   // tab captions and the default status text
};

// Applies a preset and/or a custom colour:
//  - neither: the default header picture is put back; nothing else changes;
//  - use_colour: header and frame take `colour`, mode becomes 1;
//  - use_picture: preset n's picture/colours (skin 1 is a flat colour and
//    keeps the current picture); text black for skins 2 and 9, white for the
//    others and for a number that matches no preset, which changes nothing
//    else. The preset number is stored whatever it is, and mode becomes 2.
// The caller then saves preset and mode and repaints.
void apply_skin(SkinState& skin, int n, bool use_picture, Colour colour, bool use_colour);

// The colour a header picture (0..7) is painted around: the frame colour of
// the preset that shows it.
Colour header_picture_colour(int picture);

}  // namespace yq
