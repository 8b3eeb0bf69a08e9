// The program's own window messages, every one declared here so that no two
// share a number. Each is part of the interface of the window that answers
// it, present in every build: the hand-over to the UI thread, and the
// read-outs that the test probes and benchmarks send from another process
// (so they carry numbers and global atoms, never pointers), as a common
// control's messages are documented for any program to send.
#pragma once

#include <windows.h>

namespace yq::win {

// The hidden hand-over window (ui_thread.h): runs the std::function* in
// lParam on the UI thread.
inline constexpr UINT kRunOnUiMessage = WM_APP + 0x75;  // 0x8075
// The main window (status_line.h): a global atom holding the status text's
// first 255 bytes; the caller deletes it.
inline constexpr UINT kStatusTextAtomMessage = WM_APP + 0x76;
// A label (controls.h): MAKELONG(width, height) of its picture, 0 without one.
inline constexpr UINT kLabelPictureSizeMessage = WM_APP + 0x77;
// The skin picker popup (skin_popup.h): MAKELONG(selected tab 1..2, the
// marked thumbnail or cell on that page, 0 for none).
inline constexpr UINT kSkinPopupStateMessage = WM_APP + 0x78;
// The main window (frame.h): the pixels the last paint or element redraw
// copied to the window.
inline constexpr UINT kFramePixelsMessage = WM_APP + 0x79;

}  // namespace yq::win
