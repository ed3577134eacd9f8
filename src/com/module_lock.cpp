#include "com/module_lock.h"

#include <atomic>

#include "com/module_lock_watch.h"

namespace tavlin {
namespace {
LONG volatile lock_count = 0;
std::atomic<const ModuleLockWatcher *> lock_watcher{nullptr};
}  // namespace

void module_lock()
{
    InterlockedIncrement(&lock_count);
    if (const ModuleLockWatcher *watcher = lock_watcher.load()) watcher->unit_added();
}

void module_unlock()
{
    InterlockedDecrement(&lock_count);
    if (const ModuleLockWatcher *watcher = lock_watcher.load()) watcher->unit_released();
}

void module_lock_for_code() { InterlockedIncrement(&lock_count); }
void module_unlock_for_code() { InterlockedDecrement(&lock_count); }

void watch_module_lock(const ModuleLockWatcher *watcher) { lock_watcher.store(watcher); }
LONG module_lock_count() { return lock_count; }

}  // namespace tavlin
