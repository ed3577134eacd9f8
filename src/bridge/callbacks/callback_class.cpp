#include "bridge/callbacks/callback_class.h"

#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

#include "bridge/boundary/com_boundary.h"
#include "bridge/callbacks/callback_target.h"
#include "errors/tavlin_ex.h"
#include "javaref/java_exception.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"
#include "vmhost/client_thread.h"

namespace tavlin {

namespace {

#include "script_callback_class.inc"

constexpr const char *kClassName = "tavlin/bridge/ScriptCallback";

// Every automation object a Java proxy holds, by the proxy's handle, until the proxy's
// collection lets it go. What the collector never gets to ends with the process, still here.
// A handle is a number given once, never an address: a call that comes with a handle let go
// of already (or one never given) finds nothing, and a call under way holds its target, so
// that letting go of it in the meantime leaves the deletion to the call's end.
class LiveTargets {
public:
    jlong add(std::shared_ptr<CallbackTarget> target)
    {
        std::lock_guard<std::mutex> hold(lock_);
        const jlong handle = ++last_handle_;
        targets_.emplace(handle, std::move(target));
        return handle;
    }
    // The target for one call; null when the handle holds none.
    std::shared_ptr<CallbackTarget> find(jlong handle)
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto found = targets_.find(handle);
        return found == targets_.end() ? nullptr : found->second;
    }
    // Removes the target from the list; the caller's holder deletes it outside the lock, when
    // no call holds it any more.
    std::shared_ptr<CallbackTarget> take(jlong handle)
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto found = targets_.find(handle);
        if (found == targets_.end()) return nullptr;
        std::shared_ptr<CallbackTarget> taken = std::move(found->second);
        targets_.erase(found);
        return taken;
    }

private:
    std::mutex lock_;
    jlong last_handle_ = 0;
    std::unordered_map<jlong, std::shared_ptr<CallbackTarget>> targets_;
};

LiveTargets &live_targets()
{
    static LiveTargets *targets = new LiveTargets;  // never destroyed: the releasing thread may run at exit
    return *targets;
}

// An error of the bridge as the Java caller sees it: a RuntimeException with its description,
// or the Java exception that the bridge could not describe on the way (see tavlin_ex.h).
void throw_runtime_exception(JNIEnv *env, const TavlinEx &error)
{
    CLocalRef undescribed(env, take_undescribed_exception(env));
    if (undescribed) {
        env->Throw(undescribed.as<jthrowable>());
        return;
    }
    CLocalRef klass(env, env->FindClass("java/lang/RuntimeException"));
    if (!klass) return;  // its error is pending instead
    jmethodID init = env->GetMethodID(klass.as<jclass>(), "<init>", "(Ljava/lang/String;)V");
    if (!init) return;
    const OLECHAR *text = error.description();
    CLocalRef message(env, text ? env->NewString(reinterpret_cast<const jchar *>(text),
                                                 static_cast<jsize>(error.description_length()))
                                : nullptr);
    if (env->ExceptionCheck()) return;
    CLocalRef exception(env, env->NewObject(klass.as<jclass>(), init, message.get()));
    if (exception) env->Throw(exception.as<jthrowable>());
}

// The edge between a native method and the bridge below it: what the bridge throws becomes
// the Java exception the native method throws.
template <class Body> jobject java_boundary(JNIEnv *env, Body &&body)
{
    try {
        return body();
    } catch (TavlinEx *error) {
        throw_runtime_exception(env, *TavlinExPtr(error));
    } catch (SE_Exception *error) {
        throw_runtime_exception(env, *described(*SE_ExceptionPtr(error)));
    } catch (const std::bad_alloc &) {
        CLocalRef klass(env, env->FindClass("java/lang/OutOfMemoryError"));
        if (klass) env->ThrowNew(klass.as<jclass>(), "The bridge is out of memory.");
    }
    return nullptr;
}

jobject JNICALL native_call(JNIEnv *env, jclass, jlong handle, jobject, jobject method, jobjectArray args)
{
    return java_boundary(env, [&] {
        const std::shared_ptr<CallbackTarget> target = live_targets().find(handle);
        if (!target) throw new TavlinEx("The automation object behind this Java object was released.");
        return target->call(env, method, args);
    });
}

void JNICALL native_release(JNIEnv *env, jclass, jlong handle)
{
    java_boundary(env, [&]() -> jobject {
        live_targets().take(handle);
        return nullptr;
    });
}

struct CallbackClass {
    jclass klass;  // a global reference, kept for the process
    jmethodID make;
};

// The class as the system class loader has it: defined from the carried bytes, or found
// there when an earlier load of the library in this process defined it already.
LocalRef<jclass> system_class(JNIEnv *env)
{
    const CLocalRef loader = system_class_loader(env);
    jclass defined = env->DefineClass(kClassName, loader.get(), reinterpret_cast<const jbyte *>(kScriptCallbackClass),
                                      static_cast<jsize>(sizeof kScriptCallbackClass));
    if (defined) return LocalRef<jclass>(env, defined);
    env->ExceptionClear();  // a duplicate definition: look the earlier one up
    const LocalRef<jclass> loader_class(env, env->GetObjectClass(loader.get()));
    jmethodID load_class =
        jni::get_method_id(env, loader_class.get(), "loadClass", "(Ljava/lang/String;)Ljava/lang/Class;");
    const LocalRef<jstring> name = jni::new_string_utf(env, "tavlin.bridge.ScriptCallback");
    return jni::call_method<jclass>(env, loader.get(), load_class, name.get());
}

CallbackClass define_callback_class(JNIEnv *env)
{
    const LocalRef<jclass> klass = system_class(env);
    JNINativeMethod natives[] = {
        {const_cast<char *>("call"),
         const_cast<char *>("(JLjava/lang/Object;Ljava/lang/reflect/Method;[Ljava/lang/Object;)Ljava/lang/Object;"),
         reinterpret_cast<void *>(&native_call)},
        {const_cast<char *>("release"), const_cast<char *>("(J)V"), reinterpret_cast<void *>(&native_release)},
    };
    if (jni::register_natives(env, klass.get(), natives, 2) != JNI_OK)
        throw new TavlinEx("Unable to register the native methods of the script callback class.");
    jmethodID make = jni::get_static_method_id(env, klass.get(), "make", "([Ljava/lang/Class;J)Ljava/lang/Object;");
    jclass global = static_cast<jclass>(env->NewGlobalRef(klass.get()));
    if (!global) throw new TavlinEx("Unable to keep the script callback class.");
    return {global, make};
}

// Defined once per process (a failed attempt is retried by the next caller).
const CallbackClass &callback_class(JNIEnv *env)
{
    static const CallbackClass defined = define_callback_class(env);
    return defined;
}

}  // namespace

jobject make_callback(JNIEnv *env, jobjectArray interfaces, IDispatch *object, bool functional)
{
    const CallbackClass &callback = callback_class(env);
    jvalue args[2];
    args[0].l = interfaces;
    args[1].j = live_targets().add(std::make_shared<CallbackTarget>(object, functional));
    try {
        return jni::call_static_method_a<jobject>(env, callback.klass, callback.make, args).release();
    } catch (...) {
        live_targets().take(args[1].j);  // no proxy holds it
        throw;
    }
}

}  // namespace tavlin
