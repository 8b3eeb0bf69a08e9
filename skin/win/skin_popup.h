// The skin picker popup: a borderless 218 x 173 window owned by the main
// window, made anew by each press of the skin button and placed under it.
// Its states are the portable SkinPopupModel's; this file draws them and
// applies the picks. The marks of the last pick outlive the popup. UI
// thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "platform/win/messages.h"
#include "skin/popup_model.h"
#include "skin/skin_model.h"

namespace yq {

// The popup answers kSkinPopupStateMessage (messages.h) with its state.
using win::kSkinPopupStateMessage;

// The picker of one framed window, owned by its frame.
class SkinPopup {
  public:
    // What a pick applies: a preset and/or a custom colour, as the frame's
    // apply_skin takes them.
    using ApplySkin =
        std::function<void(int preset, bool use_picture, Colour colour, bool use_colour)>;

    explicit SkinPopup(ApplySkin apply_skin);
    ~SkinPopup();
    SkinPopup(const SkinPopup&) = delete;
    SkinPopup& operator=(const SkinPopup&) = delete;

    // Opens the popup under the skin button of `main` (closing one still
    // open).
    void open(HWND main);
    void close();
    bool is_open() const;

    // The marks of the last pick, which outlive the popup; applying a skin
    // with its picture marks that skin.
    SkinMarks& marks();

    struct State;

  private:
    std::unique_ptr<State> state_;
};

}  // namespace yq
