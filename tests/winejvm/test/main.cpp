// Drives a VM behind jvm.dll the way a Windows host does and prints one line per check,
// then "N passed, M failed". Fails (exit code 1) when any check failed.
#include <cstdio>

#include "startup.h"

using namespace winejvm_test;

int main(int argc, char** argv) {
  const std::optional<Settings> settings = parse_settings(argc, argv);
  if (!settings) {
    std::fprintf(stderr,
                 "usage: winejvm_test --class-path=WINDOWS-LIST --expect-class-path=UNIX-LIST "
                 "--tmpdir=WINDOWS-PATH --expect-tmpdir=UNIX-PATH\n");
    return 2;
  }
  Report report;
  const std::optional<JavaRuntime> runtime = load_registered_runtime(report);
  if (runtime && !settings->child.empty()) return end_vm_in_child(*runtime, settings->child);
  std::optional<Context> context = runtime ? start_vm(report, *runtime, *settings) : std::nullopt;
  if (!context) return report.finish();

  check_startup(*context, *runtime, *settings);
  check_call_families(*context);
  check_strings(*context);
  check_arrays(*context);
  check_exceptions(*context);
  check_references(*context);
  check_threads(*context);
  check_natives(*context);
  check_hot_loop(*context);
  check_output_threads(*context, *settings);
  check_endings(report);
  check_checked_jni(*context);
  return report.finish();
}
