// The bridge's traces on the debugger output: the Java text of each method before it runs,
// each Java exception caught, the length of each array converted.
#pragma once

namespace tavlin {

// Sends `text` to the debugger output when somebody can see it. On Windows every
// OutputDebugString raises a structured exception, listener or not (about ten microseconds
// under Wine, several on Windows: more than the proxy call it traces), so the text goes out
// only while a debugger is attached or a debug-output listener (DebugView and the like)
// waits for it. Natively the port's debugger output is free when nothing captures it.
void debug_trace(const char *text);

// Whether debug_trace's text would reach anybody now: a trace that costs Java calls to build
// (a stack trace) is built only then.
bool debug_trace_wanted();

}  // namespace tavlin
