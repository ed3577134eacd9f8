// One line per check, and a summary: "N passed, M failed".
#pragma once

#include <mutex>
#include <sstream>
#include <string>
#include <type_traits>

namespace winejvm_test {

class Report {
 public:
  void check(const std::string& name, bool passed, const std::string& detail = {});

  template <typename T, typename U>
  void equal(const std::string& name, const T& actual, const U& expected) {
    if (actual == expected) return check(name, true);
    std::ostringstream detail;
    detail << "got " << printable(actual) << ", expected " << printable(expected);
    check(name, false, detail.str());
  }

  // Prints the summary; the process's exit code.
  int finish();

 private:
  // Character types print as numbers, everything else as itself.
  template <typename T>
  static auto printable(const T& value) {
    if constexpr (sizeof(T) < sizeof(int) && std::is_integral_v<T>) {
      return static_cast<int>(value);
    } else {
      return value;
    }
  }

  std::mutex lock_;
  int passed_ = 0;
  int failed_ = 0;
};

}  // namespace winejvm_test
