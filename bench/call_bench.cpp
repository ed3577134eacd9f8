// What a proxy call costs over the JNI call under it, what a name lookup costs over a hash
// lookup, and what newInstance costs over the raw JNI sequence.
#include <benchmark/benchmark.h>

#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "client.h"
#include "javaref/local_ref.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

const IID kNullIid = {};

// The calculator fixture, reachable both through a proxy and through raw JNI.
struct Calculator {
    ComPtr<IDispatch> proxy;
    JNIEnv *env = nullptr;
    jclass klass = nullptr;
    jobject object = nullptr;
    jmethodID add = nullptr;
    jmethodID concat = nullptr;
    jmethodID twice = nullptr;

    static Calculator &instance()
    {
        static Calculator calculator;
        return calculator;
    }

private:
    Calculator()
    {
        proxy = make("fixtures.Calculator");
        env = get_env();  // the benchmark thread stays attached, as a JNI caller's would
        CLocalRef local_class(env, env->FindClass("fixtures/Calculator"));
        klass = static_cast<jclass>(env->NewGlobalRef(local_class.get()));
        CLocalRef local(env, env->NewObject(klass, env->GetMethodID(klass, "<init>", "()V")));
        object = env->NewGlobalRef(local.get());
        add = env->GetMethodID(klass, "add", "(II)I");
        concat = env->GetMethodID(klass, "concat", "(Ljava/lang/String;)Ljava/lang/String;");
        twice = env->GetStaticMethodID(klass, "twice", "(I)I");
    }
};

