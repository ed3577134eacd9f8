// Created types off the bridge's path: refused arguments, function descriptions kept as
// given, names that clash, handles of referenced types, type flags, an interface and a
// dispinterface based on it, a dispinterface based on nothing, and reading before LayOut.
#include "objects.h"
#include "typelib_text.h"

namespace conformance {
namespace {

constexpr USHORT kIn = PARAMFLAG_FIN;

// A library of the process's system, its types named in the rows.
class EdgeLibrary {
public:
    EdgeLibrary()
    {
        CreateTypeLib2(kProcessSyskind, OleName(u"edges").get(), lib_.out());
        Held<ITypeLib> stdole;
        LoadRegTypeLib(kLibidStdOle, 2, 0, LOCALE_NEUTRAL, stdole.out());
        if (stdole.get()) {
            stdole->GetTypeInfoOfGuid(kIidIDispatch, dispatch_.out());
            stdole->GetTypeInfoOfGuid(kIidIUnknown, unknown_.out());
        }
    }
    bool ready() const { return lib_.get() && dispatch_.get() && unknown_.get(); }
    ICreateTypeLib2 *lib() const { return lib_.get(); }
    ITypeInfo *dispatch() const { return dispatch_.get(); }
    ITypeInfo *unknown() const { return unknown_.get(); }

    // A new type of `kind`, based on `base` when there is one.
    ICreateTypeInfo *add(const char16_t *name, TYPEKIND kind, ITypeInfo *base)
    {
        ICreateTypeInfo *type = nullptr;
        if (FAILED(lib_->CreateTypeInfo(OleName(name).get(), kind, &type))) return nullptr;
        HREFTYPE href = 0;
        if (base && SUCCEEDED(type->AddRefTypeInfo(base, &href))) type->AddImplType(0, href);
        return type;
    }

private:
    Held<ICreateTypeLib2> lib_;
    Held<ITypeInfo> dispatch_, unknown_;
};

// A function description of VT_VARIANT parameters, changed as a row needs.
struct Func {
    std::vector<ELEMDESC> params;
    FUNCDESC desc{};

