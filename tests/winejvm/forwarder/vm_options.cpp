#include "vm_options.h"

#include <cstring>

#include "exit_relay.h"
#include "output_hook.h"
#include "unix_paths.h"

namespace winejvm {
namespace {

struct PathOption {
  const char* prefix;
  std::string (*to_unix)(const std::string&);
};

const PathOption path_options[] = {
    {"-Djava.class.path=", unix_path_list}, {"-Djava.library.path=", unix_path_list},
    {"-Xbootclasspath/a:", unix_path_list}, {"-Djava.io.tmpdir=", unix_path},
    {"-XX:ErrorFile=", unix_path},          {"-XX:HeapDumpPath=", unix_path},
};

const PathOption* path_option_of(const char* option) {
  for (const PathOption& candidate : path_options) {
    if (std::strncmp(option, candidate.prefix, std::strlen(candidate.prefix)) == 0) return &candidate;
  }
  return nullptr;
}

// Options whose extra information is a function that the VM calls.
struct HookOption {
  const char* name;  // HotSpot compares exactly, case included
  void* (*linux_hook_for)(void* windows_hook);
  bool always;  // given to the VM even when the program gives no hook
};

const HookOption hook_options[] = {
    {"vfprintf", linux_vfprintf_hook_for, false},
    {"exit", linux_exit_hook_for, true},
    {"abort", linux_abort_hook_for, true},
};

const HookOption* hook_option_of(const char* option) {
  for (const HookOption& candidate : hook_options) {
    if (std::strcmp(option, candidate.name) == 0) return &candidate;
  }
  return nullptr;
}

}  // namespace

RewrittenOptions::RewrittenOptions(const JavaVMInitArgs& windows_args) : args_(windows_args) {
  for (jint i = 0; i < windows_args.nOptions; ++i) add(windows_args.options[i]);
  for (const HookOption& hook : hook_options) {
    if (hook.always && !has_option(hook.name)) {
      options_.push_back({const_cast<char*>(hook.name), hook.linux_hook_for(nullptr)});
    }
  }
  args_.nOptions = static_cast<jint>(options_.size());
  args_.options = options_.data();
}

void RewrittenOptions::add(const JavaVMOption& option) {
  const char* text = option.optionString;
  if (const HookOption* hook = hook_option_of(text)) {
    options_.push_back({option.optionString, hook->linux_hook_for(option.extraInfo)});
    return;
  }
  if (const PathOption* path_option = path_option_of(text)) {
    const std::size_t prefix_length = std::strlen(path_option->prefix);
    const std::string converted = path_option->to_unix(text + prefix_length);
    options_.push_back({const_cast<char*>(keep(path_option->prefix + converted)), option.extraInfo});
    return;
  }
  options_.push_back(option);
}

bool RewrittenOptions::has_option(const char* text) const {
  for (const JavaVMOption& option : options_) {
    if (std::strcmp(option.optionString, text) == 0) return true;
  }
  return false;
}

const char* RewrittenOptions::keep(std::string text) {
  strings_.push_back(std::move(text));
  return strings_.back().c_str();
}

}  // namespace winejvm
