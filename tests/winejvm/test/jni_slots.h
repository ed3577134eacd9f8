// Pointers to slots of the JNIEnv function table, for the table-driven checks. The calling
// convention goes on the function pointer type first: on win32, JNICALL is stdcall, which
// GCC does not take inside a pointer-to-member declarator.
#pragma once

#include <jni.h>

#include <cstdarg>

namespace winejvm_test {

template <typename R, typename... Params>
using JniFunction = R(JNICALL*)(JNIEnv*, Params...);
template <typename R, typename... Params>
using Slot = JniFunction<R, Params...> JNINativeInterface_::*;

// va_list itself cannot be a template argument: it carries an attribute on x86_64.
template <typename R, typename... Params>
using JniVaListFunction = R(JNICALL*)(JNIEnv*, Params..., va_list);
template <typename R, typename... Params>
using VaListSlot = JniVaListFunction<R, Params...> JNINativeInterface_::*;

template <typename R, typename... Params>
using JniVariadicFunction = R(JNICALL*)(JNIEnv*, Params..., ...);
template <typename R, typename... Params>
using VariadicSlot = JniVariadicFunction<R, Params...> JNINativeInterface_::*;

}  // namespace winejvm_test
