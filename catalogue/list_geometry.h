// Pixel geometry of the catalogue list: five rows of 50 pixels drawn into the
// hidden buffer panel (744 wide) and copied onto the visible list panel (736
// wide). The Win32 drawing and the list model's hit tests both use these.
//
//   row_top            top y of row 1..5 in both panels
//   button_top         top y of a row's install button, as the hit tests use it
//   in_button_area     point on a row's install button (hover and press)
//   in_release_area    point on a row's button or below it (release starts a download)
#pragma once

namespace yq {

inline constexpr int kListRows = 5;
inline constexpr int kListRowHeight = 50;
inline constexpr int kListPanelWidth = 736;  // 前台画板, visible
inline constexpr int kListPanelHeight = 251;
inline constexpr int kListBufferWidth = 744;  // 后台画板, hidden drawing buffer
inline constexpr int kListBufferHeight = 280;

// Row box: (0, y) to (kListPanelWidth, y + kRowBoxHeight), neighbours share a frame line.
inline constexpr int kRowBoxHeight = 51;
// Highlight gradient: (1, y + 1), kListPanelWidth - 2 wide, 49 high, top colour to bottom colour.
inline constexpr int kHighlightLeft = 1;
inline constexpr int kHighlightWidth = kListPanelWidth - 2;
inline constexpr int kHighlightHeight = 49;
inline constexpr unsigned kHighlightTopRgb = 0xFFF3D7;     // RGB(255, 243, 215)
inline constexpr unsigned kHighlightBottomRgb = 0xFFF9EA;  // RGB(255, 249, 234)
inline constexpr unsigned kRowFrameRgb = 0x0080FF;         // RGB(0, 128, 255)
inline constexpr unsigned kRowTextRgb = 0x606060;          // RGB(96, 96, 96)

// Preview picture at natural size, white transparent.
inline constexpr int kPictureX = 5;
inline constexpr int kPictureDy = 12;
// Font name in 12 points: x = B - B / 3 - 150 with B the buffer width.
inline constexpr int kNameX = kListBufferWidth - kListBufferWidth / 3 - 150;  // 346
inline constexpr int kNameDy = 20;
inline constexpr int kNamePoints = 12;
// The rows' 预览 buttons are windows over the list panel from this x on.
inline constexpr int kPreviewButtonX = 552;
// The licence class in 9 points, a gap after the name (ending before the
// 预览 button, which would hide it), in green, orange or the row's grey.
inline constexpr int kLicenceGap = 8;
inline constexpr int kLicenceDy = kNameDy + 4;  // the two texts' bottoms level
inline constexpr int kLicencePoints = 9;
inline constexpr unsigned kFreeLicenceRgb = 0x108A2C;        // RGB(16, 138, 44)
inline constexpr unsigned kRestrictedLicenceRgb = 0xC8501E;  // RGB(200, 80, 30)
// Button area (63 x 23 picture, white transparent).
inline constexpr int kButtonX = kListBufferWidth - 75;  // 669
inline constexpr int kButtonDy = 12;
inline constexpr int kButtonWidth = 63;
inline constexpr int kButtonHeight = 23;
// Spinner (16 x 16 frames 1..12) and the percentage text in 9 points.
inline constexpr int kSpinnerX = kListBufferWidth - 38;  // 706
inline constexpr int kSpinnerDy = 10;
inline constexpr int kSpinnerFrames = 12;
inline constexpr int kPercentX = kListBufferWidth - 68;  // 676
inline constexpr int kPercentDy = 33;
inline constexpr int kPercentPoints = 9;

// Hit areas on the visible panel.
inline constexpr int kButtonHitLeft = 665;   // exclusive
inline constexpr int kButtonHitRight = 727;  // exclusive
inline constexpr int kButtonHitHeight = 23;
inline constexpr int kReleaseHitHeight = 64;

// Top y of row 1..5; 0 outside that range.
constexpr int row_top(int row) {
    return row >= 1 && row <= kListRows ? (row - 1) * kListRowHeight : 0;
}

// Top y of the install button of row 1..5 as the hit tests see it (it is a
// pixel or two off the drawn button on some rows); -1 outside that range.
constexpr int button_top(int row) {
    constexpr int tops[kListRows] = {11, 62, 111, 161, 211};
    return row >= 1 && row <= kListRows ? tops[row - 1] : -1;
}

constexpr bool in_button_columns(int x) {
    return kButtonHitLeft < x && x < kButtonHitRight;
}

// Both bounds exclusive. Rows outside 1..5 have no area.
constexpr bool in_button_area(int row, int x, int y) {
    int top = button_top(row);
    return top >= 0 && in_button_columns(x) && top < y && y < top + kButtonHitHeight;
}
constexpr bool in_release_area(int row, int x, int y) {
    int top = button_top(row);
    return top >= 0 && in_button_columns(x) && top < y && y < top + kReleaseHitHeight;
}

}  // namespace yq
