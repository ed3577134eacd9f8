// Native methods that Windows code registers (RegisterNatives). The VM calls a native in the
// Linux convention with its own JNIEnv; each registered method gets a reverse thunk from a
// fixed pool that calls the Windows function in the Windows convention (x86_64: ms_abi;
// i686: JNICALL, which is stdcall there) with the Windows-side JNIEnv of the thread.
//
// A native called on one of the VM's own threads (a Java thread, the cleaner's), which are
// Linux threads without a Windows thread environment, is run on a Windows thread of the
// forwarder attached to the VM: its reference arguments and result cross as global
// references, and an exception it leaves pending is thrown again in the calling thread.
// That thread runs one such call at a time; a native it runs that waits for another such
// call deadlocks.
//
// Only signatures whose parameters and result are all of integer class (references, boolean,
// byte, char, short, int, long) and that fill at most kMaxWords machine words, the JNIEnv and
// the class or object included, are supported; others are refused.
#pragma once

#include <jni.h>

namespace winejvm {

// The Linux-convention entry to register in place of `windows_function`, or null when the
// signature is not supported or the pool is used up (a message says which). Called on a
// Windows thread.
void* reverse_thunk(JavaVM* vm, void* windows_function, const char* signature);

}  // namespace winejvm
