// Public automation clients reading a proxy's type information, replayed call for call through
// IDispatch, ITypeInfo, ITypeLib and ITypeComp: each client is a function making the calls its
// own sources make, in their order and with their arguments, and checking what that client
// needs in order to go on. The same script lines run through each client, on fresh proxies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "client.h"
#include "test_process.h"

using namespace tavlin_test;

namespace {

const IID kNullIid = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

// GetFuncDesc and ReleaseFuncDesc for each of the TYPEATTR's cFuncs, as every client walks them.
void each_function(ITypeInfo *info, UINT count, const std::function<void(UINT, const FUNCDESC &)> &visit)
{
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC *func = nullptr;
        ASSERT_EQ(S_OK, info->GetFuncDesc(i, &func)) << i;
        visit(i, *func);
        info->ReleaseFuncDesc(func);
    }
}

TYPEATTR attr_of(ITypeInfo *info)
{
    TYPEATTR *attr = nullptr, copy = {};
    EXPECT_EQ(S_OK, info->GetTypeAttr(&attr));
    if (!attr) return copy;
    copy = *attr;
    info->ReleaseTypeAttr(attr);
    return copy;
}

std::vector<std::string> names_of(ITypeInfo *info, MEMBERID id, UINT room)
{
    std::vector<BSTR> names(room, nullptr);
    UINT count = 0;
    EXPECT_EQ(S_OK, info->GetNames(id, names.data(), room, &count)) << id;
    std::vector<std::string> texts;
    for (UINT i = 0; i < count; ++i) texts.push_back(narrow(names[i]));
    for (BSTR name : names) SysFreeString(name);
    return texts;
}

// GetDocumentation's name, and its doc string in `doc`.
std::string documented(ITypeInfo *info, MEMBERID id, std::string *doc = nullptr)
{
    ScopedBstr name, text;
    EXPECT_EQ(S_OK, info->GetDocumentation(id, name.put(), text.put(), nullptr, nullptr)) << id;
    if (doc) *doc = narrow(text.get());
    return narrow(name.get());
}

std::string cased(std::string text, int (*change)(int))
{
    for (char &c : text) c = static_cast<char>(change(static_cast<unsigned char>(c)));
    return text;
}
struct CaseLess {
    bool operator()(const std::string &a, const std::string &b) const { return cased(a, tolower) < cased(b, tolower); }
};
bool listed(const std::vector<std::string> &lines, const std::string &line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// IDispatch::Invoke as the clients make it: the arguments in source order, passed last-first.
CallResult invoke(IDispatch *object, DISPID id, LCID lcid, WORD flags, const std::vector<ScopedVariant> &args)
{
    std::vector<VARIANT> reversed;
    for (auto arg = args.rbegin(); arg != args.rend(); ++arg) reversed.push_back(*arg->get());  // shallow
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO info = {};
    UINT arg_error = 0;
    CallResult result;
    result.hr = object->Invoke(id, kNullIid, lcid, flags, &params, result.value.get(), &info, &arg_error);
    result.description = narrow(info.bstrDescription);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    return result;
}

std::string shown(const CallResult &result)
{
    if (FAILED(result.hr)) return "failed " + std::to_string(result.hr) + ": " + result.description;
    const VARIANT &value = *result.value.get();
    if (value.vt == VT_EMPTY) return "<empty>";
    if (value.vt == VT_BOOL) return value.boolVal ? "true" : "false";
    if (value.vt == VT_BSTR) return narrow(value.bstrVal);
    if (value.vt == VT_I4) return std::to_string(value.lVal);
    if (value.vt == VT_DISPATCH) return "object " + text_of(get(value.pdispVal, static_cast<DISPID>(DISPID_VALUE)));
    return "vt " + std::to_string(value.vt);
}

// A script line: a property read (`file.Name`), a call (`list.add("fig")`), or a method fetched
// and not called (pywin32's `f = list.clear`). An argument "@list" is that proxy, "#0" a number.
enum class Syntax { Property, Call, Fetch };
struct Row {
    Syntax syntax;
    const char *object, *member;
    std::vector<std::string> args;
    const char *expected;
};
const std::vector<Row> kRows = {
    {Syntax::Property, "file", "Name", {}, "notes.txt"},
    {Syntax::Call, "list", "add", {"fig"}, "true"},
    {Syntax::Call, "list", "get", {"#0"}, "fig"},
    {Syntax::Call, "map", "put", {"a", "#1"}, "<empty>"},
    {Syntax::Call, "map", "get", {"a"}, "1"},
    {Syntax::Call, "statics", "addAll", {"@list", "x", "y"}, "true"},  // Java varargs
    {Syntax::Call, "statics", "max", {"@list"}, "y"},                  // the optional parameter left out
    {Syntax::Property, "statics", "EMPTY_LIST", {}, "object []"},      // a static field
    {Syntax::Fetch, "list", "clear", {}, nullptr},
    {Syntax::Call, "list", "size", {}, "3"},
    {Syntax::Call, "list", "clear", {}, "<empty>"},
    {Syntax::Call, "list", "size", {}, "0"},
};
const std::map<std::string, std::string> kClasses = {{"list", "java.util.ArrayList"},
                                                     {"map", "java.util.HashMap"},
                                                     {"file", "java.io.File"},
                                                     {"statics", "java.util.Collections"}};

class TypeInfoClients : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_standard_vm_setup();
        ScopedVariant notes = ScopedVariant::string("notes.txt");
        ASSERT_EQ(S_OK, new_object("java.io.File", {notes.get()}, objects_["file"]));
        ASSERT_EQ(S_OK, statics("java.util.Collections", objects_["statics"]));
        objects_["list"] = make("java.util.ArrayList");
        objects_["map"] = make("java.util.HashMap");
        for (auto &object : objects_) ASSERT_TRUE(object.second) << object.first;
    }
    IDispatch *object(const std::string &name) { return objects_.at(name).get(); }
    std::vector<ScopedVariant> arguments(const Row &row)
    {
        std::vector<ScopedVariant> values;
        for (const std::string &arg : row.args) {
            if (arg[0] == '@')
                values.push_back(ScopedVariant::dispatch(object(arg.substr(1))));
            else if (arg[0] == '#')
                values.push_back(ScopedVariant::i4(static_cast<LONG>(std::stol(arg.substr(1)))));
            else
                values.push_back(ScopedVariant::string(arg));
        }
        return values;
    }
    std::map<std::string, ComPtr<IDispatch>> objects_;
};

