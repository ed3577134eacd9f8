#include "output_hook.h"

#include <jni.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "abi.h"
#include "windows_env.h"

namespace winejvm {
namespace {

using WindowsVfprintf = jint(WIN_JNICALL*)(FILE* stream, const char* format, WinVaList args);

// Kept as void*: std::atomic would drop the calling-convention attribute of the type.
std::atomic<void*> windows_vfprintf{nullptr};

std::string formatted(const char* format, va_list args) {
  va_list measuring;
  va_copy(measuring, args);
  const int length = std::vsnprintf(nullptr, 0, format, measuring);
  va_end(measuring);
  if (length <= 0) return {};
  std::string text(static_cast<std::string::size_type>(length) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  text.pop_back();
  return text;
}

jint call_windows_hook(WindowsVfprintf hook, FILE* stream, const std::string& text) {
  // A Windows va_list is a pointer to the arguments' stack slots, one pointer-sized slot
  // per pointer argument on both Win64 and win32.
  const char* slots[] = {text.c_str()};
  return hook(stream, "%s", reinterpret_cast<WinVaList>(slots));
}

jint vfprintf_through_windows(FILE* stream, const char* format, va_list args) {
  if (!is_windows_thread()) return std::vfprintf(stream, format, args);
  const auto hook = reinterpret_cast<WindowsVfprintf>(windows_vfprintf.load());
  return call_windows_hook(hook, stream, formatted(format, args));
}

}  // namespace

void* linux_vfprintf_hook_for(void* windows_hook) {
  windows_vfprintf.store(windows_hook);
  return reinterpret_cast<void*>(&vfprintf_through_windows);
}

}  // namespace winejvm
