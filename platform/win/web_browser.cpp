#include "platform/win/web_browser.h"

#include <exdisp.h>
#include <exdispid.h>
#include <ole2.h>

#include "base/text.h"
#include "platform/web/navigation_rule.h"
#include "platform/win/controls.h"
#include "platform/win/com_dispatch.h"
#include "platform/win/shell.h"

namespace yq::win {
namespace {

const char kWebClass[] = "YqWebView";

template <typename T>
struct ComRelease {
    void operator()(T* p) const { p->Release(); }
};
template <typename T>
using Com = std::unique_ptr<T, ComRelease<T>>;

class EmptyElement : public WebElement {
  public:
    void click() override {}
};

class DispatchElement : public WebElement {
  public:
    explicit DispatchElement(IDispatch* element) : element_(element) {}
    void click() override {
        invoke(element_.get(), L"click", DISPATCH_METHOD, nullptr, 0, nullptr);
    }

  private:
    Com<IDispatch> element_;
};

// The text of a BSTR as UTF-8 (addresses are ASCII; the rule escapes the rest).
std::string bstr_text(BSTR text) {
    if (!text) return {};
    return utf16_to_utf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(text), SysStringLen(text)));
}

class EmptyDocument : public WebDocument {
  public:
    std::string address() override { return {}; }
    std::unique_ptr<WebElement> element_by_id(const std::string&) override {
        return std::make_unique<EmptyElement>();
    }
};

// The HTML document through its own IDispatch: getElementById by name.
class DispatchDocument : public WebDocument {
  public:
    explicit DispatchDocument(IDispatch* document) : document_(document) {}
    std::string address() override {
        VARIANT result;
        VariantInit(&result);
        std::string text;
        if (SUCCEEDED(invoke(document_.get(), L"URL", DISPATCH_PROPERTYGET, nullptr, 0, &result)) &&
            result.vt == VT_BSTR)
            text = bstr_text(result.bstrVal);
        VariantClear(&result);
        return text;
    }
    std::unique_ptr<WebElement> element_by_id(const std::string& id) override {
        VARIANT arg = bstr_variant(id), result;
        VariantInit(&result);
        HRESULT hr = invoke(document_.get(), L"getElementById", DISPATCH_METHOD, &arg, 1, &result);
        VariantClear(&arg);
        if (SUCCEEDED(hr) && result.vt == VT_DISPATCH && result.pdispVal) {
            IDispatch* element = result.pdispVal;  // the reference moves to the element
            return std::make_unique<DispatchElement>(element);
        }
        VariantClear(&result);
        return std::make_unique<EmptyElement>();
    }

  private:
    Com<IDispatch> document_;
};

// An argument of an event, seen through its VT_BYREF|VT_VARIANT wrappings
// (PostData comes wrapped twice).
const VARIANT& value_of(const VARIANT& arg) {
    const VARIANT* v = &arg;
    for (int depth = 0; depth < 4 && v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal; ++depth)
        v = v->pvarVal;
    return *v;
}

std::string text_of(const VARIANT& arg) {
    const VARIANT& v = value_of(arg);
    if (v.vt == VT_BSTR) return bstr_text(v.bstrVal);
    if (v.vt == (VT_BYREF | VT_BSTR) && v.pbstrVal) return bstr_text(*v.pbstrVal);
    return {};
}

IDispatch* dispatch_of(const VARIANT& arg) {
    const VARIANT& v = value_of(arg);
    if (v.vt == VT_DISPATCH) return v.pdispVal;
    if (v.vt == (VT_BYREF | VT_DISPATCH) && v.ppdispVal) return *v.ppdispVal;
    return nullptr;
}

// PostData: no value, or an empty byte array, is a plain GET; anything
// else counts as data sent.
bool carries_data(const VARIANT& arg) {
    const VARIANT& v = value_of(arg);
    if (v.vt == VT_EMPTY || v.vt == VT_NULL || v.vt == VT_ERROR) return false;
    if (v.vt == (VT_ARRAY | VT_UI1)) {
        LONG low = 0, high = -1;
        if (!v.parray || SafeArrayGetDim(v.parray) != 1) return v.parray != nullptr;
        SafeArrayGetLBound(v.parray, 1, &low);
        SafeArrayGetUBound(v.parray, 1, &high);
        return high >= low;
    }
    return true;
}

// Sets every by-reference VARIANT_BOOL argument to true. In the events
// handled here the only one is Cancel, so this cancels even when the other
// arguments are not what they should be.
void cancel(const DISPPARAMS& params) {
    for (UINT i = 0; params.rgvarg && i < params.cArgs; ++i)
        if (params.rgvarg[i].vt == (VT_BYREF | VT_BOOL) && params.rgvarg[i].pboolVal)
            *params.rgvarg[i].pboolVal = VARIANT_TRUE;
}