// ---- C# `dynamic` through the .NET runtime's COM binder (dotnet/runtime,
// src/libraries/Microsoft.CSharp/src/Microsoft/CSharp/RuntimeBinder/ComInterop):
// IDispatchComObject.EnsureScanDefinedMethods takes ComRuntimeHelpers.GetITypeInfoFromIDispatch
// (GetTypeInfoCount first, a failure thrown; GetTypeInfo(0, 0)) and GetTypeAttrForTypeInfo, then
// ComTypeDesc.FromITypeInfo (GetDocumentation(-1)), and files a ComMethodDesc (GetNames of
// 1 + cParams names) per unrestricted FUNCDESC in Hashtables keyed by the upper-cased name whose
// Add throws on a second entry; the ComTypeDesc is cached by the TYPEATTR's guid.
// IDispatchMetaObject.BindGetMember / BindInvokeMember take the member from there, and
// ComInvokeBinder invokes its memid with INVOKE_FUNC | INVOKE_PROPERTYGET.
struct DotNetMethod {
    MEMBERID id;
    INVOKEKIND kind;
    SHORT params;
};
struct DotNetTypeDesc {
    GUID guid = {};
    std::string name;
    std::map<std::string, DotNetMethod> funcs, puts, putrefs;
};

void dotnet_scan_defined_methods(IDispatch *object, DotNetTypeDesc &desc)
{
    UINT count = 0;
    ASSERT_EQ(S_OK, object->GetTypeInfoCount(&count));
    ASSERT_EQ(1u, count) << "without type info every name is bound as a method through GetIDsOfNames";
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, object->GetTypeInfo(0, 0, info.put()));
    TYPEATTR attr = attr_of(info.get());
    desc.guid = attr.guid;
    ASSERT_TRUE(attr.typekind == TKIND_DISPATCH || attr.typekind == TKIND_INTERFACE) << attr.typekind;
    desc.name = documented(info.get(), MEMBERID_NIL);
    each_function(info.get(), attr.cFuncs, [&](UINT, const FUNCDESC &func) {
        if (func.wFuncFlags & FUNCFLAG_FRESTRICTED) return;
        std::vector<std::string> names = names_of(info.get(), func.memid, 1 + static_cast<UINT>(func.cParams));
        std::string key = cased(names.empty() ? "" : names[0], toupper);
        auto &table = (func.invkind & INVOKE_PROPERTYPUT)      ? desc.puts
                      : (func.invkind & INVOKE_PROPERTYPUTREF) ? desc.putrefs
                                                               : desc.funcs;
        EXPECT_TRUE(table.emplace(key, DotNetMethod{func.memid, func.invkind, func.cParams}).second)
            << desc.name << ": Hashtable.Add throws on a second " << key;
    });
}

