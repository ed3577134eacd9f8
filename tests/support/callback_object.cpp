#include "callback_object.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace tavlin_test {

namespace {

bool same_name(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string text_of_argument(const VARIANT *arg)
{
    if (arg->vt == VT_EMPTY) return "Empty";
    if (arg->vt == VT_DISPATCH) return "object";
    ScopedVariant text;
    if (FAILED(VariantChangeType(text.get(), const_cast<VARIANT *>(arg), 0, VT_BSTR))) return "?";
    return narrow(text->bstrVal);
}

// The object's error, as a script raises one.
HRESULT raise(const std::string &description, EXCEPINFO *excep_info)
{
    if (excep_info) {
        *excep_info = EXCEPINFO{};
        excep_info->scode = DISP_E_EXCEPTION;
        excep_info->bstrDescription = SysAllocString(wide(description).c_str());
    }
    return DISP_E_EXCEPTION;
}

}  // namespace

HRESULT STDMETHODCALLTYPE CallbackObject::GetTypeInfoCount(UINT *count)
{
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CallbackObject::GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID, DISPID *dispids)
{
    if (count != 1) return DISP_E_UNKNOWNNAME;
    const std::string name = narrow(names[0], std::char_traits<OLECHAR>::length(names[0]));
    for (size_t i = 0; i < members_.size(); ++i) {
        if (!same_name(members_[i].name, name)) continue;
        dispids[0] = static_cast<DISPID>(i + 1);
        return S_OK;
    }
    dispids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE CallbackObject::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS *params,
                                                 VARIANT *result, EXCEPINFO *excep_info, UINT *)
{
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    const bool is_value = dispid == DISPID_VALUE && value_;
    const bool is_member = dispid >= 1 && static_cast<size_t>(dispid) <= members_.size();
    if (!is_value && !is_member) return DISP_E_MEMBERNOTFOUND;
    Call call{is_value ? "" : members_[dispid - 1].name, {}, std::this_thread::get_id()};
    std::vector<const VARIANT *> args;
    for (UINT i = params->cArgs; i-- > 0;) {
        args.push_back(&params->rgvarg[i]);
        call.args.push_back(text_of_argument(&params->rgvarg[i]));
    }
    {
        std::lock_guard<std::mutex> hold(lock_);
        calls_.push_back(call);
    }
    if (!failure_.empty()) return raise(failure_, excep_info);
    ScopedVariant answer;
    try {
        (is_value ? value_ : members_[dispid - 1].handler)(args, answer.get());
    } catch (const std::runtime_error &error) {
        return raise(error.what(), excep_info);
    }
    if (result) *result = answer.release();
    return S_OK;
}

std::vector<CallbackObject::Call> CallbackObject::calls() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return calls_;
}

}  // namespace tavlin_test
