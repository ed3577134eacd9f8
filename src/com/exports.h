// The library's four exports (by name, with ordinals 1 to 4 on Windows: see tavlin.def).
#pragma once

#include "util/platform.h"

STDAPI DllCanUnloadNow(void);
STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID *object);
STDAPI DllRegisterServer(void);
STDAPI DllUnregisterServer(void);
