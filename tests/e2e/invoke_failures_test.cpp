// How Invoke fails: Java exceptions, argument counts, rejected conversions, bad DISPIDs.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>

#include "bridge/proxy/proxy.h"
#include "callback_object.h"
#include "client.h"
#include "com/module_lock.h"
#include "debug_output.h"
#include "foreign_dispatch.h"
#include "jvm_probe.h"
#include "test_process.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

class InvokeFailures : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_standard_vm_setup();
        calc_ = make("fixtures.Calculator");
        ASSERT_TRUE(calc_);
    }
    ComPtr<IDispatch> calc_;
};

const MethodTable *table_of(IDispatch *object)
{
    ComPtr<IProxy> proxy;
    object->QueryInterface(IID_IProxy, proxy.put_void());
    return static_cast<CProxy *>(proxy.get())->methods();
}

}  // namespace

TEST_F(InvokeFailures, JavaExceptionBecomesAnAutomationException)
{
    DebugOutput output;
    ScopedVariant message = ScopedVariant::string("boom");
    CallResult result = call(calc_.get(), "fail", {message.get()});
    EXPECT_EQ(DISP_E_EXCEPTION, result.hr);
    EXPECT_EQ(0, result.code) << "wCode and scode exclude each other";
    EXPECT_EQ(static_cast<SCODE>(0x800A03E9), result.scode) << "error 1001 of FACILITY_CONTROL";
    EXPECT_EQ("boom", result.description);
    EXPECT_FALSE(result.has_source);
    EXPECT_EQ(VT_EMPTY, result.value.type());
    std::vector<std::string> lines = output.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("Exception occurred during CProxy::Invoke", lines.back());
}

TEST_F(InvokeFailures, ProductKeyBecomesTheSource)
{
    ComPtr<IDispatch> thrower = make("fixtures.Thrower");
    ScopedVariant message = ScopedVariant::string("denied"), key = ScopedVariant::string("QZ-7");
    CallResult result = call(thrower.get(), "product", {message.get(), key.get()});
    EXPECT_EQ(DISP_E_EXCEPTION, result.hr);
    EXPECT_EQ("denied", result.description);
    EXPECT_EQ("QZ-7", result.source);
}

TEST_F(InvokeFailures, WrongArgumentCountIsKnownAfterTheFirstCall)
{
    ScopedVariant one = ScopedVariant::i4(1);
    DISPID add = dispid_of(calc_.get(), "add");
    for (int attempt = 0; attempt < 2; ++attempt) {
        CallResult result = call(calc_.get(), add, {one.get()});
        EXPECT_EQ(DISP_E_EXCEPTION, result.hr);
        EXPECT_EQ("Invalid number of arguments.", result.description);
    }
    EXPECT_EQ(2, table_of(calc_.get())->at(add - 1).param_count.load()) << "the count is remembered";
}

TEST_F(InvokeFailures, NoOverloadAcceptingReportsTheLastCandidate)
{
    ScopedVariant number = ScopedVariant::r8(2.5);
    CallResult result = call(calc_.get(), "length", {number.get()});
    EXPECT_EQ(DISP_E_EXCEPTION, result.hr);
    EXPECT_EQ("convert_com_to_java: Expecting java/lang/String, got non-string\n", result.description);
}

TEST_F(InvokeFailures, StrictOverloadsRefuseTextForNumbers)
{
    ScopedVariant a = ScopedVariant::string("12"), b = ScopedVariant::i4(1);
    ComPtr<IDispatch> math = make("java.lang.Math");
    CallResult result = call(math.get(), "abs", {a.get()});
    EXPECT_EQ(DISP_E_EXCEPTION, result.hr);
    EXPECT_EQ(0u, result.description.find("CHECK_NUMERIC_VARIANT, expecting ")) << result.description;
    // A method without namesakes coerces leniently.
    CallResult lenient = call(calc_.get(), "add", {a.get(), b.get()});
    EXPECT_EQ(S_OK, lenient.hr) << lenient.description;
    EXPECT_EQ(13, lenient.value->lVal);
}

TEST_F(InvokeFailures, ForeignObjectsAreRefused)
{
    ComPtr<ITavlinUtil> util = create_util();
    ScopedVariant foreign = ScopedVariant::dispatch(util.get());
    CallResult result = call(calc_.get(), "echo", {foreign.get()});
    EXPECT_EQ(DISP_E_EXCEPTION, result.hr);
    EXPECT_EQ("Unsupported object type.", result.description);
}

TEST_F(InvokeFailures, ObjectsAnsweringTheProxyInterfaceAreNotTakenForProxies)
{
    ForeignDispatch pretender(true);
    ScopedVariant argument = ScopedVariant::dispatch(&pretender);
    for (const char *method : {"echo", "typeOf"}) {
        CallResult result = call(calc_.get(), method, {argument.get()});
        EXPECT_EQ(DISP_E_EXCEPTION, result.hr) << method;
        EXPECT_EQ("Unsupported object type.", result.description) << method;
    }
    EXPECT_EQ(2u, pretender.references) << "every reference taken was given back";
}

// A VM that refuses to let a thread go.
class RefusedDetach {
public:
    RefusedDetach() : vm_(java_vm()), original_(vm_->functions), refusing_(*original_)
    {
        refusing_.DetachCurrentThread = &refuse;
        vm_->functions = &refusing_;
    }
    ~RefusedDetach() { vm_->functions = original_; }
    RefusedDetach(const RefusedDetach &) = delete;
    RefusedDetach &operator=(const RefusedDetach &) = delete;

private:
    // In the VM's calling convention, which on 32-bit Windows no lambda has.
    static jint JNICALL refuse(JavaVM *) { return JNI_ERR; }

