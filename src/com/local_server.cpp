// The local server's half inside the library: what tavlinhost.exe calls (see isolated_class.h).
#ifdef _WIN32
#include "com/exports.h"
#include "com/interfaces.h"
#include "com/isolated_class.h"
#include "com/module.h"
#include "com/module_lock_watch.h"
#include "util/holders.h"

namespace tavlin {

extern "C" const CLSID CLSID_TavlinUtilIsolated = {
    0x4489F308, 0xCB12, 0x4B85, {0x9E, 0xE2, 0x58, 0x42, 0xC3, 0xF6, 0x7B, 0x93}};

namespace {

// The class's registration, and the event set when the process's last reference goes.
DWORD registration = 0;
HANDLE idle_event = nullptr;

// Each unit of the module lock (a live object, a client's LockServer) is one of the server
// process's references, as an executable server's objects hold them, so that the process
// ends with its last object. Ending at zero suspends the class objects, so no new client
// reaches a server that is shutting down.
void server_reference_added() { CoAddRefServerProcess(); }
void server_reference_released()
{
    if (CoReleaseServerProcess() != 0) return;
    // Revoked within the release of the last reference, before the client hears that its
    // release is done: Wine does not suspend the class at zero, and a client that asks again
    // at once must start a new server, not reach this one as it ends.
    CoRevokeClassObject(registration);
    SetEvent(idle_event);
}
const ModuleLockWatcher server_process_references = {server_reference_added, server_reference_released};

}  // namespace

HRESULT serve_isolated_class()
{
    // The held class object counts one unit already, so COM's own holds on it, like a
    // client's, take no further unit: they keep no server alive.
    ComPtr<IUnknown> class_object;
    HRESULT hr = com_module.get_class_object(CLSID_TavlinUtil, IID_IUnknown, class_object.put_void());
    if (FAILED(hr)) return hr;
    idle_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!idle_event) return HRESULT_FROM_WIN32(GetLastError());
    hr = CoRegisterClassObject(CLSID_TavlinUtilIsolated, class_object.get(), CLSCTX_LOCAL_SERVER,
                               REGCLS_MULTIPLEUSE | REGCLS_SUSPENDED, &registration);
    if (SUCCEEDED(hr)) {
        watch_module_lock(&server_process_references);
        hr = CoResumeClassObjects();
        if (SUCCEEDED(hr)) {
            WaitForSingleObject(idle_event, INFINITE);
        } else {
            CoRevokeClassObject(registration);
        }
        watch_module_lock(nullptr);
    }
    CloseHandle(idle_event);
    idle_event = nullptr;
    return hr;
}

}  // namespace tavlin

STDAPI DllServeIsolated(void)
{
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr)) return hr;
    hr = tavlin::serve_isolated_class();
    CoUninitialize();
    return hr;
}
#endif
