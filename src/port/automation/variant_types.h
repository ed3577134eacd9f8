// What the VARIANT functions share: which type tags are valid, how big a referenced value
// is, the reference counting of the interfaces a VARIANT may hold, and the port's holder of
// a VARIANT of its own.
#pragma once

#include <cstddef>

#include <tavlinport/oleauto.h>
#include <tavlinport/unknwn.h>

namespace tavlinport {

constexpr VARTYPE kTypeModifiers = VT_VECTOR | VT_ARRAY | VT_BYREF | VT_RESERVED;

inline VARTYPE base_type(VARTYPE vt) { return vt & VT_TYPEMASK; }

// Conversions treat VT_INT and VT_UINT as the 32-bit types they are.
inline VARTYPE sized_type(VARTYPE vt)
{
    switch (vt) {
    case VT_INT:
        return VT_I4;
    case VT_UINT:
        return VT_UI4;
    default:
        return vt;
    }
}

// oleaut32's rule: the plain types below VT_VOID (15 excepted), VT_RECORD and VT_CLSID,
// optionally by reference or as an array, and neither VT_EMPTY nor VT_NULL by reference or
// as an array.
inline bool vartype_is_valid(VARTYPE vt)
{
    const VARTYPE modifiers = vt & kTypeModifiers;
    const VARTYPE base = base_type(vt);
    if (modifiers & (VT_VECTOR | VT_RESERVED)) return false;
    if (base == 15 || (base >= VT_VOID && base != VT_RECORD && base != VT_CLSID)) return false;
    return !((modifiers & (VT_BYREF | VT_ARRAY)) && base <= VT_NULL);
}

// Values this port can hold: the valid types except records, which it does not support.
inline bool vartype_is_supported(VARTYPE vt) { return vartype_is_valid(vt) && base_type(vt) != VT_RECORD; }

inline HRESULT check_vartype(VARTYPE vt) { return vartype_is_supported(vt) ? S_OK : DISP_E_BADVARTYPE; }

constexpr GUID kIidNull = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
constexpr GUID kIidIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidIDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Size of the value that a VT_BYREF VARIANT of this base type points to; 0 for types that
// are not copied byte for byte.
inline size_t referenced_value_size(VARTYPE base)
{
    switch (base) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
        return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_DATE:
    case VT_CY:
        return 8;
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return sizeof(void *);
    default:
        return 0;
    }
}

inline void add_ref(IUnknown *unknown)
{
    if (unknown) unknown->AddRef();
}

inline void release(IUnknown *unknown)
{
    if (unknown) unknown->Release();
}

// The port's owner of one VARIANT, cleared when it goes (the bridge has its own holders; the
// port does not depend on the bridge).
class OwnedVariant {
public:
    OwnedVariant() { VariantInit(&value_); }
    ~OwnedVariant() { VariantClear(&value_); }
    OwnedVariant(const OwnedVariant &) = delete;
    OwnedVariant &operator=(const OwnedVariant &) = delete;
    VARIANT *get() { return &value_; }

private:
    VARIANT value_;
};

inline BSTR copy_bstr(BSTR bstr)
{
    return SysAllocStringByteLen(reinterpret_cast<LPCSTR>(bstr), SysStringByteLen(bstr));
}

}  // namespace tavlinport
