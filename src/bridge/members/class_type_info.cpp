#include "bridge/members/class_type_info.h"

#include <algorithm>
#include <string>
#include <vector>

#include "bridge/members/class_lookup.h"
#include "bridge/members/method_table.h"
#include "convert/java_class_name.h"
#include "errors/tavlin_ex.h"
#include "util/text.h"

namespace tavlin {

namespace {

// stdole2.tlb, where IDispatch is described: version 2.0.
const GUID kStdOleLibrary = {0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

#ifdef _WIN64
constexpr SYSKIND kSyskind = SYS_WIN64;
#elif defined(_WIN32)
constexpr SYSKIND kSyskind = SYS_WIN32;
#elif defined(__LP64__)
constexpr SYSKIND kSyskind = SYS_WIN64;
#else
constexpr SYSKIND kSyskind = SYS_WIN32;
#endif

void check(HRESULT status, const char *what)
{
    if (FAILED(status)) TavlinEx::raise_status(what, status);
}

GUID new_guid()
{
    GUID guid;
    check(CoCreateGuid(&guid), "Unable to make an identifier for the type information");
    return guid;
}

// One function of the description, as FUNCDESC and the names and text beside it say it.
struct Function {
    std::string name;
    MEMBERID memid = 0;
    INVOKEKIND kind = INVOKE_FUNC;
    size_t required = 0;    // parameters every overload takes
    size_t parameters = 0;  // the most any overload takes (without a spread array)
    bool spreads = false;   // some overload takes variable arguments: a last vararg array
    VARTYPE result = VT_VARIANT;
    WORD flags = 0;
    std::string doc;
};

// The parameters of the overloads of one name folded into one function's: the shortest
// overload's are required, the others' optional; variable arguments make the function
// vararg, after the parameters every overload has before its spread.
void add_overload(Function &function, const MethodFacts &facts, bool first)
{
    const size_t fixed = facts.parameters.size() - (facts.takes_variable_arguments ? 1 : 0);
    function.required = first ? fixed : std::min(function.required, fixed);
    function.parameters = std::max(function.parameters, fixed);
    function.spreads = function.spreads || facts.takes_variable_arguments;
    function.doc += (function.doc.empty() ? "" : "\n") + facts.text;
}

// Whether a value of this Java type is an object a client passes by reference (VBScript's Set):
// such a property is written by PROPERTYPUTREF too.
bool takes_objects(const ParameterShape &shape) { return shape.kind == ParameterKind::Reference && !shape.boxed; }

// ICreateTypeInfo, one function after the other.
class DescriptionWriter {
public:
    DescriptionWriter(const std::string &class_name, Described described)
    {
        check(CreateTypeLib2(kSyskind, const_cast<LPOLESTR>(TAVLIN_WIDEN("java.tlb")), library_.put()),
              "Unable to make a type library");
        check(library_->SetGuid(new_guid()), "Unable to name the type library");
        check(library_->SetLcid(LOCALE_NEUTRAL), "Unable to name the type library");
        OleString name = utf8_to_ole(class_name.c_str());
        check(library_->SetName(&name[0]), "Unable to name the type library");
        check(library_->CreateTypeInfo(&name[0], TKIND_DISPATCH, info_.put()), "Unable to make the type information");
        check(info_->SetGuid(new_guid()), "Unable to name the type information");
        check(info_->SetTypeFlags(TYPEFLAG_FDISPATCHABLE), "Unable to describe the type information");
        OleString doc =
            utf8_to_ole(((described == Described::Statics ? "static members of " : "") + class_name).c_str());
        check(info_->SetDocString(&doc[0]), "Unable to describe the type information");
        implement_dispatch();
    }

    void add(const Function &function)
    {
        const size_t count = function.spreads ? function.required + 1 : function.parameters;
        std::vector<ELEMDESC> parameters(count);
        std::vector<OleString> names{utf8_to_ole(function.name.c_str())};
        for (size_t i = 0; i < count; ++i) {
            ELEMDESC &parameter = parameters[i];
            parameter.tdesc.vt = VT_VARIANT;
            parameter.paramdesc.wParamFlags = PARAMFLAG_FIN;
            if (!function.spreads && i >= function.required) parameter.paramdesc.wParamFlags |= PARAMFLAG_FOPT;
            names.push_back(utf8_to_ole(("arg" + std::to_string(i)).c_str()));
        }
        if (function.spreads) {
            parameters.back().tdesc.vt = VT_SAFEARRAY;
            parameters.back().tdesc.lptdesc = &variant_;
            names.back() = utf8_to_ole("args");
        }
        // A property write's value is its right-hand side, which has no name.
        if (function.kind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) names.resize(1);

        FUNCDESC desc = {};
        desc.memid = function.memid;
        desc.lprgelemdescParam = parameters.empty() ? nullptr : parameters.data();
        desc.funckind = FUNC_DISPATCH;
        desc.invkind = function.kind;
        desc.callconv = CC_STDCALL;
        desc.cParams = static_cast<SHORT>(count);
        desc.cParamsOpt = static_cast<SHORT>(function.spreads ? -1 : count - function.required);
        desc.elemdescFunc.tdesc.vt = function.result;
        desc.wFuncFlags = function.flags;
        check(info_->AddFuncDesc(next_, &desc), "Unable to describe a member");
        std::vector<LPOLESTR> name_pointers;
        for (OleString &name : names) name_pointers.push_back(&name[0]);
        check(info_->SetFuncAndParamNames(next_, name_pointers.data(), static_cast<UINT>(name_pointers.size())),
              "Unable to name a member");
        OleString doc = utf8_to_ole(function.doc.c_str());
        check(info_->SetFuncDocString(next_, &doc[0]), "Unable to describe a member");
        ++next_;
    }

    ComPtr<ITypeInfo> finish()
    {
        check(info_->LayOut(), "Unable to lay out the type information");
        ComPtr<ITypeInfo> made;
        check(info_->QueryInterface(IID_ITypeInfo, made.put_void()), "Unable to read the type information");
        return made;
    }

private:
    // The description implements IDispatch as stdole2 describes it: without it oleaut32 counts
    // IDispatch's own seven functions among the description's and cannot describe them.
    void implement_dispatch()
    {
        ComPtr<ITypeLib> stdole;
        check(LoadRegTypeLib(kStdOleLibrary, 2, 0, LOCALE_NEUTRAL, stdole.put()), "Unable to load stdole2.tlb");
        ComPtr<ITypeInfo> dispatch;
        check(stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatch.put()), "Unable to find IDispatch in stdole2.tlb");
        HREFTYPE reference = 0;
        check(info_->AddRefTypeInfo(dispatch.get(), &reference), "Unable to refer to IDispatch");
        check(info_->AddImplType(0, reference), "Unable to implement IDispatch");
    }

    ComPtr<ICreateTypeLib2> library_;
    ComPtr<ICreateTypeInfo> info_;
    UINT next_ = 0;
    TYPEDESC variant_ = {{nullptr}, VT_VARIANT};
};

bool shows(Described described, bool is_static) { return described == Described::Instances || is_static; }

// One function per method name, at the DISPID of the name's first method, from the overloads
// the description shows.
std::vector<Function> method_functions(JNIEnv *env, const MethodTable &methods, Described described)
{
    std::vector<Function> functions;
    const NameIndex &names = methods.name_index(env);
    for (int i = 0; i < methods.count(); ++i) {
        const char *name = methods.method_name(env, i);
        if (names.find(FoldedName(std::string(name))) != i) continue;  // a later overload of an earlier name
        Function function;
        function.name = name;
        function.memid = i + 1;
        bool first = true;
        for (int overload = i; overload >= 0; overload = methods.next_overload(env, overload)) {
            const MethodFacts &facts = methods.facts(env, overload);
            if (!shows(described, facts.is_static)) continue;
            add_overload(function, facts, first);
            first = false;
        }
        if (!first) functions.push_back(std::move(function));
    }
    return functions;
}

struct Access {
    bool readable = false;
    bool writable = false;
    ParameterShape written{ParameterKind::Reference, false};
    std::string doc;
};

Access access_of(JNIEnv *env, const MethodTable &methods, const Property &property, Described described)
{
    Access access;
    auto note = [&](const std::string &text) { access.doc += (access.doc.empty() ? "" : "\n") + text; };
    if (property.getter != Property::kNone) {
        const MethodFacts &getter = methods.facts(env, property.getter);
        access.readable = shows(described, getter.is_static);
        if (access.readable) note(getter.text);
    }
    if (property.setter != Property::kNone) {
        const MethodFacts &setter = methods.facts(env, property.setter);
        access.writable = shows(described, setter.is_static);
        if (access.writable) {
            access.written = setter.parameters[0].shape;
            note(setter.text);
        }
    }
    if (property.has_field && shows(described, property.field.is_static)) {
        access.readable = true;
        if (!property.field.is_final) {
            access.writable = true;
            access.written = property.field.shape;
        }
        note("field " + dotted_form(property.field.type_name) + " " + property.name);
    }
    return access;
}

// Get and put functions at each property's DISPID, for a property whose name no method has:
// GetIDsOfNames gives such a name the method's DISPID.
void add_property_functions(JNIEnv *env, const MethodTable &methods, Described described,
                            std::vector<Function> &functions)
{
    const NameIndex &method_names = methods.name_index(env);
    const PropertyTable &properties = methods.properties(env);
    for (int position = 0; position < properties.count(); ++position) {
        const Property &property = properties.at(position);
        if (method_names.find(FoldedName(property.name)) >= 0) continue;
        const Access access = access_of(env, methods, property, described);
        Function function;
        function.name = property.name;
        function.memid = kFirstPropertyDispid + position;
        function.doc = access.doc;
        if (access.readable) {
            function.kind = INVOKE_PROPERTYGET;
            functions.push_back(function);
        }
        if (access.writable) {
            function.kind = INVOKE_PROPERTYPUT;
            function.required = function.parameters = 1;
            function.result = VT_VOID;
            functions.push_back(function);
            if (takes_objects(access.written)) {
                function.kind = INVOKE_PROPERTYPUTREF;
                functions.push_back(function);
            }
        }
    }
}

// For Each's enumerator, for a class whose objects it walks and whose methods leave the name free.
void add_enumerator(JNIEnv *env, const MethodTable &methods, std::vector<Function> &functions)
{
    if (methods.walk() == Walk::None || methods.name_index(env).find(FoldedName(std::string("_NewEnum"))) >= 0) return;
    Function function;
    function.name = "_NewEnum";
    function.memid = DISPID_NEWENUM;
    function.kind = INVOKE_PROPERTYGET;
    function.result = VT_UNKNOWN;
    function.flags = FUNCFLAG_FRESTRICTED | FUNCFLAG_FHIDDEN;
    functions.push_back(function);
}

}  // namespace

ComPtr<ITypeInfo> describe_class(JNIEnv *env, const MethodTable &methods, Described described)
{
    std::vector<Function> functions = method_functions(env, methods, described);
    add_property_functions(env, methods, described, functions);
    if (described == Described::Instances) add_enumerator(env, methods, functions);

    DescriptionWriter writer(dotted_form(slash_class_name(env, methods.object_class())), described);
    for (const Function &function : functions) writer.add(function);
    return writer.finish();
}

}  // namespace tavlin
