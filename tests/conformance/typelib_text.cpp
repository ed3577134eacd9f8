// Text forms of what type libraries describe.
#include "typelib_text.h"

#include "objects.h"

namespace conformance {
namespace {

template <size_t N> std::string name_or_number(const char *const (&names)[N], unsigned value)
{
    return value < N ? names[value] : std::to_string(value);
}

std::string flags_text(unsigned flags) { return hex(flags); }

std::string memid_text(MEMBERID memid) { return hex(static_cast<uint32_t>(memid)); }

std::string param_text(const ELEMDESC &param)
{
    return type_text(param.tdesc) + " flags=" + flags_text(param.paramdesc.wParamFlags) +
           (param.paramdesc.pparamdescex ? " with default" : "");
}

// GetDocumentation's answers; every out-parameter starts with a value no answer has, so that
// one left alone shows.
template <class Get> std::string documentation(Get get)
{
    BSTR name = nullptr, doc = nullptr, help_file = nullptr;
    DWORD context = 77;
    const HRESULT hr = get(&name, &doc, &context, &help_file);
    std::string text = hresult_text(hr) + " name=" + bstr_text(name) + " doc=" + bstr_text(doc) +
                       " context=" + std::to_string(context) + " helpfile=" + bstr_text(help_file);
    SysFreeString(name);
    SysFreeString(doc);
    SysFreeString(help_file);
    return text;
}

}  // namespace

OleNames::OleNames(const std::vector<std::u16string> &texts)
{
    for (const std::u16string &text : texts) names_.push_back(make_bstr(text));
}

OleNames::~OleNames()
{
    for (LPOLESTR name : names_) SysFreeString(name);
}

std::string typekind_text(TYPEKIND kind)
{
    static const char *const names[] = {"TKIND_ENUM",     "TKIND_RECORD",  "TKIND_MODULE", "TKIND_INTERFACE",
                                        "TKIND_DISPATCH", "TKIND_COCLASS", "TKIND_ALIAS",  "TKIND_UNION"};
    return name_or_number(names, kind);
}

std::string syskind_text(SYSKIND kind) { return kind == kProcessSyskind ? "the process's" : std::to_string(kind); }

std::string pointers_text(size_t bytes)
{
    if (bytes % sizeof(void *) != 0) return std::to_string(bytes) + " bytes";
    return std::to_string(bytes / sizeof(void *)) + " ptr";
}

std::string type_text(const TYPEDESC &type)
{
    std::string text = vartype_text(type.vt);
    if (type.vt == VT_PTR || type.vt == VT_SAFEARRAY) text += "->" + (type.lptdesc ? type_text(*type.lptdesc) : "null");
    return text;
}

std::string attr_text(const TYPEATTR &attr)
{
    return typekind_text(attr.typekind) + " flags=" + flags_text(attr.wTypeFlags) +
           " funcs=" + std::to_string(attr.cFuncs) + " vars=" + std::to_string(attr.cVars) +
           " impls=" + std::to_string(attr.cImplTypes) + " vft=" + pointers_text(attr.cbSizeVft) +
           " instance=" + pointers_text(attr.cbSizeInstance) + " version=" + std::to_string(attr.wMajorVerNum) + "." +
           std::to_string(attr.wMinorVerNum) + " lcid=" + hex(attr.lcid) +
           " ctor=" + memid_text(attr.memidConstructor) + " dtor=" + memid_text(attr.memidDestructor) +
           " schema=" + (attr.lpstrSchema ? "set" : "null") + " alias=" + vartype_text(attr.tdescAlias.vt) +
           " idl=" + flags_text(attr.idldescType.wIDLFlags);
}

std::string func_text(const FUNCDESC &desc)
{
    static const char *const funckinds[] = {"FUNC_VIRTUAL", "FUNC_PUREVIRTUAL", "FUNC_NONVIRTUAL", "FUNC_STATIC",
                                            "FUNC_DISPATCH"};
    static const char *const callconvs[] = {"CC_FASTCALL", "CC_CDECL", "CC_PASCAL", "CC_MACPASCAL", "CC_STDCALL"};
    std::string text = "memid=" + memid_text(desc.memid) + " " + name_or_number(funckinds, desc.funckind) +
                       " invkind=" + std::to_string(desc.invkind) + " " + name_or_number(callconvs, desc.callconv) +
                       " params=" + std::to_string(desc.cParams) + " optional=" + std::to_string(desc.cParamsOpt) +
                       " vft=" + pointers_text(static_cast<size_t>(desc.oVft)) +
                       " scodes=" + std::to_string(desc.cScodes) + " flags=" + flags_text(desc.wFuncFlags) +
                       " returns " + type_text(desc.elemdescFunc.tdesc) +
                       " flags=" + flags_text(desc.elemdescFunc.paramdesc.wParamFlags);
    for (SHORT i = 0; i < desc.cParams; ++i) text += " (" + param_text(desc.lprgelemdescParam[i]) + ")";
    return text;
}

std::string lib_attr_text(const TLIBATTR &attr)
{
    return "guid=" + guid_text(attr.guid) + " lcid=" + hex(attr.lcid) + " syskind=" + syskind_text(attr.syskind) +
           " version=" + std::to_string(attr.wMajorVerNum) + "." + std::to_string(attr.wMinorVerNum) +
           " flags=" + flags_text(attr.wLibFlags);
}

std::string names_text(ITypeInfo *info, MEMBERID memid, UINT max_names)
{
    BSTR names[8] = {};
    UINT count = 99;
    const HRESULT hr = info->GetNames(memid, names, max_names, &count);
    std::string text = hresult_text(hr) + " count=" + std::to_string(count) + " [";
    for (UINT i = 0; SUCCEEDED(hr) && i < count && i < 8; ++i) {
        text += (i ? " " : "") + bstr_text(names[i]);
        SysFreeString(names[i]);
    }
    return text + "]";
}

std::string documentation_text(ITypeInfo *info, MEMBERID memid)
{
    return documentation([&](BSTR *name, BSTR *doc, DWORD *context, BSTR *help_file) {
        return info->GetDocumentation(memid, name, doc, context, help_file);
    });
}

std::string documentation_text(ITypeLib *lib, INT index)
{
    return documentation([&](BSTR *name, BSTR *doc, DWORD *context, BSTR *help_file) {
        return lib->GetDocumentation(index, name, doc, context, help_file);
    });
}

std::string type_name(ITypeInfo *info)
{
    BSTR name = nullptr;
    info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    std::string text = bstr_text(name);
    SysFreeString(name);
    return text;
}

std::string attributes_of(ITypeInfo *info)
{
    TYPEATTR *attr = nullptr;
    const HRESULT hr = info->GetTypeAttr(&attr);
    if (FAILED(hr)) return hresult_text(hr);
    std::string text = attr_text(*attr);
    info->ReleaseTypeAttr(attr);
    return text;
}

std::string function_of(ITypeInfo *info, UINT index)
{
    FUNCDESC *desc = nullptr;
    const HRESULT hr = info->GetFuncDesc(index, &desc);
    if (FAILED(hr)) return hresult_text(hr);
    std::string text = func_text(*desc) + " names " + names_text(info, desc->memid);
    info->ReleaseFuncDesc(desc);
    return text;
}

std::string ids_text(ITypeInfo *info, const std::vector<std::u16string> &names, UINT count)
{
    OleNames ole(names);
    std::vector<MEMBERID> memids(count + 1, 77);  // one more than asked, to show it is left alone
    const HRESULT hr = info->GetIDsOfNames(ole.get(), count, memids.data());
    std::string text = hresult_text(hr);
    for (MEMBERID memid : memids) text += " " + memid_text(memid);
    return text;
}

bool same_object(IUnknown *a, IUnknown *b)
{
    Held<IUnknown> first, second;
    if (FAILED(a->QueryInterface(kIidIUnknown, first.out_void())) ||
        FAILED(b->QueryInterface(kIidIUnknown, second.out_void())))
        return false;
    return first.get() == second.get();
}

}  // namespace conformance
