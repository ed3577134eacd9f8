// UniqueHandle: sole owner of one resource that must be given back by a call of its own (a
// heap string, a BSTR, a safe array, a registry key, a COM reference, a JNI global or local
// reference). The holders of this family share their verbs: get() lends the handle, release()
// gives it up to the caller, reset() gives it back (and may take another), put() gives it
// back and lends the empty slot to a function that hands a new one out.
#pragma once

#include <utility>

namespace tavlin {

// Traits name the handle type and `close`, which is called once for each non-null handle.
// Most traits are empty, with a static `close`; traits that carry what giving the handle back
// needs (the JNI environment of a local reference) are kept with the handle and travel with
// it. An empty base takes no room, so a holder of empty traits is as small as its handle.
template <class Traits> class UniqueHandle : private Traits {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    UniqueHandle(Handle handle, const Traits &traits) noexcept : Traits(traits), handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle &&other) noexcept : Traits(other), handle_(other.release()) {}
    UniqueHandle &operator=(UniqueHandle &&other) noexcept
    {
        reset(other.release());
        static_cast<Traits &>(*this) = other;
        return *this;
    }
    UniqueHandle(const UniqueHandle &) = delete;
    UniqueHandle &operator=(const UniqueHandle &) = delete;

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Handle(); }
    Handle release() noexcept { return std::exchange(handle_, Handle()); }
    void reset(Handle handle = Handle()) noexcept
    {
        if (Handle old = std::exchange(handle_, handle)) Traits::close(old);
    }
    Handle *put() noexcept
    {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Handle();
};

}  // namespace tavlin
