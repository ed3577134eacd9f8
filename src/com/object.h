// The object root shared by the library's COM classes and their plain form.
//
// A class T derives from its interface and ComObjectRoot, and answers QueryInterface's
// question in `void *interface_for(REFIID iid)`: the interface pointer without a new
// reference, or null. ComObject<T> adds reference counting and the module lock unit; the
// aggregated form is in com/aggregated_object.h.
#pragma once

#include <new>
#include <utility>

#include "com/module_lock.h"
#include "util/platform.h"

namespace tavlin {

class ComObjectRoot {
public:
    ComObjectRoot() { InitializeCriticalSection(&object_lock_); }
    ~ComObjectRoot() { DeleteCriticalSection(&object_lock_); }
    ComObjectRoot(const ComObjectRoot &) = delete;
    ComObjectRoot &operator=(const ComObjectRoot &) = delete;

protected:
    LONG volatile ref_count_ = 0;
    CRITICAL_SECTION object_lock_;
};

template <class T> class ComObject final : public T {
public:
    template <class... Args> explicit ComObject(Args &&...args) : T(std::forward<Args>(args)...) { module_lock(); }
    ~ComObject() { module_unlock(); }

    // A new object with a count of 0, or null when memory is short.
    template <class... Args> static ComObject *create(Args &&...args)
    {
        return new (std::nothrow) ComObject(std::forward<Args>(args)...);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!out) return E_POINTER;
        *out = this->interface_for(iid);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&this->ref_count_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG count = InterlockedDecrement(&this->ref_count_);
        if (count == 0) delete this;
        return count;
    }
};

}  // namespace tavlin
