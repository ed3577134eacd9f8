#include "checks.h"

namespace winejvm_test {

std::string text_of(JNIEnv* env, jstring text) {
  if (!text) return "(null)";
  const char* chars = env->GetStringUTFChars(text, nullptr);
  std::string result = chars ? chars : "";
  env->ReleaseStringUTFChars(text, chars);
  return result;
}

std::string take_exception(JNIEnv* env) {
  const jthrowable thrown = env->ExceptionOccurred();
  if (!thrown) return {};
  env->ExceptionClear();
  const jclass throwable = env->FindClass("java/lang/Throwable");
  const jmethodID to_string = env->GetMethodID(throwable, "toString", "()Ljava/lang/String;");
  const auto text = static_cast<jstring>(env->CallObjectMethod(thrown, to_string));
  const bool failed = env->ExceptionCheck();
  env->ExceptionClear();
  std::string result = failed ? "(a Java exception that could not be described)" : text_of(env, text);
  env->DeleteLocalRef(text);
  env->DeleteLocalRef(throwable);
  env->DeleteLocalRef(thrown);
  return result;
}

std::string returned_text(JNIEnv* env, jobject returned) {
  const std::string exception = take_exception(env);
  return exception.empty() ? text_of(env, static_cast<jstring>(returned)) : exception;
}

}  // namespace winejvm_test
