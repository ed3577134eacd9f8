// A script engine's array as JScript hands one over: an IDispatchEx object with a "length"
// and its elements as the members "0", "1", ... (looked up by name, case-sensitively).
// With `elements_listed` false it has the length but no element members, as a function
// object of that many parameters has; claim_length gives it the length a script's
// `a.length = n` sets, whatever elements it holds.
#pragma once

#include <string>
#include <vector>

#include "com_holders.h"
#include "script_engine_object.h"
#include "util/platform.h"

namespace tavlin_test {

class ScriptArrayObject : public ScriptEngineObject {
public:
    explicit ScriptArrayObject(std::vector<ScopedVariant> elements, bool elements_listed = true)
        : elements_(std::move(elements)), length_(static_cast<LONG>(elements_.size())), listed_(elements_listed)
    {
    }

    void claim_length(LONG length) { length_ = length; }
    void set_element(size_t index, ScopedVariant value) { elements_.at(index) = std::move(value); }

    HRESULT STDMETHODCALLTYPE GetDispID(BSTR name, DWORD, DISPID *dispid) override
    {
        const std::string text = narrow(name);
        if (text == "length") {
            *dispid = kLength;
            return S_OK;
        }
        if (!listed_ || text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
            std::stoul(text) >= elements_.size())
            return DISP_E_UNKNOWNNAME;
        *dispid = kFirstElement + static_cast<DISPID>(std::stoul(text));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InvokeEx(DISPID dispid, LCID, WORD flags, DISPPARAMS *, VARIANT *result, EXCEPINFO *,
                                       IServiceProvider *) override
    {
        if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
        ++reads;
        if (dispid == kLength) {
            result->vt = VT_I4;
            result->lVal = length_;
            return S_OK;
        }
        size_t index = static_cast<size_t>(dispid - kFirstElement);
        if (dispid < kFirstElement || index >= elements_.size()) return DISP_E_MEMBERNOTFOUND;
        return VariantCopy(result, elements_[index].get());
    }

    int reads = 0;

private:
    static constexpr DISPID kLength = 1;
    static constexpr DISPID kFirstElement = 100;
    std::vector<ScopedVariant> elements_;
    LONG length_;
    bool listed_;
};

}  // namespace tavlin_test
