#include "com/module.h"

#include <new>

#include "com/class_factory.h"
#include "com/interfaces.h"

namespace tavlin {

CModule com_module;

void CModule::init(HINSTANCE instance)
{
    instance_ = instance;
    InitializeCriticalSection(&class_map_lock_);
    InitializeCriticalSection(&type_info_lock_);
    cleanups_ = nullptr;
}

void CModule::term()
{
    release_class_objects();
    DeleteCriticalSection(&class_map_lock_);
    DeleteCriticalSection(&type_info_lock_);
    run_cleanups();
}

const GUID &CModule::libid() const { return LIBID_Tavlin; }

ClassEntry *CModule::begin() { return module_classes; }
ClassEntry *CModule::end() { return module_classes + module_class_count; }

HRESULT CModule::get_class_object(REFCLSID clsid, REFIID iid, void **out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    for (ClassEntry &entry : *this) {
        if (!IsEqualCLSID(*entry.clsid, clsid)) continue;
        HRESULT hr = S_OK;
        IUnknown *class_object = class_object_of(entry, &hr);
        return class_object ? class_object->QueryInterface(iid, out) : hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

// The entry's class object, created once: the check is repeated under the lock so that two
// threads never create two class objects for one class.
IUnknown *CModule::class_object_of(ClassEntry &entry, HRESULT *hr)
{
    if (IUnknown *cached = entry.class_object.load(std::memory_order_acquire)) return cached;
    EnterCriticalSection(&class_map_lock_);
    if (!entry.class_object.load(std::memory_order_relaxed)) {
        IUnknown *created = nullptr;
        *hr = CClassFactory::create(entry.creator, &created);
        entry.class_object.store(created, std::memory_order_release);
    }
    LeaveCriticalSection(&class_map_lock_);
    return entry.class_object.load(std::memory_order_acquire);
}

void CModule::release_class_objects()
{
    for (ClassEntry &entry : *this) {
        if (IUnknown *class_object = entry.class_object.exchange(nullptr)) class_object->Release();
    }
}

bool CModule::add_cleanup(CleanupCallback callback, void *argument)
{
    Cleanup *cleanup = new (std::nothrow) Cleanup{callback, argument, nullptr};
    if (!cleanup) return false;
    EnterCriticalSection(&type_info_lock_);
    cleanup->next = cleanups_;
    cleanups_ = cleanup;
    LeaveCriticalSection(&type_info_lock_);
    return true;
}

void CModule::run_cleanups()
{
    while (Cleanup *cleanup = cleanups_) {
        cleanups_ = cleanup->next;
        cleanup->callback(cleanup->argument);
        delete cleanup;
    }
}

}  // namespace tavlin
