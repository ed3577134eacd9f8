// Kernel32 subset: libraries and modules, critical sections, interlocked counts, code pages,
// debugger output. Same names, arguments and results as on Windows.
#pragma once

#include <pthread.h>

#include "wintypes.h"

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_THREAD_ACP 3
#define CP_UTF8 65001
#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_COMPOSITECHECK 0x00000200
#define WC_NO_BEST_FIT_CHARS 0x00000400

// A recursive mutex, as a Windows critical section may be re-entered by its owner.
struct CRITICAL_SECTION {
    pthread_mutex_t mutex;
    LONG initialised;
};
typedef CRITICAL_SECTION *LPCRITICAL_SECTION;

TAVLINPORT_API HMODULE LoadLibraryA(LPCSTR file_name);
// A library given by its path finds its own dependencies as the dynamic linker finds them
// (its run path), which is what LOAD_WITH_ALTERED_SEARCH_PATH asks of Windows; other flags
// are refused.
#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008
TAVLINPORT_API HMODULE LoadLibraryExA(LPCSTR file_name, HANDLE reserved, DWORD flags);
TAVLINPORT_API FARPROC GetProcAddress(HMODULE module, LPCSTR proc_name);
TAVLINPORT_API BOOL FreeLibrary(HMODULE module);
// A null name gives the host executable; "tavlin" (with or without an extension) finds the
// bridge's own shared library wherever it was loaded from.
TAVLINPORT_API HMODULE GetModuleHandleA(LPCSTR module_name);
TAVLINPORT_API DWORD GetModuleFileNameA(HMODULE module, LPSTR file_name, DWORD size);
TAVLINPORT_API BOOL DisableThreadLibraryCalls(HMODULE module);
TAVLINPORT_API DWORD GetLastError(void);
TAVLINPORT_API void SetLastError(DWORD error);

TAVLINPORT_API void InitializeCriticalSection(LPCRITICAL_SECTION cs);
TAVLINPORT_API void EnterCriticalSection(LPCRITICAL_SECTION cs);
TAVLINPORT_API BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs);
TAVLINPORT_API void LeaveCriticalSection(LPCRITICAL_SECTION cs);
TAVLINPORT_API void DeleteCriticalSection(LPCRITICAL_SECTION cs);

// Threads: the calling thread's id, fiber-local storage whose callback runs when a thread
// that set a value ends (as on Windows, not for threads still running when the process
// exits), and whether the process has begun to end.
#define FLS_OUT_OF_INDEXES 0xFFFFFFFFu
typedef void(WINAPI *PFLS_CALLBACK_FUNCTION)(PVOID value);
TAVLINPORT_API DWORD GetCurrentThreadId(void);
TAVLINPORT_API DWORD FlsAlloc(PFLS_CALLBACK_FUNCTION callback);
TAVLINPORT_API BOOL FlsSetValue(DWORD index, PVOID value);
TAVLINPORT_API PVOID FlsGetValue(DWORD index);
TAVLINPORT_API BOOLEAN RtlDllShutdownInProgress(void);

TAVLINPORT_API LONG InterlockedIncrement(LONG volatile *addend);
TAVLINPORT_API LONG InterlockedDecrement(LONG volatile *addend);

TAVLINPORT_API UINT GetACP(void);
TAVLINPORT_API int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR multi_byte, int multi_byte_len, LPWSTR wide,
                                       int wide_len);
TAVLINPORT_API int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR wide, int wide_len, LPSTR multi_byte,
                                       int multi_byte_len, LPCSTR default_char, BOOL *used_default_char);

// Silent unless TAVLIN_DEBUG_OUTPUT names "stderr" or a file to append to, as on Windows
// without a debugger attached.
TAVLINPORT_API void OutputDebugStringA(LPCSTR text);

// Case-insensitive comparison in the "C" locale: only ASCII letters fold.
// A null argument gives _NLSCMPERROR, as the C runtime on Windows does.
#define _NLSCMPERROR 0x7fffffff
TAVLINPORT_API int _stricmp(const char *a, const char *b);
