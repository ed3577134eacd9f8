// UTF-8 <-> UTF-16 through the platform's code page 65001 conversion.
#pragma once

#include <string>

#include "util/platform.h"

namespace tavlin {

OleString utf8_to_ole(const char *text);
std::string ole_to_utf8(const OLECHAR *text, size_t length);

// Whether a client's name is `lower` (ASCII, lower case) without regard to ASCII case; false for null.
bool is_name_folded(const OLECHAR *name, const char *lower);

}  // namespace tavlin
