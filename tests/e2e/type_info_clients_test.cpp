// Public automation clients reading a proxy's type information, replayed call for call against
// real proxies through IDispatch, ITypeInfo, ITypeLib and ITypeComp: each client below is a
// function that makes the calls its own sources make, in their order and with their arguments,
// and checks what that client needs in order to go on. The same rows of script lines run through
// each client, on fresh proxies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "client.h"
#include "test_process.h"

using namespace tavlin_test;

namespace {

const IID kNullIid = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

// A TYPEATTR and a FUNCDESC, given back to their type info as every client gives them back.
class TypeAttr {
public:
    explicit TypeAttr(ITypeInfo *info) : info_(info) { hr = info->GetTypeAttr(&attr_); }
    ~TypeAttr()
    {
        if (attr_) info_->ReleaseTypeAttr(attr_);
    }
    TypeAttr(const TypeAttr &) = delete;
    TypeAttr &operator=(const TypeAttr &) = delete;
    const TYPEATTR *operator->() const { return attr_; }
    HRESULT hr;

private:
    ITypeInfo *info_;
    TYPEATTR *attr_ = nullptr;
};

class FuncDesc {
public:
    FuncDesc(ITypeInfo *info, UINT index) : info_(info) { hr = info->GetFuncDesc(index, &desc_); }
    ~FuncDesc()
    {
        if (desc_) info_->ReleaseFuncDesc(desc_);
    }
    FuncDesc(const FuncDesc &) = delete;
    FuncDesc &operator=(const FuncDesc &) = delete;
    const FUNCDESC *operator->() const { return desc_; }
    const FUNCDESC &operator*() const { return *desc_; }
    HRESULT hr;

private:
    ITypeInfo *info_;
    FUNCDESC *desc_ = nullptr;
};

// ITypeComp::Bind as pywin32's PyITypeComp.cpp ITypeCompBind makes it, with the name's hash.
class Bound {
public:
    Bound(ITypeComp *comp, const std::string &name, WORD flags)
    {
        tavlin::OleString text = wide(name);
        ULONG hash = LHashValOfNameSys(SYS_WIN32, LOCALE_USER_DEFAULT, text.c_str());
        hr = comp->Bind(&text[0], hash, flags, info.put(), &kind, &ptr);
    }
    ~Bound()
    {
        if (FAILED(hr)) return;
        if (kind == DESCKIND_FUNCDESC) info->ReleaseFuncDesc(ptr.lpfuncdesc);
        if (kind == DESCKIND_VARDESC || kind == DESCKIND_IMPLICITAPPOBJ) info->ReleaseVarDesc(ptr.lpvardesc);
        if (kind == DESCKIND_TYPECOMP) ptr.lptcomp->Release();
    }
    Bound(const Bound &) = delete;
    Bound &operator=(const Bound &) = delete;
    HRESULT hr;
    ComPtr<ITypeInfo> info;
    DESCKIND kind = DESCKIND_NONE;
    BINDPTR ptr = {};
};

std::vector<std::string> names_of(ITypeInfo *info, MEMBERID id, UINT room, HRESULT &hr)
{
    std::vector<BSTR> names(room, nullptr);
    UINT count = 0;
    hr = info->GetNames(id, names.data(), room, &count);
    std::vector<std::string> texts;
    for (UINT i = 0; SUCCEEDED(hr) && i < count; ++i) texts.push_back(narrow(names[i]));
    for (BSTR name : names) SysFreeString(name);
    return texts;
}

struct Doc {
    HRESULT hr;
    std::string name, text;
};
Doc documentation(ITypeInfo *info, MEMBERID id)
{
    ScopedBstr name, text, help_file;
    DWORD context = 0;
    Doc doc;
    doc.hr = info->GetDocumentation(id, name.put(), text.put(), &context, help_file.put());
    doc.name = narrow(name.get());
    doc.text = narrow(text.get());
    return doc;
}

std::string lower(std::string text)
{
    for (char &c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}
std::string upper(std::string text)
{
    for (char &c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}
struct CaseLess {
    bool operator()(const std::string &a, const std::string &b) const { return lower(a) < lower(b); }
};

bool contains(const std::vector<std::string> &lines, const std::string &line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// IDispatch::Invoke as the clients make it: the arguments in source order, passed last-first.
CallResult invoke(IDispatch *object, DISPID id, LCID lcid, WORD flags, const std::vector<ScopedVariant> &args)
{
    std::vector<VARIANT> reversed;
    for (auto arg = args.rbegin(); arg != args.rend(); ++arg) reversed.push_back(*arg->get());  // shallow
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
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
    switch (value.vt) {
    case VT_EMPTY:
        return "<empty>";
    case VT_BOOL:
        return value.boolVal ? "true" : "false";
    case VT_BSTR:
        return narrow(value.bstrVal);
    case VT_I4:
        return std::to_string(value.lVal);
    case VT_DISPATCH:
        return "object " + text_of(get(value.pdispVal, static_cast<DISPID>(DISPID_VALUE)));
    default:
        return "vt " + std::to_string(value.vt);
    }
}

// A script line: a property read (`file.Name`), a call (`list.add("fig")`), or fetching a
// method without calling it (pywin32's `f = list.clear`). An argument "@list" is that proxy,
// "#0" the number 0, anything else a string.
enum class Syntax { Property, Call, Fetch };
struct Row {
    Syntax syntax;
    const char *object;
    const char *member;
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
    {Syntax::Call, "statics", "max", {"@list"}, "y"},                  // an overload's optional argument left out
    {Syntax::Property, "statics", "EMPTY_LIST", {}, "object []"},      // a static field
    {Syntax::Fetch, "list", "clear", {}, nullptr},
    {Syntax::Call, "list", "size", {}, "3"},
    {Syntax::Call, "list", "clear", {}, "<empty>"},
    {Syntax::Call, "list", "size", {}, "0"},
};

const std::map<std::string, std::string> kClasses = {
    {"list", "java.util.ArrayList"},
    {"map", "java.util.HashMap"},
    {"file", "java.io.File"},
    {"statics", "java.util.Collections"},
};

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

// ---- C# `dynamic`: the .NET runtime's COM binder (dotnet/runtime,
// src/libraries/Microsoft.CSharp/src/Microsoft/CSharp/RuntimeBinder/ComInterop).
// IDispatchComObject.EnsureScanDefinedMethods takes the type info through
// ComRuntimeHelpers.GetITypeInfoFromIDispatch (GetTypeInfoCount first, a failure thrown) and
// GetTypeAttrForTypeInfo, makes ComTypeDesc.FromITypeInfo (GetDocumentation(-1)), and files a
// ComMethodDesc(typeInfo, funcDesc) (GetNames for 1 + cParams names) per unrestricted FUNCDESC in
// Hashtables keyed by the upper-cased name, whose Add throws on a second entry; ComTypeDescs are
// cached by TYPEATTR guid. IDispatchMetaObject.BindGetMember / BindInvokeMember then take the
// member from there and ComInvokeBinder invokes its memid with INVOKE_FUNC | INVOKE_PROPERTYGET.
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
    ASSERT_TRUE(info);
    TypeAttr attr(info.get());
    ASSERT_EQ(S_OK, attr.hr);
    desc.guid = attr->guid;
    ASSERT_TRUE(attr->typekind == TKIND_DISPATCH || attr->typekind == TKIND_INTERFACE) << attr->typekind;
    Doc type = documentation(info.get(), MEMBERID_NIL);
    ASSERT_EQ(S_OK, type.hr);
    desc.name = type.name;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FuncDesc func(info.get(), i);
        ASSERT_EQ(S_OK, func.hr) << i;
        if (func->wFuncFlags & FUNCFLAG_FRESTRICTED) continue;
        HRESULT hr;
        std::vector<std::string> names = names_of(info.get(), func->memid, static_cast<UINT>(1 + func->cParams), hr);
        ASSERT_EQ(S_OK, hr) << i;
        ASSERT_FALSE(names.empty()) << i;
        std::string key = upper(names[0]);
        auto &table = (func->invkind & INVOKE_PROPERTYPUT)      ? desc.puts
                      : (func->invkind & INVOKE_PROPERTYPUTREF) ? desc.putrefs
                                                                : desc.funcs;
        if (func->memid == DISPID_NEWENUM) key = "GETENUMERATOR";
        EXPECT_TRUE(table.emplace(key, DotNetMethod{func->memid, func->invkind, func->cParams}).second)
            << desc.name << ": Hashtable.Add throws on a second " << key;
    }
}

CallResult dotnet_bind(IDispatch *object, const DotNetTypeDesc &desc, const Row &row,
                       const std::vector<ScopedVariant> &args)
{
    auto method = desc.funcs.find(upper(row.member));
    if (method == desc.funcs.end()) {
        ADD_FAILURE() << row.member << " is not in " << desc.name << "'s type info";
        return CallResult();
    }
    if (row.syntax == Syntax::Property) {  // ComMethodDesc.IsDataMember
        EXPECT_TRUE((method->second.kind & INVOKE_PROPERTYGET) && method->second.id != DISPID_NEWENUM &&
                    method->second.params == 0)
            << row.member << " is read as a property";
    }
    return invoke(object, method->second.id, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

TEST_F(TypeInfoClients, DotNetDynamicBinder)
{
    std::map<std::string, DotNetTypeDesc> descs;
    for (const auto &named : kClasses) {
        DotNetTypeDesc &desc = descs[named.first];
        dotnet_scan_defined_methods(object(named.first), desc);
        if (HasFatalFailure()) return;
        EXPECT_EQ(named.second, desc.name);
    }
    // One cached ComTypeDesc per guid: another class's would bind its names to this one's memids.
    for (const auto &a : descs) {
        for (const auto &b : descs) {
            if (a.first < b.first) {
                EXPECT_NE(0, std::memcmp(&a.second.guid, &b.second.guid, sizeof(GUID))) << a.first << " " << b.first;
            }
        }
    }
    for (const Row &row : kRows) {
        if (row.syntax == Syntax::Fetch) continue;  // C# calls what it fetches
        std::vector<ScopedVariant> args = arguments(row);
        EXPECT_EQ(row.expected, shown(dotnet_bind(object(row.object), descs[row.object], row, args)))
            << row.object << "." << row.member;
    }
}

// ---- PowerShell 7's COM adapter (PowerShell/PowerShell, src/System.Management.Automation/engine/COM).
// ComTypeInfo.GetDispatchTypeInfo (GetTypeInfo(0, 0), GetTypeAttr) and Initialize sort the
// unrestricted FUNCDESCs by invkind into case-insensitive Properties (ComProperty.UpdateFuncDesc)
// and Methods (ComMethod.AddFuncDesc), each named by ComUtil.GetNameFromFuncDesc
// (GetDocumentation), and note DISPID_NEWENUM's invkind. Get-Member (ComAdapter.GetMembers, which
// leaves out a method whose name a property has) shows ComProperty.ToString and
// ComMethod.MethodDefinitions (ComUtil.GetMethodSignatureFromFuncDesc), and a property's type
// through ComUtil.GetTypeFromTypeDesc, which engine/ComInterop/VarEnumSelector.GetTypeForVarEnum
// maps or refuses with an exception. `$file.Name` reaches only Properties (ComProperty.GetValue);
// `$list.add("fig")` only Methods: ComMethod.InvokeMethod takes ComUtil.GetMethodInformationArray,
// Adapter.GetBestMethodAndArguments fills each optional parameter left out with Type.Missing, and
// ComInvoker.Invoke passes that as VT_ERROR DISP_E_PARAMNOTFOUND with INVOKE_FUNC and LCID 0x409.
// A foreach asks ComEnumerator.Create, which invokes DISPID_NEWENUM with its FUNCDESC's invkind.
const LCID kPowerShellLcid = 0x0409;

bool powershell_maps(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_RECORD:
    case VT_VOID:
    case VT_HRESULT:
    case VT_INT_PTR:
    case VT_UINT_PTR:
    case VT_SAFEARRAY:
    case VT_CARRAY:
    case VT_LPSTR:
    case VT_LPWSTR:
    case VT_PTR:
    case VT_USERDEFINED:
    case VT_CY:
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_BOOL:
    case VT_ERROR:
    case VT_R4:
    case VT_R8:
    case VT_DECIMAL:
    case VT_DATE:
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
    case VT_VARIANT:
        return true;
    default:
        return false;
    }
}

std::string powershell_type_name(ITypeInfo *info, const TYPEDESC &type)
{
    if (type.vt == VT_PTR) return powershell_type_name(info, *type.lptdesc);
    if (type.vt == VT_SAFEARRAY) return "SAFEARRAY(" + powershell_type_name(info, *type.lptdesc) + ")";
    if (type.vt == VT_USERDEFINED) {
        ComPtr<ITypeInfo> custom;
        info->GetRefTypeInfo(type.hreftype, custom.put());
        return custom ? documentation(custom.get(), MEMBERID_NIL).name : "UnknownCustomtype";
    }
    static const std::map<VARTYPE, const char *> names = {{VT_I1, "char"},
                                                          {VT_I2, "short"},
                                                          {VT_I4, "int"},
                                                          {VT_INT, "int"},
                                                          {VT_HRESULT, "int"},
                                                          {VT_I8, "int64"},
                                                          {VT_R4, "float"},
                                                          {VT_R8, "double"},
                                                          {VT_UI1, "byte"},
                                                          {VT_UI2, "ushort"},
                                                          {VT_UI4, "uint"},
                                                          {VT_UINT, "uint"},
                                                          {VT_UI8, "uint64"},
                                                          {VT_BSTR, "string"},
                                                          {VT_LPSTR, "string"},
                                                          {VT_LPWSTR, "string"},
                                                          {VT_DATE, "Date"},
                                                          {VT_BOOL, "bool"},
                                                          {VT_CY, "currency"},
                                                          {VT_DECIMAL, "decimal"},
                                                          {VT_CLSID, "clsid"},
                                                          {VT_DISPATCH, "IDispatch"},
                                                          {VT_UNKNOWN, "IUnknown"},
                                                          {VT_VARIANT, "Variant"},
                                                          {VT_VOID, "void"},
                                                          {VT_ARRAY, "object[]"},
                                                          {VT_EMPTY, ""}};
    auto name = names.find(type.vt);
    return name == names.end() ? "Unknown!" : name->second;
}

std::string powershell_signature(ITypeInfo *info, const FUNCDESC &func, bool is_put)
{
    std::string text = is_put ? "" : powershell_type_name(info, func.elemdescFunc.tdesc) + " ";
    text += documentation(info, func.memid).name + " (";
    for (SHORT i = 0; i < func.cParams; ++i) {
        std::string type = powershell_type_name(info, func.lprgelemdescParam[i].tdesc);
        if (i == 0 && is_put)
            text.insert(0, type + " ");
        else
            text += type + (i < func.cParams - 1 ? ", " : "");
    }
    return text + ")";
}

struct PsProperty {
    MEMBERID id = 0;
    bool gettable = false, setter = false, setter_ref = false, parameterized = false;
    UINT getter_index = 0, setter_index = 0, setter_ref_index = 0;
};
struct PsTypeInfo {
    ComPtr<ITypeInfo> info;
    std::map<std::string, PsProperty, CaseLess> properties;
    std::map<std::string, std::vector<UINT>, CaseLess> methods;
    int new_enum_kind = 0;
};

void powershell_type_info(IDispatch *object, PsTypeInfo &ps)
{
    ASSERT_EQ(S_OK, object->GetTypeInfo(0, 0, ps.info.put()));
    ASSERT_TRUE(ps.info);
    TypeAttr attr(ps.info.get());
    ASSERT_EQ(S_OK, attr.hr);
    ASSERT_EQ(TKIND_DISPATCH, attr->typekind) << "an interface or coclass is followed to a dispinterface";
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FuncDesc func(ps.info.get(), i);
        ASSERT_EQ(S_OK, func.hr) << i;
        if (func->memid == DISPID_NEWENUM) ps.new_enum_kind = func->invkind;
        if (func->wFuncFlags & FUNCFLAG_FRESTRICTED) continue;
        Doc doc = documentation(ps.info.get(), func->memid);
        ASSERT_EQ(S_OK, doc.hr) << i;
        if (func->invkind == INVOKE_FUNC) {
            ps.methods[doc.name].push_back(i);
            continue;
        }
        PsProperty &property = ps.properties[doc.name];
        property.id = func->memid;
        if (func->invkind == INVOKE_PROPERTYGET) {
            property.gettable = true;
            property.getter_index = i;
            property.parameterized |= func->cParams > 0;
        } else if (func->invkind == INVOKE_PROPERTYPUT) {
            property.setter = true;
            property.setter_index = i;
            property.parameterized |= func->cParams > 1;
        } else {
            property.setter_ref = true;
            property.setter_ref_index = i;
            property.parameterized |= func->cParams > 1;
        }
    }
}

std::vector<std::string> powershell_get_member(const PsTypeInfo &ps)
{
    std::vector<std::string> lines;
    for (const auto &named : ps.properties) {
        const PsProperty &p = named.second;
        if (p.parameterized) continue;  // a parameterized property, listed apart
        FuncDesc func(ps.info.get(), p.gettable ? p.getter_index : p.setter ? p.setter_index : p.setter_ref_index);
        EXPECT_EQ(S_OK, func.hr) << named.first;
        if (FAILED(func.hr)) continue;
        const TYPEDESC &type = p.gettable ? func->elemdescFunc.tdesc : func->lprgelemdescParam[0].tdesc;
        EXPECT_TRUE(powershell_maps(type.vt)) << named.first << ": no .NET type for vt " << type.vt;
        std::string line = "property " + powershell_signature(ps.info.get(), *func, !p.gettable);
        if (p.gettable) line += " {get}";
        if (p.setter) line += " {set}";
        if (p.setter_ref) line += " {set by ref}";
        lines.push_back(line);
    }
    for (const auto &named : ps.methods) {
        if (ps.properties.count(named.first)) continue;
        for (UINT index : named.second) {
            FuncDesc func(ps.info.get(), index);
            if (SUCCEEDED(func.hr)) lines.push_back("method " + powershell_signature(ps.info.get(), *func, false));
        }
    }
    return lines;
}

CallResult powershell_invoke_member(IDispatch *object, const PsTypeInfo &ps, const Row &row,
                                    std::vector<ScopedVariant> args)
{
    if (row.syntax == Syntax::Property) {
        auto property = ps.properties.find(row.member);
        if (property == ps.properties.end() || !property->second.gettable) {
            ADD_FAILURE() << row.member << " is no property with a getter: PowerShell reads $null";
            return CallResult();
        }
        return invoke(object, property->second.id, kPowerShellLcid, DISPATCH_PROPERTYGET, {});
    }
    auto method = ps.methods.find(row.member);
    if (method == ps.methods.end()) {
        ADD_FAILURE() << row.member << " is no method in the type info";
        return CallResult();
    }
    for (UINT index : method->second) {
        FuncDesc func(ps.info.get(), index);
        if (FAILED(func.hr)) continue;
        // PowerShell spreads no arguments over a varargs parameter: the script passes the
        // trailing ones as one array, `$statics.addAll($list, @("x", "y"))`.
        if (func->cParamsOpt == -1 && args.size() >= static_cast<size_t>(func->cParams)) {
            SAFEARRAY *array =
                SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(args.size() - func->cParams + 1));
            for (LONG i = 0; args.size() >= static_cast<size_t>(func->cParams); ++i) {
                SafeArrayPutElement(array, &i, args[func->cParams - 1].get());
                args.erase(args.begin() + func->cParams - 1);
            }
            ScopedVariant packed;
            packed->vt = VT_ARRAY | VT_VARIANT;
            packed->parray = array;
            args.push_back(std::move(packed));
        }
        bool fits = args.size() <= static_cast<size_t>(func->cParams);
        for (SHORT i = static_cast<SHORT>(args.size()); fits && i < func->cParams; ++i) {
            fits = (func->lprgelemdescParam[i].paramdesc.wParamFlags & PARAMFLAG_FOPT) != 0;
            ScopedVariant missing;
            missing->vt = VT_ERROR;
            missing->scode = DISP_E_PARAMNOTFOUND;
            args.push_back(std::move(missing));
        }
        if (fits) return invoke(object, func->memid, kPowerShellLcid, DISPATCH_METHOD, args);
    }
    ADD_FAILURE() << "no definition of " << row.member << " takes " << row.args.size() << " arguments";
    return CallResult();
}

TEST_F(TypeInfoClients, PowerShellComAdapter)
{
    std::map<std::string, PsTypeInfo> types;
    for (const auto &named : kClasses) {
        powershell_type_info(object(named.first), types[named.first]);
        if (HasFatalFailure()) return;
        const PsTypeInfo &ps = types[named.first];
        TypeAttr attr(ps.info.get());
        for (UINT i = 0; SUCCEEDED(attr.hr) && i < attr->cFuncs; ++i) {  // ComUtil.GetMethodInformation's types
            FuncDesc func(ps.info.get(), i);
            ASSERT_EQ(S_OK, func.hr);
            EXPECT_TRUE(powershell_maps(func->elemdescFunc.tdesc.vt)) << named.first << " " << i;
            for (SHORT p = 0; p < func->cParams; ++p)
                EXPECT_TRUE(powershell_maps(func->lprgelemdescParam[p].tdesc.vt)) << named.first << " " << i;
        }
    }
    const struct {
        const char *object;
        const char *line;
        bool listed;
    } members[] = {
        {"file", "property Variant Name () {get}", true},
        {"file", "property Variant Writable () {set}", true},
        {"file", "method Variant getName ()", true},
        {"file", "method Variant lastModified ()", true},
        {"file", "property Variant LastModified () {set}", false},  // the name of a method
        {"list", "method Variant add (Variant, Variant)", true},
        {"list", "property Variant Empty () {get}", true},
        {"map", "method Variant put (Variant, Variant)", true},
        {"statics", "method Variant addAll (Variant, SAFEARRAY(Variant))", true},
        {"statics", "method Variant max (Variant, Variant)", true},
        {"statics", "property Variant EMPTY_LIST () {get}", true},
        {"statics", "method Variant hashCode ()", false},  // not static
    };
    for (const auto &member : members) {
        EXPECT_EQ(member.listed, contains(powershell_get_member(types[member.object]), member.line))
            << member.object << ": " << member.line;
    }
    for (const Row &row : kRows) {
        if (row.syntax == Syntax::Fetch) continue;  // `$list.clear` shows the method's definitions
        EXPECT_EQ(row.expected,
                  shown(powershell_invoke_member(object(row.object), types[row.object], row, arguments(row))))
            << row.object << "." << row.member;
    }
    EXPECT_EQ(static_cast<int>(INVOKE_PROPERTYGET), types["map"].new_enum_kind);
    CallResult made =
        invoke(object("map"), DISPID_NEWENUM, kPowerShellLcid, static_cast<WORD>(types["map"].new_enum_kind), {});
    ComPtr<IEnumVARIANT> walker;
    ASSERT_EQ(S_OK, made.hr) << made.description;
    ASSERT_TRUE(made.value.type() == VT_UNKNOWN || made.value.type() == VT_DISPATCH);
    ASSERT_EQ(S_OK, made.value->punkVal->QueryInterface(IID_IEnumVARIANT, walker.put_void()));
    ScopedVariant key;
    EXPECT_EQ(S_OK, walker->Next(1, key.get(), nullptr));
    EXPECT_EQ(VT_BSTR, key.type());
}

// ---- pywin32's dynamic dispatch (mhammond/pywin32, com/win32com/client). dynamic.py Dispatch
// takes GetTypeInfo (PyIDispatch.cpp GetTypeInfo: index 0, LOCALE_USER_DEFAULT, S_OK alone
// accepted) and GetTypeComp, and MakeOleRepr a build.LazyDispatchItem from GetTypeAttr.
// CDispatch.__getattr__ looks in the item's maps, then _LazyAddAttr_ binds the name through the
// ITypeComp for each invoke kind in ALL_INVOKE_TYPES' order (a failed Bind passed over), and
// build.DispatchItem._AddFunc_ files a FUNCDESC under GetNames' first name by invkind; a name
// still unknown becomes a MapEntry from GetIDsOfNames read with INVOKE_PROPERTYGET. A method is
// only made (_make_method_), not called: build.MakeFuncMethod writes, for cParamsOpt -1,
// MakeVarArgsFuncMethod's Invoke of the arguments as given, else MakeDispatchFuncMethod's
// InvokeTypes with every parameter defaulting to pythoncom.Missing, where PyIDispatch.cpp
// InvokeTypes passes the arguments before the first Missing and drops the rest. A property is
// read with the FUNCDESC's invkind (_GetDescInvokeType). `print(obj)` is __str__: __call__ invokes
// DISPID_VALUE with DISPATCH_METHOD | DISPATCH_PROPERTYGET; `dir(obj)` is _dir_ole_, which
// walks every type info and its implemented types, leaving out IID_IDispatch's.
struct PyEntry {
    MEMBERID id;
    INVOKEKIND kind;
    SHORT opt;
    std::vector<USHORT> arg_flags;
};
struct PyItem {
    ComPtr<ITypeInfo> info;
    ComPtr<ITypeComp> comp;
    std::map<std::string, PyEntry> funcs, get, put;
    std::string default_name;
};

void pywin32_dispatch(IDispatch *object, PyItem &item)
{
    ASSERT_EQ(S_OK, object->GetTypeInfo(0, LOCALE_USER_DEFAULT, item.info.put()));
    ASSERT_TRUE(item.info);
    ASSERT_EQ(S_OK, item.info->GetTypeComp(item.comp.put())) << "without it names go through GetIDsOfNames alone";
    TypeAttr attr(item.info.get());
    ASSERT_EQ(S_OK, attr.hr);
    EXPECT_FALSE(attr->typekind == TKIND_INTERFACE && (attr->wTypeFlags & TYPEFLAG_FDUAL));
}

void pywin32_lazy_add_attr(PyItem &item, const std::string &attr)
{
    for (WORD kind : {INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF, INVOKE_FUNC}) {
        auto bound = std::make_unique<Bound>(item.comp.get(), attr, kind);
        if (SUCCEEDED(bound->hr) && bound->kind == DESCKIND_NONE &&
            (attr.compare(0, 3, "Set") == 0 || attr.compare(0, 3, "Get") == 0))
            bound = std::make_unique<Bound>(item.comp.get(), attr.substr(3), kind);
        if (FAILED(bound->hr) || bound->kind != DESCKIND_FUNCDESC) continue;
        const FUNCDESC &func = *bound->ptr.lpfuncdesc;
        HRESULT hr;
        std::vector<std::string> names = names_of(item.info.get(), func.memid, 256, hr);
        std::string name = names.empty() ? "" : names[0];
        if (func.memid == DISPID_VALUE && !name.empty()) item.default_name = name;
        PyEntry entry = {func.memid, func.invkind, func.cParamsOpt, {}};
        for (SHORT i = 0; i < func.cParams; ++i)
            entry.arg_flags.push_back(func.lprgelemdescParam[i].paramdesc.wParamFlags);
        EXPECT_EQ(FUNC_DISPATCH, func.funckind) << name << ": anything else is not reached through IDispatch";
        if (func.invkind == INVOKE_FUNC)
            item.funcs[name] = entry;
        else if (func.invkind == INVOKE_PROPERTYGET)
            item.get[name] = entry;
        else if (item.put.count(name) && item.put[name].kind == INVOKE_PROPERTYPUT)
            item.funcs["Set" + name] = entry;
        else {
            if (item.put.count(name)) item.funcs["Set" + name] = item.put[name];
            item.put[name] = entry;
        }
    }
}

enum class PyRoute { Method, Property, ByName };

PyRoute pywin32_getattr(IDispatch *object, PyItem &item, const std::string &attr, CallResult &value)
{
    if (!item.funcs.count(attr) && !item.get.count(attr)) pywin32_lazy_add_attr(item, attr);
    if (item.funcs.count(attr)) return PyRoute::Method;
    auto entry = item.get.find(attr);
    if (entry != item.get.end()) {
        value = invoke(object, entry->second.id, 0, static_cast<WORD>(entry->second.kind), {});
        return PyRoute::Property;
    }
    value = invoke(object, dispid_of(object, attr.c_str()), 0, DISPATCH_PROPERTYGET, {});
    return PyRoute::ByName;
}

CallResult pywin32_call(IDispatch *object, const PyEntry &entry, const std::vector<ScopedVariant> &args)
{
    if (entry.opt == -1) return invoke(object, entry.id, 0, static_cast<WORD>(entry.kind), args);
    EXPECT_LE(args.size(), entry.arg_flags.size()) << "Python refuses the extra arguments";
    for (size_t i = args.size(); i < entry.arg_flags.size(); ++i) {
        EXPECT_EQ(0, entry.arg_flags[i] & (PARAMFLAG_FOUT | PARAMFLAG_FRETVAL)) << "an out parameter is passed anyway";
    }
    return invoke(object, entry.id, 0, static_cast<WORD>(entry.kind), args);
}

TEST_F(TypeInfoClients, Pywin32DynamicDispatch)
{
    std::map<std::string, PyItem> items;
    for (const auto &named : kClasses) {
        pywin32_dispatch(object(named.first), items[named.first]);
        if (HasFatalFailure()) return;
    }
    for (const Row &row : kRows) {
        PyItem &item = items[row.object];
        CallResult value;
        PyRoute route = pywin32_getattr(object(row.object), item, row.member, value);
        if (row.syntax == Syntax::Property) {
            EXPECT_EQ(PyRoute::Property, route) << row.member;
        } else {
            EXPECT_EQ(PyRoute::Method, route)
                << row.member << (route == PyRoute::ByName ? " was invoked" : " was read");
            if (route == PyRoute::Method && row.syntax == Syntax::Call)
                value = pywin32_call(object(row.object), item.funcs[row.member], arguments(row));
        }
        if (row.expected) {
            EXPECT_EQ(row.expected, shown(value)) << row.object << "." << row.member;
        }
    }
    // print(map): __str__ calls __call__, which invokes the item's default member, else DISPID_VALUE.
    const PyItem &map = items["map"];
    MEMBERID id = DISPID_VALUE;
    WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    const std::map<std::string, PyEntry> &found = map.funcs.count(map.default_name) ? map.funcs : map.get;
    if (!map.default_name.empty() && found.count(map.default_name)) {  // _find_dispatch_type_
        id = found.at(map.default_name).id;
        flags = static_cast<WORD>(found.at(map.default_name).kind);
    }
    EXPECT_EQ("{a=1}", shown(invoke(object("map"), id, 0, flags, {})));

    std::set<std::string> listed;
    UINT count = 0;
    ASSERT_EQ(S_OK, object("list")->GetTypeInfoCount(&count));
    for (UINT i = 0; i < count; ++i) {
        ComPtr<ITypeInfo> first;
        // pythoncom's GetTypeInfo(locale, index) takes _dir_ole_'s one argument as the locale.
        ASSERT_EQ(S_OK, object("list")->GetTypeInfo(0, i, first.put()));
        std::vector<ComPtr<ITypeInfo>> pending;
        pending.push_back(std::move(first));
        std::vector<GUID> inspected = {IID_IDispatch};
        while (!pending.empty()) {
            ComPtr<ITypeInfo> info = std::move(pending.back());
            pending.pop_back();
            TypeAttr attr(info.get());
            ASSERT_EQ(S_OK, attr.hr);
            auto same = [&](const GUID &guid) { return std::memcmp(&guid, &attr->guid, sizeof(GUID)) == 0; };
            if (std::any_of(inspected.begin(), inspected.end(), same)) continue;
            inspected.push_back(attr->guid);
            for (UINT f = 0; f < attr->cFuncs; ++f) {
                FuncDesc func(info.get(), f);
                ASSERT_EQ(S_OK, func.hr);
                HRESULT hr;
                std::vector<std::string> names = names_of(info.get(), func->memid, 256, hr);
                ASSERT_EQ(S_OK, hr);
                listed.insert(names.at(0));
            }
            for (UINT t = 0; t < attr->cImplTypes; ++t) {
                HREFTYPE ref = 0;
                ComPtr<ITypeInfo> implemented;
                ASSERT_EQ(S_OK, info->GetRefTypeOfImplType(t, &ref));
                ASSERT_EQ(S_OK, info->GetRefTypeInfo(ref, implemented.put()));
                pending.push_back(std::move(implemented));
            }
        }
    }
    for (const char *name : {"add", "clear", "get", "size", "Empty"}) EXPECT_TRUE(listed.count(name)) << name;
}

// ---- An object viewer's member listing, as Wine's OLE/COM object viewer builds its tree
// (wine-mirror/wine, programs/oleview/typelib.c: PopulateTree walks the library,
// GetTypeInfoCount, GetDocumentation(-1), GetLibAttr, then each type info's
// GetDocumentation(MEMBERID_NIL) and GetTypeAttr; EnumVars, EnumFuncs (GetFuncDesc,
// GetDocumentation of the member, GetNames for cParams + 1 names, ReleaseFuncDesc, the
// parameters' types through CreateTypeInfo) and EnumImplTypes (GetRefTypeOfImplType,
// GetRefTypeInfo, GetDocumentation(MEMBERID_NIL), GetTypeAttr, and the same again inside)),
// reached from the object through GetTypeInfo and GetContainingTypeLib. The lines are this
// test's: flags, name, parameter types.
std::string viewer_type(ITypeInfo *info, const TYPEDESC &type)
{
    if (type.vt == VT_PTR) return viewer_type(info, *type.lptdesc) + "*";
    if (type.vt == VT_SAFEARRAY) return "SAFEARRAY(" + viewer_type(info, *type.lptdesc) + ")";
    if (type.vt == VT_USERDEFINED) {
        ComPtr<ITypeInfo> custom;
        EXPECT_EQ(S_OK, info->GetRefTypeInfo(type.hreftype, custom.put()));
        return custom ? documentation(custom.get(), MEMBERID_NIL).name : "?";
    }
    return type.vt == VT_VARIANT ? "VARIANT" : "vt" + std::to_string(type.vt);
}

void viewer_enum_vars(ITypeInfo *info, UINT count, std::vector<std::string> &lines)
{
    for (UINT i = 0; i < count; ++i) {
        VARDESC *var = nullptr;
        ASSERT_EQ(S_OK, info->GetVarDesc(i, &var));
        ScopedBstr name;
        EXPECT_EQ(S_OK, info->GetDocumentation(var->memid, name.put(), nullptr, nullptr, nullptr));
        lines.push_back("var " + narrow(name.get()));
        info->ReleaseVarDesc(var);
    }
}

void viewer_enum_funcs(ITypeInfo *info, const TYPEATTR *attr, const std::string &prefix,
                       std::vector<std::string> &lines, std::map<std::string, std::string> &help)
{
    UINT first = (attr->wTypeFlags & TYPEFLAG_FDUAL) ? 7 : 0;
    for (UINT i = first; i < attr->cFuncs + first; ++i) {
        FuncDesc func(info, i);
        EXPECT_EQ(S_OK, func.hr) << prefix << i << " is left out";
        if (FAILED(func.hr)) continue;
        ScopedBstr name, help_string;
        EXPECT_EQ(S_OK, info->GetDocumentation(func->memid, name.put(), help_string.put(), nullptr, nullptr));
        HRESULT hr;
        names_of(info, func->memid, static_cast<UINT>(func->cParams + 1), hr);
        EXPECT_EQ(S_OK, hr) << narrow(name.get()) << " is left out";
        std::vector<std::string> tags;
        if (func->invkind == INVOKE_PROPERTYGET) tags.push_back("propget");
        if (func->invkind == INVOKE_PROPERTYPUT) tags.push_back("propput");
        if (func->invkind == INVOKE_PROPERTYPUTREF) tags.push_back("propputref");
        if (func->wFuncFlags & FUNCFLAG_FRESTRICTED) tags.push_back("restricted");
        if (func->wFuncFlags & FUNCFLAG_FHIDDEN) tags.push_back("hidden");
        if (func->cParamsOpt == -1) tags.push_back("vararg");
        std::string line;
        for (const std::string &tag : tags) line += (line.empty() ? "[" : ", ") + tag;
        line += (line.empty() ? "" : "] ") + prefix + narrow(name.get()) + "(";
        for (SHORT p = 0; p < func->cParams; ++p) {
            if (p) line += ", ";
            if (func->lprgelemdescParam[p].paramdesc.wParamFlags & PARAMFLAG_FOPT) line += "[optional] ";
            line += viewer_type(info, func->lprgelemdescParam[p].tdesc);
        }
        lines.push_back(line + ")");
        help[narrow(name.get())] = narrow(help_string.get());
    }
}

void viewer_enum_impl_types(ITypeInfo *info, UINT count, std::vector<std::string> &lines)
{
    for (UINT i = 0; i < count; ++i) {
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> implemented;
        ASSERT_EQ(S_OK, info->GetRefTypeOfImplType(i, &ref));
        ASSERT_EQ(S_OK, info->GetRefTypeInfo(ref, implemented.put()));
        ScopedBstr name;
        ASSERT_EQ(S_OK, implemented->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr));
        TypeAttr attr(implemented.get());
        ASSERT_EQ(S_OK, attr.hr);
        std::map<std::string, std::string> help;
        viewer_enum_vars(implemented.get(), attr->cVars, lines);
        viewer_enum_funcs(implemented.get(), attr.operator->(), narrow(name.get()) + ".", lines, help);
        viewer_enum_impl_types(implemented.get(), attr->cImplTypes, lines);
    }
}

