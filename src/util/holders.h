// The holders of automation resources, of the UniqueHandle family (see unique_handle.h): a
// BSTR, a safe array, a registry key and a reference to a COM object. AutoVariant
// (auto_variant.h) holds a VARIANT with the same verbs.
#pragma once

#include "util/platform.h"
#include "util/unique_handle.h"

namespace tavlin {

struct BstrFree {
    using Handle = BSTR;
    static void close(BSTR text) noexcept { SysFreeString(text); }
};

// AutoBstr: sole owner of one BSTR.
using AutoBstr = UniqueHandle<BstrFree>;
static_assert(sizeof(AutoBstr) == sizeof(BSTR), "a holder of empty traits is as small as its handle");

struct SafeArrayDestroyer {
    using Handle = SAFEARRAY *;
    static void close(SAFEARRAY *array) noexcept { SafeArrayDestroy(array); }
};

// SafeArrayHolder: sole owner of one safe array until it is handed on; destroys it (and what
// its elements hold) otherwise.
using SafeArrayHolder = UniqueHandle<SafeArrayDestroyer>;

struct RegistryKeyCloser {
    using Handle = HKEY;
    static void close(HKEY key) noexcept { RegCloseKey(key); }
};

// An open registry key, closed when the holder ends (CRegistryKey adds the bridge's reads).
using RegistryKeyHandle = UniqueHandle<RegistryKeyCloser>;

template <class T> struct ComRelease {
    using Handle = T *;
    static void close(T *object) noexcept { object->Release(); }
};

// ComPtr: owns one reference to a COM object.
template <class T> class ComPtr : public UniqueHandle<ComRelease<T>> {
public:
    using UniqueHandle<ComRelease<T>>::UniqueHandle;

    T *operator->() const noexcept { return this->get(); }
    // put() for the functions that hand an interface out as void**.
    void **put_void() noexcept { return reinterpret_cast<void **>(this->put()); }
};

}  // namespace tavlin
