// AutoVariant: sole owner of one VARIANT (a string, an interface reference or a safe array
// it holds), cleared when the holder ends.
#pragma once

#include "util/platform.h"

namespace tavlin {

class AutoVariant {
public:
    AutoVariant() noexcept { VariantInit(&value_); }
    // A copy of `source`: a string is duplicated, an interface reference added. A failed
    // copy holds VT_ERROR with the failure code, so that coercing it fails in turn.
    explicit AutoVariant(const VARIANT &source) noexcept : AutoVariant()
    {
        HRESULT status = VariantCopy(&value_, const_cast<VARIANT *>(&source));
        if (FAILED(status)) {
            value_.vt = VT_ERROR;
            value_.scode = status;
        }
    }
    ~AutoVariant() { VariantClear(&value_); }
    AutoVariant(const AutoVariant &) = delete;
    AutoVariant &operator=(const AutoVariant &) = delete;

    // Coerces the held value in place.
    HRESULT change_type(VARTYPE type) noexcept { return VariantChangeType(&value_, &value_, 0, type); }

    VARIANT *get() noexcept { return &value_; }
    const VARIANT &operator*() const noexcept { return value_; }
    const VARIANT *operator->() const noexcept { return &value_; }

private:
    VARIANT value_;
};

}  // namespace tavlin
