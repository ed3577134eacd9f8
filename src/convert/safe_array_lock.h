// SafeArrayLockGuard: holds one lock on a safe array for a scope, so that its storage stays
// put while rows are copied and the owner can destroy it afterwards whatever happened.
#pragma once

#include "errors/tavlin_ex.h"
#include "util/platform.h"

namespace tavlin {

class SafeArrayLockGuard {
public:
    // Throws TavlinEx* with `failure_message` when the array cannot be locked.
    SafeArrayLockGuard(SAFEARRAY *array, const char *failure_message) : array_(array)
    {
        if (FAILED(SafeArrayLock(array))) throw new TavlinEx(failure_message);
    }
    ~SafeArrayLockGuard() { SafeArrayUnlock(array_); }
    SafeArrayLockGuard(const SafeArrayLockGuard &) = delete;
    SafeArrayLockGuard &operator=(const SafeArrayLockGuard &) = delete;

private:
    SAFEARRAY *array_;
};

}  // namespace tavlin
