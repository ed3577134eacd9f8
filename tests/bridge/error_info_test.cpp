// The thread's error object as clients that read IErrorInfo see it: what newInstance and a
// proxy's Invoke leave there on each kind of failure, that a success leaves none, and which
// interfaces the objects say set it.
#include <gtest/gtest.h>

#include <string>

#include "client.h"
#include "test_names.h"
#include "test_process.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

const HRESULT kFailed = static_cast<HRESULT>(0xFFFFFFFF);

class ErrorInfo : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_standard_vm_setup();
        SetErrorInfo(0, nullptr);
    }
};

struct NewInstanceRow {
    const char *name;
    const char *class_name;
    const char *description;
};

class NewInstanceErrors : public ErrorInfo, public ::testing::WithParamInterface<NewInstanceRow> {};

TEST_P(NewInstanceErrors, NameWhatWentWrong)
{
    ComPtr<IDispatch> proxy;
    ASSERT_EQ(kFailed, new_instance(GetParam().class_name, proxy));
    ErrorObject error = taken_error();
    ASSERT_EQ(S_OK, error.hr);
    EXPECT_TRUE(IsEqualIID(IID_ITavlinUtil, error.guid));
    EXPECT_EQ(GetParam().description, error.description);
    EXPECT_FALSE(error.has_source);
    EXPECT_EQ(S_FALSE, taken_error().hr) << "GetErrorInfo took it";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NewInstanceErrors,
    ::testing::Values(
        NewInstanceRow{"MissingClass", "java.util.Nope", "java.lang.ClassNotFoundException: java.util.Nope"},
        NewInstanceRow{"MissingClassInSlashForm", "no/such/Clazz", "java.lang.ClassNotFoundException: no.such.Clazz"},
        NewInstanceRow{"AbstractClass", "java.util.AbstractList",
                       "java.lang.InstantiationException: java.util.AbstractList"},
        NewInstanceRow{"NoConstructorWithoutArguments", "java.lang.Integer",
                       "java.lang.NoSuchMethodError: java.lang.Integer has no constructor without arguments"},
        NewInstanceRow{"Interface", "java.util.List",
                       "java.lang.NoSuchMethodError: java.util.List has no constructor without arguments"},
        NewInstanceRow{"ConstructorThrows", "fixtures.FailingConstructor",
                       "java.lang.IllegalStateException: constructor failed"}),
    test_names::by_field<&NewInstanceRow::name>);

TEST_F(ErrorInfo, NewInstanceThatSucceedsLeavesNone)
{
    ComPtr<IDispatch> proxy;
    ASSERT_EQ(kFailed, new_instance("java.util.Nope", proxy));
    ASSERT_TRUE(make("java.util.ArrayList"));
    EXPECT_EQ(S_FALSE, taken_error().hr) << "the failure's error object does not outlive the next success";
}

struct InvokeRow {
    const char *name;
    const char *method;
    bool number_argument;  // 2.5, else the text "boom"
    const char *description;
};

class InvokeErrors : public ErrorInfo, public ::testing::WithParamInterface<InvokeRow> {};

// The error object carries what the EXCEPINFO carries.
TEST_P(InvokeErrors, CarryTheExceptionsTexts)
{
    ComPtr<IDispatch> calc = make("fixtures.Calculator");
    ASSERT_TRUE(calc);
    ScopedVariant argument = GetParam().number_argument ? ScopedVariant::r8(2.5) : ScopedVariant::string("boom");
    CallResult result = call(calc.get(), GetParam().method, {argument.get()});
    ASSERT_EQ(DISP_E_EXCEPTION, result.hr);
    EXPECT_EQ(GetParam().description, result.description);
    ErrorObject error = taken_error();
    ASSERT_EQ(S_OK, error.hr);
    EXPECT_TRUE(IsEqualIID(IID_IDispatch, error.guid));
    EXPECT_EQ(result.description, error.description);
    EXPECT_EQ(result.has_source, error.has_source);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, InvokeErrors,
    ::testing::Values(InvokeRow{"JavaException", "fail", false, "boom"},
                      InvokeRow{"WrongArgumentCount", "add", false, "Invalid number of arguments."},
                      InvokeRow{"BadArgument", "length", true,
                                "convert_com_to_java: Expecting java/lang/String, got non-string\n"}),
    test_names::by_field<&InvokeRow::name>);

