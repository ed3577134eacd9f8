// IDispatch and the type-library interfaces (ITypeInfo, ITypeLib) with COM's slot order,
// their description records, and the oleaut32 type-library functions.
#pragma once

#include "oleauto.h"
#include "unknwn.h"

struct ITypeInfo;
struct ITypeLib;
struct ITypeComp;
struct VARDESC;
struct ARRAYDESC;
struct PARAMDESCEX;

typedef DWORD HREFTYPE;

enum TYPEKIND {
    TKIND_ENUM = 0,
    TKIND_RECORD,
    TKIND_MODULE,
    TKIND_INTERFACE,
    TKIND_DISPATCH,
    TKIND_COCLASS,
    TKIND_ALIAS,
    TKIND_UNION,
    TKIND_MAX
};
enum SYSKIND { SYS_WIN16 = 0, SYS_WIN32, SYS_MAC, SYS_WIN64 };
enum FUNCKIND { FUNC_VIRTUAL = 0, FUNC_PUREVIRTUAL, FUNC_NONVIRTUAL, FUNC_STATIC, FUNC_DISPATCH };
enum INVOKEKIND { INVOKE_FUNC = 1, INVOKE_PROPERTYGET = 2, INVOKE_PROPERTYPUT = 4, INVOKE_PROPERTYPUTREF = 8 };
enum CALLCONV { CC_FASTCALL = 0, CC_CDECL = 1, CC_MSCPASCAL, CC_PASCAL = CC_MSCPASCAL, CC_MACPASCAL, CC_STDCALL };

#define TYPEFLAG_FAPPOBJECT 0x01
#define TYPEFLAG_FCANCREATE 0x02
#define TYPEFLAG_FHIDDEN 0x10
#define TYPEFLAG_FDUAL 0x40
#define TYPEFLAG_FNONEXTENSIBLE 0x80
#define TYPEFLAG_FOLEAUTOMATION 0x100
#define TYPEFLAG_FDISPATCHABLE 0x1000

#define PARAMFLAG_NONE 0x00
#define PARAMFLAG_FIN 0x01
#define PARAMFLAG_FOUT 0x02
#define PARAMFLAG_FLCID 0x04
#define PARAMFLAG_FRETVAL 0x08
#define PARAMFLAG_FOPT 0x10

#define LIBFLAG_FRESTRICTED 0x01
#define LIBFLAG_FCONTROL 0x02
#define LIBFLAG_FHIDDEN 0x04
#define LIBFLAG_FHASDISKIMAGE 0x08

struct TYPEDESC {
    union {
        TYPEDESC *lptdesc;
        ARRAYDESC *lpadesc;
        HREFTYPE hreftype;
    };
    VARTYPE vt;
};

struct IDLDESC {
    ULONG_PTR dwReserved;
    USHORT wIDLFlags;
};

struct PARAMDESC {
    PARAMDESCEX *pparamdescex;
    USHORT wParamFlags;
};

struct ELEMDESC {
    TYPEDESC tdesc;
    union {
        IDLDESC idldesc;
        PARAMDESC paramdesc;
    };
};

struct TYPEATTR {
    GUID guid;
    LCID lcid;
    DWORD dwReserved;
    MEMBERID memidConstructor;
    MEMBERID memidDestructor;
    LPOLESTR lpstrSchema;
    ULONG cbSizeInstance;
    TYPEKIND typekind;
    WORD cFuncs;
    WORD cVars;
    WORD cImplTypes;
    WORD cbSizeVft;
    WORD cbAlignment;
    WORD wTypeFlags;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
    TYPEDESC tdescAlias;
    IDLDESC idldescType;
};

struct FUNCDESC {
    MEMBERID memid;
    SCODE *lprgscode;
    ELEMDESC *lprgelemdescParam;
    FUNCKIND funckind;
    INVOKEKIND invkind;
    CALLCONV callconv;
    SHORT cParams;
    SHORT cParamsOpt;
    SHORT oVft;
    SHORT cScodes;
    ELEMDESC elemdescFunc;
    WORD wFuncFlags;
};

struct TLIBATTR {
    GUID guid;
    LCID lcid;
    SYSKIND syskind;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
    WORD wLibFlags;
};

struct IDispatch : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo **info) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR *names, UINT count, LCID lcid,
                                                    DISPID *dispids) = 0;
    virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS *params,
                                             VARIANT *result, EXCEPINFO *excep_info, UINT *arg_err) = 0;
};
typedef IDispatch *LPDISPATCH;

