#include "exit_relay.h"

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <jni.h>
#include <unistd.h>
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "abi.h"

namespace winejvm {
namespace {

using WindowsExitHook = void(WIN_JNICALL*)(jint status);
using WindowsAbortHook = void(WIN_JNICALL*)();

constexpr jint abort_status = 3;

enum class Ending { none, exit, abort };

struct Request {
  Ending ending = Ending::none;
  jint status = 0;
};

std::mutex request_lock;
std::condition_variable requested;
Request request;
// Kept as void*: std::atomic would drop the calling-convention attribute of the types.
std::atomic<void*> windows_exit_hook{nullptr};
std::atomic<void*> windows_abort_hook{nullptr};

[[gnu::noinline]] Request wait_for_request() {
  std::unique_lock guard(request_lock);
  requested.wait(guard, [] { return request.ending != Ending::none; });
  return request;
}

[[gnu::noinline]] void end_process(const Request& ending) {
  if (ending.ending == Ending::exit) {
    if (void* hook = windows_exit_hook.load()) reinterpret_cast<WindowsExitHook>(hook)(ending.status);
  } else if (void* hook = windows_abort_hook.load()) {
    reinterpret_cast<WindowsAbortHook>(hook)();
  }
  ExitProcess(static_cast<UINT>(ending.status));
}

DWORD WINAPI relay_main(void*) {
  end_process(wait_for_request());
  return 0;
}

std::atomic<bool> relay_running{false};

// The VM expects neither hook to return: the calling thread waits for the process to end.
// Only without a relay thread does it return, and the VM ends the process itself.
void hand_over(Ending ending, jint status) {
  if (!relay_running.load()) return;
  {
    std::lock_guard guard(request_lock);
    if (request.ending == Ending::none) request = {ending, status};
  }
  requested.notify_one();
  for (;;) pause();
}

void exit_on_windows_thread(jint status) { hand_over(Ending::exit, status); }

void abort_on_windows_thread() { hand_over(Ending::abort, abort_status); }

}  // namespace

void start_exit_relay() {
  static std::once_flag once;
  std::call_once(once, [] {
    const HANDLE thread = CreateThread(nullptr, 0, relay_main, nullptr, 0, nullptr);
    if (!thread) {
      std::fprintf(stderr, "jvm.dll forwarder: no thread to end the process through Wine: error %lu\n",
                   static_cast<unsigned long>(GetLastError()));
      return;
    }
    CloseHandle(thread);
    relay_running.store(true);
  });
}

void* linux_exit_hook_for(void* windows_hook) {
  windows_exit_hook.store(windows_hook);
  return reinterpret_cast<void*>(&exit_on_windows_thread);
}

void* linux_abort_hook_for(void* windows_hook) {
  windows_abort_hook.store(windows_hook);
  return reinterpret_cast<void*>(&abort_on_windows_thread);
}

}  // namespace winejvm
