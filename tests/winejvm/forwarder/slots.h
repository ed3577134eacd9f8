// The table slots whose forwarding is more than swapping pointers; the generated thunks
// call these with the VM's own JNIEnv or JavaVM.
#pragma once

#include <jni.h>

namespace winejvm {

namespace env_slots {
jmethodID GetMethodID(JNIEnv* env, jclass clazz, const char* name, const char* sig);
jmethodID GetStaticMethodID(JNIEnv* env, jclass clazz, const char* name, const char* sig);
jmethodID FromReflectedMethod(JNIEnv* env, jobject method);
jint GetJavaVM(JNIEnv* env, JavaVM** vm);
jint RegisterNatives(JNIEnv* env, jclass clazz, const JNINativeMethod* methods, jint nMethods);
}  // namespace env_slots

namespace vm_slots {
jint DestroyJavaVM(JavaVM* vm);
jint AttachCurrentThread(JavaVM* vm, void** penv, void* args);
jint DetachCurrentThread(JavaVM* vm);
jint GetEnv(JavaVM* vm, void** penv, jint version);
jint AttachCurrentThreadAsDaemon(JavaVM* vm, void** penv, void* args);
}  // namespace vm_slots

}  // namespace winejvm
