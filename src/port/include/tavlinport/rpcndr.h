// See rpc.h: the declaration macros that <ole2.h> gives.
#pragma once

#include "ole2.h"
