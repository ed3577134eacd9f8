// AutoVariant: sole owner of one VARIANT (a string, an interface reference or a safe array
// it holds), cleared when the holder ends. Its verbs are those of the UniqueHandle family
// (see unique_handle.h), for a value rather than a handle.
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
    AutoVariant(AutoVariant &&other) noexcept : value_(other.release()) {}
    AutoVariant &operator=(AutoVariant &&other) noexcept
    {
        reset(other.release());
        return *this;
    }
    AutoVariant(const AutoVariant &) = delete;
    AutoVariant &operator=(const AutoVariant &) = delete;

    // Coerces the held value in place.
    HRESULT change_type(VARTYPE type) noexcept { return VariantChangeType(&value_, &value_, 0, type); }

    VARIANT *get() noexcept { return &value_; }
    const VARIANT *get() const noexcept { return &value_; }
    const VARIANT &operator*() const noexcept { return value_; }
    VARIANT *operator->() noexcept { return &value_; }
    const VARIANT *operator->() const noexcept { return &value_; }
    VARTYPE type() const noexcept { return value_.vt; }

    // Gives the value up to the caller, who clears it; the holder is left empty.
    VARIANT release() noexcept
    {
        VARIANT value = value_;
        VariantInit(&value_);
        return value;
    }
    // Clears the held value and owns `value` instead.
    void reset(const VARIANT &value) noexcept
    {
        VariantClear(&value_);
        value_ = value;
    }
    void reset() noexcept { VariantClear(&value_); }
    // Clears the held value and lends the empty VARIANT to a function that fills it.
    VARIANT *put() noexcept
    {
        reset();
        return &value_;
    }

private:
    VARIANT value_;
};

}  // namespace tavlin
