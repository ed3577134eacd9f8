// SafeArrayHolder: sole owner of one safe array until it is handed on; destroys it (and what
// its elements hold) otherwise.
#pragma once

#include <utility>

#include "util/platform.h"

namespace tavlin {

class SafeArrayHolder {
public:
    explicit SafeArrayHolder(SAFEARRAY *array = nullptr) noexcept : array_(array) {}
    ~SafeArrayHolder()
    {
        if (array_) SafeArrayDestroy(array_);
    }
    SafeArrayHolder(SafeArrayHolder &&other) noexcept : array_(other.release()) {}
    SafeArrayHolder &operator=(SafeArrayHolder &&other) noexcept
    {
        std::swap(array_, other.array_);
        return *this;
    }
    SafeArrayHolder(const SafeArrayHolder &) = delete;
    SafeArrayHolder &operator=(const SafeArrayHolder &) = delete;

    SAFEARRAY *get() const noexcept { return array_; }
    explicit operator bool() const noexcept { return array_ != nullptr; }
    SAFEARRAY *release() noexcept { return std::exchange(array_, nullptr); }

private:
    SAFEARRAY *array_;
};

}  // namespace tavlin
