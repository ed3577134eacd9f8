#include "bridge/apartment/apartment_reference.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

#include "errors/tavlin_ex.h"

namespace tavlin {

namespace {

#ifdef _WIN32
// The calls waiting for a single-threaded apartment, by the apartment's thread: while there are
// any, that thread lets them in whenever it enters the bridge. No other thread lets anything in
// for them, as that would run whatever waits for its own apartment (a host's window messages,
// other programs' calls) in the middle of an unrelated call.
class WaitingCalls {
public:
    void add(DWORD apartment_thread)
    {
        std::lock_guard<std::mutex> hold(lock_);
        ++by_thread_[apartment_thread];
        ++total_;
    }
    void remove(DWORD apartment_thread)
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto found = by_thread_.find(apartment_thread);
        if (--found->second == 0) by_thread_.erase(found);
        --total_;
    }
    bool any_for(DWORD apartment_thread)
    {
        if (total_.load(std::memory_order_relaxed) == 0) return false;  // the usual case, without the lock
        std::lock_guard<std::mutex> hold(lock_);
        return by_thread_.count(apartment_thread) != 0;
    }

private:
    std::atomic<int> total_{0};
    std::mutex lock_;
    std::unordered_map<DWORD, int> by_thread_;
};

WaitingCalls &waiting_calls()
{
    static WaitingCalls *calls = new WaitingCalls;  // never destroyed: a Java thread may call at exit
    return *calls;
}

// The thread of the calling thread's single-threaded apartment; 0 in the multithreaded one.
DWORD single_threaded_apartment()
{
    APTTYPE type = APTTYPE_MTA;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    if (FAILED(CoGetApartmentType(&type, &qualifier))) return 0;
    return type == APTTYPE_STA || type == APTTYPE_MAINSTA ? GetCurrentThreadId() : 0;
}

// ole32's identifiers, spelled out here: mingw-w64 keeps them in the same object of its uuid
// library as an IID_IProxy of its own, which the library's IID_IProxy would collide with.
const CLSID kStdGlobalInterfaceTable = {0x00000323, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIGlobalInterfaceTable = {0x00000146, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Null when the table cannot be had on this thread (COM not initialised there), with `status`.
ComPtr<IGlobalInterfaceTable> global_interface_table(HRESULT &status)
{
    ComPtr<IGlobalInterfaceTable> table;
    status = CoCreateInstance(kStdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, kIGlobalInterfaceTable,
                              table.put_void());
    return table;
}

ComPtr<IGlobalInterfaceTable> global_interface_table()
{
    HRESULT status = S_OK;
    ComPtr<IGlobalInterfaceTable> table = global_interface_table(status);
    if (!table) TavlinEx::raise_status("The global interface table is not available", status);
    return table;
}
#endif

}  // namespace

#ifdef _WIN32
WaitingCall::WaitingCall(DWORD apartment_thread)
    : apartment_thread_(apartment_thread != GetCurrentThreadId() ? apartment_thread : 0)
{
    if (apartment_thread_) waiting_calls().add(apartment_thread_);
}

WaitingCall::~WaitingCall()
{
    if (apartment_thread_) waiting_calls().remove(apartment_thread_);
}

ApartmentReference::ApartmentReference(IDispatch *object) : apartment_thread_(single_threaded_apartment())
{
    HRESULT status = global_interface_table()->RegisterInterfaceInGlobal(object, IID_IDispatch, &cookie_);
    if (FAILED(status))
        TavlinEx::raise_status("Unable to register the automation object for calls from Java threads", status);
}

ApartmentReference::~ApartmentReference()
{
    ThreadComScope com;
    HRESULT status = S_OK;
    if (ComPtr<IGlobalInterfaceTable> table = global_interface_table(status)) table->RevokeInterfaceFromGlobal(cookie_);
}

ComPtr<IDispatch> ApartmentReference::get() const
{
    ComPtr<IDispatch> object;
    HRESULT status = global_interface_table()->GetInterfaceFromGlobal(cookie_, IID_IDispatch, object.put_void());
    if (FAILED(status)) TavlinEx::raise_status("The automation object cannot be called from this thread", status);
    return object;
}

void let_waiting_calls_in()
{
    if (!waiting_calls().any_for(GetCurrentThreadId())) return;
    // An event nobody sets, for a wait of no time that dispatches the apartment's calls.
    static const HANDLE never_set = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE handles[] = {never_set};
    DWORD index = 0;
    if (never_set) CoWaitForMultipleHandles(0, 0, 1, handles, &index);
}
#else
ApartmentReference::ApartmentReference(IDispatch *object) : object_(object) { object->AddRef(); }

ApartmentReference::~ApartmentReference() = default;

ComPtr<IDispatch> ApartmentReference::get() const
{
    object_->AddRef();
    return ComPtr<IDispatch>(object_.get());
}

void let_waiting_calls_in() {}
#endif

}  // namespace tavlin
