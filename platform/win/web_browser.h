// The system's web browser control ("Shell.Explorer", IWebBrowser2) hosted
// in a child window through a minimal OLE site, behind the few operations
// the program's pages use: navigate, the current document, an element by
// its id, a click. Pages drive the WebView interface, so a test can give
// them a stand-in document. UI thread only (a single-threaded apartment).
//
// A view keeps to its home page's origin (platform/web/navigation_rule.h):
// it watches the control's navigations (BeforeNavigate2) and window requests
// (NewWindow2, NewWindow3) and cancels what the rule refuses, frames and
// form posts included; it never opens a window. An http(s) page the user
// asked for elsewhere goes to the user's own browser. A control whose
// navigations cannot be watched is not used: the view stays blank.
//
// Under Wine here there is no HTML engine: navigation fetches the address,
// but no document ever appears, and the control draws nothing.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace yq::win {

// An element of a page; an empty one (no such element) does nothing.
class WebElement {
  public:
    virtual ~WebElement() = default;
    virtual void click() = 0;
};

class WebDocument {
  public:
    virtual ~WebDocument() = default;
    // The document's own address; empty when there is no document.
    virtual std::string address() = 0;
    // Never null: an element that is not there is an empty one.
    virtual std::unique_ptr<WebElement> element_by_id(const std::string& id) = 0;
};

class WebView {
  public:
    virtual ~WebView() = default;
    virtual void navigate(const std::string& url) = 0;
    // Whether the page has finished loading.
    virtual bool loaded() = 0;
    // Never null: without a document every element is empty.
    virtual std::unique_ptr<WebDocument> document() = 0;
};

// What a view does with a page it will not load but the user asked for.
// An empty member takes its default.
struct NavigationHooks {
    // Shows an http(s) address (rebuilt by the rule, printable ASCII) in the
    // user's browser. Default: the shell's "open" verb.
    std::function<void(const std::string& address)> open_outside;
    // Whether the user has just followed a link in the view, so that one
    // page may go out. Default: the latest click (or Enter, Space) of the
    // UI thread was in the view and is recent, one page per click
    // (GestureGate).
    std::function<bool()> user_acted;
};

// A child window of `parent` holding the browser control (a plain window
// that stays blank when the control cannot be made), keeping to the origin
// of `home_page`; it loads nothing until it is navigated. Its WebView lives
// as long as the window.
HWND create_web_view(HWND parent, int id, int x, int y, int w, int h, const std::string& home_page,
                     NavigationHooks hooks = {});
WebView* web_view_of(HWND view);
void web_view_navigate(HWND view, const std::string& address);

// The event sink a view connects to its control (DWebBrowserEvents2):
// BeforeNavigate2, NewWindow2 and NewWindow3 are decided by the rule for
// `home_page`, the others ignored. A navigation whose pDisp is `top` (by COM
// identity) is the view's own page, any other a frame. Refusing sets every
// by-reference VARIANT_BOOL argument (the Cancel) to true; a page for the
// user's browser goes to hooks.open_outside when hooks.user_acted() says so.
// Both hooks must be set. The caller owns the one reference returned.
IDispatch* make_navigation_sink(const std::string& home_page, IUnknown* top, NavigationHooks hooks);

}  // namespace yq::win
