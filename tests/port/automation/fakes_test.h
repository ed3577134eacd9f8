// Test doubles for the automation functions: an object that counts its references and
// answers a property get of its default member.
#pragma once

#include <cstring>

#include <tavlinport/windows.h>

namespace oleaut_test {

constexpr GUID kIidIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidIDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Lives on the stack of a test; the count tells whether the code under test balanced its
// AddRef and Release calls.
class CountedDispatch : public IDispatch {
public:
    CountedDispatch() { VariantInit(&value_); }
    ~CountedDispatch() { VariantClear(&value_); }
    CountedDispatch(const CountedDispatch &) = delete;
    CountedDispatch &operator=(const CountedDispatch &) = delete;

    // The value that a property get of DISPID_VALUE answers; empty means "no such member".
    void set_value(const VARIANT &value) { VariantCopy(&value_, &value); }
    ULONG references() const { return references_; }
    int invocations() const { return invocations_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override
    {
        if (riid != kIidIUnknown && riid != kIidIDispatch) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDispatch *>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override
    {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS *params, VARIANT *result,
                                     EXCEPINFO *, UINT *) override
    {
        ++invocations_;
        if (dispid != DISPID_VALUE || !(flags & DISPATCH_PROPERTYGET) || params->cArgs != 0 ||
            V_VT(&value_) == VT_EMPTY)
            return DISP_E_MEMBERNOTFOUND;
        return VariantCopy(result, &value_);
    }

private:
    VARIANT value_;
    ULONG references_ = 1;
    int invocations_ = 0;
};

inline bool same_text(BSTR bstr, const char16_t *text)
{
    const size_t length = std::char_traits<char16_t>::length(text);
    return SysStringLen(bstr) == length && std::memcmp(bstr, text, length * sizeof(char16_t)) == 0;
}

}  // namespace oleaut_test
