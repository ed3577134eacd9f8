#include "com/class_factory.h"

#include <new>

#include "com/module_lock.h"

namespace tavlin {

HRESULT CClassFactory::create(InstanceCreator creator, IUnknown **class_object)
{
    return query_new_object(new (std::nothrow) CClassFactory(creator), IID_IUnknown,
                            reinterpret_cast<void **>(class_object));
}

HRESULT STDMETHODCALLTYPE CClassFactory::QueryInterface(REFIID iid, void **out)
{
    if (!out) return E_POINTER;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactory *>(this);
    AddRef();
    return S_OK;
}

// The count and the module lock change together under the object's lock, so a client's
// hold on the class object and the module lock count never disagree.
ULONG STDMETHODCALLTYPE CClassFactory::AddRef()
{
    EnterCriticalSection(&object_lock_);
    LONG count = InterlockedIncrement(&ref_count_);
    if (count == 2) module_lock();
    LeaveCriticalSection(&object_lock_);
    return count;
}

ULONG STDMETHODCALLTYPE CClassFactory::Release()
{
    EnterCriticalSection(&object_lock_);
    LONG count = InterlockedDecrement(&ref_count_);
    LeaveCriticalSection(&object_lock_);
    if (count == 1) module_unlock();
    if (count == 0) delete this;
    return count;
}

HRESULT STDMETHODCALLTYPE CClassFactory::CreateInstance(IUnknown *outer, REFIID iid, void **object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return creator_(outer, iid, object);
}

HRESULT STDMETHODCALLTYPE CClassFactory::LockServer(BOOL lock)
{
    if (lock) {
        module_lock();
    } else {
        module_unlock();
    }
    return S_OK;
}

}  // namespace tavlin
