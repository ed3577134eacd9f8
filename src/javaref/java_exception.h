// Java exceptions made bridge errors: TavlinEx::check_exception, defined here beside the
// capture it runs (describing the exception: class, message, the product's key), and the
// exception a description could not be had for.
#pragma once

#include <jni.h>

#include "errors/tavlin_ex.h"

namespace tavlin {

// The Java exception that check_exception last failed to describe on this thread, as a new
// local reference (null when there is none), handed over once. Describing fails where the
// stack is nearly spent, after a StackOverflowError that ran back and forth through the
// bridge: a callback whose automation call failed throws this exception on into Java, so that
// it unwinds to a frame with stack enough to describe it, instead of the text of the failed
// description. Any description that succeeds on the thread drops it.
jthrowable take_undescribed_exception(JNIEnv *env);

}  // namespace tavlin
