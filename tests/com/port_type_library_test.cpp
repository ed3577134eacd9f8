// The port's type library as oleaut32's clients read it: LoadTypeLib on the library's file,
// its attributes, documentation and type information, and Invoke on a dual interface.
#include <vector>

#include "com_test_support.h"
#include "recording_util.h"

namespace com_test {
namespace {

using tavlin_test::ScopedBstr;
using tavlin_test::ScopedVariant;

class PortTypeLibraryTest : public ComTest {
protected:
    void SetUp() override
    {
        ComTest::SetUp();
        std::u16string path = tavlin_test::wide(library_file());
        ASSERT_EQ(S_OK, LoadTypeLib(path.c_str(), lib_.put()));
        ASSERT_EQ(S_OK, lib_->GetTypeInfoOfGuid(IID_ITavlinUtil, util_info_.put()));
        ASSERT_EQ(S_OK, lib_->GetTypeInfoOfGuid(IID_ITavlinUtil2, util2_info_.put()));
    }

    ComPtr<ITypeLib> lib_;
    ComPtr<ITypeInfo> util_info_;
    ComPtr<ITypeInfo> util2_info_;
};

TEST_F(PortTypeLibraryTest, LibraryAttributes)
{
    TLIBATTR *attr = nullptr;
    ASSERT_EQ(S_OK, lib_->GetLibAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(LIBID_Tavlin, attr->guid));
    EXPECT_EQ(1, attr->wMajorVerNum);
    EXPECT_EQ(0, attr->wMinorVerNum);
    EXPECT_EQ(LOCALE_NEUTRAL, attr->lcid);
    EXPECT_EQ(sizeof(void *) == 8 ? SYS_WIN64 : SYS_WIN32, attr->syskind);
    lib_->ReleaseTLibAttr(attr);
    ScopedBstr name, doc;
    ASSERT_EQ(S_OK, lib_->GetDocumentation(-1, name.put(), doc.put(), nullptr, nullptr));
    EXPECT_EQ("Tavlin", tavlin_test::narrow(name.get()));
    EXPECT_EQ("tavlin 1.0 Type Library", tavlin_test::narrow(doc.get()));
}

struct TypeRow {
    const GUID *guid;
    TYPEKIND kind;
    const char *name;
    const char *doc;
};

// The coclass Proxy is spelled as the parameter proxy, as one name entry serves both.
const TypeRow type_rows[] = {
    {&IID_ITavlinUtil, TKIND_DISPATCH, "ITavlinUtil", "ITavlinUtil Interface"},
    {&IID_ITavlinUtil2, TKIND_DISPATCH, "ITavlinUtil2", "ITavlinUtil2 Interface"},
    {&CLSID_TavlinUtil, TKIND_COCLASS, "TavlinUtil", "TavlinUtil Class"},
    {&IID_IProxy, TKIND_DISPATCH, "IProxy", "IProxy Interface"},
    {&CLSID_Proxy, TKIND_COCLASS, "proxy", "Proxy Class"},
};

TEST_F(PortTypeLibraryTest, EveryTypeIsDescribed)
{
    ASSERT_EQ(5u, lib_->GetTypeInfoCount());
    for (UINT index = 0; index < 5; ++index) {
        const TypeRow &row = type_rows[index];
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(S_OK, lib_->GetTypeInfoOfGuid(*row.guid, info.put())) << row.name;
        TYPEATTR *attr = nullptr;
        ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
        EXPECT_EQ(row.kind, attr->typekind) << row.name;
        info->ReleaseTypeAttr(attr);
        ScopedBstr name, doc;
        ASSERT_EQ(S_OK, lib_->GetDocumentation(static_cast<INT>(index), name.put(), doc.put(), nullptr, nullptr));
        EXPECT_EQ(row.name, tavlin_test::narrow(name.get()));
        EXPECT_EQ(row.doc, tavlin_test::narrow(doc.get()));
    }
    ComPtr<ITypeInfo> none;
    EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, lib_->GetTypeInfoOfGuid(LIBID_Tavlin, none.put()));
    EXPECT_FALSE(none);
}

TEST_F(PortTypeLibraryTest, UtilityInterfaceIsDual)
{
    TYPEATTR *attr = nullptr;
    ASSERT_EQ(S_OK, util_info_->GetTypeAttr(&attr));
    EXPECT_EQ(1, attr->cFuncs);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    util_info_->ReleaseTypeAttr(attr);
}

TEST_F(PortTypeLibraryTest, NewInstanceIsTheEighthEntry)
{
    FUNCDESC *desc = nullptr;
    ASSERT_EQ(S_OK, util_info_->GetFuncDesc(0, &desc));
    EXPECT_EQ(1, desc->memid);
    EXPECT_EQ(INVOKE_FUNC, desc->invkind);
    EXPECT_EQ(static_cast<SHORT>(7 * sizeof(void *)), desc->oVft);
    ASSERT_EQ(2, desc->cParams);
    EXPECT_EQ(VT_BSTR, desc->lprgelemdescParam[0].tdesc.vt);
    EXPECT_EQ(PARAMFLAG_FIN, desc->lprgelemdescParam[0].paramdesc.wParamFlags);
    EXPECT_EQ(VT_PTR, desc->lprgelemdescParam[1].tdesc.vt);
    EXPECT_EQ(VT_DISPATCH, desc->lprgelemdescParam[1].tdesc.lptdesc->vt);
    EXPECT_EQ(PARAMFLAG_FOUT | PARAMFLAG_FRETVAL, desc->lprgelemdescParam[1].paramdesc.wParamFlags);
    util_info_->ReleaseFuncDesc(desc);
    EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, util_info_->GetFuncDesc(1, &desc));