TEST_F(TypeInfoClients, DotNetDynamicBinder)
{
    std::map<std::string, DotNetTypeDesc> descs;
    for (const auto &named : kClasses) {
        dotnet_scan_defined_methods(object(named.first), descs[named.first]);
        if (HasFatalFailure()) return;
        EXPECT_EQ(named.second, descs[named.first].name);
    }
    for (const auto &a : descs) {  // one cached description per guid, or one class's memids serve another's
        for (const auto &b : descs) EXPECT_TRUE(a.first == b.first || !IsEqualGUID(a.second.guid, b.second.guid));
    }
    for (const Row &row : kRows) {
        if (row.syntax == Syntax::Fetch) continue;  // C# calls what it fetches
        const DotNetTypeDesc &desc = descs[row.object];
        auto method = desc.funcs.find(cased(row.member, toupper));
        ASSERT_NE(desc.funcs.end(), method) << row.member << " is bound through GetIDsOfNames, as a method";
        if (row.syntax == Syntax::Property) {  // ComMethodDesc.IsDataMember
            EXPECT_TRUE(method->second.kind == INVOKE_PROPERTYGET && method->second.params == 0) << row.member;
        }
        CallResult result =
            invoke(object(row.object), method->second.id, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, arguments(row));
        EXPECT_EQ(row.expected, shown(result)) << row.object << "." << row.member;
    }
}

// ---- PowerShell 7's COM adapter (PowerShell/PowerShell, src/System.Management.Automation/engine/COM):
// ComTypeInfo.GetDispatchTypeInfo (GetTypeInfo(0, 0), GetTypeAttr) and Initialize file the
// unrestricted FUNCDESCs by invkind into case-insensitive Properties (ComProperty.UpdateFuncDesc)
// and Methods (ComMethod.AddFuncDesc), named by ComUtil.GetNameFromFuncDesc (GetDocumentation),
// and keep DISPID_NEWENUM's invkind for ComEnumerator.Create. Get-Member (ComAdapter.GetMembers,
// which drops a method that a property's name hides) shows ComProperty.ToString and
// ComMethod.MethodDefinitions (ComUtil.GetMethodSignatureFromFuncDesc), and a property's type by
// ComUtil.GetTypeFromTypeDesc, which engine/ComInterop/VarEnumSelector.GetTypeForVarEnum maps or
// throws for; invoking a method maps its every type the same way (ComUtil.GetMethodInformation).
// `$file.Name` reaches Properties alone (ComProperty.GetValue), `$list.add("fig")` Methods alone
// (ComMethod.InvokeMethod), where Adapter.GetMethodArgumentsBase fills each optional parameter left
// out with Type.Missing, which ComInvoker.Invoke passes as VT_ERROR DISP_E_PARAMNOTFOUND.
const LCID kPowerShellLcid = 0x0409;
const std::set<VARTYPE> kPowerShellMaps = {
    VT_EMPTY, VT_NULL,    VT_RECORD, VT_VOID,        VT_HRESULT, VT_INT_PTR,  VT_UINT_PTR, VT_SAFEARRAY, VT_CARRAY,
    VT_LPSTR, VT_LPWSTR,  VT_PTR,    VT_USERDEFINED, VT_CY,      VT_I1,       VT_I2,       VT_I4,        VT_I8,
    VT_UI1,   VT_UI2,     VT_UI4,    VT_UI8,         VT_INT,     VT_UINT,     VT_BOOL,     VT_ERROR,     VT_R4,
    VT_R8,    VT_DECIMAL, VT_DATE,   VT_BSTR,        VT_UNKNOWN, VT_DISPATCH, VT_VARIANT};

std::string powershell_type(const TYPEDESC &type)
{
    if (type.vt == VT_PTR) return powershell_type(*type.lptdesc);
    if (type.vt == VT_SAFEARRAY) return "SAFEARRAY(" + powershell_type(*type.lptdesc) + ")";
    static const std::map<VARTYPE, const char *> names = {
        {VT_VARIANT, "Variant"}, {VT_VOID, "void"},          {VT_BSTR, "string"},     {VT_I4, "int"},
        {VT_BOOL, "bool"},       {VT_DISPATCH, "IDispatch"}, {VT_UNKNOWN, "IUnknown"}};
    return names.count(type.vt) ? names.at(type.vt) : "Unknown!";
}

