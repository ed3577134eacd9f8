// The library entry point. On Linux, where shared objects have no such entry, the library's
// own initialiser and finaliser call it with the library's module handle.
#include "com/module.h"
#include "errors/se_exception.h"
#include "vmhost/vm.h"

#ifndef _WIN32
#include <dlfcn.h>
#endif

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        tavlin::com_module.init(instance);
        DisableThreadLibraryCalls(instance);
        tavlin::init_startup_lock();
        tavlin::install_se_translator();
    } else if (reason == DLL_PROCESS_DETACH) {
        tavlin::com_module.term();
        tavlin::delete_startup_lock();
    }
    return TRUE;
}

#ifndef _WIN32
namespace {

// The handle of the file this code was loaded from, found by an address inside it, since
// the same library may be loaded from more than one place.
HINSTANCE own_module_handle()
{
    Dl_info info;
    if (!dladdr(reinterpret_cast<void *>(&DllMain), &info) || !info.dli_fname) return nullptr;
    return GetModuleHandleA(info.dli_fname);
}

__attribute__((constructor)) void attach_process() { DllMain(own_module_handle(), DLL_PROCESS_ATTACH, nullptr); }

__attribute__((destructor)) void detach_process()
{
    DllMain(tavlin::com_module.instance(), DLL_PROCESS_DETACH, nullptr);
}

}  // namespace
#endif
