// The font identification page: 字体识别 opens the
// identification site in the web page window, clicks its picture upload
// ("uploaded_file", which opens the file chooser) and its submit button
// ("forward"), and shows the window with the site's answer. The window is
// made hidden at start-up, reused, and hidden again by its close button.
// The browser keeps to the start page's origin, and the two elements are
// clicked only on a page of that origin. UI thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/win/web_browser.h"

namespace yq {

// How long Identify lets the start page load before it looks for the
// elements: at least the floor (messages are dispatched meanwhile), then
// until the page reports it has loaded, at most the ceiling.
inline constexpr unsigned kIdentifyWaitFloorMs = 500;
inline constexpr unsigned kIdentifyWaitCeilingMs = 3000;

// The window: made once at main window creation and owned by the main window.
class IdentifyPage {
  public:
    // Makes the hidden web page window (670 x 501, owned by `owner`, holding
    // its browser at (0, 0), 664 x 472) and wires `button` to Identify.
    // `start_page` is the identification site's root page.
    IdentifyPage(HWND owner, HWND button, std::string start_page);
    IdentifyPage(const IdentifyPage&) = delete;
    IdentifyPage& operator=(const IdentifyPage&) = delete;

    HWND window() const { return window_; }

  private:
    const std::string start_page_;
    HWND window_ = nullptr;
    HWND view_ = nullptr;
};

// Identify as the button runs it, on any view: navigate to `start_page`,
// wait, click "uploaded_file" then "forward" in the document when the
// document's address is of the start page's origin, then `show`.
void identify(win::WebView& view, const std::string& start_page, const std::function<void()>& show);

}  // namespace yq
