// A late-bound call as a C++ client makes it: the member's DISPID by name, then Invoke.
#pragma once

#include <windows.h>

namespace windows_test {

// Calls `method` with at most one argument; the result in `result`, S_OK on success.
inline HRESULT call(IDispatch *object, const wchar_t *method, VARIANT *argument, VARIANT *result)
{
    DISPID dispid = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(method)};
    const IID null_iid = {};
    HRESULT hr = object->GetIDsOfNames(null_iid, names, 1, 0, &dispid);
    if (FAILED(hr)) return hr;
    DISPPARAMS params = {argument, nullptr, argument ? 1u : 0u, 0};
    VariantInit(result);
    return object->Invoke(dispid, null_iid, 0, DISPATCH_METHOD, &params, result, nullptr, nullptr);
}

}  // namespace windows_test
