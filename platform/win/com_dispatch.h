// Late-bound COM calls (IDispatch by member name), for the system objects
// the program drives: XMLHTTP, the web browser's document.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace yq::win {

// Calls the member `name` of `object` (flags: DISPATCH_METHOD,
// DISPATCH_PROPERTYGET, ...) with `count` arguments given in reverse order,
// as IDispatch wants them. `result` may be null.
HRESULT invoke(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* args, UINT count,
               VARIANT* result);

// A BSTR variant holding the GBK text (the caller clears it).
VARIANT bstr_variant(const std::string& gbk);

}  // namespace yq::win
