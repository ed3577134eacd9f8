#include "bridge/apartment/apartment_worker.h"

#ifdef _WIN32

#include <atomic>
#include <exception>
#include <utility>
#include <vector>

#include "bridge/apartment/apartment_reference.h"
#include "errors/se_exception.h"
#include "errors/tavlin_ex.h"
#include "util/unique_handle.h"
#include "vmhost/vm.h"

namespace tavlin {

// The live callback objects of one single-threaded apartment: counted up on its thread, down on
// whichever thread lets an object go, which may come after the thread has ended.
struct ApartmentCallbacks {
    std::atomic<int> live{0};
};

namespace {

struct KernelHandleCloser {
    using Handle = HANDLE;
    static void close(HANDLE handle) noexcept { CloseHandle(handle); }
};
using KernelHandle = UniqueHandle<KernelHandleCloser>;

KernelHandle new_event()
{
    KernelHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!event) TavlinEx::raise_status("Unable to create an event", HRESULT_FROM_WIN32(GetLastError()));
    return event;
}

// Runs `work` and keeps what it threw in `thrown`, for the thread that waits for it.
template <class Work> void keeping_what_is_thrown(std::exception_ptr &thrown, Work &&work) noexcept
{
    try {
        work();
    } catch (...) {
        thrown = std::current_exception();
    }
}

void rethrow_kept(std::exception_ptr &thrown)
{
    if (thrown) std::rethrow_exception(std::exchange(thrown, nullptr));
}

// What a worker thread and the apartment thread it serves share. Each side writes its fields
// before it sets the event the other waits on, which orders them. Held by both, so that either
// may end first.
struct Channel {
    explicit Channel(DWORD apartment_thread) : served_thread(apartment_thread) {}

    const DWORD served_thread;
    KernelHandle call_ready = new_event();      // a Java call for the worker
    KernelHandle call_done = new_event();       // ... made
    KernelHandle callback_ready = new_event();  // a callback the worker hands to the apartment
    KernelHandle callback_done = new_event();   // ... made
    const JavaCall *call = nullptr;
    std::exception_ptr call_thrown;
    const std::function<void()> *callback = nullptr;
    std::exception_ptr callback_thrown;
    bool quit = false;  // the apartment's thread has ended

    // On the apartment's thread: the callback the worker waits on.
    void run_handed_callback()
    {
        keeping_what_is_thrown(callback_thrown, *callback);
        SetEvent(callback_done.get());
    }
};

thread_local Channel *serving = nullptr;  // on a worker, its channel

DWORD WINAPI worker_main(void *parameter)
{
    const std::unique_ptr<std::shared_ptr<Channel>> held(static_cast<std::shared_ptr<Channel> *>(parameter));
    Channel &channel = **held;
    serving = &channel;
    install_se_translator();
    ThreadComScope com;  // once, rather than for each callback the Java calls make from here
    for (;;) {
        WaitForSingleObject(channel.call_ready.get(), INFINITE);
        if (channel.quit) return 0;
        keeping_what_is_thrown(channel.call_thrown, [&] {
            CThreadAttach attach;
            (*channel.call)(attach.env());
        });
        SetEvent(channel.call_done.get());
    }
}

// A thread that runs the apartment's calls into Java, for the apartment's life. It ends by
// itself once told, never waited for: the apartment's thread tells it as that thread ends,
// where waiting for another thread's end could wait on the loader.
class Worker {
public:
    explicit Worker(DWORD apartment_thread) : channel_(std::make_shared<Channel>(apartment_thread))
    {
        auto handed = std::make_unique<std::shared_ptr<Channel>>(channel_);
        KernelHandle thread(CreateThread(nullptr, 0, worker_main, handed.get(), 0, nullptr));
        if (!thread)
            TavlinEx::raise_status("Unable to start the apartment's worker", HRESULT_FROM_WIN32(GetLastError()));
        handed.release();  // the thread's own
    }
    ~Worker()
    {
        channel_->quit = true;
        SetEvent(channel_->call_ready.get());
    }
    Worker(const Worker &) = delete;
    Worker &operator=(const Worker &) = delete;

    Channel &channel() const { return *channel_; }

