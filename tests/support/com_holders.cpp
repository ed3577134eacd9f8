#include "com_holders.h"

#include "util/text.h"

namespace tavlin_test {

ScopedVariant ScopedVariant::i4(LONG v)
{
    ScopedVariant result;
    result->vt = VT_I4;
    result->lVal = v;
    return result;
}

ScopedVariant ScopedVariant::r8(double v)
{
    ScopedVariant result;
    result->vt = VT_R8;
    result->dblVal = v;
    return result;
}

ScopedVariant ScopedVariant::boolean(bool v)
{
    ScopedVariant result;
    result->vt = VT_BOOL;
    result->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return result;
}

ScopedVariant ScopedVariant::date(DATE v)
{
    ScopedVariant result;
    result->vt = VT_DATE;
    result->date = v;
    return result;
}

ScopedVariant ScopedVariant::string(const OLECHAR *text)
{
    ScopedVariant result;
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocString(text);
    return result;
}

ScopedVariant ScopedVariant::string(const std::string &utf8)
{
    tavlin::OleString text = wide(utf8);
    ScopedVariant result;
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return result;
}

ScopedVariant ScopedVariant::dispatch(IDispatch *object)
{
    ScopedVariant result;
    result->vt = VT_DISPATCH;
    result->pdispVal = object;
    if (object) object->AddRef();
    return result;
}

tavlin::OleString wide(const std::string &utf8) { return tavlin::utf8_to_ole(utf8.c_str()); }

std::string narrow(const OLECHAR *text, size_t length) { return tavlin::ole_to_utf8(text, length); }

std::string narrow(BSTR text) { return text ? narrow(text, SysStringLen(text)) : std::string(); }

}  // namespace tavlin_test
