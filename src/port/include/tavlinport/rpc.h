// The RPC headers that widl's identifier files include: the port has no RPC, only the
// declaration macros that <ole2.h> gives.
#pragma once

#include "ole2.h"
