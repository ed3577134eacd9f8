// Type information made at run time (CreateTypeLib2, ICreateTypeLib2, ICreateTypeInfo), and
// ITypeComp, which binds a member's name to its description. Layouts and slot orders are
// oleaut32's; the behaviour is Wine's, held to it by the conformance rows of tests/conformance.
#pragma once

#include "oaidl.h"

#define MEMBERID_NIL DISPID_UNKNOWN

#define TYPEFLAG_FRESTRICTED 0x200
#define FUNCFLAG_FRESTRICTED 0x1
#define FUNCFLAG_FHIDDEN 0x40
#define PARAMFLAG_FHASDEFAULT 0x20

#define TYPE_E_BADMODULEKIND ((HRESULT)0x800288BDL)
#define TYPE_E_AMBIGUOUSNAME ((HRESULT)0x8002802CL)
#define TYPE_E_NAMECONFLICT ((HRESULT)0x8002802DL)
#define TYPE_E_TYPEMISMATCH ((HRESULT)0x80028CA0L)
#define TYPE_E_INCONSISTENTPROPFUNCS ((HRESULT)0x80029C83L)
#define TYPE_E_CIRCULARTYPE ((HRESULT)0x80029C84L)

enum DESCKIND {
    DESCKIND_NONE = 0,
    DESCKIND_FUNCDESC,
    DESCKIND_VARDESC,
    DESCKIND_TYPECOMP,
    DESCKIND_IMPLICITAPPOBJ,
    DESCKIND_MAX
};

union BINDPTR {
    FUNCDESC *lpfuncdesc;
    VARDESC *lpvardesc;
    ITypeComp *lptcomp;
};

struct ITypeComp : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Bind(LPOLESTR name, ULONG hash, WORD flags, ITypeInfo **info, DESCKIND *kind,
                                           BINDPTR *bound) = 0;
    virtual HRESULT STDMETHODCALLTYPE BindType(LPOLESTR name, ULONG hash, ITypeInfo **info, ITypeComp **comp) = 0;
};

struct ICreateTypeInfo : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetGuid(REFGUID guid) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTypeFlags(UINT flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDocString(LPOLESTR doc) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD help_context) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVersion(WORD major, WORD minor) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddRefTypeInfo(ITypeInfo *info, HREFTYPE *ref_type) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddFuncDesc(UINT index, FUNCDESC *desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddImplType(UINT index, HREFTYPE ref_type) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetImplTypeFlags(UINT index, INT flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAlignment(WORD alignment) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSchema(LPOLESTR schema) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddVarDesc(UINT index, VARDESC *desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFuncAndParamNames(UINT index, LPOLESTR *names, UINT count) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVarName(UINT index, LPOLESTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTypeDescAlias(TYPEDESC *alias) = 0;
    virtual HRESULT STDMETHODCALLTYPE DefineFuncAsDllEntry(UINT index, LPOLESTR dll_name, LPOLESTR proc_name) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFuncDocString(UINT index, LPOLESTR doc) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVarDocString(UINT index, LPOLESTR doc) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFuncHelpContext(UINT index, DWORD help_context) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVarHelpContext(UINT index, DWORD help_context) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMops(UINT index, BSTR mops) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTypeIdldesc(IDLDESC *idl_desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE LayOut() = 0;
};

struct ICreateTypeLib : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateTypeInfo(LPOLESTR name, TYPEKIND kind, ICreateTypeInfo **info) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetName(LPOLESTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVersion(WORD major, WORD minor) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetGuid(REFGUID guid) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDocString(LPOLESTR doc) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHelpFileName(LPOLESTR help_file) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD help_context) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLcid(LCID lcid) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLibFlags(UINT flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SaveAllChanges() = 0;
};

struct ICreateTypeLib2 : public ICreateTypeLib {
    virtual HRESULT STDMETHODCALLTYPE DeleteTypeInfo(LPOLESTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCustData(REFGUID guid, VARIANT *value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHelpStringContext(ULONG help_string_context) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHelpStringDll(LPOLESTR dll_name) = 0;
};

extern "C" const IID IID_ITypeComp;
extern "C" const IID IID_ICreateTypeInfo;
extern "C" const IID IID_ICreateTypeLib;
extern "C" const IID IID_ICreateTypeLib2;
// The library stdole2.tlb (OLE Automation 2.0), which describes IUnknown and IDispatch.
extern "C" const GUID IID_StdOle;

// A new, empty library whose types lay out their function tables for `syskind` (4-byte
// pointers for SYS_WIN32, 8-byte ones for SYS_WIN64). It lives in memory only: the port
// writes no type-library files, so `file` is not kept and SaveAllChanges is E_NOTIMPL.
// Its types are dispinterfaces and interfaces; other kinds are E_NOTIMPL.
TAVLINPORT_API HRESULT CreateTypeLib2(SYSKIND syskind, LPCOLESTR file, ICreateTypeLib2 **lib);
