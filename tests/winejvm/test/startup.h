// Creating the VM through jvm.dll, and what the VM made of the start-up options.
#pragma once

#include <jni.h>

#include <optional>
#include <string>

#include "checks.h"
#include "java_runtime.h"

namespace winejvm_test {

// From the command line, written by the build, which knows both forms of each path.
struct Settings {
  std::string class_path;           // Windows form, ';'-separated
  std::string expected_class_path;  // as the Linux VM must see it
  std::string tmpdir;
  std::string expected_tmpdir;
  std::string child;  // in the child processes of check_endings: how to end the VM
};

std::optional<Settings> parse_settings(int argc, char** argv);

// Creates the VM with the options of a typical host, its "vfprintf" hook and -Xcheck:jni.
std::optional<Context> start_vm(Report& report, const JavaRuntime& runtime, const Settings& settings);

void check_startup(Context& context, const JavaRuntime& runtime, const Settings& settings);

// Windows threads print through the hook; the VM's own threads, which have no TEB for
// Windows code, print to the stream they were given, as if there were no hook.
void check_output_threads(Context& context, const Settings& settings);

// Child processes end their VMs by System.exit and by FatalError, with and without the
// "exit" and "abort" hooks; Wine must report the status that each way gives.
void check_endings(Report& report);
// The child's side; returns only if the VM did not end the process.
int end_vm_in_child(const JavaRuntime& runtime, const std::string& mode);

// Runs last: it first checks that checked JNI had nothing to say, then provokes it.
void check_checked_jni(Context& context);

}  // namespace winejvm_test
