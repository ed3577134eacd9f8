// The Java runtime library, found the way Windows programs find an installed Java: the
// registry names it, LoadLibraryA loads it, GetProcAddress finds its exports.
#pragma once

#include <jni.h>
#include <windows.h>

#include <optional>

#include "report.h"

namespace winejvm_test {

struct JavaRuntime {
  jint(JNICALL* create_java_vm)(JavaVM**, void**, void*);
  jint(JNICALL* get_created_java_vms)(JavaVM**, jsize, jsize*);
  jint(JNICALL* get_default_java_vm_init_args)(void*);
};

// Reads HKLM\Software\JavaSoft\Java Runtime Environment: CurrentVersion, then that
// version's RuntimeLib; one check per step.
std::optional<JavaRuntime> load_registered_runtime(Report& report);

}  // namespace winejvm_test
