// CMallocString: sole owner of one heap string from malloc, freed when the holder ends.
#pragma once

#include <cstdlib>
#include <utility>

namespace tavlin {

class CMallocString {
public:
    explicit CMallocString(char *text = nullptr) noexcept : text_(text) {}
    ~CMallocString() { std::free(text_); }
    CMallocString(CMallocString &&other) noexcept : text_(other.release()) {}
    CMallocString &operator=(CMallocString &&other) noexcept
    {
        reset(other.release());
        return *this;
    }
    CMallocString(const CMallocString &) = delete;
    CMallocString &operator=(const CMallocString &) = delete;

    char *get() const noexcept { return text_; }
    explicit operator bool() const noexcept { return text_ != nullptr; }
    char *release() noexcept { return std::exchange(text_, nullptr); }
    void reset(char *text = nullptr) noexcept
    {
        std::free(text_);
        text_ = text;
    }

private:
    char *text_;
};

}  // namespace tavlin