HRESULT invoke(IDispatch *object, DISPID dispid, std::vector<VARIANT> &args, VARIANT *result)
{
    DISPPARAMS params = {args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    return object->Invoke(dispid, kNullIid, 0, DISPATCH_METHOD, &params, result, nullptr, nullptr);
}

std::vector<VARIANT> int_args(std::initializer_list<LONG> values)
{
    std::vector<VARIANT> args;
    for (LONG v : values) {
        VARIANT arg;
        VariantInit(&arg);
        arg.vt = VT_I4;
        arg.lVal = v;
        args.push_back(arg);
    }
    return args;
}

void call_add_baseline(benchmark::State &state)
{
    Calculator &c = Calculator::instance();
    jvalue args[2];
    args[0].i = 2;
    args[1].i = 3;
    for (auto _ : state) benchmark::DoNotOptimize(c.env->CallIntMethodA(c.object, c.add, args));
}
BENCHMARK(call_add_baseline)->Name("call_add/baseline");

void call_add_invoke(benchmark::State &state)
{
    Calculator &c = Calculator::instance();
    DISPID add = dispid_of(c.proxy.get(), "add");
    std::vector<VARIANT> args = int_args({3, 2});
    VARIANT result;
    VariantInit(&result);
    for (auto _ : state) {
        invoke(c.proxy.get(), add, args, &result);
        benchmark::DoNotOptimize(result.lVal);
    }
}
BENCHMARK(call_add_invoke)->Name("call_add/invoke");

// A client thread that the VM did not know before its first call: every later call finds it
// attached.
void call_add_invoke_client_thread(benchmark::State &state)
{
    Calculator &c = Calculator::instance();
    DISPID add = dispid_of(c.proxy.get(), "add");
    std::thread client([&] {
        std::vector<VARIANT> args = int_args({3, 2});
        VARIANT result;
        VariantInit(&result);
        invoke(c.proxy.get(), add, args, &result);  // the first call attaches
        for (auto _ : state) invoke(c.proxy.get(), add, args, &result);
    });
    client.join();
}
BENCHMARK(call_add_invoke_client_thread)->Name("call_add/invoke_client_thread");

// A new client thread's one call, its attachment included, and its end, which detaches it.
void call_add_first_call_of_a_thread(benchmark::State &state)
{
    Calculator &c = Calculator::instance();
    DISPID add = dispid_of(c.proxy.get(), "add");
    std::vector<VARIANT> args = int_args({3, 2});
    for (auto _ : state) {
        std::thread client([&] {
            VARIANT result;
            VariantInit(&result);
            invoke(c.proxy.get(), add, args, &result);
        });
        client.join();
    }
}
BENCHMARK(call_add_first_call_of_a_thread)->Name("call_add/first_call_of_a_new_thread");

// The same thread's life without a call: what a thread costs before the bridge adds to it.
void thread_without_a_call(benchmark::State &state)
{
    for (auto _ : state) std::thread([] {}).join();
}
BENCHMARK(thread_without_a_call)->Name("call_add/new_thread_without_a_call");

void call_concat_baseline(benchmark::State &state)
{
    Calculator &c = Calculator::instance();
    for (auto _ : state) {
        jvalue arg;
        arg.l = c.env->NewStringUTF("abc");
        jobject result = c.env->CallObjectMethodA(c.object, c.concat, &arg);
        const jchar *chars = c.env->GetStringChars(static_cast<jstring>(result), nullptr);
        BSTR copy = SysAllocStringLen(reinterpret_cast<const OLECHAR *>(chars),
                                      static_cast<UINT>(c.env->GetStringLength(static_cast<jstring>(result))));
        c.env->ReleaseStringChars(static_cast<jstring>(result), chars);
        SysFreeString(copy);
        c.env->DeleteLocalRef(result);
        c.env->DeleteLocalRef(arg.l);
    }
}
BENCHMARK(call_concat_baseline)->Name("call_concat/baseline");

void call_concat_invoke(benchmark::State &state)
{
    Calculator &c = Calculator::instance();
    DISPID concat = dispid_of(c.proxy.get(), "concat");
    ScopedVariant text = ScopedVariant::string("abc");
    std::vector<VARIANT> args = {*text.get()};
    for (auto _ : state) {
        VARIANT result;
        VariantInit(&result);
        invoke(c.proxy.get(), concat, args, &result);
        VariantClear(&result);
    }
}
BENCHMARK(call_concat_invoke)->Name("call_concat/invoke");

void call_static_baseline(benchmark::State &state)
{
    Calculator &c = Calculator::instance();
    jvalue arg;
    arg.i = 21;
    for (auto _ : state) benchmark::DoNotOptimize(c.env->CallStaticIntMethodA(c.klass, c.twice, &arg));
}
BENCHMARK(call_static_baseline)->Name("call_static/baseline");

void call_static_invoke(benchmark::State &state)
{
    Calculator &c = Calculator::instance();
    DISPID twice = dispid_of(c.proxy.get(), "twice");
    std::vector<VARIANT> args = int_args({21});
    VARIANT result;
    VariantInit(&result);
    for (auto _ : state) invoke(c.proxy.get(), twice, args, &result);
}
BENCHMARK(call_static_invoke)->Name("call_static/invoke");

// describe(int) and describe(String): whichever the table lists first, one of the two
// argument kinds makes the walk reject a candidate before the match.
void call_overloaded_invoke(benchmark::State &state)
{
    Calculator &c = Calculator::instance();
    DISPID describe = dispid_of(c.proxy.get(), "describe");
    ScopedVariant text = ScopedVariant::string("x");
    ScopedVariant number = ScopedVariant::i4(1);
    std::vector<VARIANT> text_args = {*text.get()}, number_args = {*number.get()};
    for (auto _ : state) {
        VARIANT result;
        VariantInit(&result);
        invoke(c.proxy.get(), describe, state.range(0) ? text_args : number_args, &result);
        VariantClear(&result);
    }
}
BENCHMARK(call_overloaded_invoke)->Name("call_overloaded_string/invoke")->Arg(1);
BENCHMARK(call_overloaded_invoke)->Name("call_overloaded_int/invoke")->Arg(0);

// Both overloads return a string: the floor is the JNI call with a string in and out.
BENCHMARK(call_concat_baseline)->Name("call_overloaded_string/baseline");
BENCHMARK(call_concat_baseline)->Name("call_overloaded_int/baseline");

void lookup_baseline(benchmark::State &state)
{
    std::unordered_map<std::string, int> names;
    const char *all[] = {"add",    "concat",   "twice",    "greeting",  "describe",   "pick",     "order",
                         "yes",    "no",       "minusOne", "letterA",   "shortValue", "intValue", "big",
                         "huge",   "half",     "pi",       "nothing",   "counter",    "echo",     "typeOf",
                         "length", "widen",    "fail",     "graph",     "sum",        "toString", "hashCode",
                         "equals", "getClass", "notify",   "notifyAll", "wait"};
    for (const char *name : all) names.emplace(name, static_cast<int>(names.size()));
    std::string wanted = "describe";
    for (auto _ : state) benchmark::DoNotOptimize(names.find(wanted));
}
BENCHMARK(lookup_baseline)->Name("lookup/baseline");

void lookup_get_ids_of_names(benchmark::State &state)
{
    Calculator &c = Calculator::instance();
    OleString name = wide("describe");
    LPOLESTR names[] = {&name[0]};
    DISPID dispid = 0;
    for (auto _ : state) {
        c.proxy->GetIDsOfNames(kNullIid, names, 1, 0, &dispid);
        benchmark::DoNotOptimize(dispid);
    }
}
BENCHMARK(lookup_get_ids_of_names)->Name("lookup/GetIDsOfNames");

void new_instance_baseline(benchmark::State &state)
{
    Calculator &c = Calculator::instance();
    for (auto _ : state) {
        jclass klass = c.env->FindClass("java/util/ArrayList");
        jobject local = c.env->NewObject(klass, c.env->GetMethodID(klass, "<init>", "()V"));
        jobject global = c.env->NewGlobalRef(local);
        c.env->DeleteLocalRef(local);
        c.env->DeleteLocalRef(klass);
        c.env->DeleteGlobalRef(global);
    }
}
BENCHMARK(new_instance_baseline)->Name("new_instance/baseline");

void new_instance_bridge(benchmark::State &state)
{
    ComPtr<ITavlinUtil> util = create_util();
    ScopedBstr name(OLESTR("java.util.ArrayList"));
    for (auto _ : state) {
        IDispatch *proxy = nullptr;
        util->newInstance(name.get(), &proxy);
        proxy->Release();
    }
}
BENCHMARK(new_instance_bridge)->Name("new_instance/newInstance");

void first_lookup_bridge(benchmark::State &state)
{
    ComPtr<ITavlinUtil> util = create_util();
    ScopedBstr name(OLESTR("java.util.ArrayList"));
    for (auto _ : state) {
        IDispatch *proxy = nullptr;
        util->newInstance(name.get(), &proxy);
        benchmark::DoNotOptimize(dispid_of(proxy, "size"));
        proxy->Release();
    }
}
BENCHMARK(first_lookup_bridge)->Name("new_instance/newInstance_and_first_GetIDsOfNames");

}  // namespace

