// Parameter types of the methods that Windows code calls. A variadic JNI call carries no
// types, and on Win64 an int and a double look alike in the argument list, so they are
// recorded when the method ID is handed out and looked up when it is called.
#pragma once

#include <jni.h>

#include <optional>
#include <string>

namespace winejvm {

// One code per parameter of a method descriptor: "(I[Ljava/lang/String;D)V" gives "ILD";
// every reference type, arrays included, is 'L'.
std::string parameter_codes(const char* descriptor);

// The codes of a java.lang.reflect.Method or Constructor, or nothing when the VM could
// not say (a Java exception is then pending).
std::optional<std::string> parameter_codes_of_reflected(JNIEnv* env, jobject executable);

// A method ID's codes never change, so the first record of an ID stays.
void remember_parameters(jmethodID method, std::string codes);

// The recorded codes, or null for an ID that Windows code did not get through this
// library. The string lives as long as the process.
const std::string* recorded_parameters(jmethodID method);

}  // namespace winejvm
