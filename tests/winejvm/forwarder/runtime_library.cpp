#include "runtime_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <optional>

#include "stack_fix.h"

namespace winejvm {
namespace {

template <typename Function>
bool resolve(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  if (!function) std::fprintf(stderr, "jvm.dll forwarder: %s has no %s\n", WINEJVM_LIBJVM, name);
  return function != nullptr;
}

std::optional<RuntimeLibrary> load() {
  // Never closed: a VM cannot be unloaded from its process.
  void* library = dlopen(WINEJVM_LIBJVM, RTLD_NOW | RTLD_GLOBAL);
  if (!library) {
    std::fprintf(stderr, "jvm.dll forwarder: cannot load %s: %s\n", WINEJVM_LIBJVM, dlerror());
    return std::nullopt;
  }
  RuntimeLibrary runtime{};
  if (!resolve(library, "JNI_CreateJavaVM", runtime.create_java_vm) ||
      !resolve(library, "JNI_GetCreatedJavaVMs", runtime.get_created_java_vms) ||
      !resolve(library, "JNI_GetDefaultJavaVMInitArgs", runtime.get_default_java_vm_init_args)) {
    return std::nullopt;
  }
  if (install_stack_fix() == 0) {
    std::fprintf(stderr, "jvm.dll forwarder: found no pthread_getattr_np reference in %s to fix\n", WINEJVM_LIBJVM);
  }
  return runtime;
}

}  // namespace

const RuntimeLibrary* runtime_library() {
  static const std::optional<RuntimeLibrary> runtime = load();
  return runtime ? &*runtime : nullptr;
}

}  // namespace winejvm
