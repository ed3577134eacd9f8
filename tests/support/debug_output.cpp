#include "debug_output.h"

#ifdef _WIN32
#include <atomic>
#include <cstring>
#include <thread>

#include "util/platform.h"
#include "util/unique_handle.h"
#else
#include <tavlinport/debug_capture.h>
#endif

namespace tavlin_test {

#ifdef _WIN32
namespace {

struct HandleCloser {
    using Handle = HANDLE;
    static void close(HANDLE handle) { CloseHandle(handle); }
};
using KernelHandle = tavlin::UniqueHandle<HandleCloser>;

struct ViewUnmapper {
    using Handle = void *;
    static void close(void *view) { UnmapViewOfFile(view); }
};
using MappedView = tavlin::UniqueHandle<ViewUnmapper>;

// A debugger-output listener by the documented OutputDebugString protocol: it owns the
// DBWIN_BUFFER section and announces itself with DBWIN_BUFFER_READY; a writer waits for that
// event, puts its process id and text into the section and sets DBWIN_DATA_READY. One
// listener serves the whole process and stays up until it ends; the texts of this process go
// to the DebugOutput that lives at the time. A machine has one such listener, so the Windows
// suites run one at a time.
class DbwinListener {
public:
    static DbwinListener &instance()
    {
        static DbwinListener *listener = new DbwinListener;  // its thread runs until the process ends
        return *listener;
    }

    void deliver_to(void (*sink)(const char *, void *), void *self)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        sink_ = sink;
        self_ = self;
    }

    // A writer returns once its text is in the section, before the listener has read it; the
    // listener announces the buffer free again only after delivering the text. Taking that
    // announcement and giving it back waits for every text written so far.
    void wait_until_delivered()
    {
        constexpr DWORD kPatienceMilliseconds = 5000;
        if (WaitForSingleObject(buffer_ready_.get(), kPatienceMilliseconds) == WAIT_OBJECT_0)
            SetEvent(buffer_ready_.get());
    }

private:
    struct Buffer {
        DWORD process_id;
        char text[4096 - sizeof(DWORD)];
    };

    DbwinListener()
        : buffer_ready_(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY")),
          data_ready_(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY")),
          section_(
              CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Buffer), "DBWIN_BUFFER")),
          view_(section_ ? MapViewOfFile(section_.get(), FILE_MAP_READ, 0, 0, sizeof(Buffer)) : nullptr)
    {
        if (!buffer_ready_ || !data_ready_ || !view_) return;
        std::thread([this] { listen(); }).detach();
        // The bridge looks for a listener at most four times a second; a trace that comes
        // sooner than that after the listener started could still pass it by.
        Sleep(300);
    }

    void listen()
    {
        const auto *buffer = static_cast<const Buffer *>(view_.get());
        for (;;) {
            SetEvent(buffer_ready_.get());
            if (WaitForSingleObject(data_ready_.get(), INFINITE) != WAIT_OBJECT_0) return;
            if (buffer->process_id != GetCurrentProcessId()) continue;
            std::string text(buffer->text, strnlen(buffer->text, sizeof(buffer->text)));
            std::lock_guard<std::mutex> lock(mutex_);
            if (sink_) sink_(text.c_str(), self_);
        }
    }

    KernelHandle buffer_ready_;
    KernelHandle data_ready_;
    KernelHandle section_;
    MappedView view_;
    std::mutex mutex_;
    void (*sink_)(const char *, void *) = nullptr;
    void *self_ = nullptr;
};

}  // namespace

DebugOutput::DebugOutput() { DbwinListener::instance().deliver_to(&DebugOutput::collect, this); }

DebugOutput::~DebugOutput() { DbwinListener::instance().deliver_to(nullptr, nullptr); }
#else
DebugOutput::DebugOutput() { PortSetDebugOutputCapture(&DebugOutput::collect, this); }

DebugOutput::~DebugOutput() { PortSetDebugOutputCapture(nullptr, nullptr); }
#endif

void DebugOutput::collect(const char *text, void *self)
{
    auto *output = static_cast<DebugOutput *>(self);
    std::lock_guard<std::mutex> lock(output->mutex_);
    output->lines_.emplace_back(text);
}

std::vector<std::string> DebugOutput::lines() const
{
#ifdef _WIN32
    DbwinListener::instance().wait_until_delivered();
#endif
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

void DebugOutput::clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
}

}  // namespace tavlin_test
