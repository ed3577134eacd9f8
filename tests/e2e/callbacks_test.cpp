// Automation objects as Java interfaces: ITavlinUtil2::implement, and an automation object
// passed where a functional interface is expected. The object here is a C++ automation object
// standing for a script's: it records Java's calls and counts its references.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "callback_object.h"
#include "client.h"
#include "test_process.h"

using namespace tavlin_test;

namespace {

// Objects that Java holds until its collector lets go of them, which may be after the test's
// last line: kept for the process.
CallbackObject &kept_object()
{
    static std::vector<CallbackObject *> *kept = new std::vector<CallbackObject *>;
    kept->push_back(new CallbackObject);
    return *kept->back();
}

LONG length_of(const VARIANT *text_value) { return static_cast<LONG>(SysStringLen(text_value->bstrVal)); }

// Compares two strings by length, as a script's comparator would.
void compare_lengths(const std::vector<const VARIANT *> &args, VARIANT *result)
{
    result->vt = VT_I4;
    result->lVal = length_of(args[0]) - length_of(args[1]);
}

void nothing(const std::vector<const VARIANT *> &, VARIANT *) {}

class Callbacks : public ::testing::Test {
protected:
    // The test's thread is in the multithreaded apartment, as a free-threaded client's is: a
    // Java thread's call reaches the object there without waiting for this thread to pump.
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        use_standard_vm_setup();
        list_ = make("java.util.ArrayList");
        for (const char *word : {"banana", "fig", "pear"}) {
            ScopedVariant element = ScopedVariant::string(std::string(word));
            ASSERT_EQ(S_OK, call(list_.get(), "add", {element.get()}).hr);
        }
        ASSERT_EQ(S_OK, statics("java.util.Collections", collections_));
    }

    ComPtr<IDispatch> implemented(const char *names, CallbackObject &object)
    {
        ComPtr<IDispatch> proxy;
        EXPECT_EQ(S_OK, implement(names, &object, proxy));
        return proxy;
    }

    void TearDown() override
    {
        list_.reset();
        collections_.reset();
        CoUninitialize();
    }

    std::string list_text() { return text_of(call(list_.get(), "toString")); }

    ComPtr<IDispatch> list_;
    ComPtr<IDispatch> collections_;
};

}  // namespace

TEST_F(Callbacks, AComparatorSortsAJavaList)
{
    CallbackObject &object = kept_object();
    object.on("compare", compare_lengths);
    ComPtr<IDispatch> comparator = implemented("java.util.Comparator", object);
    ScopedVariant list = ScopedVariant::dispatch(list_.get()), by_length = ScopedVariant::dispatch(comparator.get());
    CallResult sorted = call(collections_.get(), "sort", {list.get(), by_length.get()});
    ASSERT_EQ(S_OK, sorted.hr) << sorted.description;
    EXPECT_EQ("[fig, pear, banana]", list_text());
    ASSERT_FALSE(object.calls().empty());
    for (const CallbackObject::Call &call : object.calls()) {
        EXPECT_EQ("compare", call.member);
        EXPECT_EQ(2u, call.args.size());
    }
}

TEST_F(Callbacks, AConsumerReceivesEachElementInOrder)
{
    CallbackObject &object = kept_object();
    object.on("Accept", nothing);  // found whatever its case, as VBScript finds names
    ComPtr<IDispatch> consumer = implemented("java.util.function.Consumer", object);
    ScopedVariant argument = ScopedVariant::dispatch(consumer.get());
    ASSERT_EQ(S_OK, call(list_.get(), "forEach", {argument.get()}).hr);
    std::vector<std::string> received;
    for (const CallbackObject::Call &call : object.calls()) received.push_back(call.args.at(0));
    EXPECT_EQ((std::vector<std::string>{"banana", "fig", "pear"}), received);
}

