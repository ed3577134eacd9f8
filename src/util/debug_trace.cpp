#include "util/debug_trace.h"

#include <atomic>

#include "util/platform.h"

#ifndef _WIN32
#include <tavlinport/debug_capture.h>
#endif

namespace tavlin {

namespace {

#ifdef _WIN32
// A listener announces itself by the event it waits on. Looking for it costs a system call,
// so the answer is kept for a quarter of a second: a listener started later misses at most
// that much of the trace.
bool debug_listener_waiting()
{
    constexpr ULONGLONG kRecheckMilliseconds = 250;
    static std::atomic<ULONGLONG> checked_at{0};
    static std::atomic<bool> waiting{false};
    const ULONGLONG now = GetTickCount64();
    if (now - checked_at.load(std::memory_order_relaxed) >= kRecheckMilliseconds) {
        HANDLE ready = OpenEventA(SYNCHRONIZE, FALSE, "DBWIN_BUFFER_READY");
        waiting.store(ready != nullptr, std::memory_order_relaxed);
        if (ready) CloseHandle(ready);
        checked_at.store(now, std::memory_order_relaxed);
    }
    return waiting.load(std::memory_order_relaxed);
}
#endif

}  // namespace

bool debug_trace_wanted()
{
#ifdef _WIN32
    return IsDebuggerPresent() || debug_listener_waiting();
#else
    return PortDebugOutputWanted();
#endif
}

void debug_trace(const char *text)
{
#ifdef _WIN32
    if (!debug_trace_wanted()) return;
#endif
    OutputDebugStringA(text);
}

}  // namespace tavlin
