// The start-up options of a Windows program, rewritten for the Linux VM.
#pragma once

#include <jni.h>

#include <deque>
#include <string>
#include <vector>

namespace winejvm {

// Same options in the same order, with these changes: Windows paths in path options become
// Unix paths; the hooks ("vfprintf", "exit", "abort") become Linux functions that pass on
// to the program's Windows functions (output_hook.h, exit_relay.h); and "exit" and
// "abort" hooks are added at the end when the program gave none, so that the VM ends the
// process through Wine.
class RewrittenOptions {
 public:
  explicit RewrittenOptions(const JavaVMInitArgs& windows_args);
  RewrittenOptions(const RewrittenOptions&) = delete;
  RewrittenOptions& operator=(const RewrittenOptions&) = delete;

  JavaVMInitArgs* args() { return &args_; }

 private:
  void add(const JavaVMOption& option);
  bool has_option(const char* text) const;
  const char* keep(std::string text);

  std::deque<std::string> strings_;  // a deque keeps the c_str() of earlier strings valid
  std::vector<JavaVMOption> options_;
  JavaVMInitArgs args_;
};

}  // namespace winejvm
