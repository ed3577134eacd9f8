// In-process capture of the debugger output, for tests that check the exact lines the
// bridge writes with OutputDebugStringA.
#pragma once

#include "wintypes.h"

// Called once per OutputDebugStringA call with the text exactly as given (no line end added)
// and the context passed at installation. Calls are serialised: the sink never runs on two
// threads at once, so it needs no lock of its own.
typedef void (*PortDebugOutputSink)(const char *text, void *context);

// Installs the sink (a null sink removes it). It receives the text in addition to whatever
// TAVLIN_DEBUG_OUTPUT selects. Returns only after any call to the previous sink has finished.
TAVLINPORT_API void PortSetDebugOutputCapture(PortDebugOutputSink sink, void *context);

// Whether OutputDebugStringA's text goes anywhere now: a sink is installed or
// TAVLIN_DEBUG_OUTPUT names a destination.
TAVLINPORT_API bool PortDebugOutputWanted();
