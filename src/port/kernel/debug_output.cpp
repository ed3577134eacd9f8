// OutputDebugStringA: on Windows the text goes to an attached debugger and is lost without
// one. Here nothing is written unless TAVLIN_DEBUG_OUTPUT asks for it, or a test captures it.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "kernel/unique_fd.h"
#include "tavlinport/debug_capture.h"
#include "tavlinport/kernel.h"

namespace {

std::mutex capture_mutex;
PortDebugOutputSink capture_sink = nullptr;
void *capture_context = nullptr;
// The bridge writes a line before every Java call: with no sink and no destination, a call
// must cost next to nothing and take no lock that threads would queue on.
std::atomic<bool> capturing{false};

void write_all(int fd, const char *text, size_t length)
{
    while (length > 0) {
        ssize_t written = write(fd, text, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        text += written;
        length -= static_cast<size_t>(written);
    }
}

// Whether TAVLIN_DEBUG_OUTPUT names a destination. Reading the environment walks all of it,
// which cost a tenth of a proxy call when done for every trace line; so the answer is looked
// up again at most every quarter of a second (on the coarse clock, which asks no system
// call), and a setting changed while a process runs is seen that much later.
bool destination_configured()
{
    constexpr int64_t kRecheckMilliseconds = 250;
    static std::atomic<int64_t> checked_at{INT64_MIN / 2};  // the first call looks
    static std::atomic<bool> configured{false};
    timespec now_time;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now_time);
    const int64_t now = int64_t{now_time.tv_sec} * 1000 + now_time.tv_nsec / 1000000;
    if (now - checked_at.load(std::memory_order_relaxed) >= kRecheckMilliseconds) {
        const char *destination = std::getenv("TAVLIN_DEBUG_OUTPUT");
        configured.store(destination != nullptr && *destination != '\0', std::memory_order_relaxed);
        checked_at.store(now, std::memory_order_relaxed);
    }
    return configured.load(std::memory_order_relaxed);
}

void write_to_configured_destination(const char *text)
{
    if (!destination_configured()) return;
    const char *destination = std::getenv("TAVLIN_DEBUG_OUTPUT");
    if (destination == nullptr || *destination == '\0') return;
    if (std::strcmp(destination, "stderr") == 0) {
        write_all(STDERR_FILENO, text, std::strlen(text));
        return;
    }
    // O_APPEND keeps the lines of concurrent processes whole.
    tavlinport::UniqueFd file(open(destination, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
    if (file) write_all(file.get(), text, std::strlen(text));
}

}  // namespace

TAVLINPORT_API void OutputDebugStringA(LPCSTR text)
{
    if (text == nullptr) return;
    if (!capturing.load(std::memory_order_acquire)) {
        write_to_configured_destination(text);
        return;
    }
    std::lock_guard<std::mutex> lock(capture_mutex);
    if (capture_sink != nullptr) capture_sink(text, capture_context);
    write_to_configured_destination(text);
}

TAVLINPORT_API void PortSetDebugOutputCapture(PortDebugOutputSink sink, void *context)
{
    std::lock_guard<std::mutex> lock(capture_mutex);
    capture_sink = sink;
    capture_context = context;
    capturing.store(sink != nullptr, std::memory_order_release);
}

TAVLINPORT_API bool PortDebugOutputWanted()
{
    return capturing.load(std::memory_order_acquire) || destination_configured();
}