    ScopedBstr name, doc;
    ASSERT_EQ(S_OK, util_info_->GetDocumentation(1, name.put(), doc.put(), nullptr, nullptr));
    EXPECT_EQ("newInstance", tavlin_test::narrow(name.get()));
    EXPECT_EQ("method newInstance", tavlin_test::narrow(doc.get()));
}

struct InvokeRow {
    const char *what;
    MEMBERID memid;
    WORD flags;
    std::vector<const char16_t *> texts;  // string arguments, first parameter first
    bool number_argument;                 // pass the number 42 instead
    UINT named;
    HRESULT expected;
    const char *seen;  // the class name newInstance received, or null when not called
};

const InvokeRow invoke_rows[] = {
    {"a class name", 1, DISPATCH_METHOD, {u"java.util.Date"}, false, 0, S_OK, "java.util.Date"},
    {"called as a property read", 1, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {u"a.B"}, false, 0, S_OK, "a.B"},
    {"a number becomes its text", 1, DISPATCH_METHOD, {}, true, 0, S_OK, "42"},
    {"no argument", 1, DISPATCH_METHOD, {}, false, 0, DISP_E_BADPARAMCOUNT, nullptr},
    {"two arguments", 1, DISPATCH_METHOD, {u"a", u"b"}, false, 0, DISP_E_BADPARAMCOUNT, nullptr},
    {"a named argument", 1, DISPATCH_METHOD, {u"a"}, false, 1, DISP_E_NONAMEDARGS, nullptr},
    {"a property write", 1, DISPATCH_PROPERTYPUT, {u"a"}, false, 0, DISP_E_MEMBERNOTFOUND, nullptr},
    {"an unknown member", 2, DISPATCH_METHOD, {u"a"}, false, 0, DISP_E_MEMBERNOTFOUND, nullptr},
};

TEST_F(PortTypeLibraryTest, InvokeCallsThroughTheFunctionTable)
{
    for (const InvokeRow &row : invoke_rows) {
        RecordingUtil target;
        std::vector<ScopedVariant> arguments;
        for (auto text = row.texts.rbegin(); text != row.texts.rend(); ++text)
            arguments.push_back(ScopedVariant::string(*text));
        if (row.number_argument) arguments.push_back(ScopedVariant::i4(42));
        std::vector<VARIANT> values;
        for (ScopedVariant &argument : arguments) values.push_back(*argument.get());
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params = {values.data(), row.named ? &named : nullptr, static_cast<UINT>(values.size()), row.named};
        ScopedVariant result;
        HRESULT hr = util_info_->Invoke(static_cast<ITavlinUtil *>(&target), row.memid, row.flags, &params,
                                        result.get(), nullptr, nullptr);
        EXPECT_EQ(row.expected, hr) << row.what;
        EXPECT_EQ(row.seen ? 1 : 0, target.calls) << row.what;
        if (row.seen) {
            EXPECT_EQ(row.seen, target.class_name) << row.what;
        }
        if (SUCCEEDED(hr)) {
            ASSERT_EQ(VT_DISPATCH, result.type()) << row.what;
            EXPECT_EQ(static_cast<IDispatch *>(&target), result->pdispVal) << row.what;
        }
    }
}

