#include "client.h"

#include <vector>

namespace tavlin_test {

namespace {
const IID kNullIid = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
}

ComPtr<ITavlinUtil> create_util()
{
    ComPtr<IClassFactory> factory;
    ComPtr<ITavlinUtil> util;
    if (FAILED(DllGetClassObject(CLSID_TavlinUtil, IID_IClassFactory, factory.put_void()))) return util;
    factory->CreateInstance(nullptr, IID_ITavlinUtil, util.put_void());
    return util;
}

HRESULT new_instance(const char *class_name, ComPtr<IDispatch> &proxy)
{
    ComPtr<ITavlinUtil> util = create_util();
    if (!util) return E_FAIL;
    tavlin::OleString name = wide(class_name);
    ScopedBstr bstr(name.c_str());
    return util->newInstance(bstr.get(), proxy.put());
}

ComPtr<IDispatch> make(const char *class_name)
{
    ComPtr<IDispatch> proxy;
    new_instance(class_name, proxy);
    return proxy;
}

ComPtr<ITavlinUtil2> create_util2()
{
    ComPtr<ITavlinUtil2> util;
    ComPtr<ITavlinUtil> first = create_util();
    if (first) first->QueryInterface(IID_ITavlinUtil2, util.put_void());
    return util;
}

HRESULT new_object(const char *class_name, const std::vector<const VARIANT *> &args, ComPtr<IDispatch> &proxy)
{
    ComPtr<ITavlinUtil2> util = create_util2();
    if (!util) return E_FAIL;
    tavlin::SafeArrayHolder packed(SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(args.size())));
    if (!packed) return E_OUTOFMEMORY;
    LONG index = 0;
    for (const VARIANT *arg : args) {
        SafeArrayPutElement(packed.get(), &index, const_cast<VARIANT *>(arg));
        ++index;
    }
    ScopedBstr name(wide(class_name).c_str());
    return util->newObject(name.get(), packed.get(), proxy.put());
}

HRESULT statics(const char *class_name, ComPtr<IDispatch> &proxy)
{
    ComPtr<ITavlinUtil2> util = create_util2();
    if (!util) return E_FAIL;
    ScopedBstr name(wide(class_name).c_str());
    return util->statics(name.get(), proxy.put());
}

HRESULT implement(const char *interface_names, IDispatch *object, ComPtr<IDispatch> &proxy)
{
    ComPtr<ITavlinUtil2> util = create_util2();
    if (!util) return E_FAIL;
    ScopedBstr names(wide(interface_names).c_str());
    return util->implement(names.get(), object, proxy.put());
}

DISPID dispid_of(IDispatch *object, const char *name)
{
    tavlin::OleString text = wide(name);
    LPOLESTR names[] = {&text[0]};
    DISPID dispid = DISPID_UNKNOWN;
    if (FAILED(object->GetIDsOfNames(IID_IDispatch, names, 1, LOCALE_USER_DEFAULT, &dispid))) return DISPID_UNKNOWN;
    return dispid;
}

namespace {

CallResult invoke(IDispatch *object, DISPID dispid, WORD flags, DISPPARAMS &params)
{
    EXCEPINFO info = {};
    CallResult result;
    result.hr =
        object->Invoke(dispid, kNullIid, LOCALE_USER_DEFAULT, flags, &params, result.value.get(), &info, nullptr);
    result.code = info.wCode;
    result.scode = info.scode;
    result.description = narrow(info.bstrDescription);
    result.has_source = info.bstrSource != nullptr;
    result.source = narrow(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    return result;
}

}  // namespace

CallResult call(IDispatch *object, DISPID dispid, const std::vector<const VARIANT *> &args)
{
    std::vector<VARIANT> reversed(args.size());
    size_t i = args.size();
    for (const VARIANT *arg : args) reversed[--i] = *arg;  // shallow: the caller keeps ownership
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    return invoke(object, dispid, DISPATCH_METHOD, params);
}

CallResult get(IDispatch *object, DISPID dispid)
{
    DISPPARAMS params = {nullptr, nullptr, 0, 0};
    return invoke(object, dispid, DISPATCH_PROPERTYGET, params);
}

CallResult get(IDispatch *object, const char *name) { return get(object, dispid_of(object, name)); }

CallResult put(IDispatch *object, const char *name, const VARIANT &value, WORD flags)
{
    VARIANT shallow = value;  // the caller keeps ownership
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&shallow, &named, 1, 1};
    return invoke(object, dispid_of(object, name), flags, params);
}

CallResult call(IDispatch *object, const char *method, const std::vector<const VARIANT *> &args)
{
    return call(object, dispid_of(object, method), args);
}

std::string text_of(const CallResult &result)
{
    return result.value.type() == VT_BSTR ? narrow(result.value->bstrVal) : std::string("<not a string>");
}

ErrorObject taken_error()
{
    ErrorObject taken;
    ComPtr<IErrorInfo> info;
    taken.hr = GetErrorInfo(0, info.put());
    if (taken.hr != S_OK) return taken;
    ScopedBstr description, source;
    info->GetGUID(&taken.guid);
    info->GetDescription(description.put());
    info->GetSource(source.put());
    taken.description = narrow(description.get());
    taken.has_source = source.get() != nullptr;
    taken.source = narrow(source.get());
    return taken;
}

}  // namespace tavlin_test
