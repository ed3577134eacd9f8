// What the VM prints through the "vfprintf" hook of its start-up options.
#pragma once

#include <jni.h>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace winejvm_test {

// The hook, in the calling convention that JNI prescribes for it.
jint JNICALL capture_vm_output(FILE* stream, const char* format, va_list args);

// Everything captured so far.
std::string captured_vm_output();

}  // namespace winejvm_test
