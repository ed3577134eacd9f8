// Registry key handles: the predefined ones and those that RegOpenKeyExA and
// RegCreateKeyExA hand out.
#pragma once

#include <optional>

#include "registry/tree.h"
#include "tavlinport/registry.h"

namespace tavlinport::registry {

struct OpenKey {
    KeyPath path;  // with the names' stored case
    REGSAM access = 0;
};

// A predefined handle gives its root path with every right, or the key put in its place by
// override_predefined_key; null and unknown handles give nothing.
std::optional<OpenKey> find_open_key(HKEY handle);
HKEY add_open_key(OpenKey key);
// Puts the key of `replacement` in place of a predefined handle for the whole process (the
// key itself, with the replacement's rights, so the replacement may be closed afterwards);
// a null replacement gives the handle its own root back.
LSTATUS override_predefined_key(HKEY predefined, HKEY replacement);
// Closing a predefined handle succeeds and changes nothing, as on Windows.
bool close_open_key(HKEY handle);

}  // namespace tavlinport::registry
