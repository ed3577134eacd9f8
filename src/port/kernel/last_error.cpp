// The calling thread's last error, as kept per thread by Windows.
#include "tavlinport/kernel.h"

namespace {
thread_local DWORD last_error = ERROR_SUCCESS;
}

TAVLINPORT_API DWORD GetLastError(void) { return last_error; }

TAVLINPORT_API void SetLastError(DWORD error) { last_error = error; }
