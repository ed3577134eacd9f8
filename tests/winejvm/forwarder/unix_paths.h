// Windows paths in VM options, as the Linux VM needs them.
#pragma once

#include <string>

namespace winejvm {

// The Unix path that Wine maps a Windows path to (relative ones against the current
// Windows directory). Paths that are Unix already ("/...") and paths that Wine cannot map
// (a missing folder on the way) come back unchanged.
std::string unix_path(const std::string& windows_path);

// A ';'-separated Windows path list as the ':'-separated list of the Linux VM, entry by
// entry and in order; empty entries stay empty.
std::string unix_path_list(const std::string& windows_list);

}  // namespace winejvm
