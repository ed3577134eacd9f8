// The groups of checks that the test program runs against the VM behind jvm.dll.
#pragma once

#include <jni.h>

#include <string>

#include "report.h"

namespace winejvm_test {

struct Context {
  Report& report;
  JavaVM* vm;
  JNIEnv* env;  // the main thread's
};

// The text of a Java string in JNI's modified UTF-8; "(null)" for null.
std::string text_of(JNIEnv* env, jstring text);
// Clears a pending Java exception, returning "ClassName: message" of it, or "" if none.
std::string take_exception(JNIEnv* env);
// Right after a call that returns a string: its text, or the exception thrown instead.
std::string returned_text(JNIEnv* env, jobject returned);

void check_call_families(Context& context);
void check_hot_loop(Context& context);
void check_strings(Context& context);
void check_arrays(Context& context);
void check_exceptions(Context& context);
void check_references(Context& context);
void check_threads(Context& context);
void check_natives(Context& context);

}  // namespace winejvm_test
