// GlobalRef: sole owner of one JNI global reference, of the UniqueHandle family (see
// util/unique_handle.h). A global reference outlives the thread that made it, so it is
// deleted on the deleting thread's own attachment, which is found (or made) then. Once the
// VM is gone, or while the process ends on a thread the VM does not know, nothing is deleted:
// the reference ends with the process.
#pragma once

#include <jni.h>

#include "util/unique_handle.h"

namespace tavlin {

// Deletes a global reference on the calling thread's attachment, if it can have one.
void delete_global_ref(jobject ref) noexcept;

template <class T> struct GlobalRefDeleter {
    using Handle = T;
    static void close(T ref) noexcept { delete_global_ref(ref); }
};

template <class T = jobject> using GlobalRef = UniqueHandle<GlobalRefDeleter<T>>;

// A new global reference to `object` (null for null).
template <class T> GlobalRef<T> new_global_ref(JNIEnv *env, T object)
{
    return GlobalRef<T>(static_cast<T>(env->NewGlobalRef(object)));
}

}  // namespace tavlin
