// The edge between an outermost COM method and the code below it: whatever that code throws
// (a TavlinEx*, an SE_Exception* from the structured-exception translator, std::bad_alloc)
// ends here as the HRESULT, and any error information, that the method's policy gives it.
// Errors are thrown by pointer and owned by the catcher at once.
#pragma once

#include <new>

#include "javaref/tavlin_ex.h"
#include "vmhost/se_exception.h"

namespace tavlin {

// Runs `body` (which returns the method's HRESULT) and maps what it throws with `policy`,
// which answers failed(TavlinExPtr), failed(SE_ExceptionPtr) and out_of_memory().
template <class Body, class Policy> HRESULT com_boundary(Body &&body, Policy &&policy)
{
    try {
        return body();
    } catch (TavlinEx *error) {
        return policy.failed(TavlinExPtr(error));
    } catch (SE_Exception *error) {
        return policy.failed(SE_ExceptionPtr(error));
    } catch (const std::bad_alloc &) {
        return policy.out_of_memory();
    }
}

// A policy for a method that reports no error information: one code per kind of failure.
struct FailureCodes {
    HRESULT bridge_error;
    HRESULT win32_exception;
    HRESULT memory_short;

    HRESULT failed(TavlinExPtr) const { return bridge_error; }
    HRESULT failed(SE_ExceptionPtr) const { return win32_exception; }
    HRESULT out_of_memory() const { return memory_short; }
};

}  // namespace tavlin
