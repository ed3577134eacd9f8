// What every script engine object of the tests answers alike: IDispatch's calls passed on to
// IDispatchEx's (a name found case-sensitively, as JScript finds it), and the members of
// IDispatchEx that no test needs. A fake overrides GetDispID and InvokeEx, and may list its
// members (GetMemberName, GetNextDispID).
#pragma once

#include "stack_object.h"
#include "util/platform.h"

namespace tavlin_test {

class ScriptEngineObject : public StackObject<IDispatchEx> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID, DISPID *dispids) override
    {
        return count == 1 ? GetDispID(names[0], fdexNameCaseSensitive, dispids) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID lcid, WORD flags, DISPPARAMS *params, VARIANT *result,
                                     EXCEPINFO *info, UINT *) override
    {
        return InvokeEx(dispid, lcid, flags, params, result, info, nullptr);
    }
    HRESULT STDMETHODCALLTYPE DeleteMemberByName(BSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteMemberByDispID(DISPID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMemberProperties(DISPID, DWORD, DWORD *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMemberName(DISPID, BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNextDispID(DWORD, DISPID, DISPID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNameSpaceParent(IUnknown **) override { return E_NOTIMPL; }

private:
    bool answers(REFIID iid) const override
    {
        return IsEqualGUID(iid, IID_IDispatch) || IsEqualGUID(iid, IID_IDispatchEx);
    }
};

}  // namespace tavlin_test