TEST_F(PortTypeLibraryTest, ArgumentThatIsNoTextIsAMismatch)
{
    RecordingUtil target;
    VARIANT array;
    VariantInit(&array);
    array.vt = VT_ARRAY | VT_I4;
    array.parray = SafeArrayCreateVector(VT_I4, 0, 2);
    DISPPARAMS params = {&array, nullptr, 1, 0};
    UINT arg_err = 99;
    EXPECT_EQ(DISP_E_TYPEMISMATCH,
              util_info_->Invoke(&target, 1, DISPATCH_METHOD, &params, nullptr, nullptr, &arg_err));
    EXPECT_EQ(0u, arg_err);
    EXPECT_EQ(0, target.calls);
    VariantClear(&array);
}

TEST_F(PortTypeLibraryTest, FailureOfTheMethodIsAnException)
{
    RecordingUtil target;
    target.result = static_cast<HRESULT>(0xFFFFFFFF);
    ScopedVariant name = ScopedVariant::string(u"x");
    DISPPARAMS params = {name.get(), nullptr, 1, 0};
    EXCEPINFO excep_info{};
    ScopedVariant result;
    EXPECT_EQ(DISP_E_EXCEPTION,
              util_info_->Invoke(&target, 1, DISPATCH_METHOD, &params, result.get(), &excep_info, nullptr));
    EXPECT_EQ(static_cast<HRESULT>(0xFFFFFFFF), excep_info.scode);
    EXPECT_EQ(VT_EMPTY, result.type());
}

// As oleaut32 does: the texts of the error object that the method left, which is taken.
TEST_F(PortTypeLibraryTest, FailureOfTheMethodCarriesItsErrorObject)
{
    RecordingUtil target;
    target.result = static_cast<HRESULT>(0xFFFFFFFF);
    target.error_description = u"java.lang.ClassNotFoundException: x";
    target.error_source = u"the source";
    ScopedVariant name = ScopedVariant::string(u"x");
    DISPPARAMS params = {name.get(), nullptr, 1, 0};
    EXCEPINFO excep_info{};
    EXPECT_EQ(DISP_E_EXCEPTION,
              util_info_->Invoke(&target, 1, DISPATCH_METHOD, &params, nullptr, &excep_info, nullptr));
    EXPECT_EQ(static_cast<HRESULT>(0xFFFFFFFF), excep_info.scode);
    EXPECT_EQ("java.lang.ClassNotFoundException: x", tavlin_test::narrow(excep_info.bstrDescription));
    EXPECT_EQ("the source", tavlin_test::narrow(excep_info.bstrSource));
    EXPECT_EQ(nullptr, excep_info.bstrHelpFile);
    EXPECT_EQ(7u, excep_info.dwHelpContext);
    SysFreeString(excep_info.bstrDescription);
    SysFreeString(excep_info.bstrSource);
    ComPtr<IErrorInfo> left;
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, left.put())) << "Invoke took the error object";
}

TEST_F(PortTypeLibraryTest, UnwantedResultIsReleased)
{
    RecordingUtil target;
    ScopedVariant name = ScopedVariant::string(u"x");
    DISPPARAMS params = {name.get(), nullptr, 1, 0};
    ASSERT_EQ(S_OK, util_info_->Invoke(&target, 1, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
    EXPECT_EQ(1u, target.references);
}

TEST_F(PortTypeLibraryTest, NamesAreFoundWithoutCase)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(u"NEWINSTANCE"), const_cast<LPOLESTR>(u"Proxy"),
                        const_cast<LPOLESTR>(u"classname")};
    MEMBERID memids[3] = {};
    EXPECT_EQ(S_OK, util_info_->GetIDsOfNames(names, 3, memids));
    EXPECT_EQ(1, memids[0]);
    EXPECT_EQ(1, memids[1]);
    EXPECT_EQ(0, memids[2]);
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(u"missing")};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, util_info_->GetIDsOfNames(unknown, 1, memids));
    EXPECT_EQ(DISPID_UNKNOWN, memids[0]);
}

// The second interface's dispatch view: newInstance where ITavlinUtil has it, then newObject
// ([vararg], its trailing arguments in a safe array of VARIANTs) and statics after it.
struct FuncRow {
    MEMBERID memid;
    const char *name;
    SHORT slot;
    SHORT params;
    SHORT optional;
    VARTYPE second_param;  // VT_EMPTY for none before the return value
};

