// Critical sections and interlocked counts.
#include "tavlinport/kernel.h"

TAVLINPORT_API void InitializeCriticalSection(LPCRITICAL_SECTION cs)
{
    if (cs == nullptr) return;
    // A Windows critical section may be entered again by the thread that owns it.
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&cs->mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    cs->initialised = TRUE;
}

TAVLINPORT_API void EnterCriticalSection(LPCRITICAL_SECTION cs)
{
    if (cs != nullptr && cs->initialised) pthread_mutex_lock(&cs->mutex);
}

TAVLINPORT_API BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs)
{
    if (cs == nullptr || !cs->initialised) return FALSE;
    return pthread_mutex_trylock(&cs->mutex) == 0 ? TRUE : FALSE;
}

TAVLINPORT_API void LeaveCriticalSection(LPCRITICAL_SECTION cs)
{
    if (cs != nullptr && cs->initialised) pthread_mutex_unlock(&cs->mutex);
}

TAVLINPORT_API void DeleteCriticalSection(LPCRITICAL_SECTION cs)
{
    if (cs == nullptr || !cs->initialised) return;
    pthread_mutex_destroy(&cs->mutex);
    cs->initialised = FALSE;
}

TAVLINPORT_API LONG InterlockedIncrement(LONG volatile *addend)
{
    return addend == nullptr ? 0 : __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST);
}

TAVLINPORT_API LONG InterlockedDecrement(LONG volatile *addend)
{
    return addend == nullptr ? 0 : __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST);
}
