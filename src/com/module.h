// The module object: one per process, from process attach to process detach. It knows the
// library's instance handle, keeps the class map with its cached class objects, the locks
// that guard one-time creations, and the clean-up callbacks other parts register.
#pragma once

#include <atomic>
#include <cstddef>

#include "com/instance_creator.h"
#include "util/platform.h"

namespace tavlin {

struct ClassEntry {
    const CLSID *clsid;
    UINT registry_script;  // resource id of the class's "REGISTRY" script
    InstanceCreator creator;
    std::atomic<IUnknown *> class_object;  // created on first request, released at process detach
};

// The classes the module serves, in registration and look-up order. The library that puts the
// module together defines them (bridge/class_map.cpp), so that the module knows no class.
extern ClassEntry module_classes[];
extern const size_t module_class_count;

using CleanupCallback = void (*)(void *argument);

// Everything here is plain data, set up by init() from the entry point (the class map is
// constant data), so that the module works whatever the order in which the library's static
// objects come to life.
class CModule {
public:
    void init(HINSTANCE instance);
    void term();

    HINSTANCE instance() const { return instance_; }
    const GUID &libid() const;
    ClassEntry *begin();
    ClassEntry *end();

    HRESULT get_class_object(REFCLSID clsid, REFIID iid, void **out);

    // Guards the one-time loading of type information (see TypeInfoHolder).
    CRITICAL_SECTION *type_info_lock() { return &type_info_lock_; }
    // Runs `callback(argument)` at process detach, the last registered first. False when
    // memory is short.
    bool add_cleanup(CleanupCallback callback, void *argument);

private:
    struct Cleanup {
        CleanupCallback callback;
        void *argument;
        Cleanup *next;
    };

    IUnknown *class_object_of(ClassEntry &entry, HRESULT *hr);
    void release_class_objects();
    void run_cleanups();

    HINSTANCE instance_;
    CRITICAL_SECTION class_map_lock_;
    CRITICAL_SECTION type_info_lock_;
    Cleanup *cleanups_;
};

extern CModule com_module;

}  // namespace tavlin