    void start(const JavaCall &call) const
    {
        channel_->call = &call;
        SetEvent(channel_->call_ready.get());
    }

private:
    std::shared_ptr<Channel> channel_;
};

// Calls nested deeper than this (a callback's call into Java that calls back, and so on) are made
// on the apartment's own thread, as every call was before.
constexpr size_t kMaxNesting = 8;

// Waits for one of `handles` in COM's modal loop, which dispatches to the apartment the calls
// that COM lets in; its index.
DWORD wait_dispatching(DWORD count, HANDLE *handles)
{
    DWORD index = 0;
    if (SUCCEEDED(CoWaitForMultipleHandles(0, INFINITE, count, handles, &index))) return index;
    // COM cannot wait here: wait as a call made on this thread would have.
    return WaitForMultipleObjects(count, handles, FALSE, INFINITE) - WAIT_OBJECT_0;
}

// The calling thread's single-threaded apartment as its calls into Java see it.
class ThreadApartment {
public:
    const std::shared_ptr<ApartmentCallbacks> callbacks = std::make_shared<ApartmentCallbacks>();

    bool may_nest() const { return depth_ < kMaxNesting; }

    // The call on the worker of its depth, while this thread serves the workers' callbacks.
    void run(const JavaCall &call)
    {
        const size_t level = depth_;
        if (workers_.size() == level) workers_.push_back(std::make_unique<Worker>(GetCurrentThreadId()));
        Channel &channel = workers_[level]->channel();
        workers_[level]->start(call);
        ++depth_;
        wait_serving(level);
        --depth_;
        rethrow_kept(channel.call_thrown);
    }

private:
    // Until the worker of `level` is done: the callbacks that it and the workers below it (each
    // inside a call that led here) hand over, and the calls that COM lets in.
    void wait_serving(size_t level)
    {
        HANDLE handles[kMaxNesting + 1];
        handles[0] = workers_[level]->channel().call_done.get();
        for (size_t i = 0; i <= level; ++i) handles[i + 1] = workers_[i]->channel().callback_ready.get();
        for (;;) {
            const DWORD index = wait_dispatching(static_cast<DWORD>(level + 2), handles);
            if (index == 0) return;
            if (index <= level + 1) workers_[index - 1]->channel().run_handed_callback();
        }
    }

    std::vector<std::unique_ptr<Worker>> workers_;  // by the depth of the calls they run
    size_t depth_ = 0;                              // calls of this thread now running on workers
};

thread_local ThreadApartment *this_apartment = nullptr;

// Ends the thread's apartment record, and so its workers, when the thread ends. Fiber-local
// storage calls it outside the loader lock.
void WINAPI end_thread_apartment(void *apartment)
{
    delete static_cast<ThreadApartment *>(apartment);
    this_apartment = nullptr;
}

DWORD apartment_slot()
{
    static const DWORD slot = FlsAlloc(&end_thread_apartment);
    return slot;
}

// The calling thread's record, made on first use; null where no thread-end slot can be had,
// and calls into Java stay on this thread.
ThreadApartment *thread_apartment()
{
    if (this_apartment) return this_apartment;
    const DWORD slot = apartment_slot();
    if (slot == FLS_OUT_OF_INDEXES) return nullptr;
    auto made = std::make_unique<ThreadApartment>();
    if (!FlsSetValue(slot, made.get())) return nullptr;
    this_apartment = made.release();
    return this_apartment;
}

}  // namespace

LiveCallback::LiveCallback(DWORD apartment_thread)
{
    if (!apartment_thread) return;
    if (ThreadApartment *apartment = thread_apartment()) {
        apartment_ = apartment->callbacks;
        apartment_->live.fetch_add(1, std::memory_order_relaxed);
    }
}

LiveCallback::~LiveCallback()
{
    if (apartment_) apartment_->live.fetch_sub(1, std::memory_order_relaxed);
}

bool lets_callbacks_in()
{
    const ThreadApartment *apartment = this_apartment;
    return apartment && apartment->callbacks->live.load(std::memory_order_relaxed) > 0 && apartment->may_nest();
}

void run_letting_callbacks_in(const JavaCall &call) { this_apartment->run(call); }

bool run_in_waiting_apartment(DWORD apartment_thread, const std::function<void()> &call)
{
    Channel *channel = serving;
    if (!channel || channel->served_thread != apartment_thread) return false;
    channel->callback = &call;
    SetEvent(channel->callback_ready.get());
    WaitForSingleObject(channel->callback_done.get(), INFINITE);
    rethrow_kept(channel->callback_thrown);
    return true;
}

}  // namespace tavlin

#endif
