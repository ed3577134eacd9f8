// Automation objects for the rows: one whose default member answers a fixed value (or
// fails), and one that is no IDispatch at all. They live as long as the program.
#pragma once

#include <cstring>
#include <string>

#include "conformance.h"

namespace conformance {

constexpr GUID kIidIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidIDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

inline bool same_guid(const GUID &a, const GUID &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class ValueObject final : public IDispatch {
public:
    // Takes over the value; an empty value means that Invoke fails with DISP_E_MEMBERNOTFOUND.
    ValueObject(const std::string &name, const VARIANT &value) : value_(value) { name_object(this, name); }
    ~ValueObject() { VariantClear(&value_); }
    ValueObject(const ValueObject &) = delete;
    ValueObject &operator=(const ValueObject &) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override
    {
        if (!same_guid(riid, kIidIUnknown) && !same_guid(riid, kIidIDispatch)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDispatch *>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
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
        if (dispid != DISPID_VALUE || !(flags & DISPATCH_PROPERTYGET) || !params || params->cArgs ||
            V_VT(&value_) == VT_EMPTY || !result)
            return DISP_E_MEMBERNOTFOUND;
        return VariantCopy(result, &value_);
    }

private:
    VARIANT value_;
};

// Answers only IUnknown.
class PlainObject : public IUnknown {
public:
    explicit PlainObject(const std::string &name) { name_object(this, name); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override
    {
        *object = same_guid(riid, kIidIUnknown) ? static_cast<IUnknown *>(this) : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

}  // namespace conformance