// A Function's result comes back as its return type asks (an Integer from a 32-bit integer),
// and Java's map calls it only for a missing key.
TEST_F(Callbacks, AFunctionComputesAMissingValue)
{
    CallbackObject &object = kept_object();
    object.on("apply", [](const std::vector<const VARIANT *> &args, VARIANT *result) {
        result->vt = VT_I4;
        result->lVal = length_of(args[0]);
    });
    ComPtr<IDispatch> function = implemented("java.util.function.Function", object);
    ComPtr<IDispatch> map = make("java.util.HashMap");
    ScopedVariant key = ScopedVariant::string(std::string("banana")),
                  argument = ScopedVariant::dispatch(function.get());
    CallResult first = call(map.get(), "computeIfAbsent", {key.get(), argument.get()});
    ASSERT_EQ(S_OK, first.hr) << first.description;
    EXPECT_EQ(VT_I4, first.value->vt);
    EXPECT_EQ(6, first.value->lVal);
    ASSERT_EQ(S_OK, call(map.get(), "computeIfAbsent", {key.get(), argument.get()}).hr);
    EXPECT_EQ(1u, object.calls().size());
    EXPECT_EQ("{banana=6}", text_of(call(map.get(), "toString")));
}

// A script's function (it has a prototype member, as every JScript function has) is called at
// its default member, not at the member it inherits under the method's name (a JScript
// function has apply and call of its own).
TEST_F(Callbacks, AScriptFunctionIsCalledAtItsDefaultMember)
{
    CallbackObject &object = kept_object();
    object.on("prototype", nothing);
    object.on("apply", nothing);
    object.on_value([](const std::vector<const VARIANT *> &args, VARIANT *result) {
        result->vt = VT_I4;
        result->lVal = length_of(args[0]);
    });
    ComPtr<IDispatch> map = make("java.util.HashMap");
    ScopedVariant key = ScopedVariant::string(std::string("fig")), function = ScopedVariant::dispatch(&object);
    CallResult computed = call(map.get(), "computeIfAbsent", {key.get(), function.get()});
    ASSERT_EQ(S_OK, computed.hr) << computed.description;
    EXPECT_EQ(3, computed.value->lVal);
    ASSERT_EQ(1u, object.calls().size());
    EXPECT_EQ("", object.calls().front().member);
}

// A default method of the interface runs its Java body over the object's abstract method.
TEST_F(Callbacks, DefaultMethodsRunInJava)
{
    CallbackObject &object = kept_object();
    object.on("compare", compare_lengths);
    ComPtr<IDispatch> comparator = implemented("java.util.Comparator", object);
    CallResult reversed = call(comparator.get(), "reversed");
    ASSERT_EQ(S_OK, reversed.hr) << reversed.description;
    ASSERT_EQ(VT_DISPATCH, reversed.value->vt);
    ScopedVariant list = ScopedVariant::dispatch(list_.get());
    ASSERT_EQ(S_OK, call(collections_.get(), "sort", {list.get(), reversed.value.get()}).hr);
    EXPECT_EQ("[banana, pear, fig]", list_text());
    for (const CallbackObject::Call &call : object.calls()) EXPECT_EQ("compare", call.member);
}

struct ImplicitRow {
    const char *name;
    const char *member;  // the object's member, "" for a default member alone
    const char *method;  // the list's method, which takes a functional interface
    const char *expected;
};

class ImplicitCallbacks : public Callbacks, public ::testing::WithParamInterface<ImplicitRow> {};

// An automation object passed where a functional interface is expected is put behind it: a
// named member of the method's name, or a default member (a script's function).
TEST_P(ImplicitCallbacks, AnObjectPassedForAFunctionalInterfaceIsCalled)
{
    const ImplicitRow &row = GetParam();
    CallbackObject &object = kept_object();
    if (*row.member)
        object.on(row.member, compare_lengths);
    else
        object.on_value(compare_lengths);
    ScopedVariant argument = ScopedVariant::dispatch(&object);
    CallResult result = call(list_.get(), row.method, {argument.get()});
    ASSERT_EQ(S_OK, result.hr) << result.description;
    EXPECT_EQ(row.expected, list_text());
    ASSERT_FALSE(object.calls().empty());
    EXPECT_EQ(row.member, object.calls().front().member);
}