const FuncRow util2_funcs[] = {
    {1, "newInstance", 7, 2, 0, VT_PTR},
    {2, "newObject", 8, 3, -1, VT_SAFEARRAY},
    {3, "statics", 9, 2, 0, VT_PTR},
    {4, "implement", 10, 3, 0, VT_DISPATCH},
};

TEST_F(PortTypeLibraryTest, SecondInterfaceExtendsTheFirst)
{
    TYPEATTR *attr = nullptr;
    ASSERT_EQ(S_OK, util2_info_->GetTypeAttr(&attr));
    EXPECT_EQ(4, attr->cFuncs);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_EQ(11 * sizeof(void *), attr->cbSizeVft);
    util2_info_->ReleaseTypeAttr(attr);
    for (UINT index = 0; index < 4; ++index) {
        const FuncRow &row = util2_funcs[index];
        FUNCDESC *desc = nullptr;
        ASSERT_EQ(S_OK, util2_info_->GetFuncDesc(index, &desc)) << row.name;
        EXPECT_EQ(row.memid, desc->memid) << row.name;
        EXPECT_EQ(static_cast<SHORT>(row.slot * sizeof(void *)), desc->oVft) << row.name;
        EXPECT_EQ(row.params, desc->cParams) << row.name;
        EXPECT_EQ(row.optional, desc->cParamsOpt) << row.name;
        EXPECT_EQ(VT_BSTR, desc->lprgelemdescParam[0].tdesc.vt) << row.name;
        EXPECT_EQ(row.second_param, desc->lprgelemdescParam[1].tdesc.vt) << row.name;
        if (row.second_param == VT_SAFEARRAY) {
            EXPECT_EQ(VT_VARIANT, desc->lprgelemdescParam[1].tdesc.lptdesc->vt);
            EXPECT_EQ(PARAMFLAG_FIN, desc->lprgelemdescParam[1].paramdesc.wParamFlags);
        }
        EXPECT_EQ(PARAMFLAG_FOUT | PARAMFLAG_FRETVAL, desc->lprgelemdescParam[row.params - 1].paramdesc.wParamFlags)
            << row.name;
        util2_info_->ReleaseFuncDesc(desc);
        ScopedBstr name;
        ASSERT_EQ(S_OK, util2_info_->GetDocumentation(row.memid, name.put(), nullptr, nullptr, nullptr));
        EXPECT_EQ(row.name, tavlin_test::narrow(name.get()));
    }
}

TEST_F(PortTypeLibraryTest, SecondInterfaceNamesItsMethods)
{
    for (const FuncRow &row : util2_funcs) {
        tavlin::OleString name = tavlin_test::wide(row.name);
        LPOLESTR names[] = {&name[0]};
        MEMBERID memid = 0;
        EXPECT_EQ(S_OK, util2_info_->GetIDsOfNames(names, 1, &memid)) << row.name;
        EXPECT_EQ(row.memid, memid) << row.name;
    }
    LPOLESTR vararg_names[] = {const_cast<LPOLESTR>(u"NEWOBJECT"), const_cast<LPOLESTR>(u"args")};
    MEMBERID memids[2] = {};
    EXPECT_EQ(S_OK, util2_info_->GetIDsOfNames(vararg_names, 2, memids));
    EXPECT_EQ(2, memids[0]);
    EXPECT_EQ(1, memids[1]);
}

// A call to the [vararg] newObject or to statics through Invoke: the arguments as a client
// gives them (first first; "#" marks the number 7, "~" the number 2.5), and what the method
// receives.
struct VarargRow {
    const char *what;
    MEMBERID memid;
    std::vector<const char *> arguments;
    HRESULT expected;
    const char *method;  // the method reached, or null
    std::vector<std::string> elements;
};

const VarargRow vararg_rows[] = {
    {"no trailing argument", 2, {"a.B"}, S_OK, "newObject", {}},
    {"one trailing argument", 2, {"a.B", "x"}, S_OK, "newObject", {"x"}},
    {"several, in call order", 2, {"a.B", "x", "#", "~", "y"}, S_OK, "newObject", {"x", "7", "2.5", "y"}},
    {"a number as the class name", 2, {"#", "x"}, S_OK, "newObject", {"x"}},
    {"not even the class name", 2, {}, DISP_E_BADPARAMCOUNT, nullptr, {}},
    {"statics with its class name", 3, {"a.B"}, S_OK, "statics", {}},
    {"statics takes no more", 3, {"a.B", "x"}, DISP_E_BADPARAMCOUNT, nullptr, {}},
    {"newInstance through the second interface", 1, {"a.B"}, S_OK, "newInstance", {}},
};

