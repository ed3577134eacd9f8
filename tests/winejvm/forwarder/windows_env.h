// The JNIEnv and JavaVM pointers that Windows code holds. Their function tables are the
// generated Windows-convention thunks; each wrapper also carries the VM's own pointer,
// which the thunks pass on to libjvm.so.
#pragma once

#include <jni.h>

namespace winejvm {

struct WindowsEnv {
  JNIEnv_ env;  // first, so that the address of a WindowsEnv is the JNIEnv* handed out
  JNIEnv* real;
};

struct WindowsVm {
  JavaVM_ vm;  // first, as in WindowsEnv
  JavaVM* real;
};

inline JNIEnv* real_env(JNIEnv* windows_env) { return reinterpret_cast<WindowsEnv*>(windows_env)->real; }

inline JavaVM* real_vm(JavaVM* windows_vm) { return reinterpret_cast<WindowsVm*>(windows_vm)->real; }

// GCC 12 keeps argument registers live across the __tls_get_addr call of a thread-local
// access inside an ms_abi function, and that call clobbers them. Thread-local state is
// therefore only touched inside these out-of-line functions of the Linux convention.

// The calling thread's Windows-side JNIEnv, now wrapping `real` (null stays null).
[[gnu::noinline]] JNIEnv* windows_env_for(JNIEnv* real);
// After DetachCurrentThread: the calling thread's wrapper no longer leads anywhere.
[[gnu::noinline]] void forget_windows_env();
// Threads that entered through the invocation interface are Windows threads (they have a
// TEB); the VM's own threads are plain Linux threads without one, where most Windows code
// crashes.
[[gnu::noinline]] void mark_windows_thread();
[[gnu::noinline]] bool is_windows_thread();

// The one Windows-side JavaVM (a process has at most one VM), now wrapping `real`.
JavaVM* windows_vm_for(JavaVM* real);

}  // namespace winejvm
