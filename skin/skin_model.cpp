#include "skin/skin_model.h"

namespace yq {
namespace {

struct Preset {
    int picture;
    Colour frame;
    Colour text;
};

// Skin 1 has no picture; 2..9 show pictures A..H.
constexpr Preset kPresets[kSkinPresetCount] = {
    {kNoPicture, 0xDEA64D, kWhite}, {0, 0xDCB36A, kBlack}, {1, 0x2BB06F, kWhite},
    {2, 0xD7A162, kWhite},          {3, 0xDD9B59, kWhite}, {4, 0x7C5810, kWhite},
    {5, 0x7E7B75, kWhite},          {6, 0x30507F, kWhite}, {7, 0xA786F8, kBlack},
};

}  // namespace

void apply_skin(SkinState& skin, int n, bool use_picture, Colour colour, bool use_colour) {
    if (!use_picture && !use_colour) {
        skin.picture = kDefaultHeaderPicture;
        return;
    }
    if (use_colour) {
        skin.header_colour = colour;
        skin.frame_colour = colour;
        skin.mode = 1;
    }
    if (use_picture) {
        if (n >= 1 && n <= kSkinPresetCount) {
            const Preset& p = kPresets[n - 1];
            if (p.picture == kNoPicture) {
                skin.header_colour = p.frame;
            } else {
                skin.picture = p.picture;
            }
            skin.frame_colour = p.frame;
            skin.text_colour = p.text;
        } else {
            skin.text_colour = kWhite;
        }
        skin.preset = n;
        skin.mode = 2;
    }
}

Colour header_picture_colour(int picture) {
    if (picture < 0 || picture >= kSkinPresetCount - 1) return kPresets[0].frame;
    return kPresets[picture + 1].frame;
}

}  // namespace yq
