// The library's exports (by name, with ordinals 1 to 6 on Windows: see tavlin.def).
#pragma once

#include "util/platform.h"

STDAPI DllCanUnloadNow(void);
STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID *object);
STDAPI DllRegisterServer(void);
STDAPI DllUnregisterServer(void);
// Registration for the machine (a null or empty command line, as DllRegisterServer) or for
// the user ("user"); E_INVALIDARG for any other command line.
STDAPI DllInstall(BOOL install, LPCWSTR command_line);

#ifdef _WIN32
// What tavlinhost.exe, the local server of Tavlin.Util.Isolated, runs: enters the
// multithreaded apartment and serves the class until its last object is released.
STDAPI DllServeIsolated(void);
#endif
