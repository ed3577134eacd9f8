// The table of open registry key handles.
#include "registry/handles.h"

#include <mutex>
#include <unordered_map>

namespace tavlinport::registry {
namespace {

std::mutex table_mutex;
std::unordered_map<uintptr_t, OpenKey> open_keys;
// The keys that RegOverridePredefKey put in place of predefined handles, for the whole
// process.
std::unordered_map<uintptr_t, OpenKey> overridden_keys;
// Handle values are never reused, so a stale handle stays invalid instead of reaching
// another key. They stay far below the predefined handles' values.
uintptr_t next_handle = 0x100;

std::optional<KeyPath> predefined_path(HKEY handle)
{
    if (handle == HKEY_LOCAL_MACHINE) return KeyPath{kLocalMachine};
    if (handle == HKEY_CURRENT_USER) return KeyPath{kCurrentUser};
    if (handle == HKEY_USERS) return KeyPath{kUsers};
    if (handle == HKEY_CLASSES_ROOT) return root_path_for_name("HKEY_CLASSES_ROOT");
    return std::nullopt;
}

}  // namespace

std::optional<OpenKey> find_open_key(HKEY handle)
{
    std::lock_guard<std::mutex> lock(table_mutex);
    if (auto path = predefined_path(handle)) {
        auto overridden = overridden_keys.find(reinterpret_cast<uintptr_t>(handle));
        return overridden != overridden_keys.end() ? overridden->second : OpenKey{*path, KEY_ALL_ACCESS};
    }
    auto found = open_keys.find(reinterpret_cast<uintptr_t>(handle));
    if (found == open_keys.end()) return std::nullopt;
    return found->second;
}

HKEY add_open_key(OpenKey key)
{
    std::lock_guard<std::mutex> lock(table_mutex);
    const uintptr_t handle = next_handle;
    next_handle += 4;
    open_keys.emplace(handle, std::move(key));
    return reinterpret_cast<HKEY>(handle);
}

LSTATUS override_predefined_key(HKEY predefined, HKEY replacement)
{
    if (!predefined_path(predefined)) return ERROR_INVALID_HANDLE;
    std::optional<OpenKey> key;
    if (replacement && !(key = find_open_key(replacement))) return ERROR_INVALID_HANDLE;
    std::lock_guard<std::mutex> lock(table_mutex);
    if (key) {
        overridden_keys.insert_or_assign(reinterpret_cast<uintptr_t>(predefined), std::move(*key));
    } else {
        overridden_keys.erase(reinterpret_cast<uintptr_t>(predefined));
    }
    return ERROR_SUCCESS;
}

bool close_open_key(HKEY handle)
{
    if (predefined_path(handle)) return true;
    std::lock_guard<std::mutex> lock(table_mutex);
    return open_keys.erase(reinterpret_cast<uintptr_t>(handle)) != 0;
}

}  // namespace tavlinport::registry
