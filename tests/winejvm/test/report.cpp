#include "report.h"

#include <cstdio>

namespace winejvm_test {

void Report::check(const std::string& name, bool passed, const std::string& detail) {
  std::lock_guard guard(lock_);
  ++(passed ? passed_ : failed_);
  // Details explain failures; a passing check needs only its name.
  const bool explained = !passed && !detail.empty();
  std::printf("%s %s%s%s\n", passed ? "ok  " : "FAIL", name.c_str(), explained ? ": " : "",
              explained ? detail.c_str() : "");
  std::fflush(stdout);
}

int Report::finish() {
  std::printf("%d passed, %d failed\n", passed_, failed_);
  std::fflush(stdout);
  return failed_ == 0 && passed_ > 0 ? 0 : 1;
}

}  // namespace winejvm_test
