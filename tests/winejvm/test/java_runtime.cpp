#include "java_runtime.h"

#include <string>

namespace winejvm_test {
namespace {

const char* const java_key = "Software\\JavaSoft\\Java Runtime Environment";

class RegistryKey {
 public:
  RegistryKey(HKEY parent, const std::string& name) {
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegistryKey() {
    if (key_) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  HKEY get() const { return key_; }

  std::optional<std::string> text(const char* value) const {
    char buffer[MAX_PATH * 2] = {};
    DWORD size = sizeof buffer - 1;
    if (!key_ ||
        RegQueryValueExA(key_, value, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    return std::string(buffer);
  }

 private:
  HKEY key_ = nullptr;
};

std::optional<std::string> registered_runtime_path(Report& report) {
  const RegistryKey java(HKEY_LOCAL_MACHINE, java_key);
  const std::optional<std::string> version = java.text("CurrentVersion");
  report.check(std::string("HKLM\\") + java_key + " has a CurrentVersion", version.has_value());
  if (!version) return std::nullopt;
  const RegistryKey current(java.get(), *version);
  const std::optional<std::string> path = current.text("RuntimeLib");
  report.check("version " + *version + " has a RuntimeLib" + (path ? " (" + *path + ")" : ""), path.has_value());
  return path;
}

template <typename Function>
void resolve(Report& report, HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  report.check(std::string("GetProcAddress finds ") + name, function != nullptr);
}

}  // namespace

std::optional<JavaRuntime> load_registered_runtime(Report& report) {
  const std::optional<std::string> path = registered_runtime_path(report);
  if (!path) return std::nullopt;
  // Never freed: a process keeps its VM, and so its runtime library, to the end.
  const HMODULE module = LoadLibraryA(path->c_str());
  report.check("LoadLibraryA loads the RuntimeLib", module != nullptr,
               module ? "" : "error " + std::to_string(GetLastError()));
  if (!module) return std::nullopt;
  JavaRuntime runtime{};
  resolve(report, module, "JNI_CreateJavaVM", runtime.create_java_vm);
  resolve(report, module, "JNI_GetCreatedJavaVMs", runtime.get_created_java_vms);
  resolve(report, module, "JNI_GetDefaultJavaVMInitArgs", runtime.get_default_java_vm_init_args);
  if (!runtime.create_java_vm || !runtime.get_created_java_vms || !runtime.get_default_java_vm_init_args) {
    return std::nullopt;
  }
  return runtime;
}

}  // namespace winejvm_test
