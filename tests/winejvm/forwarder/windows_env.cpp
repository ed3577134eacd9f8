#include "windows_env.h"

#include "thunk_tables.h"

namespace winejvm {
namespace {

const JNINativeInterface_* env_table() {
  static const JNINativeInterface_ table = make_env_table();
  return &table;
}

const JNIInvokeInterface_* vm_table() {
  static const JNIInvokeInterface_ table = make_vm_table();
  return &table;
}

// Trivially constructed, so that no thread-local initialisation call is ever emitted.
thread_local WindowsEnv t_env{};
thread_local bool t_windows_thread = false;

}  // namespace

JNIEnv* windows_env_for(JNIEnv* real) {
  if (!real) return nullptr;
  t_env.env.functions = env_table();
  t_env.real = real;
  return &t_env.env;
}

void forget_windows_env() { t_env.real = nullptr; }

void mark_windows_thread() { t_windows_thread = true; }

bool is_windows_thread() { return t_windows_thread; }

JavaVM* windows_vm_for(JavaVM* real) {
  // A process never has a second VM, so the first one wrapped is the one every later
  // caller passes too.
  static WindowsVm vm{{vm_table()}, real};
  return &vm.vm;
}

}  // namespace winejvm
