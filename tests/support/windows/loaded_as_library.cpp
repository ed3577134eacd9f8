// A Windows test program carries the bridge's objects instead of loading tavlin.dll, so the
// loader never calls the bridge's entry point: the program calls it as the loader would,
// on start and on exit, as the native library's initialiser and finaliser do.
#include "util/platform.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace {

struct LoadedAsLibrary {
    LoadedAsLibrary() { DllMain(GetModuleHandleA(nullptr), DLL_PROCESS_ATTACH, nullptr); }
    ~LoadedAsLibrary() { DllMain(GetModuleHandleA(nullptr), DLL_PROCESS_DETACH, nullptr); }
};
const LoadedAsLibrary loaded;

}  // namespace
