#include "tools/win/xml_http.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <memory>
#include <mutex>
#include <thread>

#include "platform/win/com_dispatch.h"

namespace yq {
namespace {

// What the caller and the worker share; the last of them to let go frees it.
struct Request {
    std::string url;
    std::string body;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~Request() { CloseHandle(done); }
};

std::string fetch(const std::string& url) {
    CLSID clsid;
    IDispatch* http = nullptr;
    if (FAILED(CLSIDFromProgID(L"Microsoft.XMLHTTP", &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&http)))) {
        return "";
    }
    std::string body;
    // open(method, url, async): arguments go in reverse order.
    VARIANT open_args[3] = {{}, win::bstr_variant(url), win::bstr_variant("GET")};
    VariantInit(&open_args[0]);
    open_args[0].vt = VT_BOOL;
    open_args[0].boolVal = VARIANT_FALSE;
    VARIANT result;
    VariantInit(&result);
    if (SUCCEEDED(win::invoke(http, L"open", DISPATCH_METHOD, open_args, 3, nullptr)) &&
        SUCCEEDED(win::invoke(http, L"send", DISPATCH_METHOD, nullptr, 0, nullptr)) &&
        SUCCEEDED(win::invoke(http, L"responseBody", DISPATCH_PROPERTYGET, nullptr, 0, &result)) &&
        result.vt == (VT_ARRAY | VT_UI1) && result.parray) {
        SAFEARRAY* bytes = result.parray;
        LONG low = 0, high = -1;
        SafeArrayGetLBound(bytes, 1, &low);
        SafeArrayGetUBound(bytes, 1, &high);
        const size_t n = high >= low ? static_cast<size_t>(high - low + 1) : 0;
        void* data = nullptr;
        if (n > 0 && n <= kMaxPreviewBodyBytes && SUCCEEDED(SafeArrayAccessData(bytes, &data))) {
            body.assign(static_cast<const char*>(data), n);
            SafeArrayUnaccessData(bytes);
        }
    }
    VariantClear(&result);
    VariantClear(&open_args[1]);
    VariantClear(&open_args[2]);
    http->Release();
    return body;
}

}  // namespace

std::string xml_http_get(const std::string& url, unsigned timeout_ms) {
    auto request = std::make_shared<Request>();
    request->url = url;
    std::thread([request] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        request->body = fetch(request->url);
        CoUninitialize();
        SetEvent(request->done);
    }).detach();
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= timeout_ms) return "";
        // Messages sent by other threads (hand-overs) are answered while
        // waiting; input and paint wait, as for a synchronous request.
        DWORD r = MsgWaitForMultipleObjects(1, &request->done, FALSE, timeout_ms - waited,
                                            QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) return std::move(request->body);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace yq