TEST_F(ErrorInfo, InvokeOfAProductExceptionCarriesItsKeyAsTheSource)
{
    ComPtr<IDispatch> thrower = make("fixtures.Thrower");
    ScopedVariant message = ScopedVariant::string("denied"), key = ScopedVariant::string("QZ-7");
    ASSERT_EQ(DISP_E_EXCEPTION, call(thrower.get(), "product", {message.get(), key.get()}).hr);
    ErrorObject error = taken_error();
    EXPECT_EQ("denied", error.description);
    EXPECT_EQ("QZ-7", error.source);
}

TEST_F(ErrorInfo, InvokeThatSucceedsLeavesNone)
{
    ComPtr<IDispatch> calc = make("fixtures.Calculator");
    ScopedVariant message = ScopedVariant::string("boom"), two = ScopedVariant::i4(2);
    ASSERT_EQ(DISP_E_EXCEPTION, call(calc.get(), "fail", {message.get()}).hr);
    ASSERT_EQ(S_OK, call(calc.get(), "add", {two.get(), two.get()}).hr);
    EXPECT_EQ(S_FALSE, taken_error().hr);
}

struct SupportRow {
    const char *name;
    const IID *iid;
    HRESULT util;
    HRESULT proxy;
};

class SupportsErrorInfo : public ErrorInfo, public ::testing::WithParamInterface<SupportRow> {};

HRESULT supports(IUnknown *object, REFIID iid)
{
    ComPtr<ISupportErrorInfo> support;
    if (FAILED(object->QueryInterface(IID_ISupportErrorInfo, support.put_void()))) return E_NOINTERFACE;
    return support->InterfaceSupportsErrorInfo(iid);
}

TEST_P(SupportsErrorInfo, ForTheObjectsOwnInterfaces)
{
    ComPtr<ITavlinUtil> util = create_util();
    ComPtr<IDispatch> proxy = make("java.util.ArrayList");
    ASSERT_TRUE(util && proxy);
    EXPECT_EQ(GetParam().util, supports(util.get(), *GetParam().iid));
    EXPECT_EQ(GetParam().proxy, supports(proxy.get(), *GetParam().iid));
}

const IID kSomeOtherInterface = {0x9474BA1A, 0x258B, 0x490B, {0xBC, 0x13, 0x51, 0x6E, 0x92, 0x39, 0xAC, 0xE0}};

INSTANTIATE_TEST_SUITE_P(Rows, SupportsErrorInfo,
                         ::testing::Values(SupportRow{"ITavlinUtil", &IID_ITavlinUtil, S_OK, S_FALSE},
                                           SupportRow{"IProxy", &IID_IProxy, S_FALSE, S_OK},
                                           SupportRow{"IDispatch", &IID_IDispatch, S_OK, S_OK},
                                           SupportRow{"IUnknown", &IID_IUnknown, S_FALSE, S_FALSE},
                                           SupportRow{"AnotherInterface", &kSomeOtherInterface, S_FALSE, S_FALSE}),
                         test_names::by_field<&SupportRow::name>);

// A walk that fails leaves the Java exception's message for the enumerator's interface, which
// the enumerator says its methods describe; a walk that goes on leaves none.
TEST_F(ErrorInfo, AFailedWalkCarriesTheJavaMessage)
{
    ComPtr<IDispatch> walks = make("fixtures.Walks");
    ScopedVariant two = ScopedVariant::i4(2);
    CallResult failing = call(walks.get(), "failingAfter", {two.get()});
    ASSERT_EQ(VT_DISPATCH, failing.value.type());
    CallResult made = call(failing.value->pdispVal, DISPID_NEWENUM);
    ASSERT_EQ(VT_UNKNOWN, made.value.type());
    ComPtr<IEnumVARIANT> walker;
    ASSERT_EQ(S_OK, made.value->punkVal->QueryInterface(IID_IEnumVARIANT, walker.put_void()));
    EXPECT_EQ(S_OK, supports(walker.get(), IID_IEnumVARIANT));
    EXPECT_EQ(S_FALSE, supports(walker.get(), IID_IDispatch));
    ScopedVariant slots[3];
    ASSERT_EQ(DISP_E_EXCEPTION, walker->Next(3, slots[0].get(), nullptr));
    ErrorObject error = taken_error();
    ASSERT_EQ(S_OK, error.hr);
    EXPECT_TRUE(IsEqualIID(IID_IEnumVARIANT, error.guid));
    EXPECT_EQ("walked past 2", error.description);
    ASSERT_EQ(DISP_E_EXCEPTION, walker->Next(1, slots[0].get(), nullptr));
    ASSERT_EQ(S_OK, walker->Reset());
    EXPECT_EQ(S_FALSE, taken_error().hr);
}

}  // namespace