ScopedVariant argument_of(const char *text)
{
    if (std::string(text) == "#") return ScopedVariant::i4(7);
    if (std::string(text) == "~") return ScopedVariant::r8(2.5);
    return ScopedVariant::string(std::string(text));
}

TEST_F(PortTypeLibraryTest, VarargInvokePacksTheTrailingArguments)
{
    for (const VarargRow &row : vararg_rows) {
        RecordingUtil target;
        std::vector<ScopedVariant> arguments;
        for (auto text = row.arguments.rbegin(); text != row.arguments.rend(); ++text)
            arguments.push_back(argument_of(*text));
        std::vector<VARIANT> values;
        for (ScopedVariant &argument : arguments) values.push_back(*argument.get());
        DISPPARAMS params = {values.data(), nullptr, static_cast<UINT>(values.size()), 0};
        ScopedVariant result;
        HRESULT hr = util2_info_->Invoke(static_cast<ITavlinUtil2 *>(&target), row.memid, DISPATCH_METHOD, &params,
                                         result.get(), nullptr, nullptr);
        EXPECT_EQ(row.expected, hr) << row.what;
        ASSERT_EQ(row.method ? 1 : 0, target.calls) << row.what;
        if (!row.method) continue;
        EXPECT_EQ(row.method, target.method) << row.what;
        EXPECT_EQ(row.arguments[0] == std::string("#") ? "7" : row.arguments[0], target.class_name) << row.what;
        EXPECT_EQ(row.elements, target.arguments.elements) << row.what;
        if (target.method == "newObject") {
            EXPECT_EQ(1u, target.arguments.dimensions) << row.what;
            EXPECT_EQ(VT_VARIANT, target.arguments.type) << row.what;
            EXPECT_EQ(0, target.arguments.lower_bound) << row.what;
        }
        ASSERT_EQ(VT_DISPATCH, result.type()) << row.what;
        EXPECT_EQ(static_cast<IDispatch *>(&target), result->pdispVal) << row.what;
    }
}

TEST_F(PortTypeLibraryTest, VarargFailureIsAnException)
{
    RecordingUtil target;
    target.result = E_FAIL;
    ScopedVariant name = ScopedVariant::string(u"x"), argument = ScopedVariant::i4(1);
    VARIANT values[] = {*argument.get(), *name.get()};
    DISPPARAMS params = {values, nullptr, 2, 0};
    EXCEPINFO excep_info{};
    EXPECT_EQ(DISP_E_EXCEPTION,
              util2_info_->Invoke(&target, 2, DISPATCH_METHOD, &params, nullptr, &excep_info, nullptr));
    EXPECT_EQ(E_FAIL, excep_info.scode);
    EXPECT_EQ(std::vector<std::string>{"1"}, target.arguments.elements);
}

// implement through Invoke: the interface names first, then the object, which the method
// receives as the client passed it.
TEST_F(PortTypeLibraryTest, InvokeHandsImplementItsObject)
{
    RecordingUtil target, object;
    ScopedVariant names = ScopedVariant::string(u"java.lang.Runnable"), argument = ScopedVariant::dispatch(&object);
    VARIANT values[] = {*argument.get(), *names.get()};
    DISPPARAMS params = {values, nullptr, 2, 0};
    ScopedVariant result;
    ASSERT_EQ(S_OK, util2_info_->Invoke(&target, 4, DISPATCH_METHOD, &params, result.get(), nullptr, nullptr));
    EXPECT_EQ("implement", target.method);
    EXPECT_EQ("java.lang.Runnable", target.class_name);
    EXPECT_EQ(static_cast<IDispatch *>(&object), target.implemented_by);
    names = ScopedVariant::string(u"x");
    values[1] = *names.get();
    params.cArgs = 1;
    params.rgvarg = &values[1];
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              util2_info_->Invoke(&target, 4, DISPATCH_METHOD, &params, result.get(), nullptr, nullptr));
}

TEST_F(PortTypeLibraryTest, FileWithoutTypeLibraryDoesNotLoad)
{
    ComPtr<ITypeLib> none;
    std::u16string missing = tavlin_test::wide(fresh_folder("empty") + "/libnothing.so");
    EXPECT_EQ(TYPE_E_CANTLOADLIBRARY, LoadTypeLib(missing.c_str(), none.put()));
    EXPECT_FALSE(none);
}

}  // namespace
}  // namespace com_test
