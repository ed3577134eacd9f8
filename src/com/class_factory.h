// The class object of a creatable class. The class map keeps one reference to it; each
// further reference, a client's, holds one unit of the module lock count.
#pragma once

#include "com/instance_creator.h"
#include "com/object.h"

namespace tavlin {

class CClassFactory final : public IClassFactory, public ComObjectRoot {
public:
    // A new class object for `creator`, returned with the one reference the class map keeps.
    static HRESULT create(InstanceCreator creator, IUnknown **class_object);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    explicit CClassFactory(InstanceCreator creator) : creator_(creator) {}

    InstanceCreator creator_;
};

}  // namespace tavlin
