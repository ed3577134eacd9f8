// A JScript object as the engine hands one over: an IDispatchEx object whose properties
// for...in lists (GetNextDispID, GetMemberName), with the member every JScript object inherits
// (hasOwnProperty). A property read as a method answers its value: {getTime: t} is a Date.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "com_holders.h"
#include "script_engine_object.h"
#include "util/platform.h"

namespace tavlin_test {

class ScriptObject : public ScriptEngineObject {
public:
    using Properties = std::vector<std::pair<std::string, ScopedVariant>>;

    explicit ScriptObject(Properties properties) : properties_(std::move(properties)) {}

    HRESULT STDMETHODCALLTYPE GetDispID(BSTR name, DWORD, DISPID *dispid) override
    {
        const std::string text = narrow(name);
        if (text == "hasOwnProperty") {
            *dispid = kHasOwnProperty;
            return S_OK;
        }
        for (size_t i = 0; i < properties_.size(); ++i)
            if (properties_[i].first == text) {
                *dispid = kFirstProperty + static_cast<DISPID>(i);
                return S_OK;
            }
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE InvokeEx(DISPID dispid, LCID, WORD, DISPPARAMS *, VARIANT *result, EXCEPINFO *,
                                       IServiceProvider *) override
    {
        const size_t index = static_cast<size_t>(dispid - kFirstProperty);
        if (!result || dispid < kFirstProperty || index >= properties_.size()) return DISP_E_MEMBERNOTFOUND;
        return VariantCopy(result, properties_[index].second.get());
    }
    HRESULT STDMETHODCALLTYPE GetMemberName(DISPID dispid, BSTR *name) override
    {
        const size_t index = static_cast<size_t>(dispid - kFirstProperty);
        if (dispid < kFirstProperty || index >= properties_.size()) return DISP_E_UNKNOWNNAME;
        *name = SysAllocString(wide(properties_[index].first).c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetNextDispID(DWORD, DISPID dispid, DISPID *next) override
    {
        const DISPID following = dispid == DISPID_STARTENUM ? kFirstProperty : dispid + 1;
        if (following < kFirstProperty || following - kFirstProperty >= static_cast<DISPID>(properties_.size()))
            return S_FALSE;
        *next = following;
        return S_OK;
    }

private:
    static constexpr DISPID kHasOwnProperty = 1;
    static constexpr DISPID kFirstProperty = 100;
    Properties properties_;
};

}  // namespace tavlin_test
