#include "debug_output.h"

#include <tavlinport/debug_capture.h>

namespace tavlin_test {

DebugOutput::DebugOutput() { PortSetDebugOutputCapture(&DebugOutput::collect, this); }

DebugOutput::~DebugOutput() { PortSetDebugOutputCapture(nullptr, nullptr); }

void DebugOutput::collect(const char *text, void *self)
{
    auto *output = static_cast<DebugOutput *>(self);
    std::lock_guard<std::mutex> lock(output->mutex_);
    output->lines_.emplace_back(text);
}

std::vector<std::string> DebugOutput::lines() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

void DebugOutput::clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
}

}  // namespace tavlin_test
