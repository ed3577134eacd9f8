// The module's lock count: one unit per live object and per client hold on a class object
// or LockServer(TRUE).
#pragma once

#include "util/platform.h"

namespace tavlin {

void module_lock();
void module_unlock();

// A unit for the library's code that Java can still reach (a Java class's natives): it keeps
// the library loaded but stands for no client's reference, so a local server's process does
// not wait for it (com/module_lock_watch.h hears nothing of it).
void module_lock_for_code();
void module_unlock_for_code();
LONG module_lock_count();

}  // namespace tavlin
