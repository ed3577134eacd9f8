// VariantChangeType(Ex): the source is dereferenced into a copy, converted into a second
// VARIANT and only on success copied over the destination, so a failure leaves the
// destination as it was and source and destination may be the same VARIANT. Every locale
// is treated as 0x0409.
#include <algorithm>

#include <tavlinport/oaidl.h>

#include "automation/coerce.h"
#include "automation/variant_types.h"

using namespace tavlinport;

namespace {

// The targets that numbers, text and objects (through their default member) convert to.
bool is_value_type(VARTYPE vt)
{
    switch (vt) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_DATE:
    case VT_BOOL:
    case VT_BSTR:
    case VT_CY:
    case VT_DECIMAL:
        return true;
    default:
        return false;
    }
}

// VT_EMPTY and VT_NULL take any plain type up to VT_UINT but VT_ERROR (and VT_EMPTY does
// not take VT_NULL).
bool becomes_nothing(VARTYPE source) { return source <= VT_UINT && source != 15 && source != VT_ERROR; }

HRESULT store_text(VARIANT *out, const Text &text)
{
    V_BSTR(out) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return V_BSTR(out) ? S_OK : E_OUTOFMEMORY;
}

HRESULT text_to(VARIANT *out, const OLECHAR *text, VARTYPE target)
{
    switch (target) {
    case VT_DATE:
        return date_from_text(text, &V_DATE(out));
    case VT_BOOL:
        return bool_from_text(text, &V_BOOL(out));
    default:
        return number_from_text(text, target, out);
    }
}

