// The registrar component: runs registry scripts (the "REGISTRY" resources of a module, a
// file or a string) in register or unregister mode. Interface and identifiers as published.
// Windows SDKs declare it in an ATL header that mingw-w64 lacks, so Windows builds use this
// declaration too, over the platform's own IUnknown.
#pragma once

#ifndef _WIN32
#include "unknwn.h"
#endif

struct IRegistrarBase : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AddReplacement(LPCOLESTR key, LPCOLESTR item) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearReplacements() = 0;
};

struct IRegistrar : public IRegistrarBase {
    virtual HRESULT STDMETHODCALLTYPE ResourceRegisterSz(LPCOLESTR resource_file, LPCOLESTR id, LPCOLESTR type) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResourceUnregisterSz(LPCOLESTR resource_file, LPCOLESTR id, LPCOLESTR type) = 0;
    virtual HRESULT STDMETHODCALLTYPE FileRegister(LPCOLESTR file_name) = 0;
    virtual HRESULT STDMETHODCALLTYPE FileUnregister(LPCOLESTR file_name) = 0;
    virtual HRESULT STDMETHODCALLTYPE StringRegister(LPCOLESTR data) = 0;
    virtual HRESULT STDMETHODCALLTYPE StringUnregister(LPCOLESTR data) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResourceRegister(LPCOLESTR resource_file, UINT id, LPCOLESTR type) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResourceUnregister(LPCOLESTR resource_file, UINT id, LPCOLESTR type) = 0;
};

// {44EC053A-400F-11D0-9DCD-00A0C90391D3}
extern "C" const CLSID CLSID_Registrar;
// {44EC053B-400F-11D0-9DCD-00A0C90391D3}
extern "C" const IID IID_IRegistrar;
