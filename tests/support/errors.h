// Runs a call that may throw the bridge's errors and reports what it threw.
#pragma once

#include <functional>
#include <string>

namespace tavlin_test {

struct ThrownError {
    bool thrown = false;
    std::string description;
    std::string source;
    bool has_source = false;
};

ThrownError error_of(const std::function<void()> &call);

}  // namespace tavlin_test