// DWebBrowserEvents2, as far as navigations and new windows go. Arguments
// arrive last first: BeforeNavigate2 (pDisp, URL, Flags, TargetFrameName,
// PostData, Headers, Cancel) is rgvarg[6] .. rgvarg[0]; NewWindow3 (ppDisp,
// Cancel, dwFlags, bstrUrlContext, bstrUrl) is rgvarg[4] .. rgvarg[0].
class NavigationSink final : public IDispatch {
  public:
    NavigationSink(const std::string& home_page, IUnknown* top, NavigationHooks hooks)
        : rule_(home_page), top_(top), hooks_(std::move(hooks)) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    // IDispatch: events come by DISPID only.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        if (id != DISPID_BEFORENAVIGATE2 && id != DISPID_NEWWINDOW2 && id != DISPID_NEWWINDOW3)
            return S_OK;
        if (!params) return E_INVALIDARG;
        const DISPPARAMS& p = *params;
        if (id == DISPID_BEFORENAVIGATE2) {
            if (p.cArgs != 7 || !p.rgvarg) {
                cancel(p);
                return S_OK;
            }
            const NavigationKind kind =
                is_top(dispatch_of(p.rgvarg[6])) ? NavigationKind::Page : NavigationKind::Frame;
            NavigationDecision d =
                rule_.decide(text_of(p.rgvarg[5]), kind, carries_data(p.rgvarg[2]));
            if (d.verdict == NavigationVerdict::Load) return S_OK;
            cancel(p);
            if (d.verdict == NavigationVerdict::OpenOutside) let_out(d.outside_address);
            return S_OK;
        }
        // The view never opens a window of its own.
        cancel(p);
        if (id == DISPID_NEWWINDOW3 && p.cArgs == 5 && p.rgvarg) {
            NavigationDecision d =
                rule_.decide(text_of(p.rgvarg[0]), NavigationKind::NewWindow, false);
            if (d.verdict == NavigationVerdict::OpenOutside) let_out(d.outside_address);
        }
        return S_OK;
    }

  private:
    bool is_top(IDispatch* page) const {
        if (!page || !top_) return false;
        IUnknown* identity = nullptr;
        if (FAILED(page->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity))))
            return false;
        identity->Release();
        return identity == top_;
    }

    void let_out(const std::string& address) {
        if (hooks_.user_acted && hooks_.user_acted() && hooks_.open_outside)
            hooks_.open_outside(address);
    }

    NavigationRule rule_;
    IUnknown* top_;  // the control's identity, compared only (it holds this sink)
    NavigationHooks hooks_;
    ULONG refs_ = 1;
};

