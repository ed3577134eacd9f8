#include "call_arguments.h"

#include <string>

#include "method_signatures.h"

namespace winejvm {
namespace {

// Variable arguments arrive promoted: everything narrower than int as int, float as
// double. On Win64 each takes an 8-byte slot; on win32 long and double take two 4-byte
// slots, exactly as on Linux i386.
jvalue read_argument(char code, WinVaList& args) {
  jvalue value{};
  switch (code) {
    case 'Z':
      value.z = static_cast<jboolean>(__builtin_va_arg(args, int));
      break;
    case 'B':
      value.b = static_cast<jbyte>(__builtin_va_arg(args, int));
      break;
    case 'C':
      value.c = static_cast<jchar>(__builtin_va_arg(args, int));
      break;
    case 'S':
      value.s = static_cast<jshort>(__builtin_va_arg(args, int));
      break;
    case 'I':
      value.i = __builtin_va_arg(args, jint);
      break;
    case 'J':
      value.j = __builtin_va_arg(args, jlong);
      break;
    case 'F':
      value.f = static_cast<jfloat>(__builtin_va_arg(args, double));
      break;
    case 'D':
      value.d = __builtin_va_arg(args, double);
      break;
    default:
      value.l = __builtin_va_arg(args, jobject);
      break;
  }
  return value;
}

void throw_unknown_method(JNIEnv* env) {
  const jclass error = env->FindClass("java/lang/InternalError");
  if (!error) return;
  env->ThrowNew(error,
                "jvm.dll forwarder: variadic call of a method ID whose parameter types were never "
                "recorded (it did not come from GetMethodID, GetStaticMethodID or "
                "FromReflectedMethod)");
  env->DeleteLocalRef(error);
}

}  // namespace

CallArguments::CallArguments(JNIEnv* env, jmethodID method, WinVaList args) {
  const std::string* codes = recorded_parameters(method);
  if (!codes) {
    throw_unknown_method(env);
    return;
  }
  for (std::size_t i = 0; i < codes->size() && i < values_.size(); ++i) {
    values_[i] = read_argument((*codes)[i], args);
  }
  ready_ = true;
}

}  // namespace winejvm
