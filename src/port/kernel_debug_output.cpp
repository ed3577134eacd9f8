// OutputDebugStringA: on Windows the text goes to an attached debugger and is lost without
// one. Here nothing is written unless TAVLIN_DEBUG_OUTPUT asks for it, or a test captures it.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "tavlinport/debug_capture.h"
#include "tavlinport/kernel.h"
#include "unique_fd.h"

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
            if (errno == EINTR)
                continue;
            return;
        }
        text += written;
        length -= static_cast<size_t>(written);
    }
}

// The destination is read on every call so that it can be changed while a process runs.
void write_to_configured_destination(const char *text)
{
    const char *destination = std::getenv("TAVLIN_DEBUG_OUTPUT");
    if (destination == nullptr || *destination == '\0')
        return;
    if (std::strcmp(destination, "stderr") == 0) {
        write_all(STDERR_FILENO, text, std::strlen(text));
        return;
    }
    // O_APPEND keeps the lines of concurrent processes whole.
    tavlinport::UniqueFd file(open(destination, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
    if (file)
        write_all(file.get(), text, std::strlen(text));
}

}  // namespace

TAVLINPORT_API void OutputDebugStringA(LPCSTR text)
{
    if (text == nullptr)
        return;
    if (!capturing.load(std::memory_order_acquire)) {
        write_to_configured_destination(text);
        return;
    }
    std::lock_guard<std::mutex> lock(capture_mutex);
    if (capture_sink != nullptr)
        capture_sink(text, capture_context);
    write_to_configured_destination(text);
}

TAVLINPORT_API void PortSetDebugOutputCapture(PortDebugOutputSink sink, void *context)
{
    std::lock_guard<std::mutex> lock(capture_mutex);
    capture_sink = sink;
    capture_context = context;
    capturing.store(sink != nullptr, std::memory_order_release);
}
