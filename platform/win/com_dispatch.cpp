#include "platform/win/com_dispatch.h"

#include "base/text.h"

namespace yq::win {

HRESULT invoke(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* args, UINT count,
               VARIANT* result) {
    if (!object) return E_POINTER;
    DISPID id;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    DISPPARAMS params{args, nullptr, count, 0};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr,
                          nullptr);
}

VARIANT bstr_variant(const std::string& gbk) {
    std::u16string text = gbk_to_utf16(gbk);
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                  static_cast<UINT>(text.size()));
    return v;
}

}  // namespace yq::win
