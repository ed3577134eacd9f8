// The platform's registrar component, which runs the registry scripts: the port's on Linux;
// on Windows the system's, declared by the port's header from its published layout.
#pragma once

#include "util/platform.h"

#ifdef _WIN32
#include "port/include/tavlinport/registrar.h"
#else
#include <tavlinport/registrar.h>
#endif