struct Listing {
    std::string type_name;
    std::vector<std::string> members, inherited;
    std::map<std::string, std::string> help;
};

void viewer_listing(IDispatch *object, Listing &listing)
{
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, object->GetTypeInfo(0, LOCALE_SYSTEM_DEFAULT, info.put()));
    ComPtr<ITypeLib> library;
    UINT index = 0;
    ASSERT_EQ(S_OK, info->GetContainingTypeLib(library.put(), &index));
    UINT count = library->GetTypeInfoCount();
    ASSERT_LT(index, count);
    ScopedBstr library_name, library_doc;
    EXPECT_EQ(S_OK, library->GetDocumentation(-1, library_name.put(), library_doc.put(), nullptr, nullptr));
    TLIBATTR *library_attr = nullptr;
    ASSERT_EQ(S_OK, library->GetLibAttr(&library_attr));
    library->ReleaseTLibAttr(library_attr);
    for (UINT i = 0; i < count; ++i) {
        ComPtr<ITypeInfo> entry;
        ASSERT_EQ(S_OK, library->GetTypeInfo(i, entry.put()));
        ScopedBstr name, data;
        DWORD context = 0;
        ASSERT_EQ(S_OK, entry->GetDocumentation(MEMBERID_NIL, name.put(), data.put(), &context, nullptr));
        TypeAttr attr(entry.get());
        ASSERT_EQ(S_OK, attr.hr);
        if (i != index) continue;  // the other entries are listed by the same calls
        ASSERT_EQ(TKIND_DISPATCH, attr->typekind);
        listing.type_name = narrow(name.get());
        viewer_enum_vars(entry.get(), attr->cVars, listing.members);
        viewer_enum_funcs(entry.get(), attr.operator->(), "", listing.members, listing.help);
        viewer_enum_impl_types(entry.get(), attr->cImplTypes, listing.inherited);
        HREFTYPE dual = 0;
        entry->GetRefTypeOfImplType(static_cast<UINT>(-1), &dual);  // the interface of a dual one, if any
    }
}

