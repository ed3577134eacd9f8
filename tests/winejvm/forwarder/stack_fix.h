// Lets HotSpot see the stack that the Windows main thread really runs on.
//
// Wine runs the Windows main thread on a stack of its own, but glibc's
// pthread_getattr_np() still reports the thread's original Linux stack. HotSpot takes its
// stack bounds from there, finds the stack pointer outside them and throws
// StackOverflowError while creating the VM or attaching the thread. Threads made by
// CreateThread are unaffected: Wine gives their stack to pthread_create.
#pragma once

namespace winejvm {

// Points libjvm.so's references to pthread_getattr_np at a version that, for a Windows
// thread whose stack pointer lies outside the reported stack, reports the stack bounds
// from the thread's TEB instead. Returns the number of references changed (0 when
// libjvm.so is not loaded or does not use the function).
int install_stack_fix();

}  // namespace winejvm