// Booleans become "True"/"False" only when a flag asks for words, else "-1"/"0".
HRESULT value_to_text(VARIANT *out, const VARIANT *in, USHORT flags)
{
    const VARTYPE source = sized_type(V_VT(in));
    WholeNumber whole;
    if (source == VT_BOOL && (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)))
        return store_text(out, V_BOOL(in) ? u"True" : u"False");
    if (read_whole_number(in, &whole)) return store_text(out, integer_text(whole.negative, whole.magnitude));
    switch (source) {
    case VT_EMPTY:
        return store_text(out, Text());
    case VT_R4:
        return store_text(out, real_text(V_R4(in), 7));
    case VT_R8:
        return store_text(out, real_text(V_R8(in), 15));
    case VT_DATE: {
        bool ok;
        const Text text = date_text(V_DATE(in), &ok);
        return ok ? store_text(out, text) : E_INVALIDARG;
    }
    case VT_CY:
        return store_text(out, currency_text(V_CY(in)));
    case VT_DECIMAL:
        return store_text(out, decimal_text(V_DECIMAL(in)));
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

// An object converts through the value of its default member. Of the flags only the
// localised-boolean one reaches a conversion to text, as in oleaut32.
HRESULT default_member_to(VARIANT *out, IDispatch *object, LCID lcid, USHORT flags, VARTYPE target)
{
    if (!object) return DISP_E_BADVARTYPE;
    OwnedVariant value;
    DISPPARAMS no_arguments = {nullptr, nullptr, 0, 0};
    if (FAILED(object->Invoke(DISPID_VALUE, kIidNull, lcid, DISPATCH_PROPERTYGET, &no_arguments, value.get(), nullptr,
                              nullptr)))
        return DISP_E_TYPEMISMATCH;
    const USHORT passed_flags = target == VT_BSTR ? (flags & VARIANT_LOCALBOOL) : 0;
    VARIANT converted;
    VariantInit(&converted);
    HRESULT hr = VariantChangeTypeEx(&converted, value.get(), lcid, passed_flags, target);
    if (SUCCEEDED(hr)) *out = converted;
    return hr;
}

HRESULT query_interface(VARIANT *out, IUnknown *object, REFIID iid)
{
    if (!object) {
        V_UNKNOWN(out) = nullptr;
        return S_OK;
    }
    return object->QueryInterface(iid, reinterpret_cast<void **>(&V_UNKNOWN(out)));
}

HRESULT coerce_value(VARIANT *out, const VARIANT *in, LCID lcid, USHORT flags, VARTYPE target)
{
    const VARTYPE source = sized_type(V_VT(in));
    target = sized_type(target);
    if (source == target) return VariantCopy(out, in);
    if ((flags & VARIANT_NOVALUEPROP) && source == VT_DISPATCH && target != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
    switch (target) {
    case VT_EMPTY:
    case VT_NULL:
        return becomes_nothing(source) && !(target == VT_EMPTY && source == VT_NULL) ? S_OK : DISP_E_TYPEMISMATCH;
    case VT_UNKNOWN:
        return source == VT_DISPATCH ? query_interface(out, V_UNKNOWN(in), kIidIUnknown) : DISP_E_TYPEMISMATCH;
    case VT_DISPATCH:
        return source == VT_UNKNOWN ? query_interface(out, V_UNKNOWN(in), kIidIDispatch) : DISP_E_TYPEMISMATCH;
    default:
        break;
    }
    if (!is_value_type(target)) return DISP_E_TYPEMISMATCH;
    if (source == VT_DISPATCH) return default_member_to(out, V_DISPATCH(in), lcid, flags, target);
    if (source == VT_BSTR) return text_to(out, V_BSTR(in), target);
    if (target == VT_BSTR) return value_to_text(out, in, flags);
    return coerce_number(out, in, target);
}

// Arrays convert only to arrays of the same type, and VT_UI1 arrays to and from the bytes
// of a BSTR.
HRESULT coerce_array(VARIANT *out, const VARIANT *in, VARTYPE target)
{
    if (target == VT_BSTR && V_VT(in) == (VT_ARRAY | VT_UI1)) {
        const SAFEARRAY *array = V_ARRAY(in);
        if (!array || array->cbElements != 1 || array->cDims != 1) return E_INVALIDARG;
        V_BSTR(out) = SysAllocStringByteLen(static_cast<LPCSTR>(array->pvData), array->rgsabound[0].cElements);
        return V_BSTR(out) ? S_OK : E_OUTOFMEMORY;
    }
    if (V_VT(in) == VT_BSTR && target == (VT_ARRAY | VT_UI1)) {
        SAFEARRAYBOUND bound = {SysStringByteLen(V_BSTR(in)), 0};
        SAFEARRAY *array = SafeArrayCreate(VT_UI1, 1, &bound);
        if (!array) return E_OUTOFMEMORY;
        std::copy_n(reinterpret_cast<const char *>(V_BSTR(in)), bound.cElements, static_cast<char *>(array->pvData));
        V_ARRAY(out) = array;
        return S_OK;
    }
    if (V_VT(in) == target) return SafeArrayCopy(V_ARRAY(in), &V_ARRAY(out));
    return DISP_E_TYPEMISMATCH;
}

}  // namespace

HRESULT VariantChangeTypeEx(VARIANTARG *dest, const VARIANTARG *src, LCID lcid, USHORT flags, VARTYPE vt)
{
    if (!dest || !src) return E_INVALIDARG;
    if (vt == VT_CLSID || !vartype_is_valid(V_VT(src)) || !vartype_is_valid(vt)) return DISP_E_BADVARTYPE;
    if (V_ISBYREF(src) && !V_BYREF(src)) return DISP_E_TYPEMISMATCH;
    OwnedVariant value;
    HRESULT hr = VariantCopyInd(value.get(), src);
    if (FAILED(hr)) return hr;
    OwnedVariant result;
    if (V_ISARRAY(value.get()) || (vt & VT_ARRAY))
        hr = coerce_array(result.get(), value.get(), vt);
    else
        hr = coerce_value(result.get(), value.get(), lcid, flags, vt);
    if (FAILED(hr)) return hr;
    V_VT(result.get()) = vt;
    return VariantCopy(dest, result.get());
}

HRESULT VariantChangeType(VARIANTARG *dest, const VARIANTARG *src, USHORT flags, VARTYPE vt)
{
    return VariantChangeTypeEx(dest, src, LOCALE_USER_DEFAULT, flags, vt);
}
