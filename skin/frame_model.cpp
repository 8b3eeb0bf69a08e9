#include "skin/frame_model.h"

#include <cstddef>

namespace yq {
namespace {

using Kind = FrameAction::Kind;

// Hover tests take the rectangle one pixel narrower; presses take it whole.
bool inside(const FrameRect& r, int x, int y, int narrower = 0) {
    return x >= r.x && x <= r.x + r.w - narrower && y >= r.y && y <= r.y + r.h;
}

FrameAction redraw_tab(int k) {
    return {Kind::RedrawTab, k};
}

FrameAction redraw_button(int k, int alpha = 255, bool fading = false) {
    return {Kind::RedrawCaptionButton, k, alpha, fading};
}

FrameAction redraw_skin_button() {
    return {Kind::RedrawSkinButton, kSkinButton};
}

FrameAction simple(Kind kind, int index = 0) {
    return {kind, index};
}

}  // namespace

CaptionAction caption_action(int k) {
    switch (k) {
        case 1:
            return CaptionAction::Close;
        case 2:
            return CaptionAction::Maximise;
        case 3:
            return CaptionAction::Minimise;
        case 4:
            return CaptionAction::Move;
        case 5:
            return CaptionAction::ControlMenu;
        default:
            return CaptionAction::None;
    }
}

FrameModel::FrameModel(bool with_skin_button) : with_skin_button_(with_skin_button) {
    for (int k = 1; k <= kFrameTabs; ++k) tabs_[k - 1].rect = {9 + 76 * (k - 1), 31, 76, 48};
    tabs_[0].state = kSelected;
}

void FrameModel::set_caption_buttons(const std::array<FrameRect, 6>& rects) {
    for (std::size_t i = 0; i < rects.size(); ++i) buttons_[i].rect = rects[i];
}

void FrameModel::select_tab(int k) {
    for (int i = 1; i <= kFrameTabs; ++i) tabs_[i - 1].state = i == k ? kSelected : kNormal;
}

FrameActions FrameModel::mouse_move(int x, int y) {
    FrameActions out;
    for (int k = 1; k <= kFrameTabs; ++k) {
        Element& t = tabs_[k - 1];
        bool in = inside(t.rect, x, y, 1);
        if (!in && t.state == kHover) {
            t.state = kNormal;
            out.push_back(redraw_tab(k));
        } else if (in && t.state == kNormal) {
            t.state = kHover;
            out.push_back(redraw_tab(k));
        }
    }
    for (int k = 1; k <= kCaptionButtons; ++k) {
        Element& b = buttons_[k - 1];
        bool in = inside(b.rect, x, y, 1);
        if (!in && b.state == kHover) {
            b.state = kNormal;
            out.push_back(redraw_button(k));
        } else if (in && b.state == kNormal) {
            // Close, maximise and minimise fade their hover look in; the
            // other two show it at once. Every new hover starts the timer.
            b.state = kHover;
            if (k >= 4) out.push_back(redraw_button(k));
            fade_alpha_ = 0;
            out.push_back(simple(Kind::StartFade));
        }
    }
    if (with_skin_button_) {
        Element& s = buttons_[kSkinButton - 1];
        bool in = inside(s.rect, x, y);
        if ((!in && s.state == kHover) || (in && s.state == kNormal)) {
            s.state = in ? kHover : kNormal;
            out.push_back(redraw_skin_button());
        }
    }
    out.push_back(simple(Kind::TrackLeave));
    return out;
}

FrameActions FrameModel::fade_tick() {
    FrameActions out;
    for (int k = 1; k <= 3; ++k) {
        if (buttons_[k - 1].state != kHover) continue;
        fade_alpha_ += kFadeStep;
        if (fade_alpha_ >= 255) {
            fade_alpha_ = 255;
            out.push_back(redraw_button(k));
            out.push_back(simple(Kind::StopFade));
        } else {
            out.push_back(redraw_button(k, fade_alpha_, true));
        }
    }
    return out;
}

FrameActions FrameModel::mouse_leave() {
    FrameActions out;
    for (int k = 1; k <= kFrameTabs; ++k) {
        if (tabs_[k - 1].state != kHover) continue;
        tabs_[k - 1].state = kNormal;
        out.push_back(redraw_tab(k));
    }
    for (int k = 1; k <= kCaptionButtons; ++k) {
        if (buttons_[k - 1].state != kHover) continue;
        buttons_[k - 1].state = kNormal;
        out.push_back(redraw_button(k));
    }
    if (buttons_[kSkinButton - 1].state == kHover) {
        buttons_[kSkinButton - 1].state = kNormal;
        out.push_back(redraw_skin_button());
    }
    return out;
}

void FrameModel::close_popup(FrameActions& out) {
    buttons_[kSkinButton - 1].state = kNormal;
    out.push_back(simple(Kind::ClosePopup));
    out.push_back(simple(Kind::InvalidateWindow));
    for (Element& t : tabs_)
        if (t.state != kSelected) t.state = kNormal;
}

FrameActions FrameModel::left_down(int x, int y) {
    FrameActions out;
    control_press_ = false;
    for (int k = 1; k <= kCaptionButtons; ++k) {
        Element& b = buttons_[k - 1];
        if (!inside(b.rect, x, y)) continue;
        if (b.state != kPressed) {
            b.state = kPressed;
            out.push_back(redraw_button(k));
        }
        control_press_ = true;
        break;
    }
    for (int k = 1; k <= kFrameTabs; ++k) {
        if (!inside(tabs_[k - 1].rect, x, y)) continue;
        control_press_ = true;
        select_tab(k);
        out.push_back(simple(Kind::SelectPage, k));
        for (int i = 1; i <= kFrameTabs; ++i) out.push_back(redraw_tab(i));
        break;
    }
    if (with_skin_button_) {
        Element& s = buttons_[kSkinButton - 1];
        if (inside(s.rect, x, y)) {
            control_press_ = true;
            if (s.state != kPressed) {
                s.state = kPressed;
                out.push_back(redraw_skin_button());
                out.push_back(simple(Kind::OpenPopup));
                for (Element& t : tabs_)
                    if (t.state != kSelected) t.state = kInert;
            }
        } else if (s.state == kPressed) {
            close_popup(out);
        }
    }
    out.push_back(simple(control_press_ ? Kind::Capture : Kind::StartMove));
    return out;
}

FrameActions FrameModel::left_up(int x, int y) {
    FrameActions out{simple(Kind::ReleaseCapture)};
    for (int k = 1; k <= kCaptionButtons; ++k) {
        Element& b = buttons_[k - 1];
        if (b.state != kPressed) continue;
        b.state = kNormal;
        out.push_back(redraw_button(k));
        if (inside(b.rect, x, y)) {
            FrameAction run = simple(Kind::RunCaption, k);
            run.caption = caption_action(k);
            run.x = x;
            run.y = y;
            out.push_back(run);
        }
        break;
    }
    return out;
}

FrameActions FrameModel::tab_key(int k) {
    FrameActions out;
    if (k < 1 || k > kFrameTabs) return out;
    if (popup_open()) close_popup(out);
    select_tab(k);
    out.push_back(simple(Kind::SelectPage, k));
    for (int i = 1; i <= kFrameTabs; ++i) out.push_back(redraw_tab(i));
    return out;
}

int FrameModel::tab_after(int step) const {
    int selected = 1;
    for (int k = 1; k <= kFrameTabs; ++k)
        if (tabs_[k - 1].state == kSelected) selected = k;
    return (selected - 1 + step % kFrameTabs + kFrameTabs) % kFrameTabs + 1;
}

FrameActions FrameModel::page_pressed() {
    FrameActions out;
    if (popup_open()) close_popup(out);
    return out;
}

}  // namespace yq
