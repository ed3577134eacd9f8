// OLE Automation values: BSTR, VARIANT, SAFEARRAY, dates and coercion, with oleaut32's
// layouts and results.
#pragma once

#include "wintypes.h"

struct IUnknown;
struct IDispatch;
struct IRecordInfo;

enum VARENUM {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_PTR = 26,
    VT_SAFEARRAY = 27,
    VT_CARRAY = 28,
    VT_USERDEFINED = 29,
    VT_LPSTR = 30,
    VT_LPWSTR = 31,
    VT_RECORD = 36,
    VT_INT_PTR = 37,
    VT_UINT_PTR = 38,
    VT_FILETIME = 64,
    VT_BLOB = 65,
    VT_CLSID = 72,
    VT_VECTOR = 0x1000,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_RESERVED = 0x8000,
    VT_ILLEGAL = 0xffff,
    VT_ILLEGALMASKED = 0xfff,
    VT_TYPEMASK = 0xfff
};

#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

union CY {
    struct {
        ULONG Lo;
        LONG Hi;
    };
    LONGLONG int64;
};

struct DECIMAL {
    USHORT wReserved;
    union {
        struct {
            BYTE scale;
            BYTE sign;
        };
        USHORT signscale;
    };
    ULONG Hi32;
    union {
        struct {
            ULONG Lo32;
            ULONG Mid32;
        };
        ULONGLONG Lo64;
    };
};
#define DECIMAL_NEG ((BYTE)0x80)

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};
typedef SAFEARRAYBOUND *LPSAFEARRAYBOUND;

// Bounds are stored rightmost dimension first, as published.
struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    PVOID pvData;
    SAFEARRAYBOUND rgsabound[1];
};
typedef SAFEARRAY *LPSAFEARRAY;

#define FADF_AUTO 0x0001
#define FADF_STATIC 0x0002
#define FADF_EMBEDDED 0x0004
#define FADF_FIXEDSIZE 0x0010
#define FADF_RECORD 0x0020
#define FADF_HAVEIID 0x0040
#define FADF_HAVEVARTYPE 0x0080
#define FADF_BSTR 0x0100
#define FADF_UNKNOWN 0x0200
#define FADF_DISPATCH 0x0400
#define FADF_VARIANT 0x0800
#define FADF_RESERVED 0xF008

struct VARIANT {
    union {
        struct {
            VARTYPE vt;
            WORD wReserved1;
            WORD wReserved2;
            WORD wReserved3;
            union {
                LONGLONG llVal;
                LONG lVal;
                BYTE bVal;
                SHORT iVal;
                float fltVal;
                double dblVal;
                VARIANT_BOOL boolVal;
                SCODE scode;
                CY cyVal;
                DATE date;
                BSTR bstrVal;
                IUnknown *punkVal;
                IDispatch *pdispVal;
                SAFEARRAY *parray;
                BYTE *pbVal;
                SHORT *piVal;
                LONG *plVal;
                LONGLONG *pllVal;
                float *pfltVal;
                double *pdblVal;
                VARIANT_BOOL *pboolVal;
                SCODE *pscode;
                CY *pcyVal;
                DATE *pdate;
                BSTR *pbstrVal;
                IUnknown **ppunkVal;
                IDispatch **ppdispVal;
                SAFEARRAY **pparray;
                VARIANT *pvarVal;
                PVOID byref;
                CHAR cVal;
                USHORT uiVal;
                ULONG ulVal;
                ULONGLONG ullVal;
                INT intVal;
                UINT uintVal;
                DECIMAL *pdecVal;
                CHAR *pcVal;
                USHORT *puiVal;
                ULONG *pulVal;
                ULONGLONG *pullVal;
                INT *pintVal;
                UINT *puintVal;
                struct {
                    PVOID pvRecord;
                    IRecordInfo *pRecInfo;
                };
            };
        };
        DECIMAL decVal;
    };
};
typedef VARIANT VARIANTARG;
typedef VARIANT *LPVARIANT;
typedef VARIANT *LPVARIANTARG;

static_assert(sizeof(VARIANT) == (sizeof(void *) == 8 ? 24 : 16), "VARIANT layout");
static_assert(offsetof(VARIANT, lVal) == 8, "VARIANT value offset");

#define V_VT(v) ((v)->vt)
#define V_ISBYREF(v) (V_VT(v) & VT_BYREF)
#define V_ISARRAY(v) (V_VT(v) & VT_ARRAY)
#define V_I1(v) ((v)->cVal)
#define V_UI1(v) ((v)->bVal)
#define V_I2(v) ((v)->iVal)
#define V_UI2(v) ((v)->uiVal)
#define V_I4(v) ((v)->lVal)
#define V_UI4(v) ((v)->ulVal)
#define V_I8(v) ((v)->llVal)
#define V_UI8(v) ((v)->ullVal)
#define V_INT(v) ((v)->intVal)
#define V_UINT(v) ((v)->uintVal)
#define V_R4(v) ((v)->fltVal)
#define V_R8(v) ((v)->dblVal)
#define V_CY(v) ((v)->cyVal)
#define V_DATE(v) ((v)->date)
#define V_BSTR(v) ((v)->bstrVal)
#define V_DISPATCH(v) ((v)->pdispVal)
#define V_UNKNOWN(v) ((v)->punkVal)
#define V_ERROR(v) ((v)->scode)
#define V_BOOL(v) ((v)->boolVal)
#define V_ARRAY(v) ((v)->parray)
#define V_BYREF(v) ((v)->byref)
#define V_VARIANTREF(v) ((v)->pvarVal)
#define V_DECIMAL(v) ((v)->decVal)
#define V_BSTRREF(v) ((v)->pbstrVal)
#define V_I4REF(v) ((v)->plVal)
#define V_ARRAYREF(v) ((v)->pparray)
#define V_DISPATCHREF(v) ((v)->ppdispVal)

