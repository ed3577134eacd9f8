// An automation object of somebody else's, for tests that hand the bridge objects it did not
// make. It can answer the bridge's published proxy interface too, as a proxy marshalled from
// another apartment does; its memory then holds junk where a proxy keeps its Java object.
#pragma once

#include "com/interfaces.h"
#include "stack_object.h"
#include "util/platform.h"

namespace tavlin_test {

class ForeignDispatch : public StackObject<IDispatch> {
public:
    explicit ForeignDispatch(bool answers_proxy_interface = false) : answers_proxy_(answers_proxy_interface) {}

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *) override
    {
        return E_NOTIMPL;
    }

private:
    bool answers(REFIID iid) const override
    {
        return IsEqualGUID(iid, IID_IDispatch) || (answers_proxy_ && IsEqualGUID(iid, IID_IProxy));
    }

    bool answers_proxy_;
    unsigned char junk_[64] = {0xDE, 0xAD, 0xBE, 0xEF};
};

}  // namespace tavlin_test
