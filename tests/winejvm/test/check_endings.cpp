// How the process ends when the VM ends it: by System.exit or FatalError, with and without
// the "exit" and "abort" hooks, each in a child process of its own.
#include <windows.h>

#include <string>
#include <vector>

#include "owned_handle.h"
#include "startup.h"
#include "vm_output.h"

namespace winejvm_test {
namespace {

// How a child process ends its VM, and the exit status that Wine must then report.
struct Ending {
  const char* mode;
  bool hook;
  bool fatal;
  DWORD status;
  const char* check;
};

const Ending endings[] = {
    {"exit", false, false, 7, "System.exit(7): Wine reports status 7"},
    {"exit-hook", true, false, 107, "System.exit(7): the \"exit\" hook gets 7 on a Windows thread"},
    {"fatal", false, true, 3, "FatalError: Wine reports the status of abort, 3"},
    {"fatal-hook", true, true, 102, "FatalError: the \"abort\" hook runs on a Windows thread"},
};

void JNICALL exit_hook(jint status) { ExitProcess(100 + status); }
void JNICALL abort_hook() { ExitProcess(102); }

// The child's own report lines would only confuse the parent's: they go nowhere.
DWORD run_child(const char* mode) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string command = std::string("\"") + self + "\" --child=" + mode;
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const OwnedHandle nowhere(
      CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0, nullptr));
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = nowhere.get();
  PROCESS_INFORMATION child{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child)) {
    return GetLastError() | 0x80000000;
  }
  const OwnedHandle process(child.hProcess);
  const OwnedHandle thread(child.hThread);
  DWORD status = STILL_ACTIVE;
  if (WaitForSingleObject(process.get(), 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process.get(), &status);
  return status;
}

}  // namespace

void check_endings(Report& report) {
  for (const Ending& ending : endings) report.equal(ending.check, run_child(ending.mode), ending.status);
}

int end_vm_in_child(const JavaRuntime& runtime, const std::string& mode) {
  const Ending* ending = nullptr;
  for (const Ending& candidate : endings) {
    if (mode == candidate.mode) ending = &candidate;
  }
  if (!ending) return 2;
  // The VM's output goes to the hook, to keep FatalError's report out of the parent's.
  std::vector<JavaVMOption> options{{const_cast<char*>("-Xrs"), nullptr},
                                    {const_cast<char*>("vfprintf"), reinterpret_cast<void*>(&capture_vm_output)}};
  if (ending->hook) {
    options.push_back({const_cast<char*>("exit"), reinterpret_cast<void*>(&exit_hook)});
    options.push_back({const_cast<char*>("abort"), reinterpret_cast<void*>(&abort_hook)});
  }
  JavaVMInitArgs args{JNI_VERSION_1_2, static_cast<jint>(options.size()), options.data(), JNI_TRUE};
  JavaVM* vm = nullptr;
  JNIEnv* env = nullptr;
  if (runtime.create_java_vm(&vm, reinterpret_cast<void**>(&env), &args) != JNI_OK) return 10;
  if (ending->fatal) env->FatalError("deliberate, to end the VM");
  const jclass system = env->FindClass("java/lang/System");
  const jmethodID exit = env->GetStaticMethodID(system, "exit", "(I)V");
  env->functions->CallStaticVoidMethod(env, system, exit, jint{7});
  return 11;
}

}  // namespace winejvm_test