std::string powershell_signature(ITypeInfo *info, const FUNCDESC &func, bool is_put)
{
    std::string text = (is_put ? "" : powershell_type(func.elemdescFunc.tdesc) + " ") + documented(info, func.memid);
    text += " (";
    for (SHORT i = 0; i < func.cParams; ++i) {
        std::string type = powershell_type(func.lprgelemdescParam[i].tdesc);
        if (i == 0 && is_put)
            text.insert(0, type + " ");
        else
            text += type + (i < func.cParams - 1 ? ", " : "");
    }
    return text + ")";
}

struct PsTypeInfo {
    ComPtr<ITypeInfo> info;
    std::map<std::string, std::pair<MEMBERID, std::map<INVOKEKIND, UINT>>, CaseLess> properties;
    std::map<std::string, std::vector<UINT>, CaseLess> methods;
    int new_enum_kind = 0;
};

void powershell_type_info(IDispatch *object, PsTypeInfo &ps)
{
    ASSERT_EQ(S_OK, object->GetTypeInfo(0, 0, ps.info.put()));
    ASSERT_EQ(TKIND_DISPATCH, attr_of(ps.info.get()).typekind) << "else followed to a dispinterface";
    each_function(ps.info.get(), attr_of(ps.info.get()).cFuncs, [&](UINT i, const FUNCDESC &func) {
        if (func.memid == DISPID_NEWENUM) ps.new_enum_kind = func.invkind;
        if (func.wFuncFlags & FUNCFLAG_FRESTRICTED) return;
        std::string name = documented(ps.info.get(), func.memid);
        if (func.invkind == INVOKE_FUNC) {
            ps.methods[name].push_back(i);
        } else {
            ps.properties[name].first = func.memid;
            ps.properties[name].second[func.invkind] = i;
        }
        EXPECT_TRUE(kPowerShellMaps.count(func.elemdescFunc.tdesc.vt)) << name << " gives an unmapped vt";
        for (SHORT p = 0; p < func.cParams; ++p) {
            EXPECT_TRUE(kPowerShellMaps.count(func.lprgelemdescParam[p].tdesc.vt)) << name << " takes an unmapped vt";
        }
    });
}

std::vector<std::string> powershell_get_member(const PsTypeInfo &ps)
{
    std::vector<std::string> lines;
    for (const auto &property : ps.properties) {
        const auto &kinds = property.second.second;
        const bool gettable = kinds.count(INVOKE_PROPERTYGET);
        FUNCDESC *func = nullptr;
        EXPECT_EQ(S_OK, ps.info->GetFuncDesc(kinds.begin()->second, &func));
        std::string line = "property " + powershell_signature(ps.info.get(), *func, !gettable);
        ps.info->ReleaseFuncDesc(func);
        if (gettable) line += " {get}";
        if (kinds.count(INVOKE_PROPERTYPUT)) line += " {set}";
        if (kinds.count(INVOKE_PROPERTYPUTREF)) line += " {set by ref}";
        lines.push_back(line);
    }
    for (const auto &method : ps.methods) {
        for (UINT index : method.second) {
            FUNCDESC *func = nullptr;
            EXPECT_EQ(S_OK, ps.info->GetFuncDesc(index, &func));
            if (!ps.properties.count(method.first))
                lines.push_back("method " + powershell_signature(ps.info.get(), *func, false));
            ps.info->ReleaseFuncDesc(func);
        }
    }
    return lines;
}

