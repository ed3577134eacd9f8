// The table of open registry key handles.
#include "registry/handles.h"

#include <mutex>
#include <unordered_map>

namespace tavlinport::registry {
namespace {

std::mutex table_mutex;
std::unordered_map<uintptr_t, OpenKey> open_keys;
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
    if (auto path = predefined_path(handle)) return OpenKey{*path, KEY_ALL_ACCESS};
    std::lock_guard<std::mutex> lock(table_mutex);
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

bool close_open_key(HKEY handle)
{
    if (predefined_path(handle)) return true;
    std::lock_guard<std::mutex> lock(table_mutex);
    return open_keys.erase(reinterpret_cast<uintptr_t>(handle)) != 0;
}

}  // namespace tavlinport::registry
