#include "vm_output.h"

#include <mutex>

namespace winejvm_test {
namespace {

std::mutex lock;
std::string captured;

}  // namespace

jint JNICALL capture_vm_output(FILE*, const char* format, va_list args) {
  char text[4096];
  const int length = std::vsnprintf(text, sizeof text, format, args);
  std::lock_guard guard(lock);
  captured += text;
  return length;
}

std::string captured_vm_output() {
  std::lock_guard guard(lock);
  return captured;
}

}  // namespace winejvm_test
