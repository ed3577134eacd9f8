// VARIANT life cycle: initialise, clear (releasing what the value owns), copy and copy
// through a reference, with oleaut32's checks and results.
#include <cstring>

#include "automation/variant_types.h"

using namespace tavlinport;

namespace {

// Frees what a by-value VARIANT owns; by-reference values own nothing.
HRESULT release_owned_value(VARIANTARG *v)
{
    if (V_ISBYREF(v)) return S_OK;
    if (V_ISARRAY(v)) return SafeArrayDestroy(V_ARRAY(v));
    switch (V_VT(v)) {
    case VT_BSTR:
        SysFreeString(V_BSTR(v));
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        release(V_UNKNOWN(v));
        break;
    default:
        break;
    }
    return S_OK;
}

// Turns the shallow copy in dest into a deep one: its own string, its own reference, its
// own array.
HRESULT take_ownership_of_copy(VARIANTARG *dest, const VARIANTARG *src)
{
    if (V_ISBYREF(src)) return S_OK;
    if (V_ISARRAY(src)) return SafeArrayCopy(V_ARRAY(src), &V_ARRAY(dest));
    switch (V_VT(src)) {
    case VT_BSTR:
        V_BSTR(dest) = copy_bstr(V_BSTR(src));
        return V_BSTR(dest) ? S_OK : E_OUTOFMEMORY;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        add_ref(V_UNKNOWN(src));
        return S_OK;
    default:
        return S_OK;
    }
}

// oleaut32 is laxer with references than with values: any valid base type from VT_I2 to
// VT_UINT, or an array.
bool reference_is_copyable(VARTYPE vt)
{
    const VARTYPE base = base_type(vt);
    if (vt & VT_ARRAY) return true;
    return base > VT_NULL && base != 15 && base < VT_VOID && !(vt & (VT_VECTOR | VT_RESERVED));
}

// Copies the value that src (a valid reference) points to into dest, which holds nothing.
HRESULT copy_referenced_value(VARIANT *dest, const VARIANTARG *src)
{
    const VARTYPE vt = V_VT(src);
    if (vt & VT_ARRAY) return SafeArrayCopy(*V_ARRAYREF(src), &V_ARRAY(dest));
    switch (base_type(vt)) {
    case VT_BSTR:
        V_BSTR(dest) = copy_bstr(*V_BSTRREF(src));
        return S_OK;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        V_UNKNOWN(dest) = *src->ppunkVal;
        add_ref(V_UNKNOWN(dest));
        return S_OK;
    case VT_DECIMAL:
        // The DECIMAL fills the whole VARIANT but its first word, where the type tag goes.
        std::memcpy(&V_DECIMAL(dest).signscale, &src->pdecVal->signscale, sizeof(DECIMAL) - sizeof(USHORT));
        return S_OK;
    default:
        std::memcpy(&V_BYREF(dest), V_BYREF(src), referenced_value_size(base_type(vt)));
        return S_OK;
    }
}

}  // namespace

void VariantInit(VARIANTARG *v)
{
    if (v) std::memset(v, 0, sizeof *v);
}

HRESULT VariantClear(VARIANTARG *v)
{
    if (!v) return E_INVALIDARG;
    HRESULT hr = check_vartype(V_VT(v));
    if (FAILED(hr)) return hr;
    hr = release_owned_value(v);
    V_VT(v) = VT_EMPTY;
    return hr;
}

HRESULT VariantCopy(VARIANTARG *dest, const VARIANTARG *src)
{
    if (!dest || !src) return E_INVALIDARG;
    if (base_type(V_VT(src)) == VT_CLSID || !vartype_is_supported(V_VT(src))) return DISP_E_BADVARTYPE;
    if (dest == src) return S_OK;
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) return hr;
    *dest = *src;
    return take_ownership_of_copy(dest, src);
}

HRESULT VariantCopyInd(VARIANT *dest, const VARIANTARG *src)
{
    if (!dest || !src) return E_INVALIDARG;
    if (!V_ISBYREF(src)) return VariantCopy(dest, src);
    if (!reference_is_copyable(V_VT(src))) return E_INVALIDARG;

    // In place, the reference is kept aside and the VARIANT starts over empty.
    const VARIANTARG reference = *src;
    if (dest == src) {
        V_VT(dest) = VT_EMPTY;
    } else {
        HRESULT hr = VariantClear(dest);
        if (FAILED(hr)) return hr;
    }

    if (V_VT(&reference) == (VT_VARIANT | VT_BYREF)) {
        // Only one level of reference is followed.
        const VARIANT *target = V_VARIANTREF(&reference);
        if (V_VT(target) == (VT_VARIANT | VT_BYREF)) return E_INVALIDARG;
        return VariantCopyInd(dest, target);
    }
    HRESULT hr = copy_referenced_value(dest, &reference);
    V_VT(dest) = V_VT(&reference) & ~VT_BYREF;
    return hr;
}
