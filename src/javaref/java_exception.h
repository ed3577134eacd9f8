// Java exceptions made bridge errors: a pending exception taken from the VM, described
// (class, message, the product's key) and cleared, as a thrown TavlinEx.
#pragma once

#include <jni.h>

#include "errors/tavlin_ex.h"

namespace tavlin {

// Turns a pending Java exception into a thrown TavlinEx (and clears it); returns at once,
// after one JNI call, when none is pending.
void check_exception(JNIEnv *env);

// The Java exception that check_exception last failed to describe on this thread, as a new
// local reference (null when there is none), handed over once. Describing fails where the
// stack is nearly spent, after a StackOverflowError that ran back and forth through the
// bridge: a callback whose automation call failed throws this exception on into Java, so that
// it unwinds to a frame with stack enough to describe it, instead of the text of the failed
// description. Any description that succeeds on the thread drops it.
jthrowable take_undescribed_exception(JNIEnv *env);

}  // namespace tavlin
