// SE_Exception: a Win32 structured exception (an access violation and the like) turned into
// a C++ exception by the translator, thrown by pointer.
#pragma once

#include "util/platform.h"

namespace tavlin {

struct SE_Exception {
    explicit SE_Exception(unsigned int exception_code) : code(exception_code) {}
    unsigned int code;
};

// Installs the translator on the calling thread where the toolchain supports it (see the
// implementation for what it covers); a no-op elsewhere.
void install_se_translator();

}  // namespace tavlin
