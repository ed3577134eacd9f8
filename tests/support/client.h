// Drives the bridge as an automation client does: class objects, newInstance, and
// late-bound calls through GetIDsOfNames and Invoke.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "com/interfaces.h"
#include "com_holders.h"

extern "C" {
HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID *object);
HRESULT DllCanUnloadNow(void);
HRESULT DllRegisterServer(void);
HRESULT DllUnregisterServer(void);
HRESULT DllInstall(BOOL install, LPCWSTR command_line);
}

namespace tavlin_test {

ComPtr<ITavlinUtil> create_util();
// newInstance's HRESULT, with the proxy in `proxy` on success.
HRESULT new_instance(const char *class_name, ComPtr<IDispatch> &proxy);
// newInstance that must succeed.
ComPtr<IDispatch> make(const char *class_name);

// The utility object's second interface: newObject and statics.
ComPtr<ITavlinUtil2> create_util2();
// newObject through the function table, `args` in parameter order packed into a safe array
// of VARIANTs as an early-bound client packs them; the proxy in `proxy` on success.
HRESULT new_object(const char *class_name, const std::vector<const VARIANT *> &args, ComPtr<IDispatch> &proxy);
// statics through the function table.
HRESULT statics(const char *class_name, ComPtr<IDispatch> &proxy);
// implement through the function table: a proxy of a Java object implementing the named
// interfaces by calling `object`.
HRESULT implement(const char *interface_names, IDispatch *object, ComPtr<IDispatch> &proxy);

// The member's DISPID, or DISPID_UNKNOWN when the object knows no such name.
DISPID dispid_of(IDispatch *object, const char *name);

struct CallResult {
    HRESULT hr = E_UNEXPECTED;
    ScopedVariant value;
    WORD code = 0;  // the EXCEPINFO's wCode and scode
    SCODE scode = 0;
    std::string description;  // UTF-8 copy of the EXCEPINFO texts
    std::string source;
    bool has_source = false;
};

// Calls `method` with `args` given in the Java parameter order (they are passed last-first,
// as automation does). Every argument is passed as it is; none is changed.
CallResult call(IDispatch *object, const char *method, const std::vector<const VARIANT *> &args = {});
CallResult call(IDispatch *object, DISPID dispid, const std::vector<const VARIANT *> &args = {});

// Reads a property as a script's `x = object.name` does (DISPATCH_PROPERTYGET, no argument).
CallResult get(IDispatch *object, const char *name);
CallResult get(IDispatch *object, DISPID dispid);
// Writes a property as `object.name = value` does: DISPATCH_PROPERTYPUT (or `flags`, such as
// DISPATCH_PROPERTYPUTREF for `Set object.name = value`), the value named DISPID_PROPERTYPUT.
CallResult put(IDispatch *object, const char *name, const VARIANT &value, WORD flags = DISPATCH_PROPERTYPUT);

// What GetErrorInfo hands over (and so takes from the thread), read whole.
struct ErrorObject {
    HRESULT hr = E_UNEXPECTED;
    GUID guid = {};
    std::string description;
    bool has_source = false;
    std::string source;
};
ErrorObject taken_error();

// The UTF-8 text of a VT_BSTR result.
std::string text_of(const CallResult &result);

}  // namespace tavlin_test
