// Calls into Java from the thread of a single-threaded apartment that Java may call back. A Java
// thread that calls one of the apartment's callback objects (a parallel stream's worker, an
// executor's task) waits for the apartment, whose thread would be held inside the very Java call
// that waits for that thread: for ever. So while the apartment has live callback objects, its
// calls into Java run on a worker thread of its own, and the apartment's thread waits for the
// worker in COM's modal loop, which lets the waiting calls in. A callback that the worker itself
// makes on the apartment's objects (a sort's comparator) is handed straight to the waiting
// thread, without marshaling. A thread without callback objects calls Java itself, as every
// thread does on the Linux port, which has no apartments.
#pragma once

#include <jni.h>

#include <functional>
#include <memory>
#include <type_traits>

#include "javaref/local_ref.h"
#include "util/platform.h"
#include "vmhost/global_ref.h"

namespace tavlin {

#ifdef _WIN32
struct ApartmentCallbacks;

// One callback object counted among the live ones of the apartment it is made in, for its life:
// made on the apartment's thread, it may end on any (Java's collector lets it go). Nothing is
// counted for the multithreaded apartment, which no thread has to let calls into.
class LiveCallback {
public:
    // `apartment_thread`: the calling thread's id in a single-threaded apartment, else 0.
    explicit LiveCallback(DWORD apartment_thread);
    ~LiveCallback();
    LiveCallback(const LiveCallback &) = delete;
    LiveCallback &operator=(const LiveCallback &) = delete;

private:
    std::shared_ptr<ApartmentCallbacks> apartment_;
};

// Whether the calling thread's apartment has live callback objects, so that its calls into Java
// are to run on its worker. One thread-local read on a thread that never made one.
bool lets_callbacks_in();

// A Java call, made with the JNI environment of the thread that runs it.
using JavaCall = std::function<void(JNIEnv *)>;

// Runs `call` on the calling apartment's worker (attached to the VM), letting the apartment's
// waiting calls in until it returns, and throws what it threw. Where lets_callbacks_in().
void run_letting_callbacks_in(const JavaCall &call);

// On a worker running a Java call for the apartment of `apartment_thread`: runs `call` on that
// apartment's thread, which waits for this worker, throws what it threw and answers true. False
// on any other thread, which `call` is left to.
bool run_in_waiting_apartment(DWORD apartment_thread, const std::function<void()> &call);

namespace detail {

// A Java call's result carried from the worker to the calling thread: a local reference
// travels as a global one and comes back as the caller's own local reference.
template <class R> struct Carried {
    R value{};
    void keep(JNIEnv *, R made) { value = made; }
    R take(JNIEnv *) { return value; }
};

template <class T> struct Carried<LocalRef<T>> {
    GlobalRef<T> value;
    void keep(JNIEnv *env, LocalRef<T> made) { value = new_global_ref(env, made.get()); }
    LocalRef<T> take(JNIEnv *env) { return LocalRef<T>(env, static_cast<T>(env->NewLocalRef(value.get()))); }
};

}  // namespace detail

// `java_call(env)` made on the calling apartment's worker, its result handed to the calling
// thread (whose environment is `env`). `java_call` may use no local reference of the caller.
template <class F> auto call_on_worker(JNIEnv *env, F &&java_call)
{
    using R = decltype(java_call(env));
    if constexpr (std::is_void_v<R>) {
        run_letting_callbacks_in([&](JNIEnv *worker) { java_call(worker); });
    } else {
        detail::Carried<R> carried;
        run_letting_callbacks_in([&](JNIEnv *worker) { carried.keep(worker, java_call(worker)); });
        return carried.take(env);
    }
}
#endif

}  // namespace tavlin
