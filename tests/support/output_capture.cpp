#include "output_capture.h"

#ifndef _WIN32
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tavlin_test {

OutputCapture::OutputCapture(int fd) : fd_(fd)
{
    std::fflush(nullptr);
    saved_ = dup(fd_);
    char name[] = "/tmp/tavlin-output-XXXXXX";
    int file = mkstemp(name);
    path_ = name;
    dup2(file, fd_);
    close(file);
}

OutputCapture::~OutputCapture() { finish(); }

std::string OutputCapture::finish()
{
    if (saved_ < 0) return std::string();
    std::fflush(nullptr);
    dup2(saved_, fd_);
    close(saved_);
    saved_ = -1;
    std::ifstream in(path_);
    std::stringstream text;
    text << in.rdbuf();
    unlink(path_.c_str());
    return text.str();
}

}  // namespace tavlin_test
#endif