CallResult powershell_invoke(IDispatch *object, const PsTypeInfo &ps, const Row &row, std::vector<ScopedVariant> args)
{
    if (row.syntax == Syntax::Property) {
        auto property = ps.properties.find(row.member);
        EXPECT_TRUE(property != ps.properties.end() && property->second.second.count(INVOKE_PROPERTYGET)) << row.member;
        if (property == ps.properties.end()) return CallResult();
        return invoke(object, property->second.first, kPowerShellLcid, DISPATCH_PROPERTYGET, {});
    }
    auto method = ps.methods.find(row.member);
    EXPECT_NE(ps.methods.end(), method) << row.member;
    if (method == ps.methods.end()) return CallResult();
    FUNCDESC *func = nullptr;
    EXPECT_EQ(S_OK, ps.info->GetFuncDesc(method->second.at(0), &func));
    const size_t params = static_cast<size_t>(func->cParams);
    if (func->cParamsOpt == -1 && args.size() >= params) {
        // PowerShell spreads no arguments over a COM vararg: the script writes the trailing
        // ones as one array, `$statics.addAll($list, @("x", "y"))`.
        SAFEARRAY *array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(args.size() - params + 1));
        for (LONG i = 0; args.size() >= params; ++i, args.erase(args.begin() + params - 1)) {
            SafeArrayPutElement(array, &i, args[params - 1].get());
        }
        args.emplace_back();
        args.back()->vt = VT_ARRAY | VT_VARIANT;
        args.back()->parray = array;
    }
    for (size_t i = args.size(); i < params; ++i) {  // Type.Missing
        EXPECT_TRUE(func->lprgelemdescParam[i].paramdesc.wParamFlags & PARAMFLAG_FOPT) << row.member << " " << i;
        args.emplace_back();
        args.back()->vt = VT_ERROR;
        args.back()->scode = DISP_E_PARAMNOTFOUND;
    }
    const MEMBERID id = func->memid;
    ps.info->ReleaseFuncDesc(func);
    return invoke(object, id, kPowerShellLcid, DISPATCH_METHOD, args);
}

TEST_F(TypeInfoClients, PowerShellComAdapter)
{
    std::map<std::string, PsTypeInfo> types;
    for (const auto &named : kClasses) {
        powershell_type_info(object(named.first), types[named.first]);
        if (HasFatalFailure()) return;
    }
    const struct {
        const char *object, *line;
        bool listed;
    } members[] = {
        {"file", "property Variant Name () {get}", true},
        {"file", "property Variant Writable () {set}", true},
        {"file", "method Variant lastModified ()", true},  // no property LastModified hides it
        {"list", "method Variant add (Variant, Variant)", true},
        {"statics", "method Variant addAll (Variant, SAFEARRAY(Variant))", true},
        {"statics", "property Variant EMPTY_LIST () {get}", true},
        {"statics", "method Variant hashCode ()", false},
    };
    for (const auto &member : members) {
        EXPECT_EQ(member.listed, listed(powershell_get_member(types[member.object]), member.line)) << member.line;
    }
    for (const Row &row : kRows) {
        if (row.syntax == Syntax::Fetch) continue;  // `$list.clear` lists the method's definitions
        CallResult result = powershell_invoke(object(row.object), types[row.object], row, arguments(row));
        EXPECT_EQ(row.expected, shown(result)) << row.object << "." << row.member;
    }
    // foreach ($key in $map): ComEnumerator.Create invokes DISPID_NEWENUM with its invkind.
    const WORD kind = static_cast<WORD>(types["map"].new_enum_kind);
    EXPECT_EQ(static_cast<WORD>(INVOKE_PROPERTYGET), kind);
    CallResult made = invoke(object("map"), DISPID_NEWENUM, kPowerShellLcid, kind, {});
    ComPtr<IEnumVARIANT> walker;
    ASSERT_TRUE(made.value.type() == VT_UNKNOWN || made.value.type() == VT_DISPATCH) << made.description;
    ASSERT_EQ(S_OK, made.value->punkVal->QueryInterface(IID_IEnumVARIANT, walker.put_void()));
    ScopedVariant key;
    EXPECT_EQ(S_OK, walker->Next(1, key.get(), nullptr));
    EXPECT_EQ("a", narrow(key->bstrVal));
}

// ---- pywin32's dynamic dispatch (mhammond/pywin32, com/win32com/client). dynamic.py Dispatch takes
// GetTypeInfo (com/win32com/src/PyIDispatch.cpp: index 0, LOCALE_USER_DEFAULT, S_OK alone
// accepted) and GetTypeComp, and MakeOleRepr a build.LazyDispatchItem from GetTypeAttr.
// CDispatch.__getattr__ looks in the item's maps, then _LazyAddAttr_ binds the name through the
// ITypeComp for each invoke kind in ALL_INVOKE_TYPES' order (PyITypeComp's Bind hashes the name;
// a failed Bind is passed over), and build.DispatchItem._AddFunc_ files a FUNCDESC under GetNames'
// first name by invkind; a name still unknown becomes a MapEntry from GetIDsOfNames, read with
// INVOKE_PROPERTYGET. A method is made (_make_method_), not called: build.MakeFuncMethod writes,
// for cParamsOpt -1, MakeVarArgsFuncMethod's Invoke of the arguments as given, else
// MakeDispatchFuncMethod's InvokeTypes with each parameter defaulting to pythoncom.Missing, and
// PyIDispatch.cpp InvokeTypes passes the arguments before the first Missing alone. A property is
// read with its FUNCDESC's invkind (_GetDescInvokeType). print(obj) is __str__, whose __call__
// invokes DISPID_VALUE with DISPATCH_METHOD | DISPATCH_PROPERTYGET; dir(obj) is _dir_ole_, which
// walks each type info and its implemented ones but IID_IDispatch's.
struct PyEntry {
    MEMBERID id;
    INVOKEKIND kind;
    SHORT opt;
};
struct PyItem {
    ComPtr<ITypeInfo> info;
    ComPtr<ITypeComp> comp;
    std::map<std::string, PyEntry> funcs, get, put;
    std::string default_name;  // a bound function's at DISPID_VALUE
};

