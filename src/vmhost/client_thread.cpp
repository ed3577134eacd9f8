#include "vmhost/client_thread.h"

#include <atomic>
#include <cstdio>
#include <mutex>

#include "errors/tavlin_ex.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"
#include "util/platform.h"

namespace tavlin {

namespace {

// Once the process has begun to end, the VM's own threads may have been stopped wherever
// they were, holding the VM's locks: no thread may detach then.
bool process_is_ending()
{
#ifdef _WIN32
    using Query = BOOLEAN(WINAPI *)(void);
    static const Query query = reinterpret_cast<Query>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlDllShutdownInProgress")));
    return query && query();
#else
    return RtlDllShutdownInProgress();
#endif
}

std::atomic<JavaVM *> attaching_vm{nullptr};  // the VM the slot's threads were attached to

// Runs when a thread that the bridge attached ends. Fiber-local storage calls it outside the
// loader lock (before the DLL_THREAD_DETACH notifications), so the VM's thread-list and
// safepoint work in DetachCurrentThread cannot wait on a thread that waits for the loader.
void WINAPI detach_ending_thread(PVOID)
{
    JavaVM *vm = attaching_vm.load();
    if (process_is_ending() || !vm) return;
    JNIEnv *env = nullptr;
    if (vm->GetEnv(reinterpret_cast<void **>(&env), JNI_VERSION_1_2) != JNI_OK) return;  // gone already
    vm->DetachCurrentThread();
}

// The slot whose value marks a thread the bridge attached; its callback detaches the thread.
DWORD bridge_slot()
{
    static DWORD slot = FLS_OUT_OF_INDEXES;
    static std::once_flag made;
    std::call_once(made, [] { slot = FlsAlloc(&detach_ending_thread); });
    return slot;
}

PVOID const kAttachedByBridge = reinterpret_cast<PVOID>(1);

JNIEnv *attach_as_client(JavaVM *vm)
{
    char name[32];
    std::snprintf(name, sizeof name, "tavlin client %lu", static_cast<unsigned long>(GetCurrentThreadId()));
    JavaVMAttachArgs args = {JNI_VERSION_1_2, name, nullptr};
    JNIEnv *env = nullptr;
    if (vm->AttachCurrentThreadAsDaemon(reinterpret_cast<void **>(&env), &args) < 0)
        throw new TavlinEx("AttachCurrentThread() failed.");
    return env;
}

// Service lookups (JDBC drivers, XML and scripting factories) go through the context class
// loader, which a thread attached from native code does not have.
void give_system_class_loader(JNIEnv *env)
{
    const CLocalRef loader = system_class_loader(env);
    const LocalRef<jclass> thread_class = jni::find_class(env, "java/lang/Thread");
    jmethodID current = jni::get_static_method_id(env, thread_class.get(), "currentThread", "()Ljava/lang/Thread;");
    const CLocalRef thread = jni::call_static_method<jobject>(env, thread_class.get(), current);
    jmethodID set_loader =
        jni::get_method_id(env, thread_class.get(), "setContextClassLoader", "(Ljava/lang/ClassLoader;)V");
    jni::call_method<void>(env, thread.get(), set_loader, loader.get());
}

}  // namespace

CLocalRef system_class_loader(JNIEnv *env)
{
    const LocalRef<jclass> loader_class = jni::find_class(env, "java/lang/ClassLoader");
    jmethodID system_loader =
        jni::get_static_method_id(env, loader_class.get(), "getSystemClassLoader", "()Ljava/lang/ClassLoader;");
    return jni::call_static_method<jobject>(env, loader_class.get(), system_loader);
}

JNIEnv *client_thread_env(JavaVM *vm)
{
    JNIEnv *env = nullptr;
    if (vm->GetEnv(reinterpret_cast<void **>(&env), JNI_VERSION_1_2) == JNI_OK) return env;
    // Attaching while the process ends could wait on a VM thread that is gone already.
    DWORD slot = bridge_slot();
    if (slot == FLS_OUT_OF_INDEXES || process_is_ending()) throw new TavlinEx("AttachCurrentThread() failed.");
    attaching_vm = vm;
    env = attach_as_client(vm);
    try {
        give_system_class_loader(env);
    } catch (TavlinEx *) {
        vm->DetachCurrentThread();
        throw;
    }
    FlsSetValue(slot, kAttachedByBridge);
    return env;
}

bool attached_by_bridge()
{
    DWORD slot = bridge_slot();
    return slot != FLS_OUT_OF_INDEXES && FlsGetValue(slot) == kAttachedByBridge;
}

}  // namespace tavlin