    JavaVM *vm_;
    const JNIInvokeInterface_ *original_;
    JNIInvokeInterface_ refusing_;
};

// A call leaves its thread attached, so no detach can fail after the result was stored (the
// one failure that came after it), and nothing is left behind for it.
TEST_F(InvokeFailures, ACallNeverDetachesItsThread)
{
    get_env();                   // the counts below ask the VM from this thread
    call(calc_.get(), "graph");  // the method's facts and classes are cached before counting
    const DISPID graph = dispid_of(calc_.get(), "graph");
    const long references = jni_global_reference_count();
    const LONG locks = module_lock_count();
    std::thread([&] {
        RefusedDetach refusal;
        CallResult result = call(calc_.get(), graph);
        EXPECT_EQ(S_OK, result.hr) << result.description;
        EXPECT_EQ(VT_DISPATCH, result.value.type());
    }).join();
    EXPECT_EQ(locks, module_lock_count()) << "the result's proxy was released";
    EXPECT_EQ(references, jni_global_reference_count()) << "and its Java object with it";
}

TEST_F(InvokeFailures, DispidsThatDesignateNoMethod)
{
    const IID null_iid = {};
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXCEPINFO info = {};
    // The table is not built before the first name lookup.
    const DISPID made_up_dispids[] = {1, 99999, -5, 0x7fffffff, DISPID(0x80000000)};
    for (DISPID made_up : made_up_dispids) {
        CallResult attempt = call(calc_.get(), made_up);
        EXPECT_EQ(DISP_E_EXCEPTION, attempt.hr) << made_up;
        EXPECT_EQ("Invalid method.", attempt.description) << made_up;
    }
    dispid_of(calc_.get(), "add");
    for (DISPID made_up : {99999, -5, 0x7fffffff}) EXPECT_EQ("Invalid method.", call(calc_.get(), made_up).description);
    // DISPID_VALUE is the object's default value, its toString(), read with no argument only.
    ScopedVariant argument = ScopedVariant::i4(1);
    VARIANTARG one[] = {*argument.get()};
    DISPPARAMS with_one = {one, nullptr, 1, 0};
    const struct {
        WORD flags;
        DISPPARAMS *params;
        HRESULT hr;
    } value_rows[] = {{DISPATCH_METHOD, &none, S_OK},
                      {DISPATCH_PROPERTYGET, &none, S_OK},
                      {DISPATCH_METHOD | DISPATCH_PROPERTYGET, nullptr, S_OK},
                      {DISPATCH_METHOD, &with_one, DISP_E_UNKNOWNINTERFACE},
                      {DISPATCH_PROPERTYPUT, &with_one, DISP_E_UNKNOWNINTERFACE}};
    const std::string text = text_of(call(calc_.get(), "toString"));
    for (const auto &row : value_rows) {
        ScopedVariant value;
        EXPECT_EQ(row.hr, calc_->Invoke(DISPID_VALUE, null_iid, 0, row.flags, row.params, value.get(), &info, nullptr))
            << row.flags;
        if (row.hr == S_OK) {
            EXPECT_EQ(text, narrow(value->bstrVal)) << row.flags;
        }
    }
}

TEST_F(InvokeFailures, DispidOfAnotherProxyDesignatesTheSamePosition)
{
    ComPtr<IDispatch> first = make("java.util.ArrayList"), second = make("java.util.ArrayList");
    DISPID size = dispid_of(first.get(), "size");
    dispid_of(second.get(), "size");
    CallResult result = call(second.get(), size);
    EXPECT_EQ(S_OK, result.hr);
    EXPECT_EQ(0, result.value->lVal);
}

TEST_F(InvokeFailures, MissingArgumentArrayIsRefused)
{
    DISPID add = dispid_of(calc_.get(), "add");
    DISPPARAMS broken = {nullptr, nullptr, 2, 0};
    const IID null_iid = {};
    EXPECT_EQ(E_INVALIDARG, calc_->Invoke(add, null_iid, 0, DISPATCH_METHOD, &broken, nullptr, nullptr, nullptr));
}

TEST_F(InvokeFailures, NoExceptionRecordIsFine)
{
    ScopedVariant message = ScopedVariant::string("quiet");
    DISPID fail = dispid_of(calc_.get(), "fail");
    DISPPARAMS params = {message.get(), nullptr, 1, 0};
    const IID null_iid = {};
    EXPECT_EQ(DISP_E_EXCEPTION, calc_->Invoke(fail, null_iid, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
}

// A Runnable that calls back into Java until the stack runs out: the client learns of the
// StackOverflowError, not of a description that failed at the overflowing depth. Each round
// trip raises the inner call's error on, as a script does.
TEST(StackOverflowThroughTheBridge, TheClientSeesTheJavaError)
{
    use_standard_vm_setup();
    ComPtr<IDispatch> behaviours;
    ASSERT_EQ(S_OK, statics("fixtures.Behaviours", behaviours));
    static CallbackObject runnable;
    runnable.on("run", [&behaviours](const std::vector<const VARIANT *> &, VARIANT *) {
        ScopedVariant self = ScopedVariant::dispatch(&runnable);
        CallResult inner = call(behaviours.get(), "take", {self.get()});
        if (FAILED(inner.hr)) throw std::runtime_error(inner.description);
    });
    for (int round = 0; round < 4; ++round) {
        std::string description;
        std::thread deep([&] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // where a script object may be wrapped
            ScopedVariant self = ScopedVariant::dispatch(&runnable);
            description = call(behaviours.get(), "take", {self.get()}).description;
            CoUninitialize();
        });
        deep.join();
        EXPECT_EQ("java.lang.StackOverflowError", description) << "round " << round;
    }
}
