// The edge between an outermost COM method and the code below it: whatever that code throws
// (a TavlinEx*, an SE_Exception* from the structured-exception translator, std::bad_alloc)
// ends here as the HRESULT, and the error information, that the method's policy gives it.
// Errors are thrown by pointer and owned by the catcher at once.
//
// Every failure leaves its description in the thread's error object, for clients that read
// IErrorInfo; every method that returns without throwing clears it, so that an error object
// found after a call always belongs to that call.
#pragma once

#include <cstddef>
#include <new>

#include "errors/se_exception.h"
#include "errors/tavlin_ex.h"

namespace tavlin {

// A Win32 exception as the bridge describes it: "Win32 exception encounter: <code>", source "Win32".
TavlinExPtr described(const SE_Exception &error);

// Sets the thread's error object for a failure of a method of the interface `iid`, with the
// error's description and source. Nothing is set when the object cannot be made.
void set_error_info(REFIID iid, const TavlinEx &error) noexcept;
// The same for a shortage of memory, described without taking any.
void set_out_of_memory_info(REFIID iid) noexcept;

// ISupportErrorInfo's answer for a class whose methods of the listed interfaces set the error object.
template <size_t N> HRESULT supports_error_info(const IID *const (&interfaces)[N], REFIID iid)
{
    for (const IID *listed : interfaces)
        if (IsEqualIID(*listed, iid)) return S_OK;
    return S_FALSE;
}

// Runs `body` (which returns the method's HRESULT) and maps what it throws with `policy`,
// which answers failed(TavlinExPtr), failed(SE_ExceptionPtr) and out_of_memory().
template <class Body, class Policy> HRESULT com_boundary(Body &&body, Policy &&policy)
{
    try {
        HRESULT hr = body();
        SetErrorInfo(0, nullptr);
        return hr;
    } catch (TavlinEx *error) {
        return policy.failed(TavlinExPtr(error));
    } catch (SE_Exception *error) {
        return policy.failed(SE_ExceptionPtr(error));
    } catch (const std::bad_alloc &) {
        return policy.out_of_memory();
    }
}

// A policy for a method whose failures the error object alone describes: one code per kind of
// failure, for the methods of the interface `interface_id`.
struct FailureCodes {
    const IID &interface_id;
    HRESULT bridge_error;
    HRESULT win32_exception;
    HRESULT memory_short;

    HRESULT failed(TavlinExPtr error) const
    {
        set_error_info(interface_id, *error);
        return bridge_error;
    }
    HRESULT failed(SE_ExceptionPtr error) const
    {
        set_error_info(interface_id, *described(*error));
        return win32_exception;
    }
    HRESULT out_of_memory() const
    {
        set_out_of_memory_info(interface_id);
        return memory_short;
    }
};

// The policy of an IDispatch::Invoke: a bridge error or a Win32 exception is described to the
// client in the EXCEPINFO and in the thread's error object alike. After a failure the result
// holds nothing: whatever was stored before the failure (a string, a safe array, a proxy with
// its Java reference) is released, not dropped.
class InvokeFailure {
public:
    InvokeFailure(EXCEPINFO *info, VARIANT *result) : info_(info), result_(result) {}

    HRESULT failed(TavlinExPtr error) const;
    HRESULT failed(SE_ExceptionPtr error) const;
    HRESULT out_of_memory() const;

private:
    HRESULT reported(WORD number, const TavlinEx &error) const;
    HRESULT cleared(HRESULT hr) const;

    EXCEPINFO *info_;
    VARIANT *result_;
};

}  // namespace tavlin
