#include "bridge/com_boundary.h"

#include <cinttypes>
#include <cstdio>

#include "util/holders.h"

namespace tavlin {

namespace {

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

}  // namespace tavlin
