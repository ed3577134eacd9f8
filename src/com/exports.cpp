#include "com/exports.h"

#include "com/module.h"
#include "com/registration.h"

using tavlin::com_module;

// The library, the Java runtime and the VM stay until the process ends: a VM cannot be
// destroyed and created again in one process.
STDAPI DllCanUnloadNow(void) { return S_FALSE; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID *object)
{
    return com_module.get_class_object(clsid, iid, object);
}

STDAPI DllRegisterServer(void) { return tavlin::register_server(tavlin::module_file_name(com_module.instance())); }

STDAPI DllUnregisterServer(void)
{
    tavlin::unregister_server(tavlin::module_file_name(com_module.instance()));
    return S_OK;
}
