#include "tools/win/identify_page.h"

#include "platform/web/navigation_rule.h"
#include "platform/win/controls.h"
#include "platform/win/ui_thread.h"

namespace yq {
namespace {

constexpr int kViewId = 1;  // the window's browser

LRESULT CALLBACK window_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLOSE) {
        // The window, its browser and the page stay for the next Identify.
        ShowWindow(w, SW_HIDE);
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

// Dispatches messages until `ms` have passed since `start`.
void dispatch_until(DWORD start, unsigned ms) {
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= ms) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - waited, QS_ALLINPUT);
        win::pump_pending_messages();
    }
}

// Shows the window, centred on the main window when it was hidden.
void show_window(HWND w) {
    if (!IsWindowVisible(w)) {
        RECT owner, own;
        GetWindowRect(GetWindow(w, GW_OWNER), &owner);
        GetWindowRect(w, &own);
        const int x = (owner.left + owner.right - (own.right - own.left)) / 2;
        const int y = (owner.top + owner.bottom - (own.bottom - own.top)) / 2;
        SetWindowPos(w, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(w, SW_SHOW);
}

}  // namespace

void identify(win::WebView& view, const std::string& start_page,
              const std::function<void()>& show) {
    view.navigate(start_page);
    const DWORD start = GetTickCount();
    dispatch_until(start, kIdentifyWaitFloorMs);
    while (!view.loaded() && GetTickCount() - start < kIdentifyWaitCeilingMs)
        dispatch_until(GetTickCount(), 50);
    {
        std::unique_ptr<win::WebDocument> document = view.document();
        // Only the site's own page is clicked: a page that has ended up
        // elsewhere (a redirect, a script) is never sent the user's picture.
        if (NavigationRule(start_page).on_origin(document->address())) {
            // On the site's upload input this opens the file chooser and
            // returns when the user has chosen; the form is then sent.
            document->element_by_id("uploaded_file")->click();
            document->element_by_id("forward")->click();
        }
    }
    show();
}

IdentifyPage::IdentifyPage(HWND owner, HWND button, std::string start_page)
    : start_page_(std::move(start_page)) {
    constexpr char kClass[] = "YqWebPage";
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    win::register_window_class(instance, kClass, window_proc, LoadCursor(nullptr, IDC_ARROW),
                               reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    window_ =
        CreateWindowExA(0, kClass, "字体识别", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                        CW_USEDEFAULT, CW_USEDEFAULT, 670, 501, owner, nullptr, instance, nullptr);
    view_ = win::create_web_view(window_, kViewId, 0, 0, 664, 472, start_page_);
    win::on_click(button, [this] {
        win::WebView* view = win::web_view_of(view_);
        if (view) identify(*view, start_page_, [this] { show_window(window_); });
    });
}

}  // namespace yq
