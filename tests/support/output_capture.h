// Captures what the process writes to one of its standard streams (natively only: under
// Wine the VM writes to the Unix stream beneath the Windows one).
#pragma once

#ifndef _WIN32
#include <cstdio>
#include <string>

namespace tavlin_test {

class OutputCapture {
public:
    explicit OutputCapture(int fd);  // 1: standard output, 2: standard error
    ~OutputCapture();
    OutputCapture(const OutputCapture &) = delete;
    OutputCapture &operator=(const OutputCapture &) = delete;
    // Restores the stream and returns what was written to it meanwhile.
    std::string finish();

private:
    int fd_;
    int saved_ = -1;
    std::string path_;
};

}  // namespace tavlin_test
#endif
