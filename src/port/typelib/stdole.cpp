// stdole2.tlb, built once through the port's own CreateTypeLib2 from a table of what Wine's
// stdole2.tlb holds for IUnknown and IDispatch (the conformance rows compare the two).
#include <vector>

#include "typelib/stdole.h"
#include "typelib/typelib.h"

namespace tavlinport {
namespace {

// What a reference to one of the records IDispatch's parameters point to (GUID, DISPPARAMS,
// EXCEPINFO) is given: a handle that AddRefTypeInfo never hands out (neither a multiple of
// 100 nor 12 * n + 1), so that it names no type.
constexpr HREFTYPE kRecordNotDescribed = 2;

// A parameter's type: the pointers in front of it, then the type pointed to.
struct StdParam {
    const OLECHAR *name;
    int pointers;
    VARTYPE pointee;
    USHORT flags;
};

struct StdFunc {
    const OLECHAR *name;
    VARTYPE result;
    std::vector<StdParam> params;
};

struct StdType {
    const OLECHAR *name;
    const GUID *guid;
    WORD flags;
    MEMBERID first_memid;
    std::vector<StdFunc> funcs;
};

const StdType kIUnknown = {
    u"IUnknown",
    &IID_IUnknown,
    TYPEFLAG_FHIDDEN,
    0x60000000,
    {
        {u"QueryInterface",
         VT_HRESULT,
         {{u"riid", 1, VT_USERDEFINED, PARAMFLAG_FIN}, {u"ppvObj", 2, VT_VOID, PARAMFLAG_FOUT}}},
        {u"AddRef", VT_UI4, {}},
        {u"Release", VT_UI4, {}},
    },
};

const StdType kIDispatch = {
    u"IDispatch",
    &IID_IDispatch,
    TYPEFLAG_FRESTRICTED,
    0x60010000,
    {
        {u"GetTypeInfoCount", VT_HRESULT, {{u"pctinfo", 1, VT_UINT, PARAMFLAG_FOUT}}},
        {u"GetTypeInfo",
         VT_HRESULT,
         {{u"itinfo", 0, VT_UINT, PARAMFLAG_FIN},
          {u"lcid", 0, VT_UI4, PARAMFLAG_FIN},
          {u"pptinfo", 2, VT_VOID, PARAMFLAG_FOUT}}},
        {u"GetIDsOfNames",
         VT_HRESULT,
         {{u"riid", 1, VT_USERDEFINED, PARAMFLAG_FIN},
          {u"rgszNames", 2, VT_I1, PARAMFLAG_FIN},
          {u"cNames", 0, VT_UINT, PARAMFLAG_FIN},
          {u"lcid", 0, VT_UI4, PARAMFLAG_FIN},
          {u"rgdispid", 1, VT_I4, PARAMFLAG_FOUT}}},
        {u"Invoke",
         VT_HRESULT,
         {{u"dispidMember", 0, VT_I4, PARAMFLAG_FIN},
          {u"riid", 1, VT_USERDEFINED, PARAMFLAG_FIN},
          {u"lcid", 0, VT_UI4, PARAMFLAG_FIN},
          {u"wFlags", 0, VT_UI2, PARAMFLAG_FIN},
          {u"pdispparams", 1, VT_USERDEFINED, PARAMFLAG_FIN},
          {u"pvarResult", 1, VT_VARIANT, PARAMFLAG_FOUT},
          {u"pexcepinfo", 1, VT_USERDEFINED, PARAMFLAG_FOUT},
          {u"puArgErr", 1, VT_UINT, PARAMFLAG_FOUT}}},
    },
};

// A parameter's type, its pointer levels kept in `levels`.
TYPEDESC type_of(const StdParam &param, std::vector<TYPEDESC> *levels)
{
    levels->assign(param.pointers + 1, TYPEDESC{});
    for (int level = 0; level < param.pointers; ++level) {
        (*levels)[level].vt = VT_PTR;
        (*levels)[level].lptdesc = &(*levels)[level + 1];
    }
    TYPEDESC &pointee = levels->back();
    pointee.vt = param.pointee;
    if (param.pointee == VT_USERDEFINED) pointee.hreftype = kRecordNotDescribed;
    return levels->front();
}

HRESULT add_function(ICreateTypeInfo *type, UINT index, MEMBERID memid, const StdFunc &func)
{
    std::vector<std::vector<TYPEDESC>> levels(func.params.size());
    std::vector<ELEMDESC> params(func.params.size());
    std::vector<LPOLESTR> names{const_cast<LPOLESTR>(func.name)};
    for (size_t i = 0; i < params.size(); ++i) {
        params[i].tdesc = type_of(func.params[i], &levels[i]);
        params[i].paramdesc.wParamFlags = func.params[i].flags;
        names.push_back(const_cast<LPOLESTR>(func.params[i].name));
    }
    FUNCDESC desc{};
    desc.memid = memid;
    desc.lprgelemdescParam = params.data();
    desc.funckind = FUNC_PUREVIRTUAL;
    desc.invkind = INVOKE_FUNC;
    desc.callconv = CC_STDCALL;
    desc.cParams = static_cast<SHORT>(params.size());
    desc.elemdescFunc.tdesc.vt = func.result;
    desc.wFuncFlags = FUNCFLAG_FRESTRICTED;
    HRESULT hr = type->AddFuncDesc(index, &desc);
    return SUCCEEDED(hr) ? type->SetFuncAndParamNames(index, names.data(), static_cast<UINT>(names.size())) : hr;
}

// One interface of the table, based on `base` when there is one.
HRESULT add_type(ICreateTypeLib2 *lib, const StdType &table, ITypeInfo *base, ITypeInfo **made)
{
    ComRef<ICreateTypeInfo> type;
    HRESULT hr = lib->CreateTypeInfo(const_cast<LPOLESTR>(table.name), TKIND_INTERFACE, type.out());
    if (FAILED(hr)) return hr;
    type->SetGuid(*table.guid);
    type->SetTypeFlags(table.flags);
    type->SetAlignment(sizeof(void *));
    HREFTYPE href = 0;
    if (base && (FAILED(hr = type->AddRefTypeInfo(base, &href)) || FAILED(hr = type->AddImplType(0, href)))) return hr;
    for (size_t i = 0; i < table.funcs.size(); ++i) {
        hr = add_function(type.get(), static_cast<UINT>(i), table.first_memid + static_cast<MEMBERID>(i),
                          table.funcs[i]);
        if (FAILED(hr)) return hr;
    }
    return type->QueryInterface(IID_ITypeInfo, reinterpret_cast<void **>(made));
}

// The library, or null when it could not be built.
ITypeLib *built()
{
    ComRef<ICreateTypeLib2> lib;
    HRESULT hr = CreateTypeLib2(kProcessSyskind, u"stdole2.tlb", lib.out());
    if (FAILED(hr)) return nullptr;
    lib->SetName(const_cast<LPOLESTR>(u"stdole"));
    lib->SetDocString(const_cast<LPOLESTR>(u"OLE Automation"));
    lib->SetGuid(IID_StdOle);
    lib->SetVersion(2, 0);
    lib->SetLcid(LOCALE_NEUTRAL);
    lib->SetLibFlags(LIBFLAG_FHASDISKIMAGE);  // as a library read from its file reports
    ComRef<ITypeInfo> unknown, dispatch;
    if (FAILED(hr = add_type(lib.get(), kIUnknown, nullptr, unknown.out())) ||
        FAILED(hr = add_type(lib.get(), kIDispatch, unknown.get(), dispatch.out())))
        return nullptr;
    ITypeLib *made = nullptr;
    lib->QueryInterface(IID_ITypeLib, reinterpret_cast<void **>(&made));
    return made;
}

bool is_file_name(LPCOLESTR path, const OLECHAR *name)
{
    const OLECHAR *last = path;
    for (const OLECHAR *c = path; *c; ++c) {
        if (*c == u'/' || *c == u'\\') last = c + 1;
    }
    return equal_ignoring_case(last, name);
}

}  // namespace

HRESULT load_stdole(ITypeLib **lib)
{
    static const ComRef<ITypeLib> library(built());
    if (!library.get()) return TYPE_E_CANTLOADLIBRARY;
    library->AddRef();
    *lib = library.get();
    return S_OK;
}

bool is_stdole_file(LPCOLESTR file) { return is_file_name(file, u"stdole2.tlb"); }

bool is_stdole(REFGUID libid, WORD major, WORD minor)
{
    return IsEqualGUID(libid, IID_StdOle) && major == 2 && minor == 0;
}

}  // namespace tavlinport
