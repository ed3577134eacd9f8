// The thread's error object, as oleaut32 keeps it: CreateErrorInfo makes an object that is
// filled through ICreateErrorInfo and read through IErrorInfo, and each thread holds at most
// one of them, set and taken by SetErrorInfo and GetErrorInfo.
#include <atomic>
#include <new>
#include <optional>
#include <string>

#include "tavlinport/windows.h"

TAVLINPORT_API const IID IID_IErrorInfo = {
    0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
TAVLINPORT_API const IID IID_ICreateErrorInfo = {
    0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
TAVLINPORT_API const IID IID_ISupportErrorInfo = {
    0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

namespace {

// A text as the error object keeps it: up to its first U+0000, or absent (read back as a null
// BSTR) when it was never set or set to null.
class Text {
public:
    void set(const OLECHAR *text) { text_ = text ? std::optional<std::u16string>(text) : std::nullopt; }
    HRESULT get(BSTR *out) const
    {
        if (!out) return E_INVALIDARG;
        *out = text_ ? SysAllocString(text_->c_str()) : nullptr;
        return S_OK;
    }

private:
    std::optional<std::u16string> text_;
};

// One object behind the three interfaces that oleaut32's answers under Wine (the conformance
// rows record them). It supports error information for the interface its GUID names.
class ErrorObject final : public IErrorInfo, public ICreateErrorInfo, public ISupportErrorInfo {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!out) return E_POINTER;
        *out = interface_for(iid);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG count = --count_;
        if (count == 0) delete this;
        return count;
    }

    HRESULT STDMETHODCALLTYPE GetGUID(GUID *guid) override
    {
        if (!guid) return E_INVALIDARG;
        *guid = guid_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSource(BSTR *source) override { return source_.get(source); }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR *description) override { return description_.get(description); }
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR *help_file) override { return help_file_.get(help_file); }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD *help_context) override
    {
        if (!help_context) return E_INVALIDARG;
        *help_context = help_context_;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE SetGUID(REFGUID guid) override
    {
        guid_ = guid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSource(LPOLESTR source) override { return assigned(source_, source); }
    HRESULT STDMETHODCALLTYPE SetDescription(LPOLESTR description) override
    {
        return assigned(description_, description);
    }
    HRESULT STDMETHODCALLTYPE SetHelpFile(LPOLESTR help_file) override { return assigned(help_file_, help_file); }
    HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD help_context) override
    {
        help_context_ = help_context;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override
    {
        return IsEqualIID(iid, guid_) ? S_OK : S_FALSE;
    }

private:
    void *interface_for(REFIID iid)
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IErrorInfo)) return static_cast<IErrorInfo *>(this);
        if (IsEqualIID(iid, IID_ICreateErrorInfo)) return static_cast<ICreateErrorInfo *>(this);
        if (IsEqualIID(iid, IID_ISupportErrorInfo)) return static_cast<ISupportErrorInfo *>(this);
        return nullptr;
    }

    static HRESULT assigned(Text &field, const OLECHAR *text)
    {
        try {
            field.set(text);
            return S_OK;
        } catch (const std::bad_alloc &) {
            return E_OUTOFMEMORY;
        }
    }

    std::atomic<ULONG> count_{1};
    GUID guid_{};
    Text source_;
    Text description_;
    Text help_file_;
    DWORD help_context_ = 0;
};

// The thread's error object; whatever is left when the thread ends is released then.
class ThreadErrorSlot {
public:
    ~ThreadErrorSlot() { replace(nullptr); }
    void replace(IErrorInfo *error_info)
    {
        if (error_info) error_info->AddRef();
        IErrorInfo *previous = held_;
        held_ = error_info;
        if (previous) previous->Release();
    }
    IErrorInfo *take()
    {
        IErrorInfo *taken = held_;
        held_ = nullptr;
        return taken;
    }

private:
    IErrorInfo *held_ = nullptr;
};

thread_local ThreadErrorSlot thread_error;

}  // namespace

TAVLINPORT_API HRESULT CreateErrorInfo(ICreateErrorInfo **error_info)
{
    if (!error_info) return E_INVALIDARG;
    ErrorObject *made = new (std::nothrow) ErrorObject();
    *error_info = made;
    return made ? S_OK : E_OUTOFMEMORY;
}

TAVLINPORT_API HRESULT SetErrorInfo(ULONG reserved, IErrorInfo *error_info)
{
    if (reserved) return E_INVALIDARG;
    thread_error.replace(error_info);
    return S_OK;
}

TAVLINPORT_API HRESULT GetErrorInfo(ULONG reserved, IErrorInfo **error_info)
{
    if (reserved || !error_info) return E_INVALIDARG;
    *error_info = thread_error.take();
    return *error_info ? S_OK : S_FALSE;
}
