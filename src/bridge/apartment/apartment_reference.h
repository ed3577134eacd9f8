// The apartment machinery under calls between Java threads and automation objects: a
// reference to an object usable from any thread (through the global interface table), the
// calls that wait for a single-threaded apartment, and letting them in when that apartment's
// thread enters the bridge. The Linux port has no apartments: every thread calls the object
// itself, and nothing waits.
#pragma once

#include "bridge/apartment/apartment_worker.h"
#include "util/holders.h"
#include "util/platform.h"

namespace tavlin {

// COM on the calling thread for the length of one call: a Java thread joins the process's
// multithreaded apartment, a client thread keeps the apartment it has.
class ThreadComScope {
public:
    ThreadComScope() : status_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ThreadComScope()
    {
        if (SUCCEEDED(status_)) CoUninitialize();
    }
    ThreadComScope(const ThreadComScope &) = delete;
    ThreadComScope &operator=(const ThreadComScope &) = delete;

private:
    HRESULT status_;
};

// One reference on an automation object, usable from any thread of the process. On Windows it
// counts among its apartment's live callback objects (see apartment_worker.h).
class ApartmentReference {
public:
    // Takes a reference of its own on `object`. Throws TavlinEx*.
    explicit ApartmentReference(IDispatch *object);
    ~ApartmentReference();
    ApartmentReference(const ApartmentReference &) = delete;
    ApartmentReference &operator=(const ApartmentReference &) = delete;

    // The object as the calling thread may call it. Throws TavlinEx* when it cannot be
    // delivered there.
    ComPtr<IDispatch> get() const;

#ifdef _WIN32
    // The thread of the single-threaded apartment the object lives in; 0 for the
    // multithreaded apartment, which needs no thread to let calls in.
    DWORD apartment_thread() const { return apartment_thread_; }
#endif

private:
#ifdef _WIN32
    DWORD apartment_thread_;
    LiveCallback live_{apartment_thread_};
    DWORD cookie_ = 0;
#else
    ComPtr<IDispatch> object_;
#endif
};

#ifdef _WIN32
// One call counted among those waiting for the object's apartment, for its length; a call made
// on the apartment's own thread, or to an object of the multithreaded apartment, waits for
// no one.
class WaitingCall {
public:
    explicit WaitingCall(DWORD apartment_thread);
    ~WaitingCall();
    WaitingCall(const WaitingCall &) = delete;
    WaitingCall &operator=(const WaitingCall &) = delete;

private:
    DWORD apartment_thread_;
};
#endif

// On the thread of a single-threaded apartment, while calls from other threads (Java's) wait for
// that apartment: dispatches its waiting calls, as a wait of no time would, so that a client
// that polls Java (a script's loop over thread.isAlive()) receives them without pumping
// messages. A thread whose apartment nobody waits for dispatches nothing. Costs one atomic read
// while no call waits anywhere; nothing on the Linux port.
void let_waiting_calls_in();

}  // namespace tavlin
