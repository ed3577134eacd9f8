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

STDAPI DllRegisterServer(void) { return DllInstall(TRUE, nullptr); }

STDAPI DllUnregisterServer(void) { return DllInstall(FALSE, nullptr); }

// regsvr32 /i:user (with /n alone, without DllRegisterServer) registers for the user who runs
// it, without administrator rights; regsvr32 /u /n /i:user removes that registration.
STDAPI DllInstall(BOOL install, LPCWSTR command_line)
{
    tavlin::RegistrationScope scope;
    if (!tavlin::scope_of_command_line(command_line, &scope)) return E_INVALIDARG;
    tavlin::OleString module_path = tavlin::module_file_name(com_module.instance());
    if (install) return tavlin::register_server(module_path, scope);
    tavlin::unregister_server(module_path, scope);
    return S_OK;
}
