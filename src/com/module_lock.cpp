#include "com/module_lock.h"

namespace tavlin {
namespace {
LONG volatile lock_count = 0;
}

void module_lock() { InterlockedIncrement(&lock_count); }
void module_unlock() { InterlockedDecrement(&lock_count); }
LONG module_lock_count() { return lock_count; }

}  // namespace tavlin