// A collection's elements, walked in order (what a DISPID_NEWENUM member hands out).
struct IEnumVARIANT : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, VARIANT *rgVar, ULONG *pCeltFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT **ppEnum) = 0;
};

struct ITypeInfo : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR **attr) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp **comp) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT index, FUNCDESC **desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVarDesc(UINT index, VARDESC **desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNames(MEMBERID memid, BSTR *names, UINT max_names, UINT *count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT index, HREFTYPE *ref_type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT index, INT *flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR *names, UINT count, MEMBERID *memids) = 0;
    virtual HRESULT STDMETHODCALLTYPE Invoke(PVOID instance, MEMBERID memid, WORD flags, DISPPARAMS *params,
                                             VARIANT *result, EXCEPINFO *excep_info, UINT *arg_err) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID memid, BSTR *name, BSTR *doc_string,
                                                       DWORD *help_context, BSTR *help_file) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID memid, INVOKEKIND kind, BSTR *dll_name, BSTR *name,
                                                  WORD *ordinal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE ref_type, ITypeInfo **info) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID memid, INVOKEKIND kind, PVOID *address) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID riid, PVOID *object) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMops(MEMBERID memid, BSTR *mops) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib **lib, UINT *index) = 0;
    virtual void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR *attr) = 0;
    virtual void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC *desc) = 0;
    virtual void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC *desc) = 0;
};

struct ITypeLib : public IUnknown {
    virtual UINT STDMETHODCALLTYPE GetTypeInfoCount() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, ITypeInfo **info) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoType(UINT index, TYPEKIND *kind) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoOfGuid(REFGUID guid, ITypeInfo **info) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLibAttr(TLIBATTR **attr) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp **comp) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDocumentation(INT index, BSTR *name, BSTR *doc_string, DWORD *help_context,
                                                       BSTR *help_file) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsName(LPOLESTR name, ULONG hash, BOOL *found) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindName(LPOLESTR name, ULONG hash, ITypeInfo **infos, MEMBERID *memids,
                                               USHORT *found) = 0;
    virtual void STDMETHODCALLTYPE ReleaseTLibAttr(TLIBATTR *attr) = 0;
};

// The thread's error object: what a failing method leaves for its caller to read.
struct IErrorInfo : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetGUID(GUID *guid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSource(BSTR *source) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDescription(BSTR *description) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR *help_file) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD *help_context) = 0;
};

struct ICreateErrorInfo : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetGUID(REFGUID guid) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSource(LPOLESTR source) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDescription(LPOLESTR description) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHelpFile(LPOLESTR help_file) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD help_context) = 0;
};

// Answered by an object whose methods of the interface `iid` set the error object.
struct ISupportErrorInfo : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) = 0;
};

extern "C" const IID IID_IDispatch;
extern "C" const IID IID_IEnumVARIANT;
extern "C" const IID IID_ITypeInfo;
extern "C" const IID IID_ITypeInfo2;
extern "C" const IID IID_ITypeLib;
extern "C" const IID IID_IErrorInfo;
extern "C" const IID IID_ICreateErrorInfo;
extern "C" const IID IID_ISupportErrorInfo;

TAVLINPORT_API HRESULT LoadTypeLib(LPCOLESTR file, ITypeLib **lib);
TAVLINPORT_API HRESULT LoadRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, ITypeLib **lib);
TAVLINPORT_API HRESULT RegisterTypeLib(ITypeLib *lib, LPCOLESTR full_path, LPCOLESTR help_dir);
TAVLINPORT_API HRESULT UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind);
// The same for HKEY_CURRENT_USER\Software\Classes, where a user may register without
// administrator rights; LoadRegTypeLib finds a user's registration ahead of the machine's.
TAVLINPORT_API HRESULT RegisterTypeLibForUser(ITypeLib *lib, LPOLESTR full_path, LPOLESTR help_dir);
TAVLINPORT_API HRESULT UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind);

// One error object per thread, as oleaut32 keeps it: SetErrorInfo replaces it (null clears it),
// GetErrorInfo hands its reference over and leaves none behind (S_FALSE and null when there is
// none). A reserved argument other than 0 is E_INVALIDARG.
TAVLINPORT_API HRESULT CreateErrorInfo(ICreateErrorInfo **error_info);
TAVLINPORT_API HRESULT SetErrorInfo(ULONG reserved, IErrorInfo *error_info);
TAVLINPORT_API HRESULT GetErrorInfo(ULONG reserved, IErrorInfo **error_info);