INSTANTIATE_TEST_SUITE_P(Rows, ImplicitCallbacks,
                         ::testing::Values(ImplicitRow{"NamedMember", "compare", "sort", "[fig, pear, banana]"},
                                           ImplicitRow{"DefaultMember", "", "sort", "[fig, pear, banana]"}),
                         [](const ::testing::TestParamInfo<ImplicitRow> &info) { return info.param.name; });

TEST_F(Callbacks, ARunnableRunsOnAJavaThread)
{
    CallbackObject &object = kept_object();
    object.on("run", nothing);
    ComPtr<IDispatch> runnable = implemented("java.lang.Runnable", object);
    ScopedVariant argument = ScopedVariant::dispatch(runnable.get());
    ComPtr<IDispatch> thread;
    ASSERT_EQ(S_OK, new_object("java.lang.Thread", {argument.get()}, thread));
    ASSERT_EQ(S_OK, call(thread.get(), "start").hr);
    ASSERT_EQ(S_OK, call(thread.get(), "join").hr);
    ASSERT_EQ(1u, object.calls().size());
    EXPECT_NE(std::this_thread::get_id(), object.calls().front().thread);
}

// The object's error reaches the Java caller as a RuntimeException with its description, and
// through Java's method the client that called it.
TEST_F(Callbacks, AnErrorOfTheObjectIsAJavaExceptionForItsCaller)
{
    CallbackObject &object = kept_object();
    object.on("compare", compare_lengths);
    object.fail_with("the comparison is off");
    ComPtr<IDispatch> comparator = implemented("java.util.Comparator", object);
    ScopedVariant list = ScopedVariant::dispatch(list_.get()), by_length = ScopedVariant::dispatch(comparator.get());
    CallResult sorted = call(collections_.get(), "sort", {list.get(), by_length.get()});
    EXPECT_EQ(DISP_E_EXCEPTION, sorted.hr);
    EXPECT_EQ("the comparison is off", sorted.description);
    EXPECT_EQ("[banana, fig, pear]", list_text());
}

TEST_F(Callbacks, AMemberTheObjectLacksIsAJavaException)
{
    CallbackObject &object = kept_object();
    object.on("run", nothing);
    ComPtr<IDispatch> both = implemented("java.lang.Runnable, java.lang.Comparable", object);
    ASSERT_EQ(S_OK, call(both.get(), "run").hr);
    ScopedVariant other = ScopedVariant::string(std::string("x"));
    CallResult compared = call(both.get(), "compareTo", {other.get()});
    EXPECT_EQ(DISP_E_EXCEPTION, compared.hr);
    EXPECT_EQ("The automation object has no method compareTo", compared.description);
}

// equals, hashCode and toString are the Java object's own: the automation object is not asked.
TEST_F(Callbacks, ObjectsMethodsAreAnsweredInJava)
{
    CallbackObject &object = kept_object();
    object.on("run", nothing);
    ComPtr<IDispatch> runnable = implemented("java.lang.Runnable", object);
    ScopedVariant self = ScopedVariant::dispatch(runnable.get());
    CallResult equal = call(runnable.get(), "equals", {self.get()});
    ASSERT_EQ(S_OK, equal.hr);
    EXPECT_EQ(VARIANT_TRUE, equal.value->boolVal);
    EXPECT_EQ(S_OK, call(runnable.get(), "hashCode").hr);
    EXPECT_NE(std::string::npos, text_of(call(runnable.get(), "toString")).find("java.lang.Runnable"));
    EXPECT_TRUE(object.calls().empty());
}

struct RefusalRow {
    const char *name;
    const char *interfaces;
    const char *description;
};

