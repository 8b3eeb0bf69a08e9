// The skin picker popup: a borderless 218 x 173 window owned by the main
// window, made anew by each press of the skin button and placed under it.
// Its states are the portable SkinPopupModel's; this file draws them and
// applies the picks. The marks of the last pick outlive the popup. UI
// thread only.
#pragma once

#include <windows.h>

#include "platform/win/messages.h"
#include "skin/popup_model.h"

namespace yq {

// The popup answers kSkinPopupStateMessage (messages.h) with its state.
using win::kSkinPopupStateMessage;

// Opens the popup under the skin button of `main` (closing one still open).
void open_skin_popup(HWND main);
void close_skin_popup();

// The process-wide marks; applying a skin with its picture marks that skin.
SkinMarks& skin_marks();

}  // namespace yq