    Func(MEMBERID memid, INVOKEKIND invkind, SHORT count) : params(count)
    {
        for (ELEMDESC &param : params) {
            param.tdesc.vt = VT_VARIANT;
            param.paramdesc.wParamFlags = kIn;
        }
        desc.memid = memid;
        desc.lprgelemdescParam = params.empty() ? nullptr : params.data();
        desc.funckind = FUNC_DISPATCH;
        desc.invkind = invkind;
        desc.callconv = CC_STDCALL;
        desc.cParams = count;
        desc.elemdescFunc.tdesc.vt = VT_VARIANT;
    }
    FUNCDESC *get() { return &desc; }
};

template <class T> Held<ITypeInfo> info_of(T *created)
{
    Held<ITypeInfo> info;
    created->QueryInterface(kIidITypeInfo, info.out_void());
    return info;
}

void add_refused_function_rows(Rows &rows, EdgeLibrary &edges)
{
    Held<ICreateTypeInfo> type(edges.add(u"Refusals", TKIND_DISPATCH, edges.dispatch()));
    rows.add("edge AddFuncDesc past the end", hresult_text(type->AddFuncDesc(1, Func(1, INVOKE_FUNC, 0).get())));
    rows.add("edge AddFuncDesc of null", hresult_text(type->AddFuncDesc(0, nullptr)));
    const struct {
        const char *name;
        FUNCKIND kind;
    } kinds[] = {{"FUNC_VIRTUAL", FUNC_VIRTUAL},
                 {"FUNC_PUREVIRTUAL", FUNC_PUREVIRTUAL},
                 {"FUNC_NONVIRTUAL", FUNC_NONVIRTUAL},
                 {"FUNC_STATIC", FUNC_STATIC}};
    for (const auto &entry : kinds) {
        Func func(1, INVOKE_FUNC, 0);
        func.desc.funckind = entry.kind;
        rows.add(std::string("edge AddFuncDesc of a ") + entry.name + " function into a dispinterface",
                 hresult_text(type->AddFuncDesc(0, func.get())));
    }
    rows.add("edge AddFuncDesc of a property put without parameters",
             hresult_text(type->AddFuncDesc(0, Func(1, INVOKE_PROPERTYPUT, 0).get())));
    rows.add("edge AddFuncDesc of a property putref without parameters",
             hresult_text(type->AddFuncDesc(0, Func(1, INVOKE_PROPERTYPUTREF, 0).get())));
}

// Each function is added last and read back at its place, after IDispatch's seven.
void add_kept_function_rows(Rows &rows, EdgeLibrary &edges)
{
    Held<ICreateTypeInfo> type(edges.add(u"Kept", TKIND_DISPATCH, edges.dispatch()));
    Held<ITypeInfo> info = info_of(type.get());
    SCODE scode = E_FAIL;
    TYPEDESC pointee{};
    pointee.vt = VT_VARIANT;
    const struct {
        const char *label;
        void (*change)(Func &, SCODE *, TYPEDESC *);
    } cases[] = {
        {"as given", [](Func &, SCODE *, TYPEDESC *) {}},
        {"with MEMBERID_NIL", [](Func &f, SCODE *, TYPEDESC *) { f.desc.memid = MEMBERID_NIL; }},
        {"with the member ID and kind of another", [](Func &, SCODE *, TYPEDESC *) {}},
        {"with optional parameters", [](Func &f, SCODE *, TYPEDESC *) { f.desc.cParamsOpt = 1; }},
        {"with CC_CDECL", [](Func &f, SCODE *, TYPEDESC *) { f.desc.callconv = CC_CDECL; }},
        {"with every function flag", [](Func &f, SCODE *, TYPEDESC *) { f.desc.wFuncFlags = 0xffff; }},
        {"with a return code",
         [](Func &f, SCODE *s, TYPEDESC *) {
             f.desc.lprgscode = s;
             f.desc.cScodes = 1;
         }},
        {"with an out return value",
         [](Func &f, SCODE *, TYPEDESC *) { f.desc.elemdescFunc.paramdesc.wParamFlags = PARAMFLAG_FOUT; }},
        {"returning a pointer",
         [](Func &f, SCODE *, TYPEDESC *p) {
             f.desc.elemdescFunc.tdesc.vt = VT_PTR;
             f.desc.elemdescFunc.tdesc.lptdesc = p;
         }},
        {"with an optional VT_I4 parameter",
         [](Func &f, SCODE *, TYPEDESC *) {
             f.params[0].tdesc.vt = VT_I4;
             f.params[0].paramdesc.wParamFlags = PARAMFLAG_FIN | PARAMFLAG_FOPT;
         }},
        {"with a parameter of an unknown type", [](Func &f, SCODE *, TYPEDESC *) { f.params[0].tdesc.vt = 0x7ff; }},
        {"with invkind 0", [](Func &f, SCODE *, TYPEDESC *) { f.desc.invkind = static_cast<INVOKEKIND>(0); }},
        {"with invkind 3", [](Func &f, SCODE *, TYPEDESC *) { f.desc.invkind = static_cast<INVOKEKIND>(3); }},
    };
    UINT index = 0;
    for (const auto &entry : cases) {
        Func func(index == 2 ? 10 : 10 + index, INVOKE_FUNC, 2);  // the third repeats the first's
        entry.change(func, &scode, &pointee);
        const HRESULT hr = type->AddFuncDesc(index, func.get());
        rows.add(std::string("edge AddFuncDesc ") + entry.label,
                 hresult_text(hr) + " " + function_of(info.get(), 7 + index));
        ++index;
    }
    Func offset(99, INVOKE_FUNC, 0);
    offset.desc.oVft = 16;
    HRESULT hr = type->AddFuncDesc(index, offset.get());
    FUNCDESC *read = nullptr;
    if (SUCCEEDED(hr)) hr = info->GetFuncDesc(7 + index, &read);
    rows.add("edge AddFuncDesc keeps a function-table offset given",
             hresult_text(hr) + (read ? " oVft=" + std::to_string(read->oVft) : ""));
    if (read) info->ReleaseFuncDesc(read);
    hr = type->AddFuncDesc(0, Func(98, INVOKE_FUNC, 0).get());
    rows.add("edge AddFuncDesc in front",
             hresult_text(hr) + " then " + function_of(info.get(), 7) + ", then " + function_of(info.get(), 8));
}

void add_name_rows(Rows &rows, EdgeLibrary &edges)
{
    Held<ICreateTypeInfo> type(edges.add(u"Names", TKIND_DISPATCH, edges.dispatch()));
    type->AddFuncDesc(0, Func(1, INVOKE_FUNC, 1).get());
    type->AddFuncDesc(1, Func(2, INVOKE_FUNC, 0).get());
    type->AddFuncDesc(2, Func(3, INVOKE_PROPERTYGET, 0).get());
    type->AddFuncDesc(3, Func(3, INVOKE_PROPERTYPUT, 1).get());
    type->AddFuncDesc(4, Func(4, INVOKE_PROPERTYPUTREF, 1).get());
    type->AddFuncDesc(5, Func(5, INVOKE_FUNC, 0).get());
    const struct {
        const char *key;
        UINT index;
        std::vector<std::u16string> names;
    } cases[] = {
        {"edge names more than the member and its parameters", 0, {u"first", u"x", u"y"}},
        {"edge names past the end", 9, {u"first"}},
        {"edge names of a put, its member's and its parameter's", 3, {u"Value", u"v"}},
        {"edge names of a put, its member's alone", 3, {u"Value"}},
        {"edge names of a get, its property's", 2, {u"Value"}},
        {"edge names of a putref, its property's", 4, {u"Value"}},
        {"edge names of a method, a property's", 1, {u"Value"}},
        {"edge names of a method, a property's in other case", 1, {u"VALUE"}},
        {"edge names of a method and its parameter", 0, {u"first", u"x"}},
        {"edge names given again the same", 0, {u"first", u"x"}},
        {"edge names given again otherwise", 0, {u"other"}},
    };
    for (const auto &entry : cases) {
        OleNames names(entry.names);
        rows.add(entry.key, hresult_text(type->SetFuncAndParamNames(entry.index, names.get(), names.count())));
    }
    rows.add("edge names of null", hresult_text(type->SetFuncAndParamNames(0, nullptr, 1)));
    OleNames some({u"first"});
    rows.add("edge names none", hresult_text(type->SetFuncAndParamNames(0, some.get(), 0)));
    Held<ITypeInfo> info = info_of(type.get());
    rows.add("edge GetNames after naming again otherwise", names_text(info.get(), 1));
    rows.add("edge GetNames of a member never named", names_text(info.get(), 5));
    rows.add("edge GetDocumentation of a member never named", documentation_text(info.get(), 5));
    rows.add("edge SetFuncDocString past the end", hresult_text(type->SetFuncDocString(9, OleName(u"d").get())));
    rows.add("edge SetFuncDocString of null", hresult_text(type->SetFuncDocString(0, nullptr)));
    rows.add("edge SetFuncHelpContext past the end", hresult_text(type->SetFuncHelpContext(9, 55)));
    const HRESULT hr = type->SetFuncHelpContext(0, 55);
    rows.add("edge SetFuncHelpContext", hresult_text(hr) + " then " + documentation_text(info.get(), 1));
}

void add_reference_rows(Rows &rows, EdgeLibrary &edges)
{
    Held<ICreateTypeInfo> first(edges.add(u"First", TKIND_DISPATCH, nullptr));
    Held<ICreateTypeInfo> second(edges.add(u"Second", TKIND_DISPATCH, nullptr));
    Held<ITypeInfo> first_info = info_of(first.get()), second_info = info_of(second.get());
    HREFTYPE href = 77;
    rows.add("edge AddRefTypeInfo of null", hresult_text(first->AddRefTypeInfo(nullptr, &href)));
    rows.add("edge AddRefTypeInfo into null", hresult_text(first->AddRefTypeInfo(edges.dispatch(), nullptr)));
    const struct {
        const char *key;
        ITypeInfo *info;
    } references[] = {
        {"edge AddRefTypeInfo of stdole's IDispatch", edges.dispatch()},
        {"edge AddRefTypeInfo of stdole's IUnknown", edges.unknown()},
        {"edge AddRefTypeInfo of stdole's IDispatch again", edges.dispatch()},
        {"edge AddRefTypeInfo of a type of the library", second_info.get()},
        {"edge AddRefTypeInfo of the type itself", first_info.get()},
    };
    UINT index = 77;
    Held<ITypeLib> containing;
    second_info->GetContainingTypeLib(containing.out(), &index);
    rows.add("edge index of the type referred to", std::to_string(index));
    for (const auto &entry : references) {
        HRESULT hr = first->AddRefTypeInfo(entry.info, &href);
        Held<ITypeInfo> referenced;
        if (SUCCEEDED(hr)) hr = first_info->GetRefTypeInfo(href, referenced.out());
        rows.add(entry.key, hresult_text(hr) + " href=" + hex(href) +
                                (referenced.get() == entry.info ? " names it" : " names another object"));
    }
    HREFTYPE dispatch_href = 0;
    first->AddRefTypeInfo(edges.dispatch(), &dispatch_href);
    rows.add("edge AddImplType past the first", hresult_text(first->AddImplType(1, dispatch_href)));
    rows.add("edge AddImplType", hresult_text(first->AddImplType(0, dispatch_href)));
    rows.add("edge AddImplType a second", hresult_text(first->AddImplType(0, dispatch_href)));
    rows.add("edge SetImplTypeFlags", hresult_text(first->SetImplTypeFlags(0, 1)));
    for (const char16_t *name : {u"First", u"FIRST"}) {
        Held<ICreateTypeInfo> clash;
        const HRESULT hr = edges.lib()->CreateTypeInfo(OleName(name).get(), TKIND_DISPATCH, clash.out());
        rows.add("edge CreateTypeInfo of a name taken, as " + bstr_text(OleName(name).get()), hresult_text(hr));
    }
}

std::string attribute_field(ITypeInfo *info, WORD TYPEATTR::*field)
{
    TYPEATTR *attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return "no attributes";
    const std::string text = hex(attr->*field);
    info->ReleaseTypeAttr(attr);
    return text;
}

void add_type_setting_rows(Rows &rows, EdgeLibrary &edges)
{
    const UINT flag_sets[] = {0,
                              TYPEFLAG_FDISPATCHABLE,
                              TYPEFLAG_FDISPATCHABLE | TYPEFLAG_FHIDDEN,
                              TYPEFLAG_FDISPATCHABLE | TYPEFLAG_FNONEXTENSIBLE,
                              TYPEFLAG_FDISPATCHABLE | TYPEFLAG_FRESTRICTED,
                              TYPEFLAG_FDUAL,
                              TYPEFLAG_FOLEAUTOMATION,
                              0xffff};
    for (const TYPEKIND kind : {TKIND_DISPATCH, TKIND_INTERFACE}) {
        for (size_t at = 0; at < sizeof flag_sets / sizeof flag_sets[0]; ++at) {
            const std::u16string name = {u'F', static_cast<char16_t>(u'A' + kind), static_cast<char16_t>(u'a' + at)};
            Held<ICreateTypeInfo> type(edges.add(name.c_str(), kind, nullptr));
            const HRESULT hr = type->SetTypeFlags(flag_sets[at]);
            rows.add("edge SetTypeFlags " + hex(flag_sets[at]) + " of a " + typekind_text(kind),
                     hresult_text(hr) + " " + attribute_field(info_of(type.get()).get(), &TYPEATTR::wTypeFlags));
        }
    }
    Held<ICreateTypeInfo> type(edges.add(u"Settings", TKIND_DISPATCH, edges.dispatch()));
    Held<ITypeInfo> info = info_of(type.get());
    rows.add("edge SetDocString of null", hresult_text(type->SetDocString(nullptr)));
    HRESULT hr = type->SetHelpContext(77);
    rows.add("edge SetHelpContext", hresult_text(hr) + " then " + documentation_text(info.get(), MEMBERID_NIL));
    hr = type->SetVersion(3, 4);
    rows.add("edge SetVersion", hresult_text(hr) + " then " + attribute_field(info.get(), &TYPEATTR::wMajorVerNum) +
                                    "." + attribute_field(info.get(), &TYPEATTR::wMinorVerNum));
    hr = type->SetAlignment(8);
    rows.add("edge SetAlignment", hresult_text(hr) + " then " + attribute_field(info.get(), &TYPEATTR::cbAlignment));
}

// An interface based on IUnknown with one method, and a dispinterface based on it.
void add_interface_rows(Rows &rows, EdgeLibrary &edges)
{
    Held<ICreateTypeInfo> runner(edges.add(u"IRunner", TKIND_INTERFACE, edges.unknown()));
    rows.add("edge AddFuncDesc of a FUNC_DISPATCH function into an interface",
             hresult_text(runner->AddFuncDesc(0, Func(1, INVOKE_FUNC, 0).get())));
    Func run(1, INVOKE_FUNC, 0);
    run.desc.funckind = FUNC_PUREVIRTUAL;
    run.desc.elemdescFunc.tdesc.vt = VT_HRESULT;
    rows.add("edge AddFuncDesc of a FUNC_PUREVIRTUAL function into an interface",
             hresult_text(runner->AddFuncDesc(0, run.get())));
    OleNames names({u"Run"});
    runner->SetFuncAndParamNames(0, names.get(), names.count());
    rows.add("edge interface LayOut", hresult_text(runner->LayOut()));
    Held<ITypeInfo> runner_info = info_of(runner.get());
    rows.add("edge interface attributes", attributes_of(runner_info.get()));
    rows.add("edge interface alignment", attribute_field(runner_info.get(), &TYPEATTR::cbAlignment));
    for (UINT index : {0u, 1u})
        rows.add("edge interface function " + std::to_string(index), function_of(runner_info.get(), index));

    Held<ICreateTypeInfo> dispatch(edges.add(u"OnRunner", TKIND_DISPATCH, runner_info.get()));
    dispatch->LayOut();
    Held<ITypeInfo> info = info_of(dispatch.get());
    rows.add("edge dispinterface on the interface attributes", attributes_of(info.get()));
    for (UINT index = 0; index < 8; ++index)
        rows.add("edge dispinterface on the interface function " + std::to_string(index),
                 function_of(info.get(), index));
}

void add_unbased_rows(Rows &rows, EdgeLibrary &edges)
{
    Held<ICreateTypeInfo> type(edges.add(u"Unbased", TKIND_DISPATCH, nullptr));
    type->AddFuncDesc(0, Func(1, INVOKE_FUNC, 0).get());
    Held<ITypeInfo> info = info_of(type.get());
    // Its count of functions before LayOut is left out: Wine's grows by steps that only
    // LayOut makes whole.
    rows.add("edge dispinterface on nothing function 0 before LayOut", function_of(info.get(), 0));
    rows.add("edge dispinterface on nothing LayOut", hresult_text(type->LayOut()));
    rows.add("edge dispinterface on nothing attributes", attributes_of(info.get()));
    for (UINT index = 0; index < 3; ++index)
        rows.add("edge dispinterface on nothing function " + std::to_string(index), function_of(info.get(), index));
}

}  // namespace

void add_typelib_edge_rows(Rows &rows)
{
    EdgeLibrary edges;
    if (!edges.ready()) {
        rows.add("edge library", "not made");
        return;
    }
    add_refused_function_rows(rows, edges);
    add_kept_function_rows(rows, edges);
    add_name_rows(rows, edges);
    add_reference_rows(rows, edges);
    add_type_setting_rows(rows, edges);
    add_interface_rows(rows, edges);
    add_unbased_rows(rows, edges);
}

}  // namespace conformance