void pywin32_lazy_add_attr(PyItem &item, const std::string &attr)
{
    for (WORD kind : {INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF, INVOKE_FUNC}) {
        tavlin::OleString name = wide(attr);
        ULONG hash = LHashValOfNameSys(SYS_WIN32, LOCALE_USER_DEFAULT, name.c_str());
        ComPtr<ITypeInfo> bound;
        DESCKIND desc_kind = DESCKIND_NONE;
        BINDPTR ptr = {};
        if (FAILED(item.comp->Bind(&name[0], hash, kind, bound.put(), &desc_kind, &ptr))) continue;
        EXPECT_TRUE(desc_kind == DESCKIND_NONE || desc_kind == DESCKIND_FUNCDESC) << attr << " " << desc_kind;
        if (desc_kind != DESCKIND_FUNCDESC) continue;
        const FUNCDESC &func = *ptr.lpfuncdesc;
        EXPECT_EQ(FUNC_DISPATCH, func.funckind) << attr;
        std::vector<std::string> names = names_of(item.info.get(), func.memid, 256);
        const std::string key = names.empty() ? "" : names[0];
        const PyEntry entry = {func.memid, func.invkind, func.cParamsOpt};
        if (func.memid == DISPID_VALUE && !key.empty()) item.default_name = key;
        if (func.invkind == INVOKE_FUNC)
            item.funcs[key] = entry;
        else if (func.invkind == INVOKE_PROPERTYGET)
            item.get[key] = entry;
        else if (item.put.count(key) && item.put[key].kind == INVOKE_PROPERTYPUT)
            item.funcs["Set" + key] = entry;
        else
            item.put[key] = entry;
        bound->ReleaseFuncDesc(ptr.lpfuncdesc);
    }
}

