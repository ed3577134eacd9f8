// Where a module lies, spelled for the system (UTF-16, any length) and for the VM's options.
#pragma once

#include <string>

#include "util/platform.h"

namespace tavlin {

// The full file name of `module` (null: the host executable), empty when it cannot be read.
// Wide and unbounded on Windows: a per-user install lies in the user's profile, whose name
// may hold characters of no ANSI code page, and a path may be longer than MAX_PATH.
OleString module_path(HMODULE module);

// `path` as the VM reads a path in an option string: in the ANSI code page on Windows, where
// a path that the code page cannot spell is given by its short (8.3) form, which it can;
// UTF-8 elsewhere. Empty when there is no such spelling (a volume without short names).
std::string path_for_vm_option(const OleString &path);

}  // namespace tavlin
