// A dispinterface made at run time as the bridge makes one for a Java class: a library from
// CreateTypeLib2, one TKIND_DISPATCH type based on stdole's IDispatch, a function description
// for each member; then everything a client reads of it through ITypeInfo, ITypeComp and the
// library's ITypeLib.
#include "objects.h"
#include "typelib_text.h"

namespace conformance {
namespace {

constexpr GUID kLibid = {0x5C0F1A2B, 0x3D4E, 0x4F60, {0x81, 0x92, 0xA3, 0xB4, 0xC5, 0xD6, 0xE7, 0xF8}};
constexpr GUID kTypeGuid = {0x5C0F1A2C, 0x3D4E, 0x4F60, {0x81, 0x92, 0xA3, 0xB4, 0xC5, 0xD6, 0xE7, 0xF8}};

constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kOptional = PARAMFLAG_FIN | PARAMFLAG_FOPT;

struct Member {
    const char *label;
    MEMBERID memid;
    INVOKEKIND invkind;
    std::vector<std::u16string> names;  // the member's, then its parameters'
    std::vector<USHORT> params;         // each a VT_VARIANT with these flags
    SHORT optional;                     // cParamsOpt
    VARTYPE result;
    WORD flags;
    const char16_t *doc;  // none when null
};

const Member kMembers[] = {
    {"method with an optional parameter",
     1,
     INVOKE_FUNC,
     {u"add", u"index", u"element"},
     {kIn, kOptional},
     0,
     VT_VARIANT,
     0,
     u"add(int, Object)"},
    {"method without parameters", 2, INVOKE_FUNC, {u"size"}, {}, 0, VT_VARIANT, 0, u"size()"},
    {"method with variable arguments",
     3,
     INVOKE_FUNC,
     {u"format", u"args"},
     {kIn},
     -1,
     VT_VARIANT,
     0,
     u"format(Object...)"},
    {"_NewEnum", DISPID_NEWENUM, INVOKE_FUNC, {u"_NewEnum"}, {}, 0, VT_UNKNOWN, FUNCFLAG_FRESTRICTED, nullptr},
    {"property get", 4, INVOKE_PROPERTYGET, {u"Name"}, {}, 0, VT_VARIANT, 0, u"getName()"},
    {"property put", 4, INVOKE_PROPERTYPUT, {u"Name"}, {kIn}, 0, VT_EMPTY, 0, u"setName(String)"},
    {"property putref", 5, INVOKE_PROPERTYPUTREF, {u"Owner"}, {kIn}, 0, VT_VOID, 0, nullptr},
    {"default value", DISPID_VALUE, INVOKE_PROPERTYGET, {u"toString"}, {}, 0, VT_VARIANT, 0, u"toString()"},
};

// Records what the type's Invoke hands on to the object.
class InvokedObject final : public IDispatch {
public:
    InvokedObject() { name_object(this, "the invoked object"); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override
    {
        const bool known = same_guid(riid, kIidIUnknown) || same_guid(riid, kIidIDispatch);
        *object = known ? static_cast<IDispatch *>(this) : nullptr;
        return known ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS *params,
                                     VARIANT *result, EXCEPINFO *, UINT *) override
    {
        seen = "dispid=" + hex(static_cast<uint32_t>(dispid)) + " iid=" + guid_text(riid) + " lcid=" + hex(lcid) +
               " flags=" + std::to_string(flags) + " args=" + std::to_string(params ? params->cArgs : 99);
        if (result) {
            V_VT(result) = VT_I4;
            V_I4(result) = 42;
        }
        return S_OK;
    }
    std::string seen;
};

struct Created {
    Held<ICreateTypeLib2> lib;
    Held<ITypeInfo> dispatch;  // stdole's
    Held<ITypeInfo> info;
    HREFTYPE dispatch_href = 0;
};

void add_member(Rows &rows, ICreateTypeInfo *type, UINT index, const Member &member)
{
    std::vector<ELEMDESC> params(member.params.size());
    for (size_t i = 0; i < params.size(); ++i) {
        params[i].tdesc.vt = VT_VARIANT;
        params[i].paramdesc.wParamFlags = member.params[i];
    }
    FUNCDESC desc{};
    desc.memid = member.memid;
    desc.lprgelemdescParam = params.empty() ? nullptr : params.data();
    desc.funckind = FUNC_DISPATCH;
    desc.invkind = member.invkind;
    desc.callconv = CC_STDCALL;
    desc.cParams = static_cast<SHORT>(params.size());
    desc.cParamsOpt = member.optional;
    desc.elemdescFunc.tdesc.vt = member.result;
    desc.wFuncFlags = member.flags;
    const std::string key = std::string("created ") + member.label + " ";
    rows.add(key + "AddFuncDesc", hresult_text(type->AddFuncDesc(index, &desc)));
    OleNames names(member.names);
    rows.add(key + "SetFuncAndParamNames", hresult_text(type->SetFuncAndParamNames(index, names.get(), names.count())));
    if (member.doc) {
        OleName doc(member.doc);
        rows.add(key + "SetFuncDocString", hresult_text(type->SetFuncDocString(index, doc.get())));
    }
}

// The bridge's calls, each a row of its own; false when the type could not be made.
bool create(Rows &rows, Created *made)
{
    HRESULT hr = CreateTypeLib2(kProcessSyskind, OleName(u"tavlin-proxies").get(), made->lib.out());
    rows.add("created CreateTypeLib2", hresult_text(hr));
    if (FAILED(hr)) return false;
    ICreateTypeLib2 *lib = made->lib.get();
    rows.add("created library SetGuid", hresult_text(lib->SetGuid(kLibid)));
    rows.add("created library SetName", hresult_text(lib->SetName(OleName(u"TavlinProxies").get())));
    rows.add("created library SetLcid", hresult_text(lib->SetLcid(LOCALE_NEUTRAL)));
    rows.add("created library SetVersion", hresult_text(lib->SetVersion(1, 0)));
    Held<ITypeLib> stdole;
    LoadRegTypeLib(kLibidStdOle, 2, 0, LOCALE_NEUTRAL, stdole.out());
    if (!stdole.get() || FAILED(stdole->GetTypeInfoOfGuid(kIidIDispatch, made->dispatch.out()))) return false;

    Held<ICreateTypeInfo> type;
    hr = lib->CreateTypeInfo(OleName(u"ArrayListProxy").get(), TKIND_DISPATCH, type.out());
    rows.add("created CreateTypeInfo", hresult_text(hr));
    if (FAILED(hr)) return false;
    rows.add("created type SetGuid", hresult_text(type->SetGuid(kTypeGuid)));
    rows.add("created type SetTypeFlags", hresult_text(type->SetTypeFlags(TYPEFLAG_FDISPATCHABLE)));
    rows.add("created type SetDocString", hresult_text(type->SetDocString(OleName(u"java.util.ArrayList").get())));
    hr = type->AddRefTypeInfo(made->dispatch.get(), &made->dispatch_href);
    rows.add("created AddRefTypeInfo IDispatch", hresult_text(hr) + " href=" + hex(made->dispatch_href));
    rows.add("created AddImplType", hresult_text(type->AddImplType(0, made->dispatch_href)));
    for (UINT index = 0; index < sizeof kMembers / sizeof kMembers[0]; ++index)
        add_member(rows, type.get(), index, kMembers[index]);
    rows.add("created LayOut", hresult_text(type->LayOut()));
    hr = type->QueryInterface(kIidITypeInfo, made->info.out_void());
    rows.add("created QueryInterface ITypeInfo", hresult_text(hr));
    return SUCCEEDED(hr);
}

void add_attribute_rows(Rows &rows, ITypeInfo *info)
{
    rows.add("created attributes", attributes_of(info));
    TYPEATTR *attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return;
    rows.add("created guid", guid_text(attr->guid) + (same_guid(attr->guid, kTypeGuid) ? " as set" : " not as set"));
    rows.add("created alignment", std::to_string(attr->cbAlignment) + " bytes");
    for (UINT index = 0; index <= attr->cFuncs; ++index)
        rows.add("created function " + std::to_string(index), function_of(info, index));
    info->ReleaseTypeAttr(attr);
    rows.add("created GetFuncDesc into null", hresult_text(info->GetFuncDesc(0, nullptr)));
}

void add_name_rows(Rows &rows, ITypeInfo *info)
{
    const struct {
        const char *key;
        MEMBERID memid;
        UINT max_names;
    } names[] = {
        {"created GetNames of the method with an optional parameter", 1, 8},
        {"created GetNames of the property", 4, 8},
        {"created GetNames at most 1", 1, 1},
        {"created GetNames at most 0", 1, 0},
        {"created GetNames of an unknown member", 99, 8},
        {"created GetNames of IDispatch's Invoke", 0x60010003, 8},
        {"created GetNames of IUnknown's QueryInterface", 0x60000000, 8},
    };
    for (const auto &entry : names) rows.add(entry.key, names_text(info, entry.memid, entry.max_names));

    const struct {
        const char *key;
        std::vector<std::u16string> names;
    } lookups[] = {
        {"created GetIDsOfNames size", {u"size"}},
        {"created GetIDsOfNames in other case", {u"SIZE"}},
        {"created GetIDsOfNames with parameters", {u"add", u"ELEMENT", u"index"}},
        {"created GetIDsOfNames with an unknown parameter", {u"add", u"nope"}},
        {"created GetIDsOfNames unknown", {u"nope"}},
        {"created GetIDsOfNames unknown with a parameter", {u"nope", u"index"}},
        {"created GetIDsOfNames of the property", {u"name"}},
        {"created GetIDsOfNames _NewEnum", {u"_newenum"}},
        {"created GetIDsOfNames of IUnknown's", {u"queryinterface", u"riid"}},
        {"created GetIDsOfNames of IDispatch's", {u"Invoke", u"wFlags"}},
    };
    for (const auto &entry : lookups) rows.add(entry.key, ids_text(info, entry.names));
    // Wine reads the first name even when asked for none.
    rows.add("created GetIDsOfNames of no name", ids_text(info, {u"size"}, 0));
}

void add_documentation_rows(Rows &rows, ITypeInfo *info)
{
    const struct {
        const char *key;
        MEMBERID memid;
    } members[] = {
        {"created GetDocumentation of the type", MEMBERID_NIL},
        {"created GetDocumentation of a member", 1},
        {"created GetDocumentation of a member without one", DISPID_NEWENUM},
        {"created GetDocumentation of the property", 4},
        {"created GetDocumentation of an unknown member", 99},
        {"created GetDocumentation of IUnknown's QueryInterface", 0x60000000},
    };
    for (const auto &entry : members) rows.add(entry.key, documentation_text(info, entry.memid));
}

void add_base_rows(Rows &rows, const Created &made)
{
    ITypeInfo *info = made.info.get();
    for (UINT index : {0u, 1u}) {
        INT flags = 77;
        HRESULT hr = info->GetImplTypeFlags(index, &flags);
        rows.add("created GetImplTypeFlags " + std::to_string(index), hresult_text(hr) + " " + std::to_string(flags));
    }
    for (UINT index : {0u, 1u, static_cast<UINT>(-1)}) {
        HREFTYPE href = 77;
        HRESULT hr = info->GetRefTypeOfImplType(index, &href);
        rows.add("created GetRefTypeOfImplType " + std::to_string(static_cast<INT>(index)),
                 hresult_text(hr) + " href=" + hex(href) + (href == made.dispatch_href ? ", IDispatch's" : ""));
    }
    const struct {
        const char *key;
        HREFTYPE href;
    } references[] = {
        {"created GetRefTypeInfo of IDispatch's href", made.dispatch_href},
        {"created GetRefTypeInfo of an href never given", 0x12e},
        {"created GetRefTypeInfo of the other half of a dual interface", static_cast<HREFTYPE>(-1)},
    };
    for (const auto &entry : references) {
        Held<ITypeInfo> referenced;
        HRESULT hr = info->GetRefTypeInfo(entry.href, referenced.out());
        std::string text = hresult_text(hr);
        if (referenced.get())
            text += " " + type_name(referenced.get()) +
                    (referenced.get() == made.dispatch.get() ? ", stdole's own" : ", another object");
        rows.add(entry.key, text);
    }
}

void add_library_rows(Rows &rows, const Created &made)
{
    Held<ITypeLib> lib, creator;
    UINT index = 77;
    HRESULT hr = made.info->GetContainingTypeLib(lib.out(), &index);
    made.lib->QueryInterface(kIidITypeLib, creator.out_void());
    rows.add("created GetContainingTypeLib", hresult_text(hr) + " index=" + std::to_string(index) +
                                                 (lib.get() == creator.get() ? ", the creator's" : ", another"));
    if (!lib.get()) return;
    rows.add("created library GetTypeInfoCount", std::to_string(lib->GetTypeInfoCount()));
    for (UINT at : {0u, 1u}) {
        Held<ITypeInfo> type;
        hr = lib->GetTypeInfo(at, type.out());
        rows.add("created library GetTypeInfo " + std::to_string(at),
                 hresult_text(hr) + (type.get() ? type.get() == made.info.get() ? " the type" : " another" : ""));
        TYPEKIND kind = TKIND_MAX;
        hr = lib->GetTypeInfoType(at, &kind);
        rows.add("created library GetTypeInfoType " + std::to_string(at), hresult_text(hr) + " " + typekind_text(kind));
    }
    for (const GUID *guid : {&kTypeGuid, &kLibid}) {
        Held<ITypeInfo> type;
        hr = lib->GetTypeInfoOfGuid(*guid, type.out());
        rows.add("created library GetTypeInfoOfGuid " + guid_text(*guid),
                 hresult_text(hr) + (type.get() ? type.get() == made.info.get() ? " the type" : " another" : ""));
    }
    TLIBATTR *attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    rows.add("created library attributes", hresult_text(hr) + (attr ? " " + lib_attr_text(*attr) : ""));
    if (attr) lib->ReleaseTLibAttr(attr);
    for (INT at : {-1, 0, 1})
        rows.add("created library GetDocumentation " + std::to_string(at), documentation_text(lib.get(), at));
}

void add_interface_rows(Rows &rows, const Created &made)
{
    const struct {
        const char *name;
        const GUID *iid;
    } interfaces[] = {
        {"ITypeInfo", &kIidITypeInfo},
        {"ICreateTypeInfo", &kIidICreateTypeInfo},
        {"ITypeComp", &kIidITypeComp},
        {"IDispatch", &kIidIDispatch},
        {"ITypeLib", &kIidITypeLib},
        {"ICreateTypeLib", &kIidICreateTypeLib},
        {"ICreateTypeLib2", &kIidICreateTypeLib2},
    };
    for (const auto &entry : interfaces) {
        Held<IUnknown> of_type, of_lib;
        HRESULT type_hr = made.info->QueryInterface(*entry.iid, of_type.out_void());
        HRESULT lib_hr = made.lib->QueryInterface(*entry.iid, of_lib.out_void());
        rows.add(std::string("created type QueryInterface ") + entry.name, hresult_text(type_hr));
        rows.add(std::string("created library QueryInterface ") + entry.name, hresult_text(lib_hr));
    }
    Held<ITypeComp> comp, again;
    HRESULT hr = made.info->GetTypeComp(comp.out());
    made.info->GetTypeComp(again.out());
    rows.add("created GetTypeComp",
             hresult_text(hr) + (comp.get() && comp.get() == again.get() ? " the same each time" : ""));
    if (comp.get())
        rows.add("created GetTypeComp is the type's own object",
                 same_object(comp.get(), made.info.get()) ? "yes" : "no");
}

// Bind's outcome: the kind, the type it was bound in, and the function.
std::string bound_text(ITypeComp *comp, const Created &made, const char16_t *name, ULONG hash, WORD flags)
{
    ITypeInfo *bound = nullptr;
    DESCKIND kind = DESCKIND_MAX;
    BINDPTR ptr;
    ptr.lpfuncdesc = reinterpret_cast<FUNCDESC *>(1);  // shows whether Bind clears it
    OleName ole(name);
    const HRESULT hr = comp->Bind(ole.get(), hash, flags, &bound, &kind, &ptr);
    std::string text = hresult_text(hr) + " kind=" + std::to_string(kind);
    if (!bound) return text + " no type" + (ptr.lpfuncdesc ? " bound pointer set" : " bound pointer null");
    text += " in " + type_name(bound) +
            (bound == made.info.get()       ? " (the type)"
             : bound == made.dispatch.get() ? " (stdole's)"
                                            : "");
    if (kind == DESCKIND_FUNCDESC) {
        text += " " + func_text(*ptr.lpfuncdesc);
        bound->ReleaseFuncDesc(ptr.lpfuncdesc);
    }
    bound->Release();
    return text;
}

void add_bind_rows(Rows &rows, const Created &made)
{
    Held<ITypeComp> comp;
    if (FAILED(made.info->GetTypeComp(comp.out()))) return;
    const struct {
        const char16_t *name;
        WORD flags;
        ULONG hash;
    } binds[] = {
        {u"size", 0, 0},
        {u"SIZE", INVOKE_FUNC, 0},
        {u"size", INVOKE_FUNC, 0x12345678},
        {u"size", INVOKE_PROPERTYGET, 0},
        {u"name", 0, 0},
        {u"name", INVOKE_FUNC, 0},
        {u"name", INVOKE_PROPERTYGET, 0},
        {u"name", INVOKE_PROPERTYPUT, 0},
        {u"name", INVOKE_PROPERTYPUTREF, 0},
        {u"name", INVOKE_FUNC | INVOKE_PROPERTYPUT, 0},
        {u"owner", INVOKE_PROPERTYPUTREF, 0},
        {u"_NewEnum", INVOKE_FUNC, 0},
        {u"nope", 0, 0},
        {u"nope", INVOKE_FUNC, 0},
        {u"ArrayListProxy", 0, 0},
        {u"index", 0, 0},
        {u"QueryInterface", INVOKE_FUNC, 0},
        {u"queryinterface", INVOKE_PROPERTYGET, 0},
        {u"AddRef", 0, 0},
        {u"invoke", 0, 0},
    };
    for (const auto &entry : binds) {
        const std::string name = bstr_text(OleName(entry.name).get());
        rows.add("created Bind " + name + " flags " + std::to_string(entry.flags) + " hash " + hex(entry.hash),
                 bound_text(comp.get(), made, entry.name, entry.hash, entry.flags));
    }
    ITypeInfo *info = reinterpret_cast<ITypeInfo *>(1);
    ITypeComp *inner = reinterpret_cast<ITypeComp *>(1);
    const HRESULT hr = comp->BindType(OleName(u"ArrayListProxy").get(), 0, &info, &inner);
    rows.add("created BindType of the type's name",
             hresult_text(hr) + (info ? " a type" : " no type") + (inner ? " a binding" : " no binding"));
}

void add_invoke_rows(Rows &rows, ITypeInfo *info)
{
    const struct {
        const char *key;
        MEMBERID memid;
        WORD flags;
        UINT args;
    } calls[] = {
        {"created Invoke a method", 1, DISPATCH_METHOD, 1},
        {"created Invoke a method without arguments", 1, DISPATCH_METHOD, 0},
        {"created Invoke a property get", 4, DISPATCH_PROPERTYGET, 0},
        {"created Invoke a method as a property get", 2, DISPATCH_PROPERTYGET, 0},
        {"created Invoke an unknown member", 99, DISPATCH_METHOD, 0},
        {"created Invoke IUnknown's AddRef", 0x60000001, DISPATCH_METHOD, 0},
    };
    for (const auto &call : calls) {
        InvokedObject object;
        VARIANT arg = variant_of(VT_I4);
        V_I4(&arg) = 5;
        DISPPARAMS params = {&arg, nullptr, call.args, 0};
        VARIANT result = variant_of(VT_EMPTY);
        EXCEPINFO excep{};
        UINT arg_err = 0;
        const HRESULT hr =
            info->Invoke(static_cast<IDispatch *>(&object), call.memid, call.flags, &params, &result, &excep, &arg_err);
        rows.add(call.key, hresult_text(hr) + " " + describe(result) + " seen: " + object.seen);
        VariantClear(&result);
    }
}

// The bridge lets go of the library and the creator and keeps the type information.
void add_lifetime_rows(Rows &rows, Created &made)
{
    Held<ITypeInfo> kept(made.info.detach());
    made.lib.reset();
    ITypeInfo *info = kept.get();
    TYPEATTR *attr = nullptr;
    HRESULT hr = info->GetTypeAttr(&attr);
    rows.add("created type read after the creators are released",
             hresult_text(hr) + (attr ? " funcs=" + std::to_string(attr->cFuncs) : ""));
    if (attr) info->ReleaseTypeAttr(attr);
    Held<ITypeLib> lib;
    hr = info->GetContainingTypeLib(lib.out(), nullptr);
    rows.add("created library read after the creators are released",
             hresult_text(hr) + (lib.get() ? " count=" + std::to_string(lib->GetTypeInfoCount()) : ""));
}

}  // namespace

void add_created_typelib_rows(Rows &rows)
{
    Created made;
    if (!create(rows, &made)) return;
    add_attribute_rows(rows, made.info.get());
    add_name_rows(rows, made.info.get());
    add_documentation_rows(rows, made.info.get());
    add_base_rows(rows, made);
    add_library_rows(rows, made);
    add_interface_rows(rows, made);
    add_bind_rows(rows, made);
    add_invoke_rows(rows, made.info.get());
    add_lifetime_rows(rows, made);
}

}  // namespace conformance