class RefusedInterfaces : public Callbacks, public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(RefusedInterfaces, ImplementSaysWhy)
{
    const RefusalRow &row = GetParam();
    CallbackObject &object = kept_object();
    ComPtr<IDispatch> proxy;
    EXPECT_EQ(E_FAIL, implement(row.interfaces, &object, proxy));
    EXPECT_EQ(row.description, taken_error().description);
    EXPECT_EQ(1u, object.references.load());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusedInterfaces,
    ::testing::Values(RefusalRow{"AClass", "java.util.ArrayList", "Not an interface: java.util.ArrayList"},
                      RefusalRow{"AnEmptyName", "java.lang.Runnable,", "An interface name is empty."},
                      RefusalRow{"NoSuchInterface", "java.lang.Nope",
                                 "java.lang.ClassNotFoundException: java.lang.Nope"}),
    [](const ::testing::TestParamInfo<RefusalRow> &info) { return info.param.name; });

// The Java object holds the automation object (natively with one reference; on Windows the
// global interface table holds it for the Java object), let go once the collector finds the
// Java object unreachable.
TEST_F(Callbacks, TheObjectIsReleasedWhenJavaCollectsItsProxy)
{
    CallbackObject &object = kept_object();
    object.on("run", nothing);
    const ULONG unheld = object.references.load();
    {
        ComPtr<IDispatch> runnable = implemented("java.lang.Runnable", object);
        ASSERT_EQ(S_OK, call(runnable.get(), "run").hr);
        EXPECT_LT(unheld, object.references.load());
    }
    ComPtr<IDispatch> system;
    ASSERT_EQ(S_OK, statics("java.lang.System", system));
    // Bounded, so that a reference never given back fails the test instead of hanging it.
    for (int attempt = 0; attempt < 600 && object.references.load() > unheld; ++attempt) {
        ASSERT_EQ(S_OK, call(system.get(), "gc").hr);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(unheld, object.references.load());
}

// The Java object's handler is anyone's for the asking (Proxy.getInvocationHandler): nothing a
// script calls on it lets go of the automation object while the Java object lives.
TEST_F(Callbacks, TheHandlerCannotLetGoOfTheObject)
{
    CallbackObject &object = kept_object();
    object.on("run", nothing);
    ComPtr<IDispatch> runnable = implemented("java.lang.Runnable", object), proxies;
    ASSERT_EQ(S_OK, statics("java.lang.reflect.Proxy", proxies));
    ScopedVariant argument = ScopedVariant::dispatch(runnable.get());
    CallResult handler = call(proxies.get(), "getInvocationHandler", {argument.get()});
    ASSERT_EQ(VT_DISPATCH, handler.value.type()) << handler.description;
    EXPECT_NE(S_OK, call(handler.value->pdispVal, "run").hr);
    ASSERT_EQ(S_OK, call(runnable.get(), "run").hr);
    EXPECT_EQ(1u, object.calls().size());
}

class ReachedHandlers : public Callbacks, public ::testing::WithParamInterface<const char *> {};

// Reflection past the handler's access checks finds a handle let go of, or one never given, to
// be a Java exception, not a call through released memory.
TEST_P(ReachedHandlers, AStaleOrForgedHandleIsAJavaException)
{
    CallbackObject &object = kept_object();
    object.on("run", nothing);
    ComPtr<IDispatch> runnable = implemented("java.lang.Runnable", object), intruder;
    ASSERT_EQ(S_OK, statics("fixtures.Intruder", intruder));
    ScopedVariant argument = ScopedVariant::dispatch(runnable.get());
    CallResult reached = call(intruder.get(), GetParam(), {argument.get()});
    EXPECT_EQ(DISP_E_EXCEPTION, reached.hr);
    EXPECT_EQ("The automation object behind this Java object was released.", reached.description);
    EXPECT_TRUE(object.calls().empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, ReachedHandlers, ::testing::Values("runAfterRelease", "callForged"),
                         [](const ::testing::TestParamInfo<const char *> &info) { return info.param; });

// Among overloads an automation object fits the one whose parameter is a functional interface,
// and none whose parameter is any other interface.
TEST_F(Callbacks, AnObjectChoosesTheOverloadThatTakesBehaviour)
{
    CallbackObject &object = kept_object();
    object.on("run", nothing);
    ComPtr<IDispatch> behaviours;
    ASSERT_EQ(S_OK, statics("fixtures.Behaviours", behaviours));
    ScopedVariant argument = ScopedVariant::dispatch(&object);
    EXPECT_EQ("Runnable", text_of(call(behaviours.get(), "take", {argument.get()})));
    EXPECT_EQ(1u, object.calls().size());
    EXPECT_EQ(DISP_E_EXCEPTION, call(behaviours.get(), "list", {argument.get()}).hr);
}

struct ReturnRow {
    const char *name;
    ScopedVariant (*answer)();
    const char *expected;  // the Java value's class and text
};

class ReturnedValues : public Callbacks, public ::testing::WithParamInterface<ReturnRow> {};

// The object's result becomes the Java value the method's return type asks for; for Object,
// the value the automation type itself calls for.
TEST_P(ReturnedValues, TheResultIsConvertedForTheReturnType)
{
    const ReturnRow &row = GetParam();
    CallbackObject &object = kept_object();
    object.on("get",
              [&row](const std::vector<const VARIANT *> &, VARIANT *result) { *result = row.answer().release(); });
    ComPtr<IDispatch> behaviours;
    ASSERT_EQ(S_OK, statics("fixtures.Behaviours", behaviours));
    ScopedVariant argument = ScopedVariant::dispatch(&object);
    CallResult supplied = call(behaviours.get(), "supplied", {argument.get()});
    ASSERT_EQ(S_OK, supplied.hr) << supplied.description;
    EXPECT_EQ(row.expected, text_of(supplied));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReturnedValues,
    ::testing::Values(ReturnRow{"Int", [] { return ScopedVariant::i4(7); }, "java.lang.Integer:7"},
                      ReturnRow{"Double", [] { return ScopedVariant::r8(2.5); }, "java.lang.Double:2.5"},
                      ReturnRow{"Text", [] { return ScopedVariant::string(std::string("pear")); },
                                "java.lang.String:pear"},
                      ReturnRow{"Boolean", [] { return ScopedVariant::boolean(true); }, "java.lang.Boolean:true"},
                      ReturnRow{"Empty", [] { return ScopedVariant(); }, "null"}),
    [](const ::testing::TestParamInfo<ReturnRow> &info) { return info.param.name; });

#ifdef _WIN32
namespace {

int messages_dispatched = 0;  // to the window below, on the thread that owns it

LRESULT CALLBACK count_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_APP) ++messages_dispatched;
    return DefWindowProcW(window, message, wparam, lparam);
}

// A window of the calling thread, as a host's user interface has, with a message that another
// thread sent it waiting to be dispatched.
HWND window_with_a_message()
{
    WNDCLASSW kind = {};
    kind.lpfnWndProc = count_message;
    kind.lpszClassName = L"tavlin counting window";
    RegisterClassW(&kind);
    HWND window = CreateWindowExW(0, kind.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    std::thread([window] { SendNotifyMessageW(window, WM_APP, 0, 0); }).join();
    return window;
}

// Waits for a Java thread to end as a script does, by asking, which lets waiting calls in.
void wait_by_asking(IDispatch *thread)
{
    for (int round = 0; round < 100000; ++round) {
        CallResult alive = call(thread, "isAlive");
        if (alive.hr != S_OK || !alive.value->boolVal) return;
    }
}

void take_messages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

}  // namespace

// While a Java thread's call waits for one single-threaded apartment, another apartment's thread
// takes none of its messages in its calls into the bridge (a host's window is not entered in the
// middle of a call); the waited-for apartment's thread lets the call in when it next calls.
TEST(CallbackApartments, OnlyTheWaitedForApartmentLetsCallsIn)
{
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    use_standard_vm_setup();
    CallbackObject &job = kept_object();
    job.on("run", nothing);
    ComPtr<IDispatch> started, behaviours;
    ScopedVariant one = ScopedVariant::i4(1);
    ASSERT_EQ(S_OK, new_object("java.util.concurrent.CountDownLatch", {one.get()}, started));
    ASSERT_EQ(S_OK, statics("fixtures.Behaviours", behaviours));
    std::promise<void> checked;
    std::thread::id waited_for_thread;
    std::thread waited_for([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        waited_for_thread = std::this_thread::get_id();
        {
            ComPtr<IDispatch> runnable;
            implement("java.lang.Runnable", &job, runnable);
            ScopedVariant latch = ScopedVariant::dispatch(started.get()),
                          action = ScopedVariant::dispatch(runnable.get());
            CallResult thread = call(behaviours.get(), "runAnnounced", {latch.get(), action.get()});
            // Without the Java thread the latch is counted down here: the test fails, not hangs.
            if (thread.hr != S_OK) call(started.get(), "countDown");
            checked.get_future().wait();  // lets no call in
            if (thread.hr == S_OK) wait_by_asking(thread.value->pdispVal);
        }
        CoUninitialize();
    });
    EXPECT_EQ(S_OK, call(started.get(), "await").hr);
    HWND window = window_with_a_message();
    for (int round = 0; round < 10; ++round) call(started.get(), "getCount");
    const int dispatched_in_calls = messages_dispatched;
    checked.set_value();
    waited_for.join();
    take_messages();
    DestroyWindow(window);
    EXPECT_EQ(0, dispatched_in_calls);
    EXPECT_EQ(1, messages_dispatched) << "the message was there to take";
    ASSERT_EQ(1u, job.calls().size());
    EXPECT_EQ(waited_for_thread, job.calls().front().thread);
    CoUninitialize();
}
#endif

#ifdef _WIN32
// While a single-threaded apartment has a live callback object, a call from its thread that
// waits inside Java for a Java thread calling that object back (a join) lets the call in, and a
// call that fails there fails as on any thread: its EXCEPINFO and the thread's error object.
TEST(CallbackApartments, AWaitingCallLetsItsApartmentsCallbacksIn)
{
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    use_standard_vm_setup();
    CallbackObject &job = kept_object();
    job.on("run", nothing);
    std::thread::id apartment_thread;
    CallResult joined, failed;
    ErrorObject error;
    std::thread apartment([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        apartment_thread = std::this_thread::get_id();
        {
            ComPtr<IDispatch> runnable, behaviours, started, empty;
            ScopedVariant one = ScopedVariant::i4(1), five = ScopedVariant::i4(5), bound = ScopedVariant::i4(60000);
            implement("java.lang.Runnable", &job, runnable);
            statics("fixtures.Behaviours", behaviours);
            new_object("java.util.concurrent.CountDownLatch", {one.get()}, started);
            ScopedVariant latch = ScopedVariant::dispatch(started.get()),
                          action = ScopedVariant::dispatch(runnable.get());
            CallResult thread = call(behaviours.get(), "runAnnounced", {latch.get(), action.get()});
            // Bounded, so that a call never let in fails the checks below rather than hangs.
            if (thread.hr == S_OK) joined = call(thread.value->pdispVal, "join", {bound.get()});
            empty = make("java.util.ArrayList");
            failed = call(empty.get(), "get", {five.get()});
            error = taken_error();
        }
        CoUninitialize();
    });
    apartment.join();
    EXPECT_EQ(S_OK, joined.hr) << joined.description;
    ASSERT_EQ(1u, job.calls().size());
    EXPECT_EQ(apartment_thread, job.calls().front().thread);
    EXPECT_EQ(DISP_E_EXCEPTION, failed.hr);
    EXPECT_EQ("Index 5 out of bounds for length 0", failed.description);
    EXPECT_EQ("Index 5 out of bounds for length 0", error.description);
    CoUninitialize();
}
#endif
