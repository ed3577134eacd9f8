// Whether calls scale across threads (each thread on its own proxy; no lock on the call
// path should make them queue), and what the process's first newInstance costs against a
// plain JVM start.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "client.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

const IID kNullIid = {};

// Wall time per call with every thread calling at once: half the one-thread figure when two
// threads scale perfectly, equal to it when they queue.
void scaling(benchmark::State &state)
{
    ComPtr<IDispatch> own = make("fixtures.Calculator");
    DISPID add = dispid_of(own.get(), "add");
    VARIANT args[2];
    for (VARIANT &arg : args) {
        VariantInit(&arg);
        arg.vt = VT_I4;
        arg.lVal = 7;
    }
    DISPPARAMS params = {args, nullptr, 2, 0};
    VARIANT result;
    VariantInit(&result);
    for (auto _ : state) own->Invoke(add, kNullIid, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
    own.reset();
}
BENCHMARK(scaling)->Name("scaling_time_per_call/baseline")->Threads(1)->UseRealTime();
BENCHMARK(scaling)->Name("scaling_time_per_call/two_threads")->Threads(2)->UseRealTime();

// The same with the raw JNI call: how far the VM itself lets two threads scale here.
void scaling_jni(benchmark::State &state)
{
    JNIEnv *env = get_env();
    jclass klass = env->FindClass("fixtures/Calculator");
    jobject object = env->NewObject(klass, env->GetMethodID(klass, "<init>", "()V"));
    jmethodID add = env->GetMethodID(klass, "add", "(II)I");
    jvalue args[2];
    args[0].i = args[1].i = 7;
    for (auto _ : state) benchmark::DoNotOptimize(env->CallIntMethodA(object, add, args));
    env->DeleteLocalRef(object);
    env->DeleteLocalRef(klass);
}
BENCHMARK(scaling_jni)->Name("scaling_jni_time_per_call/baseline")->Threads(1)->UseRealTime();
BENCHMARK(scaling_jni)->Name("scaling_jni_time_per_call/two_threads")->Threads(2)->UseRealTime();

std::string self_path()
{
    char path[4096];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, length);
}

void run(benchmark::State &state, const std::string &command)
{
    for (auto _ : state)
        if (std::system((command + " > /dev/null 2>&1").c_str()) != 0) state.SkipWithError(command.c_str());
}

void cold_start_java(benchmark::State &state) { run(state, std::string(TAVLIN_JAVA) + " -version"); }
BENCHMARK(cold_start_java)->Name("cold_start/baseline")->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

// A fresh process whose first newInstance creates the VM (see main.cpp).
void cold_start_bridge(benchmark::State &state) { run(state, self_path() + " --first-new-instance"); }
BENCHMARK(cold_start_bridge)
    ->Name("cold_start/first_newInstance")
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
