// Reading a value of a given type from bytes that need not be aligned for it (an element of
// a safe array, the value field of a VARIANT by reference).
#pragma once

#include <cstring>

namespace tavlin {

template <class T> T read_unaligned(const void *bytes)
{
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

}  // namespace tavlin
