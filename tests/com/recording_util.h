// A test double of the utility interface, for calling through type information without a
// Java VM: each method records the class name (newObject its arguments too, as the array it
// received shows them; implement its object) and answers as the test sets it up.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com/interfaces.h"
#include "com_holders.h"

namespace com_test {

class RecordingUtil final : public ITavlinUtil2 {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        bool known = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
                     IsEqualIID(iid, IID_ITavlinUtil) || IsEqualIID(iid, IID_ITavlinUtil2);
        *out = known ? this : nullptr;
        if (known) AddRef();
        return known ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *) override
    {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE newInstance(BSTR classname, IDispatch **proxy) override
    {
        return answer("newInstance", classname, proxy);
    }
    HRESULT STDMETHODCALLTYPE newObject(BSTR classname, SAFEARRAY *args, IDispatch **proxy) override
    {
        record_arguments(args);
        return answer("newObject", classname, proxy);
    }
    HRESULT STDMETHODCALLTYPE statics(BSTR classname, IDispatch **proxy) override
    {
        return answer("statics", classname, proxy);
    }
    HRESULT STDMETHODCALLTYPE implement(BSTR interface_names, IDispatch *object, IDispatch **proxy) override
    {
        implemented_by = object;
        return answer("implement", interface_names, proxy);
    }

    // What newObject's array held: its shape, and each element as its text ("?" for an
    // element that has none), first element first.
    struct ArrayShape {
        UINT dimensions = 0;
        VARTYPE type = VT_EMPTY;
        LONG lower_bound = -1;
        std::vector<std::string> elements;
    };

    // Left in the thread's error object by a failing call, when not empty.
    std::u16string error_description;
    std::u16string error_source;

    ULONG references = 1;
    int calls = 0;
    std::string method;
    std::string class_name;
    ArrayShape arguments;
    HRESULT result = S_OK;
    IDispatch *returned = this;
    IDispatch *implemented_by = nullptr;  // implement's object, as it arrived

private:
    HRESULT answer(const char *name, BSTR classname, IDispatch **proxy)
    {
        ++calls;
        method = name;
        class_name = tavlin_test::narrow(classname);
        if (FAILED(result)) {
            if (!error_description.empty()) leave_error_object();
            return result;
        }
        returned->AddRef();
        *proxy = returned;
        return result;
    }

    void leave_error_object()
    {
        tavlin::ComPtr<ICreateErrorInfo> create;
        ASSERT_EQ(S_OK, CreateErrorInfo(create.put()));
        create->SetDescription(const_cast<LPOLESTR>(error_description.c_str()));
        create->SetSource(const_cast<LPOLESTR>(error_source.c_str()));
        create->SetHelpContext(7);
        tavlin::ComPtr<IErrorInfo> info;
        ASSERT_EQ(S_OK, create->QueryInterface(IID_IErrorInfo, info.put_void()));
        SetErrorInfo(0, info.get());
    }

    void record_arguments(SAFEARRAY *args)
    {
        arguments = ArrayShape{};
        if (!args) return;
        arguments.dimensions = SafeArrayGetDim(args);
        SafeArrayGetVartype(args, &arguments.type);
        LONG upper = -1;
        SafeArrayGetLBound(args, 1, &arguments.lower_bound);
        SafeArrayGetUBound(args, 1, &upper);
        for (LONG i = arguments.lower_bound; i <= upper; ++i) {
            tavlin_test::ScopedVariant element, text;
            SafeArrayGetElement(args, &i, element.get());
            bool shown = SUCCEEDED(VariantChangeType(text.get(), element.get(), 0, VT_BSTR));
            arguments.elements.push_back(shown ? tavlin_test::narrow(text->bstrVal) : "?");
        }
    }
};

}  // namespace com_test
