// The module's lock count: one unit per live object and per client hold on a class object
// or LockServer(TRUE).
#pragma once

#include "util/platform.h"

namespace tavlin {

void module_lock();
void module_unlock();
LONG module_lock_count();

}  // namespace tavlin
