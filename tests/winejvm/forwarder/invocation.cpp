// The DLL's exports and the JavaVM slots: everything that creates, finds or attaches to
// the VM, and so decides which threads hold a Windows-side JNIEnv.
#include <jni.h>

#include "abi.h"
#include "exit_relay.h"
#include "runtime_library.h"
#include "slots.h"
#include "vm_options.h"
#include "windows_env.h"

namespace winejvm {
namespace {

// JVMTI and the other non-JNI interfaces have function tables of their own that the
// forwarder has no thunks for; their version numbers carry an interface type here.
constexpr jint interface_type_bits = 0x70000000;

using AttachSlot = jint (JNICALL* JNIInvokeInterface_::*)(JavaVM*, void**, void*);

jint attach(JavaVM* vm, void** penv, void* args, AttachSlot slot) {
  mark_windows_thread();
  JNIEnv* env = nullptr;
  const jint status = (vm->functions->*slot)(vm, reinterpret_cast<void**>(&env), args);
  if (status == JNI_OK) *penv = windows_env_for(env);
  return status;
}

[[gnu::noinline]] jint create_java_vm(JavaVM** pvm, void** penv, JavaVMInitArgs* windows_args) {
  const RuntimeLibrary* runtime = runtime_library();
  if (!runtime) return JNI_ERR;
  mark_windows_thread();
  start_exit_relay();
  RewrittenOptions options(*windows_args);
  JavaVM* vm = nullptr;
  JNIEnv* env = nullptr;
  const jint status = runtime->create_java_vm(&vm, reinterpret_cast<void**>(&env), options.args());
  if (status != JNI_OK) return status;
  *pvm = windows_vm_for(vm);
  *penv = windows_env_for(env);
  return JNI_OK;
}

[[gnu::noinline]] jint get_created_java_vms(JavaVM** vms, jsize length, jsize* count) {
  const RuntimeLibrary* runtime = runtime_library();
  if (!runtime) return JNI_ERR;
  JavaVM* vm = nullptr;
  jsize found = 0;
  const jint status = runtime->get_created_java_vms(&vm, 1, &found);
  if (status == JNI_OK && found > 0 && length > 0) vms[0] = windows_vm_for(vm);
  if (count) *count = found;
  return status;
}

[[gnu::noinline]] jint get_default_java_vm_init_args(void* args) {
  const RuntimeLibrary* runtime = runtime_library();
  return runtime ? runtime->get_default_java_vm_init_args(args) : JNI_ERR;
}

}  // namespace

namespace vm_slots {

jint DestroyJavaVM(JavaVM* vm) {
  const jint status = vm->DestroyJavaVM();
  if (status == JNI_OK) forget_windows_env();
  return status;
}

jint AttachCurrentThread(JavaVM* vm, void** penv, void* args) {
  return attach(vm, penv, args, &JNIInvokeInterface_::AttachCurrentThread);
}

jint AttachCurrentThreadAsDaemon(JavaVM* vm, void** penv, void* args) {
  return attach(vm, penv, args, &JNIInvokeInterface_::AttachCurrentThreadAsDaemon);
}

jint DetachCurrentThread(JavaVM* vm) {
  const jint status = vm->DetachCurrentThread();
  if (status == JNI_OK) forget_windows_env();
  return status;
}

jint GetEnv(JavaVM* vm, void** penv, jint version) {
  if (version & interface_type_bits) {
    *penv = nullptr;
    return JNI_EVERSION;
  }
  JNIEnv* env = nullptr;
  const jint status = vm->GetEnv(reinterpret_cast<void**>(&env), version);
  *penv = status == JNI_OK ? windows_env_for(env) : nullptr;
  return status;
}

}  // namespace vm_slots
}  // namespace winejvm

// The exports named in jvm.def.
extern "C" {

jint WIN_JNICALL winejvm_JNI_CreateJavaVM(JavaVM** pvm, void** penv, void* args) {
  return winejvm::create_java_vm(pvm, penv, static_cast<JavaVMInitArgs*>(args));
}

jint WIN_JNICALL winejvm_JNI_GetCreatedJavaVMs(JavaVM** vms, jsize length, jsize* count) {
  return winejvm::get_created_java_vms(vms, length, count);
}

jint WIN_JNICALL winejvm_JNI_GetDefaultJavaVMInitArgs(void* args) {
  return winejvm::get_default_java_vm_init_args(args);
}

}  // extern "C"