// The OLE site the control is embedded in: the host window is the in-place
// window and the frame; everything else is declined.
class Site final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
  public:
    explicit Site(HWND host) : host_(host) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
            *out = static_cast<IOleClientSite*>(this);
        } else if (iid == IID_IOleInPlaceSite || iid == IID_IOleWindow) {
            *out = static_cast<IOleInPlaceSite*>(this);
        } else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow) {
            *out = static_cast<IOleInPlaceFrame*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override {
        *c = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (of the site and of the frame)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override {
        *w = host_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                               LPRECT position, LPRECT clip,
                                               LPOLEINPLACEFRAMEINFO info) override {
        *frame = this;
        AddRef();
        *doc = nullptr;
        GetClientRect(host_, position);
        GetClientRect(host_, clip);
        info->fMDIApp = FALSE;
        info->hwndFrame = host_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow, IOleInPlaceFrame
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  private:
    HWND host_;
    ULONG refs_ = 1;
};

// The latest click, or key that follows a link (Enter, Space), in a window
// of the UI thread, seen as it is taken from the queue, before the control
// handles it. Mouse moves and typing do not count: a page must not get a
// window of the user's browser for them.
struct Gesture {
    HWND window = nullptr;
    DWORD time = 0;
};
Gesture g_gesture;

LRESULT CALLBACK watch_gestures(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && wp == PM_REMOVE) {
        const MSG& m = *reinterpret_cast<const MSG*>(lp);
        const bool click = m.message == WM_LBUTTONUP || m.message == WM_MBUTTONUP;
        const bool key = m.message == WM_KEYDOWN && (m.wParam == VK_RETURN || m.wParam == VK_SPACE);
        if (click || key) g_gesture = {m.hwnd, m.time};
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

// The hooks a view takes when its creator leaves them empty.
NavigationHooks with_defaults(NavigationHooks hooks, HWND host) {
    if (!hooks.open_outside)
        hooks.open_outside = [](const std::string& address) { open_in_shell(address); };
    if (!hooks.user_acted) {
        auto gate = std::make_shared<GestureGate>();
        hooks.user_acted = [host, gate] {
            const Gesture g = g_gesture;
            return g.window && (g.window == host || IsChild(host, g.window)) &&
                   gate->admit(g.time, GetTickCount());
        };
    }
    return hooks;
}

struct ViewParams {
    std::string home_page;
    NavigationHooks hooks;
};

// The control in its host window. A control that could not be made, or
// whose navigations cannot be watched, leaves a blank window whose
// document is always empty.
class Browser : public WebView {
  public:
    Browser(HWND host, const ViewParams& params) {
        site_ = new Site(host);
        IOleObject* object = nullptr;
        if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                    reinterpret_cast<void**>(&object)))) {
            return;
        }
        object_.reset(object);
        RECT r;
        GetClientRect(host, &r);
        IWebBrowser2* browser = nullptr;
        if (FAILED(object->SetClientSite(static_cast<IOleClientSite*>(site_))) ||
            FAILED(OleSetContainedObject(object, TRUE)) ||
            FAILED(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                                  static_cast<IOleClientSite*>(site_), 0, host, &r)) ||
            FAILED(object->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser)))) {
            return;
        }
        Com<IWebBrowser2> held(browser);
        if (!watch_navigations(params, host)) return;
        browser_ = std::move(held);
        browser_->put_Silent(VARIANT_TRUE);  // script errors are not the user's business
    }

    ~Browser() override {
        if (events_) events_->Unadvise(cookie_);
        events_.reset();
        browser_.reset();
        if (object_) {
            object_->Close(OLECLOSE_NOSAVE);
            object_->SetClientSite(nullptr);
            object_.reset();
        }
        site_->Release();
    }

    void navigate(const std::string& url) override {
        if (!browser_) return;
        VARIANT address = bstr_variant(url), empty;
        VariantInit(&empty);
        browser_->Navigate2(&address, &empty, &empty, &empty, &empty);
        VariantClear(&address);
    }

    bool loaded() override {
        READYSTATE state = READYSTATE_UNINITIALIZED;
        return browser_ && SUCCEEDED(browser_->get_ReadyState(&state)) &&
               state == READYSTATE_COMPLETE;
    }

    std::unique_ptr<WebDocument> document() override {
        IDispatch* document = nullptr;
        if (browser_ && SUCCEEDED(browser_->get_Document(&document)) && document)
            return std::make_unique<DispatchDocument>(document);
        return std::make_unique<EmptyDocument>();
    }

    void resize(int w, int h) {
        IOleInPlaceObject* place = nullptr;
        if (!object_ || FAILED(object_->QueryInterface(IID_IOleInPlaceObject,
                                                       reinterpret_cast<void**>(&place))))
            return;
        RECT r{0, 0, w, h};
        place->SetObjectRects(&r, &r);
        place->Release();
    }

  private:
    // Connects the navigation sink to the control's DWebBrowserEvents2.
    bool watch_navigations(const ViewParams& params, HWND host) {
        IUnknown* identity = nullptr;
        IConnectionPointContainer* container = nullptr;
        IConnectionPoint* point = nullptr;
        if (FAILED(object_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity))))
            return false;
        identity->Release();  // the object outlives the sink's use of it
        if (FAILED(object_->QueryInterface(IID_IConnectionPointContainer,
                                           reinterpret_cast<void**>(&container))))
            return false;
        const HRESULT found = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point);
        container->Release();
        if (FAILED(found) || !point) return false;
        Com<IConnectionPoint> held(point);
        Com<IDispatch> sink(
            make_navigation_sink(params.home_page, identity, with_defaults(params.hooks, host)));
        if (FAILED(point->Advise(sink.get(), &cookie_))) return false;
        events_ = std::move(held);
        return true;
    }

    Site* site_ = nullptr;
    Com<IOleObject> object_;
    Com<IWebBrowser2> browser_;
    Com<IConnectionPoint> events_;
    DWORD cookie_ = 0;
};

LRESULT CALLBACK web_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* browser = reinterpret_cast<Browser*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    switch (msg) {
        case WM_CREATE: {
            const auto* params = static_cast<const ViewParams*>(
                reinterpret_cast<const CREATESTRUCTA*>(lp)->lpCreateParams);
            SetWindowLongPtrA(w, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(new Browser(w, *params)));
            return 0;
        }
        case WM_SIZE:
            if (browser) browser->resize(LOWORD(lp), HIWORD(lp));
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrA(w, GWLP_USERDATA, 0);
            delete browser;
            break;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

void register_web_class() {
    static bool done = false;
    if (done) return;
    done = true;
    register_window_class(GetModuleHandleA(nullptr), kWebClass, web_proc,
                          LoadCursor(nullptr, IDC_ARROW),
                          reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    // Views live on the UI thread, which makes the first of them.
    SetWindowsHookExA(WH_GETMESSAGE, watch_gestures, nullptr, GetCurrentThreadId());
}

}  // namespace

HWND create_web_view(HWND parent, int id, int x, int y, int w, int h, const std::string& home_page,
                     NavigationHooks hooks) {
    register_web_class();
    ViewParams params{home_page, std::move(hooks)};
    return CreateWindowExA(0, kWebClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y, w, h,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), &params);
}

WebView* web_view_of(HWND view) {
    char cls[32] = "";
    GetClassNameA(view, cls, sizeof cls);
    if (std::string(cls) != kWebClass) return nullptr;
    return reinterpret_cast<Browser*>(GetWindowLongPtrA(view, GWLP_USERDATA));
}

void web_view_navigate(HWND view, const std::string& address) {
    if (WebView* v = web_view_of(view)) v->navigate(address);
}

IDispatch* make_navigation_sink(const std::string& home_page, IUnknown* top,
                                NavigationHooks hooks) {
    return new NavigationSink(home_page, top, std::move(hooks));
}

}  // namespace yq::win
