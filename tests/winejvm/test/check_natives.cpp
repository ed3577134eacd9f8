// Natives that Windows code registers: the VM calls them in the Windows convention with the
// Windows-side JNIEnv, on the thread that called Java and on the VM's own threads.
#include <windows.h>

#include <string>

#include "checks.h"

namespace winejvm_test {
namespace {

DWORD registering_thread = 0;

jstring JNICALL join(JNIEnv* env, jclass, jobject first, jint count, jlong big, jstring last) {
  if (count < 0) {
    env->ThrowNew(env->FindClass("java/lang/IllegalArgumentException"), "negative count");
    return nullptr;
  }
  const std::string thread = GetCurrentThreadId() == registering_thread ? "same thread" : "other thread";
  const std::string text = text_of(env, static_cast<jstring>(first)) + "," + std::to_string(count) + "," +
                           std::to_string(big) + "," + text_of(env, last) + "," + thread;
  return env->NewStringUTF(text.c_str());
}

std::string call_string(JNIEnv* env, jclass klass, const char* method, const char* signature, jvalue argument) {
  const jmethodID id = env->GetStaticMethodID(klass, method, signature);
  if (!id) return take_exception(env);
  return returned_text(env, env->CallStaticObjectMethodA(klass, id, &argument));
}

}  // namespace

void check_natives(Context& context) {
  Report& report = context.report;
  JNIEnv* env = context.env;
  registering_thread = GetCurrentThreadId();
  const jclass natives = env->FindClass("winejvm/Natives");
  JNINativeMethod method{const_cast<char*>("join"),
                         const_cast<char*>("(Ljava/lang/Object;IJLjava/lang/String;)Ljava/lang/String;"),
                         reinterpret_cast<void*>(&join)};
  const jint status = env->RegisterNatives(natives, &method, 1);
  report.check("RegisterNatives takes a native of references, an int and a long", status == JNI_OK,
               take_exception(env));
  jvalue last;
  last.l = env->NewStringUTF("last");
  report.equal("a registered native is called from Java with its arguments, on the calling thread",
               call_string(env, natives, "viaJava", "(Ljava/lang/String;)Ljava/lang/String;", last),
               std::string("first,7,1099511627776,last,same thread"));
  env->DeleteLocalRef(last.l);
  jvalue count;
  count.i = 3;
  report.equal("on a Java thread of the VM's own the native runs on a Windows thread",
               call_string(env, natives, "onJavaThread", "(I)Ljava/lang/String;", count),
               std::string("thread,3,-8589934592,end,other thread"));
  count.i = -1;
  report.equal("an exception the native throws there reaches the Java thread",
               call_string(env, natives, "onJavaThread", "(I)Ljava/lang/String;", count),
               std::string("java.lang.IllegalArgumentException: negative count"));
  count.i = 8;
  std::string each_thread;
  for (int index = 0; index < count.i; ++index)
    each_thread += (index ? ";thread," : "thread,") + std::to_string(index) + ",0,end,other thread";
  report.equal("Java threads calling natives at once each get their own result",
               call_string(env, natives, "onJavaThreadsAtOnce", "(I)Ljava/lang/String;", count), each_thread);
  env->DeleteLocalRef(natives);
}

}  // namespace winejvm_test
