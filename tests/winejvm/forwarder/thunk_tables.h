// The function tables of the generated Windows-convention thunks (jni_thunks.cpp).
#pragma once

#include <jni.h>

namespace winejvm {

JNINativeInterface_ make_env_table();
JNIInvokeInterface_ make_vm_table();

}  // namespace winejvm
