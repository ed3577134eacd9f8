// The IUnknown of a test's own COM object that lives on the test's stack: it answers
// IUnknown and the interfaces its class accepts, and counts references without ever deleting
// itself, so that a test reads from the count who still holds the object.
#pragma once

#include <atomic>

#include "util/platform.h"

namespace tavlin_test {

template <class Interface> class StackObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        const bool known = IsEqualIID(iid, IID_IUnknown) || answers(iid);
        *out = known ? static_cast<Interface *>(this) : nullptr;
        if (!known) return E_NOINTERFACE;
        this->AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

    std::atomic<ULONG> references{1};

protected:
    // The interfaces besides IUnknown that the object answers.
    virtual bool answers(REFIID iid) const = 0;
};

}  // namespace tavlin_test
