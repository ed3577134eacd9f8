// CTavlinUtil: the utility object (class TavlinUtil). Its IDispatch half is served from the
// registered type library; newInstance and newObject are the bridge's ways in (see
// new_instance.cpp and new_object.cpp), statics its way to a class's static methods, and
// implement puts an automation object behind Java interfaces (implement.cpp).
#pragma once

#include "com/interfaces.h"
#include "com/object.h"

namespace tavlin {

class CTavlinUtil : public ITavlinUtil2, public ISupportErrorInfo, public ComObjectRoot {
public:
    void *interface_for(REFIID iid);

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR *names, UINT count, LCID lcid,
                                            DISPID *dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS *params,
                                     VARIANT *result, EXCEPINFO *excep_info, UINT *arg_err) override;

    HRESULT STDMETHODCALLTYPE newInstance(BSTR classname, IDispatch **proxy) override;
    HRESULT STDMETHODCALLTYPE newObject(BSTR class_name, SAFEARRAY *args, IDispatch **proxy) override;
    HRESULT STDMETHODCALLTYPE statics(BSTR class_name, IDispatch **proxy) override;
    HRESULT STDMETHODCALLTYPE implement(BSTR interface_names, IDispatch *object, IDispatch **proxy) override;

    // The DISPIDs of the members that make a proxy, which Invoke takes itself (new_object.cpp).
    static constexpr DISPID kNewObjectDispid = 2;
    static constexpr DISPID kStaticsDispid = 3;
    static constexpr DISPID kImplementDispid = 4;

private:
    HRESULT invoke_maker(DISPID dispid, WORD flags, DISPPARAMS *params, VARIANT *result, EXCEPINFO *excep_info,
                         UINT *arg_err);
};

}  // namespace tavlin
