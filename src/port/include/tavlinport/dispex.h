// dispex.h's subset: IDispatchEx, the dispatch interface of script engines' own objects
// (a JScript array answers it, with its elements as members "0", "1", ...).
#pragma once

#include "oaidl.h"

#define fdexNameCaseSensitive 0x00000001L
#define fdexNameCaseInsensitive 0x00000008L
// GetNextDispID: the members for...in lists, from the start of the enumeration.
#define fdexEnumDefault 0x00000001L
#define DISPID_STARTENUM DISPID_UNKNOWN

struct IServiceProvider : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void **object) = 0;
};

struct IDispatchEx : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetDispID(BSTR name, DWORD flags, DISPID *dispid) = 0;
    virtual HRESULT STDMETHODCALLTYPE InvokeEx(DISPID dispid, LCID lcid, WORD flags, DISPPARAMS *params,
                                               VARIANT *result, EXCEPINFO *excep_info, IServiceProvider *caller) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteMemberByName(BSTR name, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteMemberByDispID(DISPID dispid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMemberProperties(DISPID dispid, DWORD wanted, DWORD *properties) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMemberName(DISPID dispid, BSTR *name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNextDispID(DWORD flags, DISPID dispid, DISPID *next) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNameSpaceParent(IUnknown **parent) = 0;
};

extern "C" const IID IID_IDispatchEx;
