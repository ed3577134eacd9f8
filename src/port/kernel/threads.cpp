// Thread ids, fiber-local storage over POSIX thread-specific data, and the end of the process.
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdint>

#include "tavlinport/kernel.h"

namespace {

// A key's callback, kept where the trampoline that POSIX calls can find it. POSIX keys are
// small numbers below PTHREAD_KEYS_MAX.
std::atomic<PFLS_CALLBACK_FUNCTION> callbacks[PTHREAD_KEYS_MAX];

// POSIX hands the destructor only the value, so each key needs a trampoline of its own; the
// value is wrapped with its key instead, in a slot that lives as long as the thread's value.
struct Slot {
    pthread_key_t key;
    PVOID value;
};

void run_callback(void *stored)
{
    auto *slot = static_cast<Slot *>(stored);
    PFLS_CALLBACK_FUNCTION callback = callbacks[slot->key].load();
    PVOID value = slot->value;
    delete slot;
    if (callback && value) callback(value);
}

// Set when the library's static objects end, that is once exit() runs: from then on threads
// are being torn down with the process, not ending one by one.
std::atomic<bool> shutting_down{false};
struct ShutdownFlag {
    ~ShutdownFlag() { shutting_down = true; }
} shutdown_flag;

}  // namespace

TAVLINPORT_API DWORD GetCurrentThreadId(void) { return static_cast<DWORD>(syscall(SYS_gettid)); }

TAVLINPORT_API DWORD FlsAlloc(PFLS_CALLBACK_FUNCTION callback)
{
    pthread_key_t key;
    if (pthread_key_create(&key, &run_callback) != 0 || key >= PTHREAD_KEYS_MAX) return FLS_OUT_OF_INDEXES;
    callbacks[key] = callback;
    return static_cast<DWORD>(key);
}

TAVLINPORT_API BOOL FlsSetValue(DWORD index, PVOID value)
{
    if (index >= PTHREAD_KEYS_MAX) return FALSE;
    auto key = static_cast<pthread_key_t>(index);
    auto *slot = static_cast<Slot *>(pthread_getspecific(key));
    if (!slot) {
        slot = new Slot{key, nullptr};
        if (pthread_setspecific(key, slot) != 0) {
            delete slot;
            return FALSE;
        }
    }
    slot->value = value;
    return TRUE;
}

TAVLINPORT_API PVOID FlsGetValue(DWORD index)
{
    if (index >= PTHREAD_KEYS_MAX) return nullptr;
    auto *slot = static_cast<Slot *>(pthread_getspecific(static_cast<pthread_key_t>(index)));
    return slot ? slot->value : nullptr;
}

TAVLINPORT_API BOOLEAN RtlDllShutdownInProgress(void) { return shutting_down.load() ? TRUE : FALSE; }
