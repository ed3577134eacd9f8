// SE_Exception: a Win32 structured exception (an access violation and the like) turned into
// a C++ exception by the translator, thrown by pointer.
#pragma once

#include <memory>

#include "util/platform.h"

namespace tavlin {

struct SE_Exception {
    explicit SE_Exception(unsigned int exception_code) : code(exception_code) {}
    unsigned int code;
};

// Owns a caught structured exception for the rest of a catch block.
using SE_ExceptionPtr = std::unique_ptr<SE_Exception>;

// Installs the translator on the calling thread where the toolchain supports it (see the
// implementation for what it covers); a no-op elsewhere.
void install_se_translator();

}  // namespace tavlin