TEST_F(TypeInfoClients, ObjectViewer)
{
    const struct {
        const char *object;
        const char *line;
        bool listed;
    } members[] = {
        {"list", "add(VARIANT, [optional] VARIANT)", true},
        {"list", "get(VARIANT)", true},
        {"list", "clear()", true},
        {"list", "[propget] Empty()", true},
        {"list", "[propget, restricted, hidden] _NewEnum()", true},
        {"map", "put(VARIANT, VARIANT)", true},
        {"file", "[propget] Name()", true},
        {"file", "getName()", true},
        {"file", "lastModified()", true},
        {"file", "[propput] Writable(VARIANT)", true},
        {"file", "[propput] LastModified(VARIANT)", false},
        {"statics", "[vararg] addAll(VARIANT, SAFEARRAY(VARIANT))", true},
        {"statics", "max(VARIANT, [optional] VARIANT)", true},
        {"statics", "[propget] EMPTY_LIST()", true},
        {"statics", "[propput] EMPTY_LIST(VARIANT)", false},
        {"statics", "[propputref] EMPTY_LIST(VARIANT)", false},
        {"statics", "hashCode()", false},
    };
    std::map<std::string, Listing> listings;
    for (const auto &named : kClasses) {
        Listing &listing = listings[named.first];
        viewer_listing(object(named.first), listing);
        if (HasFatalFailure()) return;
        EXPECT_EQ(named.second, listing.type_name);
        auto inherited = [&](const std::string &start) {
            return std::any_of(listing.inherited.begin(), listing.inherited.end(),
                               [&](const std::string &line) { return line.compare(0, start.size(), start) == 0; });
        };
        EXPECT_TRUE(inherited("IDispatch.Invoke(")) << named.first;
        EXPECT_TRUE(inherited("IUnknown.QueryInterface(")) << named.first;
    }
    for (const auto &member : members) {
        EXPECT_EQ(member.listed, contains(listings[member.object].members, member.line))
            << member.object << ": " << member.line;
    }
    const std::string &add = listings["list"].help["add"];
    EXPECT_NE(add.find("add("), add.rfind("add(")) << "the help string names both overloads: " << add;
}

}  // namespace
