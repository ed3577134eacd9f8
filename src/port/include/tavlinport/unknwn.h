// COM base interfaces and the few ole32 functions the bridge uses. Interfaces are abstract
// classes without destructors, so their virtual tables have COM's slot order.
#pragma once

#include "wintypes.h"

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
typedef IUnknown *LPUNKNOWN;

struct IClassFactory : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID riid, void **object) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;
};

typedef DWORD CLSCTX;
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_ALL 0x17
#define COINIT_APARTMENTTHREADED 0x2
#define COINIT_MULTITHREADED 0x0

// The null identifier: IDispatch's reserved interface argument.
extern "C" const IID IID_NULL;
extern "C" const IID IID_IUnknown;
extern "C" const IID IID_IClassFactory;

TAVLINPORT_API HRESULT CoInitialize(LPVOID reserved);
TAVLINPORT_API HRESULT CoInitializeEx(LPVOID reserved, DWORD co_init);
TAVLINPORT_API void CoUninitialize(void);
// Creates the in-process components that the platform itself provides (the registrar);
// REGDB_E_CLASSNOTREG for any other class.
TAVLINPORT_API HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID riid, LPVOID *object);
TAVLINPORT_API LPVOID CoTaskMemAlloc(SIZE_T size);
TAVLINPORT_API void CoTaskMemFree(LPVOID memory);
TAVLINPORT_API int StringFromGUID2(REFGUID guid, LPOLESTR text, int max_chars);
// A new random identifier (version 4), as ole32's is.
TAVLINPORT_API HRESULT CoCreateGuid(GUID *guid);
TAVLINPORT_API HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid);
