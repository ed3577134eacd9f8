// tavlinhost.exe: the local server of Tavlin.Util.Isolated (see com/isolated_class.h). COM
// starts it with "-Embedding" when a client asks for the class and none is running; it loads
// the tavlin.dll of its own folder by full path, as registration wrote both paths from that
// one folder, and runs the library's DllServeIsolated until the last object is released.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <string.h>
#include <wchar.h>
#include <windows.h>

namespace {

using ServeFunction = HRESULT(WINAPI *)();

// Exit codes for the failures that leave no HRESULT.
enum ExitCode { served = 0, not_started_by_com = 1, library_missing = 2, library_too_old = 3, serving_failed = 4 };

// The library's full name in `path`: this executable's folder and "tavlin.dll".
bool library_beside_executable(wchar_t (&path)[MAX_PATH])
{
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    wchar_t *separator = wcsrchr(path, L'\\');
    const wchar_t library[] = L"tavlin.dll";
    size_t folder_length = separator ? static_cast<size_t>(separator - path) + 1 : 0;
    if (folder_length + sizeof(library) / sizeof(library[0]) > MAX_PATH) return false;
    wcscpy(path + folder_length, library);
    return true;
}

}  // namespace

// Run by hand it would serve nobody and wait for ever: it serves only when COM starts it.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int)
{
    if (!command_line || !strstr(command_line, "Embedding")) return not_started_by_com;
    wchar_t path[MAX_PATH];
    if (!library_beside_executable(path)) return library_missing;
    // The library's own folder first for the libraries it loads, as when a client loads it.
    HMODULE library = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) return library_missing;
    auto serve =
        reinterpret_cast<ServeFunction>(reinterpret_cast<void (*)()>(GetProcAddress(library, "DllServeIsolated")));
    if (!serve) return library_too_old;
    return SUCCEEDED(serve()) ? served : serving_failed;
}
