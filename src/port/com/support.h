// Helpers shared by the port's own COM components (registrar, type libraries): reference
// counting, text conversion for the narrow registry functions, GUID text, registry keys.
#pragma once

#include <atomic>
#include <string>
#include <utility>

#include "tavlinport/windows.h"

namespace tavlinport {

// IUnknown for a port object that answers IUnknown and the interfaces Derived::answers
// accepts. Objects start with one reference, owned by whoever created them.
template <class Derived, class Interface> class RefCounted : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!out) return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !Derived::answers(iid)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<Interface *>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG count = --count_;
        if (count == 0) delete static_cast<Derived *>(this);
        return count;
    }

protected:
    RefCounted() = default;

private:
    std::atomic<ULONG> count_{1};
};

// Owns one reference to a COM object; released when the holder ends.
template <class T> class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T *object) : object_(object) {}
    ~ComRef()
    {
        if (object_) object_->Release();
    }
    ComRef(const ComRef &) = delete;
    ComRef &operator=(const ComRef &) = delete;
    ComRef(ComRef &&other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    ComRef &operator=(ComRef &&other) noexcept
    {
        std::swap(object_, other.object_);
        return *this;
    }

    // A new reference to `object`, which the caller keeps its own.
    static ComRef retain(T *object)
    {
        object->AddRef();
        return ComRef(object);
    }

    T *get() const { return object_; }
    T *operator->() const { return object_; }
    T **out() { return &object_; }

private:
    T *object_ = nullptr;
};

std::string to_utf8(const OLECHAR *text);
std::u16string to_utf16(const char *text, size_t length, UINT code_page);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", as StringFromGUID2 writes it.
std::string guid_text(REFGUID guid);
// ASCII letters compared without case, as resource types and type-library names are.
bool equal_ignoring_case(const OLECHAR *a, const OLECHAR *b);

// One open registry key, closed when the holder ends.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() { close(); }
    RegKey(const RegKey &) = delete;
    RegKey &operator=(const RegKey &) = delete;

    LSTATUS open(HKEY parent, const std::string &name, REGSAM access = KEY_READ);
    LSTATUS create(HKEY parent, const std::string &name);
    void close();
    HKEY get() const { return key_; }

    // The default or named REG_SZ value; false when missing.
    bool query_string(const char *value_name, std::string *text) const;
    LSTATUS set_string(const char *value_name, const std::string &text) const;
    DWORD subkey_count() const;

private:
    HKEY key_ = nullptr;
};

}  // namespace tavlinport