namespace {

// A 1 KB string to Java and back (Object echo(Object)) against copying it twice in UTF-16.
const tavlin::OleString &kilobyte_text()
{
    static const tavlin::OleString text(512, OLECHAR(0x00E9));
    return text;
}

void string_1k_baseline(benchmark::State &state)
{
    const tavlin::OleString &text = kilobyte_text();
    for (auto _ : state) {
        BSTR there = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        BSTR back = SysAllocStringLen(there, SysStringLen(there));
        benchmark::DoNotOptimize(back);
        SysFreeString(there);
        SysFreeString(back);
    }
}
BENCHMARK(string_1k_baseline)->Name("string_1k_both_ways/baseline");

void string_1k_invoke(benchmark::State &state)
{
    Calculator &c = Calculator::instance();
    DISPID echo = dispid_of(c.proxy.get(), "echo");
    ScopedVariant text;
    text->vt = VT_BSTR;
    text->bstrVal = SysAllocStringLen(kilobyte_text().data(), static_cast<UINT>(kilobyte_text().size()));
    std::vector<VARIANT> args = {*text.get()};
    for (auto _ : state) {
        VARIANT result;
        VariantInit(&result);
        invoke(c.proxy.get(), echo, args, &result);
        VariantClear(&result);
    }
}
BENCHMARK(string_1k_invoke)->Name("string_1k_both_ways/invoke");

}  // namespace
