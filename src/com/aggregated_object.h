// The aggregated form of a class: made when a creator passes a controlling outer object.
//
// The object's own IUnknown (the one the outer object holds) counts references and answers
// IUnknown with itself and every other interface from the contained part. The contained
// part is T with its IUnknown methods sent to the controlling outer object, so that every
// interface pointer a client holds keeps the whole aggregate alive through the outer object.
#pragma once

#include <new>

#include "com/module_lock.h"
#include "util/platform.h"

namespace tavlin {

template <class T> class AggregatedObject final : public IUnknown {
public:
    // A new aggregate with a count of 0, or null when memory is short.
    static AggregatedObject *create(IUnknown *outer) { return new (std::nothrow) AggregatedObject(outer); }
    ~AggregatedObject() { module_unlock(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = static_cast<IUnknown *>(this);
            AddRef();
            return S_OK;
        }
        *out = contained_.interface_for(iid);
        if (!*out) return E_NOINTERFACE;
        contained_.AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&count_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG count = InterlockedDecrement(&count_);
        if (count == 0) delete this;
        return count;
    }

    T &contained() { return contained_; }

private:
    class Contained final : public T {
    public:
        Contained(IUnknown *controlling, IUnknown *aggregate) : controlling_(controlling), aggregate_(aggregate) {}

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
        {
            HRESULT hr = controlling_->QueryInterface(iid, out);
            if (FAILED(hr) && controlling_ != aggregate_ && out) {
                *out = this->interface_for(iid);
                if (!*out) return hr;
                AddRef();
                hr = S_OK;
            }
            return hr;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return controlling_->AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return controlling_->Release(); }

    private:
        IUnknown *controlling_;
        IUnknown *aggregate_;
    };

    explicit AggregatedObject(IUnknown *outer) : contained_(outer, this) { module_lock(); }

    LONG volatile count_ = 0;
    Contained contained_;
};

}  // namespace tavlin
