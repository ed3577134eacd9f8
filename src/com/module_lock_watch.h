// Watching the module's lock count (com/module_lock.h): a local server counts its process's
// references with it (see com/local_server.cpp).
#pragma once

namespace tavlin {

// Hears of every unit taken and given back while it watches.
struct ModuleLockWatcher {
    void (*unit_added)();
    void (*unit_released)();
};

// Starts watching with `watcher`, or stops with null.
void watch_module_lock(const ModuleLockWatcher *watcher);

}  // namespace tavlin
