// A test double of the utility interface, for calling through type information without a
// Java VM: newInstance records the class name and answers as the test sets it up.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "com/interfaces.h"
#include "com_holders.h"

namespace com_test {

class RecordingUtil final : public tavlin::ITavlinUtil {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        bool known =
            IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, tavlin::IID_ITavlinUtil);
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
        ++calls;
        class_name = tavlin_test::narrow(classname);
        if (FAILED(result)) {
            if (!error_description.empty()) leave_error_object();
            return result;
        }
        returned->AddRef();
        *proxy = returned;
        return result;
    }

    // Left in the thread's error object by a failing newInstance, when not empty.
    std::u16string error_description;
    std::u16string error_source;

    ULONG references = 1;
    int calls = 0;
    std::string class_name;
    HRESULT result = S_OK;
    IDispatch *returned = this;

private:
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
};

}  // namespace com_test
