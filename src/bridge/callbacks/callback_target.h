// CallbackTarget: the automation object behind a Java proxy made by ITavlinUtil2::implement
// (or by passing an automation object where a functional interface is expected), and the
// call of one interface method on it.
//
// The object is held in its own apartment: on Windows it is registered in the global
// interface table when the wrapper is made, so that a Java thread (a timer, an executor)
// gets a proxy that delivers the call into the object's apartment, while a thread of that
// apartment gets the object itself. A single-threaded apartment receives such a call while
// its thread waits in a way that dispatches messages, or when it next calls into the bridge
// (let_waiting_calls_in), and while it waits for its worker's call into Java
// (apartment_worker.h), which hands it the calls the worker itself makes. The Linux port has no
// apartments: every thread calls the object itself.
#pragma once

#include <jni.h>

#include "bridge/apartment/apartment_reference.h"
#include "util/auto_variant.h"
#include "util/platform.h"

namespace tavlin {

class CallbackTarget {
public:
    // `functional`: the interfaces have a single abstract method, which an object without a
    // member of its name (a script function, a VBScript GetRef) answers at DISPID_VALUE.
    CallbackTarget(IDispatch *object, bool functional);
    ~CallbackTarget();
    CallbackTarget(const CallbackTarget &) = delete;
    CallbackTarget &operator=(const CallbackTarget &) = delete;

    // Calls the object's member for `method` (a java.lang.reflect.Method) with `args` (an
    // Object[], null for none) and gives the result as the method's return type asks: null for
    // void, a boxed value for a primitive type (a new local reference). Throws TavlinEx*.
    jobject call(JNIEnv *env, jobject method, jobjectArray args) const;

private:
    // The object's member for the method `name` with `arguments`, on a thread of its apartment or
    // through it. Throws TavlinEx*.
    void invoke(const OleString &name, DISPPARAMS *arguments, AutoVariant &result) const;

    ApartmentReference object_;
    bool functional_;
};

}  // namespace tavlin
