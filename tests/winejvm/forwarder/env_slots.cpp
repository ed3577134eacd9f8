// The JNIEnv slots that do more than forward.
#include <vector>

#include "method_signatures.h"
#include "native_thunks.h"
#include "slots.h"
#include "windows_env.h"

namespace winejvm::env_slots {
namespace {

jmethodID remembering_parameters(jmethodID method, const char* descriptor) {
  if (method) remember_parameters(method, parameter_codes(descriptor));
  return method;
}

}  // namespace

jmethodID GetMethodID(JNIEnv* env, jclass clazz, const char* name, const char* sig) {
  return remembering_parameters(env->GetMethodID(clazz, name, sig), sig);
}

jmethodID GetStaticMethodID(JNIEnv* env, jclass clazz, const char* name, const char* sig) {
  return remembering_parameters(env->GetStaticMethodID(clazz, name, sig), sig);
}

jmethodID FromReflectedMethod(JNIEnv* env, jobject method) {
  const jmethodID id = env->FromReflectedMethod(method);
  if (!id || recorded_parameters(id)) return id;
  const std::optional<std::string> codes = parameter_codes_of_reflected(env, method);
  // Without the codes the ID is still right for the ...A calls; only varargs calls of it
  // will then fail, with a Java error rather than with wrong arguments. The exception of
  // the failed lookup is the forwarder's own, not the caller's.
  if (codes) {
    remember_parameters(id, *codes);
  } else {
    env->ExceptionClear();
  }
  return id;
}

jint GetJavaVM(JNIEnv* env, JavaVM** vm) {
  JavaVM* real = nullptr;
  const jint status = env->GetJavaVM(&real);
  if (status == JNI_OK) *vm = windows_vm_for(real);
  return status;
}

jint RegisterNatives(JNIEnv* env, jclass clazz, const JNINativeMethod* methods, jint nMethods) {
  // The natives are Windows code, which the VM would call in the Linux convention: each is
  // registered as its reverse thunk instead.
  JavaVM* vm = nullptr;
  if (nMethods < 0 || env->GetJavaVM(&vm) != JNI_OK) return JNI_ERR;
  std::vector<JNINativeMethod> linux_methods(methods, methods + nMethods);
  for (JNINativeMethod& method : linux_methods) {
    method.fnPtr = reverse_thunk(vm, method.fnPtr, method.signature);
    if (!method.fnPtr) return JNI_ERR;
  }
  return env->RegisterNatives(clazz, linux_methods.data(), nMethods);
}

}  // namespace winejvm::env_slots
