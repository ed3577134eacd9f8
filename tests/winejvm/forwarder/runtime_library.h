// The Linux VM library that the forwarder passes everything on to.
#pragma once

#include <jni.h>

namespace winejvm {

struct RuntimeLibrary {
  jint (*create_java_vm)(JavaVM** vm, void** env, void* args);
  jint (*get_created_java_vms)(JavaVM** vms, jsize length, jsize* count);
  jint (*get_default_java_vm_init_args)(void* args);
};

// libjvm.so of the JDK that the forwarder was built for, loaded on first use together with
// the stack fix; null, with the reason on standard error, when it cannot be loaded.
const RuntimeLibrary* runtime_library();

}  // namespace winejvm
