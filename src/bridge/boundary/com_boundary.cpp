#include "bridge/boundary/com_boundary.h"

#include <cinttypes>
#include <cstdio>

#include "util/holders.h"

namespace tavlin {

namespace {

// The scode that an automation controller makes of an error number: FACILITY_CONTROL with the
// number as its code (so that VBScript's Err.Number is the number itself). The EXCEPINFO carries
// it as its scode rather than its wCode, which engines that read only the scode (Wine's) take
// for no error at all.
SCODE scode_of(WORD number) { return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number); }

// Java exceptions and the bridge's own errors, as the clients of the earlier bridge numbered them.
constexpr WORD kBridgeErrorNumber = 1001;

void fill_exception_info(EXCEPINFO *info, WORD number, const TavlinEx &error)
{
    if (!info) return;
    info->wCode = 0;
    info->scode = scode_of(number);
    info->bstrSource =
        error.source() ? SysAllocStringLen(error.source(), static_cast<UINT>(error.source_length())) : nullptr;
    info->bstrDescription = error.description()
                                ? SysAllocStringLen(error.description(), static_cast<UINT>(error.description_length()))
                                : nullptr;
}

void set_error_texts(REFIID iid, const OLECHAR *description, const OLECHAR *source) noexcept
{
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.put())) || !create) return;
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(source));
    create->SetDescription(const_cast<LPOLESTR>(description));
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, info.put_void())) && info) SetErrorInfo(0, info.get());
}

}  // namespace

TavlinExPtr described(const SE_Exception &error)
{
    char text[64];
    std::snprintf(text, sizeof text, "Win32 exception encounter: %" PRId32, static_cast<int32_t>(error.code));
    return TavlinExPtr(new TavlinEx(text, "Win32"));
}

void set_error_info(REFIID iid, const TavlinEx &error) noexcept
{
    set_error_texts(iid, error.description(), error.source());
}

void set_out_of_memory_info(REFIID iid) noexcept { set_error_texts(iid, OLESTR("Out of memory."), nullptr); }

HRESULT InvokeFailure::failed(TavlinExPtr error) const { return reported(kBridgeErrorNumber, *error); }

HRESULT InvokeFailure::failed(SE_ExceptionPtr error) const
{
    return reported(static_cast<WORD>(error->code & 0xFFFF), *described(*error));
}

HRESULT InvokeFailure::out_of_memory() const
{
    set_out_of_memory_info(IID_IDispatch);
    return cleared(E_OUTOFMEMORY);
}

HRESULT InvokeFailure::reported(WORD number, const TavlinEx &error) const
{
    fill_exception_info(info_, number, error);
    set_error_info(IID_IDispatch, error);
    return cleared(DISP_E_EXCEPTION);
}

HRESULT InvokeFailure::cleared(HRESULT hr) const
{
    if (result_) VariantClear(result_);
    return hr;
}

}  // namespace tavlin
