// What callers of the registry functions see beyond the file's own keys.
#pragma once

#include <optional>
#include <vector>

#include "registry/java_installation.h"
#include "registry/tree.h"

namespace tavlinport::registry {

// Keys that exist whatever the file holds: the roots behind the predefined handles.
const std::vector<KeyPath> &predefined_key_paths();
bool is_predefined_key_path(const KeyPath &path);

// HKEY_LOCAL_MACHINE\Software\JavaSoft\Java Runtime Environment.
const KeyPath &java_runtime_environment_path();

// The file's keys, plus the predefined keys, plus a read-only description of the machine's
// Java when the file does not define the Java key itself (an empty key in the file counts).
Key compose_view(const Key &store, const std::optional<JavaInstallation> &java);

}  // namespace tavlinport::registry
