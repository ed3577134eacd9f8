// What newObject and statics do below the COM boundary, where their errors are still
// TavlinEx* with their texts.
#pragma once

#include <jni.h>

#include "bridge/boundary/com_boundary.h"
#include "bridge/members/overload_choice.h"
#include "com/interfaces.h"
#include "util/platform.h"
#include "vmhost/vm.h"

namespace tavlin {

// A utility method that hands out one proxy through the function table, made by `make` from
// the calling thread's environment. There is no EXCEPINFO there: every bridge error is E_FAIL
// (see tavlin.idl), described in the thread's error object.
template <class Make> HRESULT proxy_out(IDispatch **proxy, Make &&make)
{
    if (!proxy) return E_POINTER;
    return com_boundary(
        [&] {
            *proxy = make(get_env());
            return S_OK;
        },
        FailureCodes{IID_ITavlinUtil2, E_FAIL, E_FAIL, E_OUTOFMEMORY});
}

// A new object of the named class (a local reference), made by the public constructor that
// takes the arguments, chosen as a proxy's call chooses among overloads. Throws TavlinEx*.
jobject construct_object(JNIEnv *env, BSTR classname, const CallArguments &arguments);

// A proxy for such an object. Throws TavlinEx*.
IDispatch *construct_with_arguments(JNIEnv *env, BSTR classname, const CallArguments &arguments);

// A class proxy for the named class: its static methods callable, nothing constructed.
// Throws TavlinEx*.
IDispatch *proxy_for_class(JNIEnv *env, BSTR classname);

}  // namespace tavlin
