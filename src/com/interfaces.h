// The library's own COM interfaces and identifiers, declared once for both platforms (the
// type library, compiled from tavlin.idl, describes the same interfaces to clients).
#pragma once

#include "util/platform.h"

namespace tavlin {

extern "C" const GUID LIBID_Tavlin;
extern "C" const IID IID_ITavlinUtil;
extern "C" const IID IID_ITavlinUtil2;
extern "C" const IID IID_IProxy;
extern "C" const CLSID CLSID_TavlinUtil;
extern "C" const CLSID CLSID_Proxy;

struct ITavlinUtil : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE newInstance(BSTR classname, IDispatch **proxy) = 0;
};

// newObject constructs with the constructor that takes `args` (a one-dimensional safe array of
// VARIANTs in parameter order, null for none; through IDispatch, the arguments after the class
// name); statics gives a proxy for the class itself, to call its static methods; implement gives
// a proxy for a new Java object implementing the named interfaces (comma-separated) whose every
// interface method calls `object`'s member of its name.
struct ITavlinUtil2 : public ITavlinUtil {
    virtual HRESULT STDMETHODCALLTYPE newObject(BSTR class_name, SAFEARRAY *args, IDispatch **proxy) = 0;
    virtual HRESULT STDMETHODCALLTYPE statics(BSTR class_name, IDispatch **proxy) = 0;
    virtual HRESULT STDMETHODCALLTYPE implement(BSTR interface_names, IDispatch *object, IDispatch **proxy) = 0;
};

// A proxy's dispatch interface; it adds nothing to IDispatch, but answering it is how the
// bridge recognises its own proxies among the objects clients pass back.
struct IProxy : public IDispatch {};

}  // namespace tavlin
