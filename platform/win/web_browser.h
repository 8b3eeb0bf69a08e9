// The system's web browser control ("Shell.Explorer", IWebBrowser2) hosted
// in a child window through a minimal OLE site, behind the few operations
// the program's pages use: navigate, the current document, an element by
// its id, a click. Pages drive the WebView interface, so a test can give
// them a stand-in document. UI thread only (a single-threaded apartment).
//
// Under Wine here there is no HTML engine: navigation fetches the address,
// but no document ever appears, and the control draws nothing.
#pragma once

#include <windows.h>

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

// A child window of `parent` holding the browser control (a plain window
// that stays blank when the control cannot be made). Its WebView lives as
// long as the window.
HWND create_web_view(HWND parent, int id, int x, int y, int w, int h, const char* address);
WebView* web_view_of(HWND view);
void web_view_navigate(HWND view, const std::string& address);

}  // namespace yq::win
