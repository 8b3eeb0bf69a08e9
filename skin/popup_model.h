// The skin picker popup's states: two page tabs, the 3 x 3 skin thumbnails
// and the 84 colour cells, as the mouse changes them. Portable: each event
// updates the states and returns, in order, what the popup window must do
// (redraw an element, repaint, apply a skin or a colour). UI thread only.
//
//   SkinMarks                 which skin or colour was picked last (outlives a popup)
//   SkinPopupModel            one popup's records, made anew with each popup
#pragma once

#include <array>
#include <vector>

#include "skin/frame_model.h"
#include "skin/skin_model.h"

namespace yq {

inline constexpr int kPopupWidth = 218, kPopupHeight = 173;
inline constexpr int kPopupTabs = 2, kThumbnails = 9, kColourCells = 84;
// The thumbnail grid, where a press between thumbnails clears the mark.
inline constexpr FrameRect kThumbnailArea{6, 33, 200, 128};

// The palette, cell 1..84 row by row (7 rows of 12), as COLORREF values.
extern const std::array<Colour, kColourCells> kPaletteColours;

// Thumbnail states; tabs use kNormal, kHover and kSelected, cells kNormal,
// kHover and kMarked.
inline constexpr int kMarked = 2;
inline constexpr int kMarkedHover = 3;  // marked and under the mouse, or just clicked

struct SkinMarks {
    int skin = 0;    // 1..9, 0 when a colour was picked last
    int colour = 0;  // 1..84, 0 when a skin was picked last
};

struct PopupAction {
    enum class Kind {
        RedrawTab,        // index 1..2
        RedrawThumbnail,  // index 1..9
        RedrawCell,       // index 1..84
        Repaint,          // the whole popup (a page was switched)
        ApplySkin,        // index 1..9, with its picture
        ApplyColour,      // colour
    };
    Kind kind;
    int index = 0;
    Colour colour = 0;
};
using PopupActions = std::vector<PopupAction>;

class SkinPopupModel {
  public:
    // Tab 1 (the skins) is selected when a skin was picked last, else tab 2.
    explicit SkinPopupModel(SkinMarks& marks);

    // After the popup's frame was painted: the mark of the last pick shown
    // on the selected page.
    PopupActions painted();
    PopupActions mouse_move(int x, int y);
    PopupActions left_down(int x, int y);

    int selected_tab() const { return tabs_[0].state == kSelected ? 1 : 2; }
    int tab_state(int k) const { return tabs_[k - 1].state; }
    int thumbnail_state(int n) const { return thumbnails_[n - 1].state; }
    int cell_state(int k) const { return cells_[k - 1].state; }
    const FrameRect& tab_rect(int k) const { return tabs_[k - 1].rect; }
    const FrameRect& thumbnail_rect(int n) const { return thumbnails_[n - 1].rect; }
    const FrameRect& cell_rect(int k) const { return cells_[k - 1].rect; }

  private:
    struct Element {
        FrameRect rect;
        int state = kNormal;
    };
    void select(int tab, PopupActions& out);

    SkinMarks& marks_;
    std::array<Element, kPopupTabs> tabs_;
    std::array<Element, kThumbnails> thumbnails_;
    std::array<Element, kColourCells> cells_;
};

}  // namespace yq