TEST_F(TypeInfoClients, Pywin32DynamicDispatch)
{
    std::map<std::string, PyItem> items;
    for (const auto &named : kClasses) {
        PyItem &item = items[named.first];
        ASSERT_EQ(S_OK, object(named.first)->GetTypeInfo(0, LOCALE_USER_DEFAULT, item.info.put()));
        ASSERT_EQ(S_OK, item.info->GetTypeComp(item.comp.put())) << "else names go through GetIDsOfNames alone";
        TYPEATTR attr = attr_of(item.info.get());
        EXPECT_FALSE(attr.typekind == TKIND_INTERFACE && (attr.wTypeFlags & TYPEFLAG_FDUAL));
    }
    for (const Row &row : kRows) {
        IDispatch *target = object(row.object);
        PyItem &item = items[row.object];
        if (!item.funcs.count(row.member) && !item.get.count(row.member)) pywin32_lazy_add_attr(item, row.member);
        CallResult result;
        if (row.syntax == Syntax::Property) {
            ASSERT_TRUE(item.get.count(row.member)) << row.member << " would be read through GetIDsOfNames";
            const PyEntry &entry = item.get[row.member];
            result = invoke(target, entry.id, 0, static_cast<WORD>(entry.kind), {});
        } else {
            ASSERT_TRUE(item.funcs.count(row.member)) << row.member << " would be invoked as a property when fetched";
            const PyEntry &entry = item.funcs[row.member];
            std::vector<ScopedVariant> args = arguments(row);  // all given, no Missing among them
            if (row.syntax == Syntax::Call) result = invoke(target, entry.id, 0, static_cast<WORD>(entry.kind), args);
        }
        if (row.expected) {
            EXPECT_EQ(row.expected, shown(result)) << row.object << "." << row.member;
        }
    }
    const PyItem &map = items["map"];  // print(map)
    const auto &found = map.funcs.count(map.default_name) ? map.funcs : map.get;
    const WORD flags = found.count(map.default_name) ? static_cast<WORD>(found.at(map.default_name).kind)
                                                     : static_cast<WORD>(DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    EXPECT_EQ("{a=1}", shown(invoke(object("map"), DISPID_VALUE, 0, flags, {})));

    std::set<std::string> dir;
    UINT count = 0;
    ASSERT_EQ(S_OK, object("list")->GetTypeInfoCount(&count));
    for (UINT i = 0; i < count; ++i) {
        std::vector<ComPtr<ITypeInfo>> pending(1);
        // pythoncom's GetTypeInfo(locale, index) takes _dir_ole_'s one argument as the locale.
        ASSERT_EQ(S_OK, object("list")->GetTypeInfo(0, i, pending[0].put()));
        std::vector<GUID> inspected = {IID_IDispatch};
        while (!pending.empty()) {
            ComPtr<ITypeInfo> info = std::move(pending.back());
            pending.pop_back();
            TYPEATTR attr = attr_of(info.get());
            auto same = [&](const GUID &guid) { return IsEqualGUID(guid, attr.guid); };
            if (std::any_of(inspected.begin(), inspected.end(), same)) continue;
            inspected.push_back(attr.guid);
            each_function(info.get(), attr.cFuncs, [&](UINT, const FUNCDESC &func) {
                std::vector<std::string> names = names_of(info.get(), func.memid, 256);
                if (!names.empty()) dir.insert(names[0]);
            });
            for (UINT t = 0; t < attr.cImplTypes; ++t) {
                HREFTYPE ref = 0;
                pending.emplace_back();
                ASSERT_EQ(S_OK, info->GetRefTypeOfImplType(t, &ref));
                ASSERT_EQ(S_OK, info->GetRefTypeInfo(ref, pending.back().put()));
            }
        }
    }
    for (const char *name : {"add", "clear", "get", "size", "Empty"}) EXPECT_TRUE(dir.count(name)) << name;
}

// ---- An object viewer's member listing, as Wine's OLE/COM object viewer builds its tree
// (wine-mirror/wine, programs/oleview/typelib.c: PopulateTree walks the library with
// GetTypeInfoCount, GetDocumentation(-1) and GetLibAttr, then each type info's
// GetDocumentation(MEMBERID_NIL) and GetTypeAttr; EnumVars; EnumFuncs with GetFuncDesc, the
// member's GetDocumentation, GetNames for cParams + 1 names and ReleaseFuncDesc, the types through
// CreateTypeInfo; EnumImplTypes with GetRefTypeOfImplType, GetRefTypeInfo,
// GetDocumentation(MEMBERID_NIL), GetTypeAttr and the same again inside), reached from the object
// through GetTypeInfo and GetContainingTypeLib. The lines' text is this test's own.
std::string viewer_type(ITypeInfo *info, const TYPEDESC &type)
{
    if (type.vt == VT_PTR) return viewer_type(info, *type.lptdesc) + "*";
    if (type.vt == VT_SAFEARRAY) return "SAFEARRAY(" + viewer_type(info, *type.lptdesc) + ")";
    ComPtr<ITypeInfo> custom;
    HRESULT hr = type.vt == VT_USERDEFINED ? info->GetRefTypeInfo(type.hreftype, custom.put()) : S_OK;
    EXPECT_EQ(S_OK, hr) << "an unresolved type";
    if (custom) return documented(custom.get(), MEMBERID_NIL);
    return type.vt == VT_VARIANT ? "VARIANT" : "vt" + std::to_string(type.vt);
}

void viewer_enum(ITypeInfo *info, const std::string &prefix, std::vector<std::string> &lines, std::string *add_doc)
{
    TYPEATTR attr = attr_of(info);
    for (UINT i = 0; i < attr.cVars; ++i) {
        VARDESC *var = nullptr;
        ASSERT_EQ(S_OK, info->GetVarDesc(i, &var));
        lines.push_back("var " + prefix + documented(info, var->memid));
        info->ReleaseVarDesc(var);
    }
    ASSERT_FALSE(attr.wTypeFlags & TYPEFLAG_FDUAL);  // the viewer would skip IDispatch's seven first
    each_function(info, attr.cFuncs, [&](UINT, const FUNCDESC &func) {
        std::string doc, line, name = documented(info, func.memid, &doc);
        names_of(info, func.memid, static_cast<UINT>(func.cParams) + 1);
        if (name == "add" && add_doc) *add_doc = doc;
        const std::pair<bool, const char *> tags[] = {{func.invkind == INVOKE_PROPERTYGET, "propget"},
                                                      {func.invkind == INVOKE_PROPERTYPUT, "propput"},
                                                      {func.invkind == INVOKE_PROPERTYPUTREF, "propputref"},
                                                      {func.wFuncFlags & FUNCFLAG_FRESTRICTED, "restricted"},
                                                      {func.wFuncFlags & FUNCFLAG_FHIDDEN, "hidden"},
                                                      {func.cParamsOpt == -1, "vararg"}};
        for (const auto &tag : tags) {
            if (tag.first) line += (line.empty() ? "[" : ", ") + std::string(tag.second);
        }
        line += (line.empty() ? "" : "] ") + prefix + name + "(";
        for (SHORT p = 0; p < func.cParams; ++p) {
            const ELEMDESC &param = func.lprgelemdescParam[p];
            line += (p ? ", " : "") + std::string(param.paramdesc.wParamFlags & PARAMFLAG_FOPT ? "[optional] " : "");
            line += viewer_type(info, param.tdesc);
        }
        lines.push_back(line + ")");
    });
    for (UINT i = 0; i < attr.cImplTypes; ++i) {
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> implemented;
        ASSERT_EQ(S_OK, info->GetRefTypeOfImplType(i, &ref));
        ASSERT_EQ(S_OK, info->GetRefTypeInfo(ref, implemented.put()));
        viewer_enum(implemented.get(), documented(implemented.get(), MEMBERID_NIL) + ".", lines, nullptr);
    }
}

TEST_F(TypeInfoClients, ObjectViewer)
{
    std::map<std::string, std::vector<std::string>> listings;
    std::string add_doc;
    for (const auto &named : kClasses) {
        ComPtr<ITypeInfo> info;
        ComPtr<ITypeLib> library;
        UINT index = 0;
        ASSERT_EQ(S_OK, object(named.first)->GetTypeInfo(0, LOCALE_SYSTEM_DEFAULT, info.put()));
        ASSERT_EQ(S_OK, info->GetContainingTypeLib(library.put(), &index));
        const UINT count = library->GetTypeInfoCount();
        ASSERT_LT(index, count);
        ScopedBstr library_name, library_doc;
        EXPECT_EQ(S_OK, library->GetDocumentation(-1, library_name.put(), library_doc.put(), nullptr, nullptr));
        TLIBATTR *library_attr = nullptr;
        ASSERT_EQ(S_OK, library->GetLibAttr(&library_attr));
        library->ReleaseTLibAttr(library_attr);
        for (UINT i = 0; i < count; ++i) {
            ComPtr<ITypeInfo> entry;
            ASSERT_EQ(S_OK, library->GetTypeInfo(i, entry.put()));
            const std::string name = documented(entry.get(), MEMBERID_NIL);
            const TYPEKIND kind = attr_of(entry.get()).typekind;
            if (i != index) continue;  // listed by the same calls
            ASSERT_EQ(TKIND_DISPATCH, kind);
            EXPECT_EQ(named.second, name);
            viewer_enum(entry.get(), "", listings[named.first], named.first == "list" ? &add_doc : nullptr);
            if (HasFatalFailure()) return;
            HREFTYPE dual = 0;
            EXPECT_TRUE(FAILED(entry->GetRefTypeOfImplType(static_cast<UINT>(-1), &dual))) << "a dual interface";
        }
    }
    const struct {
        const char *object, *line;
        bool listed;
    } lines[] = {
        {"list", "add(VARIANT, [optional] VARIANT)", true},
        {"list", "[propget, restricted, hidden] _NewEnum()", true},
        {"list", "[restricted] IDispatch.Invoke(vt3, GUID*, vt19, vt18, DISPPARAMS*, VARIANT*, EXCEPINFO*, vt23*)",
         true},
        {"list", "[restricted] IUnknown.QueryInterface(GUID*, vt24**)", true},
        {"file", "[propput] Writable(VARIANT)", true},
        {"statics", "[vararg] addAll(VARIANT, SAFEARRAY(VARIANT))", true},
        {"statics", "max(VARIANT, [optional] VARIANT)", true},
        {"statics", "[propget] EMPTY_LIST()", true},
        {"statics", "[propput] EMPTY_LIST(VARIANT)", false},  // a final field
    };
    for (const auto &line : lines) EXPECT_EQ(line.listed, listed(listings[line.object], line.line)) << line.line;
    EXPECT_NE(add_doc.find("add("), add_doc.rfind("add(")) << "the help string names both overloads: " << add_doc;
}

}  // namespace
