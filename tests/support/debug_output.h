// Collects every text the bridge writes to the debugger output while it lives.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace tavlin_test {

class DebugOutput {
public:
    DebugOutput();
    ~DebugOutput();
    DebugOutput(const DebugOutput &) = delete;
    DebugOutput &operator=(const DebugOutput &) = delete;

    std::vector<std::string> lines() const;
    void clear();

private:
    static void collect(const char *text, void *self);
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

}  // namespace tavlin_test
