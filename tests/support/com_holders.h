// Scoped holders for the automation values and interfaces that tests pass around.
#pragma once

#include <string>
#include <utility>

#include "util/platform.h"

namespace tavlin_test {

template <class T> class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T *adopted) : ptr_(adopted) {}
    ~ComPtr() { reset(); }
    ComPtr(ComPtr &&other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr &operator=(ComPtr &&other) noexcept
    {
        reset(std::exchange(other.ptr_, nullptr));
        return *this;
    }
    ComPtr(const ComPtr &) = delete;
    ComPtr &operator=(const ComPtr &) = delete;

    T *get() const { return ptr_; }
    T *operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    T **put()
    {
        reset();
        return &ptr_;
    }
    void **put_void() { return reinterpret_cast<void **>(put()); }
    void reset(T *other = nullptr)
    {
        if (ptr_) ptr_->Release();
        ptr_ = other;
    }
    T *detach() { return std::exchange(ptr_, nullptr); }

private:
    T *ptr_ = nullptr;
};

class ScopedBstr {
public:
    ScopedBstr() = default;
    explicit ScopedBstr(const OLECHAR *text) : bstr_(text ? SysAllocString(text) : nullptr) {}
    ScopedBstr(const OLECHAR *text, UINT length) : bstr_(SysAllocStringLen(text, length)) {}
    ~ScopedBstr() { SysFreeString(bstr_); }
    ScopedBstr(const ScopedBstr &) = delete;
    ScopedBstr &operator=(const ScopedBstr &) = delete;

    BSTR get() const { return bstr_; }
    BSTR *put()
    {
        SysFreeString(bstr_);
        bstr_ = nullptr;
        return &bstr_;
    }

private:
    BSTR bstr_ = nullptr;
};

class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&value_); }
    ~ScopedVariant() { VariantClear(&value_); }
    ScopedVariant(const ScopedVariant &) = delete;
    ScopedVariant &operator=(const ScopedVariant &) = delete;

    static ScopedVariant i4(LONG v);
    static ScopedVariant r8(double v);
    static ScopedVariant boolean(bool v);
    static ScopedVariant date(DATE v);
    static ScopedVariant string(const OLECHAR *text);
    static ScopedVariant string(const std::string &utf8);
    static ScopedVariant dispatch(IDispatch *object);  // adds a reference

    VARIANT *get() { return &value_; }
    const VARIANT *get() const { return &value_; }
    VARIANT *operator->() { return &value_; }
    const VARIANT *operator->() const { return &value_; }
    VARTYPE type() const { return value_.vt; }

    ScopedVariant(ScopedVariant &&other) noexcept : value_(other.value_) { VariantInit(&other.value_); }

private:
    VARIANT value_;
};

// UTF-8 <-> UTF-16 for assertions.
tavlin::OleString wide(const std::string &utf8);
std::string narrow(const OLECHAR *text, size_t length);
std::string narrow(BSTR text);

}  // namespace tavlin_test
