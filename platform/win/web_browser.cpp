#include "platform/win/web_browser.h"

#include <exdisp.h>
#include <ole2.h>

#include "platform/win/com_dispatch.h"

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
    void click() override { invoke(element_.get(), L"click", DISPATCH_METHOD, nullptr, 0, nullptr); }

  private:
    Com<IDispatch> element_;
};

class EmptyDocument : public WebDocument {
  public:
    std::unique_ptr<WebElement> element_by_id(const std::string&) override {
        return std::make_unique<EmptyElement>();
    }
};

// The HTML document through its own IDispatch: getElementById by name.
class DispatchDocument : public WebDocument {
  public:
    explicit DispatchDocument(IDispatch* document) : document_(document) {}
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

// The control in its host window. A control that could not be made leaves
// a blank window whose document is always empty.
class Browser : public WebView {
  public:
    explicit Browser(HWND host) {
        site_ = new Site(host);
        IOleObject* object = nullptr;
        if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IOleObject, reinterpret_cast<void**>(&object)))) {
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
        browser_.reset(browser);
        browser->put_Silent(VARIANT_TRUE);  // script errors are not the user's business
    }

    ~Browser() override {
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
    Site* site_ = nullptr;
    Com<IOleObject> object_;
    Com<IWebBrowser2> browser_;
};

LRESULT CALLBACK web_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* browser = reinterpret_cast<Browser*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    switch (msg) {
        case WM_CREATE:
            SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new Browser(w)));
            return 0;
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
    WNDCLASSA wc{};
    wc.lpfnWndProc = web_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kWebClass;
    RegisterClassA(&wc);
}

}  // namespace

HWND create_web_view(HWND parent, int id, int x, int y, int w, int h, const char* address) {
    register_web_class();
    HWND view = CreateWindowExA(0, kWebClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y, w,
                                h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleA(nullptr), nullptr);
    if (view && address && *address) web_view_navigate(view, address);
    return view;
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

}  // namespace yq::win
