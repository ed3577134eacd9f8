// The library's own COM interfaces and their identifiers, as widl declares them from
// tavlin.idl, where they are described once for both platforms and for the type library.
#pragma once

#include "util/platform.h"

#include "tavlin_idl.h"
