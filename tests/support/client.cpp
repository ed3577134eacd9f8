#include "client.h"

#include <vector>

namespace tavlin_test {

namespace {
const IID kNullIid = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
}

ComPtr<tavlin::ITavlinUtil> create_util()
{
    ComPtr<IClassFactory> factory;
    ComPtr<tavlin::ITavlinUtil> util;
    if (FAILED(DllGetClassObject(tavlin::CLSID_TavlinUtil, IID_IClassFactory, factory.put_void()))) return util;
    factory->CreateInstance(nullptr, tavlin::IID_ITavlinUtil, util.put_void());
    return util;
}

HRESULT new_instance(const char *class_name, ComPtr<IDispatch> &proxy)
{
    ComPtr<tavlin::ITavlinUtil> util = create_util();
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

DISPID dispid_of(IDispatch *object, const char *name)
{
    tavlin::OleString text = wide(name);
    LPOLESTR names[] = {&text[0]};
    DISPID dispid = 0;
    if (FAILED(object->GetIDsOfNames(IID_IDispatch, names, 1, LOCALE_USER_DEFAULT, &dispid))) return 0;
    return dispid;
}

CallResult call(IDispatch *object, DISPID dispid, std::initializer_list<const VARIANT *> args)
{
    std::vector<VARIANT> reversed(args.size());
    size_t i = args.size();
    for (const VARIANT *arg : args) reversed[--i] = *arg;  // shallow: the caller keeps ownership
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO info = {};
    CallResult result;
    result.hr = object->Invoke(dispid, kNullIid, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.value.get(),
                               &info, nullptr);
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

CallResult call(IDispatch *object, const char *method, std::initializer_list<const VARIANT *> args)
{
    return call(object, dispid_of(object, method), args);
}

std::string text_of(const CallResult &result)
{
    return result.value.type() == VT_BSTR ? narrow(result.value->bstrVal) : std::string("<not a string>");
}

}  // namespace tavlin_test