struct DISPPARAMS {
    VARIANTARG *rgvarg;
    DISPID *rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    PVOID pvReserved;
    HRESULT(STDMETHODCALLTYPE *pfnDeferredFillIn)(EXCEPINFO *);
    SCODE scode;
};
typedef EXCEPINFO *LPEXCEPINFO;

#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8
#define DISPID_UNKNOWN (-1)
#define DISPID_VALUE 0
#define DISPID_PROPERTYPUT (-3)
#define DISPID_NEWENUM (-4)

// VariantChangeType(Ex) flags.
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_CALENDAR_HIJRI 0x08
#define VARIANT_LOCALBOOL 0x10

TAVLINPORT_API BSTR SysAllocString(const OLECHAR *text);
TAVLINPORT_API BSTR SysAllocStringLen(const OLECHAR *text, UINT length);
TAVLINPORT_API BSTR SysAllocStringByteLen(LPCSTR bytes, UINT length);
TAVLINPORT_API INT SysReAllocString(BSTR *bstr, const OLECHAR *text);
TAVLINPORT_API INT SysReAllocStringLen(BSTR *bstr, const OLECHAR *text, UINT length);
TAVLINPORT_API void SysFreeString(BSTR bstr);
TAVLINPORT_API UINT SysStringLen(BSTR bstr);
TAVLINPORT_API UINT SysStringByteLen(BSTR bstr);

// As oleaut32 does, with two limits: text conversions treat every locale as English (US),
// 0x0409, and records (VT_RECORD values) are refused with DISP_E_BADVARTYPE.
TAVLINPORT_API void VariantInit(VARIANTARG *v);
TAVLINPORT_API HRESULT VariantClear(VARIANTARG *v);
TAVLINPORT_API HRESULT VariantCopy(VARIANTARG *dest, const VARIANTARG *src);
TAVLINPORT_API HRESULT VariantCopyInd(VARIANT *dest, const VARIANTARG *src);
TAVLINPORT_API HRESULT VariantChangeType(VARIANTARG *dest, const VARIANTARG *src, USHORT flags, VARTYPE vt);
TAVLINPORT_API HRESULT VariantChangeTypeEx(VARIANTARG *dest, const VARIANTARG *src, LCID lcid, USHORT flags,
                                           VARTYPE vt);

TAVLINPORT_API SAFEARRAY *SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND *bounds);
TAVLINPORT_API SAFEARRAY *SafeArrayCreateVector(VARTYPE vt, LONG lower_bound, ULONG elements);
TAVLINPORT_API HRESULT SafeArrayDestroy(SAFEARRAY *array);
TAVLINPORT_API UINT SafeArrayGetDim(SAFEARRAY *array);
TAVLINPORT_API UINT SafeArrayGetElemsize(SAFEARRAY *array);
TAVLINPORT_API HRESULT SafeArrayGetLBound(SAFEARRAY *array, UINT dim, LONG *lower_bound);
TAVLINPORT_API HRESULT SafeArrayGetUBound(SAFEARRAY *array, UINT dim, LONG *upper_bound);
TAVLINPORT_API HRESULT SafeArrayGetVartype(SAFEARRAY *array, VARTYPE *vt);
TAVLINPORT_API HRESULT SafeArrayLock(SAFEARRAY *array);
TAVLINPORT_API HRESULT SafeArrayUnlock(SAFEARRAY *array);
TAVLINPORT_API HRESULT SafeArrayPtrOfIndex(SAFEARRAY *array, LONG *indices, void **data);
TAVLINPORT_API HRESULT SafeArrayGetElement(SAFEARRAY *array, LONG *indices, void *value);
TAVLINPORT_API HRESULT SafeArrayPutElement(SAFEARRAY *array, LONG *indices, void *value);
TAVLINPORT_API HRESULT SafeArrayAccessData(SAFEARRAY *array, void **data);
TAVLINPORT_API HRESULT SafeArrayUnaccessData(SAFEARRAY *array);
TAVLINPORT_API HRESULT SafeArrayCopy(SAFEARRAY *array, SAFEARRAY **copy);

TAVLINPORT_API INT SystemTimeToVariantTime(LPSYSTEMTIME system_time, double *variant_time);
TAVLINPORT_API INT VariantTimeToSystemTime(double variant_time, LPSYSTEMTIME system_time);
