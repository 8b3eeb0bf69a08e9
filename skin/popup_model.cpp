#include "skin/popup_model.h"

namespace yq {
namespace {

// The popup's rectangles hold their first w columns and h rows, so that a
// pixel lies between neighbouring thumbnails (one pixel apart).
bool inside(const FrameRect& r, int x, int y) {
    return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
}

// A plain hover: normal -> hover inside, hover -> normal outside; whether
// the state changed.
bool hover(int& state, bool in) {
    if (!in && state == kHover) {
        state = kNormal;
        return true;
    }
    if (in && state == kNormal) {
        state = kHover;
        return true;
    }
    return false;
}

}  // namespace

const std::array<Colour, kColourCells> kPaletteColours = {
    0x00007E, 0x004A84, 0x006774, 0x006A48, 0x565C00, 0x6C4B0B, 0x583100, 0x4C0001, 0x4A002F,
    0x400050, 0x350170, 0x202020, 0x000096, 0x005496, 0x008996, 0x00764D, 0x616800, 0x825500,
    0x743C00, 0x742E00, 0x410044, 0x3F0166, 0x2E00A4, 0x353535, 0x0000B2, 0x0069AC, 0x01B6C2,
    0x0F946A, 0x7A8200, 0xAA7400, 0x864B00, 0x843400, 0x7A0053, 0x560088, 0x3500BE, 0x4F4F4F,
    0x0500E6, 0x0791E8, 0x00CFDC, 0x14AD7C, 0x8F9C00, 0xB88600, 0xBE6733, 0x9E4600, 0x86005B,
    0x631EA9, 0x4600E6, 0x6E6E6E, 0x2B44D8, 0x0095F4, 0x00E1F0, 0x1FC28E, 0x9DAC00, 0xE49C01,
    0xC98944, 0xC56A4A, 0xA6317B, 0x700CD7, 0x7366EB, 0x8F8F8F, 0x4169EC, 0x31AFFF, 0x53F0FF,
    0x65D4B3, 0xB7C207, 0xF4B801, 0xE89665, 0xC4806B, 0xA05789, 0x965FE8, 0x8880F5, 0xACACAC,
    0x759BF2, 0x8AC6F9, 0x8FF5FF, 0x98E1CA, 0xC8CC85, 0xF4CB7D, 0xDAAB89, 0xCA978D, 0xBC89A9,
    0xBB9EF1, 0x9C9CF1, 0xC6C6C6,
};

SkinPopupModel::SkinPopupModel(SkinMarks& marks) : marks_(marks) {
    tabs_[0].rect = {0, 0, 40, 30};
    tabs_[1].rect = {40, 0, 40, 30};
    for (int n = 0; n < kThumbnails; ++n)
        thumbnails_[n].rect = {6 + 68 * (n % 3), 33 + 43 * (n / 3), 67, 42};
    for (int k = 0; k < kColourCells; ++k)
        cells_[k].rect = {6 + 17 * (k % 12), 34 + 18 * (k / 12), 16, 17};
    tabs_[marks_.skin != 0 ? 0 : 1].state = kSelected;
}

PopupActions SkinPopupModel::painted() {
    PopupActions out;
    if (selected_tab() == 1) tabs_[1].state = kNormal;
    if (marks_.skin != 0 && selected_tab() == 1) {
        thumbnails_[marks_.skin - 1].state = kMarked;
        out.push_back({PopupAction::Kind::RedrawThumbnail, marks_.skin});
    }
    if (marks_.colour != 0 && selected_tab() == 2) {
        cells_[marks_.colour - 1].state = kMarked;
        out.push_back({PopupAction::Kind::RedrawCell, marks_.colour});
    }
    return out;
}

PopupActions SkinPopupModel::mouse_move(int x, int y) {
    using K = PopupAction::Kind;
    PopupActions out;
    if (selected_tab() == 1) {
        for (int n = 1; n <= kThumbnails; ++n) {
            int& s = thumbnails_[n - 1].state;
            const int was = s;
            if (!inside(thumbnails_[n - 1].rect, x, y)) {
                if (s == kHover) s = kNormal;
                if (s == kMarkedHover) s = kMarked;
            } else {
                // After a colour pick no thumbnail is marked any more.
                if (marks_.colour != 0) s = kNormal;
                if (s == kNormal) s = kHover;
                else if (s == kMarked) s = kMarkedHover;
            }
            if (s != was) out.push_back({K::RedrawThumbnail, n});
        }
    }
    for (int k = 1; k <= kPopupTabs; ++k) {
        if (hover(tabs_[k - 1].state, inside(tabs_[k - 1].rect, x, y)))
            out.push_back({K::RedrawTab, k});
    }
    if (selected_tab() == 2) {
        // A marked cell keeps its look under the mouse.
        for (int k = 1; k <= kColourCells; ++k) {
            if (hover(cells_[k - 1].state, inside(cells_[k - 1].rect, x, y)))
                out.push_back({K::RedrawCell, k});
        }
    }
    return out;
}

void SkinPopupModel::select(int tab, PopupActions& out) {
    tabs_[tab - 1].state = kSelected;
    tabs_[2 - tab].state = kNormal;
    out.push_back({PopupAction::Kind::Repaint});
}

PopupActions SkinPopupModel::left_down(int x, int y) {
    using K = PopupAction::Kind;
    PopupActions out;
    // The three steps run in this order for every press: a press on a tab
    // switches the page after the old page has seen it.
    if (selected_tab() == 1) {
        for (int n = 1; n <= kThumbnails; ++n) {
            int& s = thumbnails_[n - 1].state;
            if (inside(thumbnails_[n - 1].rect, x, y)) {
                if (s == kMarkedHover) continue;  // picked already: nothing changes
                s = kMarkedHover;
                marks_.skin = n;
                marks_.colour = 0;
                out.push_back({K::RedrawThumbnail, n});
                out.push_back({K::ApplySkin, n});
            } else if (inside(kThumbnailArea, x, y) && (s == kMarked || s == kMarkedHover)) {
                s = kNormal;
                out.push_back({K::RedrawThumbnail, n});
            }
        }
    }
    if (inside(tabs_[0].rect, x, y) && tabs_[0].state != kSelected) {
        select(1, out);
    } else if (inside(tabs_[1].rect, x, y) && tabs_[1].state != kSelected) {
        select(2, out);
    }
    if (selected_tab() == 2) {
        for (int k = 1; k <= kColourCells; ++k) {
            int& s = cells_[k - 1].state;
            if (inside(cells_[k - 1].rect, x, y)) {
                if (s == kMarked) continue;
                s = kMarked;
                marks_.skin = 0;
                marks_.colour = k;
                out.push_back({K::RedrawCell, k});
                out.push_back({K::ApplyColour, k, kPaletteColours[k - 1]});
            } else if (s == kMarked) {
                s = kNormal;
                out.push_back({K::RedrawCell, k});
            }
        }
    }
    return out;
}

}  // namespace yq
