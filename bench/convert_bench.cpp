// What the array conversions cost over copying the same bytes: safe arrays of a million
// doubles or ints to Java arrays and back, and ten thousand strings to a VARIANT array.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "convert/com_to_java.h"
#include "convert/java_to_com.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"
#include "util/holders.h"
#include "vmhost/vm.h"

using namespace tavlin;

namespace {

constexpr jsize kElements = 1000000;
constexpr jsize kStrings = 10000;
constexpr jsize kStringLength = 100;

JNIEnv *vm_env()
{
    static JNIEnv *env = [] {
        JNIEnv *attached = get_env();  // the benchmark thread stays attached
        java_reflect.init(attached);
        return attached;
    }();
    return env;
}

template <class T> SafeArrayHolder numbered_vector(VARTYPE type)
{
    SafeArrayHolder array(SafeArrayCreateVector(type, 0, kElements));
    T *data = nullptr;
    SafeArrayAccessData(array.get(), reinterpret_cast<void **>(&data));
    for (jsize i = 0; i < kElements; ++i) data[i] = static_cast<T>(i);
    SafeArrayUnaccessData(array.get());
    return array;
}

template <class T> void memcpy_baseline(benchmark::State &state)
{
    std::vector<T> from(kElements, T(1)), to(kElements);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kElements * sizeof(T));
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kElements * static_cast<int64_t>(sizeof(T)));
}

template <class T> void safe_array_to_java(benchmark::State &state, VARTYPE type, const char *java_type)
{
    JNIEnv *env = vm_env();
    SafeArrayHolder array = numbered_vector<T>(type);
    VARIANT arg;
    arg.vt = static_cast<VARTYPE>(VT_ARRAY | type);
    arg.parray = array.get();
    for (auto _ : state) {
        PreparedArguments args(env, 1);
        convert_com_to_java(env, &arg, args, 0, JavaType{java_type, nullptr}, true);
        benchmark::DoNotOptimize(args.value(0).l);
    }
    state.SetBytesProcessed(state.iterations() * kElements * static_cast<int64_t>(sizeof(T)));
}

template <class T> void java_to_safe_array(benchmark::State &state, const char *class_name)
{
    JNIEnv *env = vm_env();
    const LocalRef<jarray> array = jni::new_array<T>(env, kElements);
    std::vector<T> values(kElements, T(3));
    jni::set_array_region(env, array.get(), 0, kElements, values.data());
    for (auto _ : state) {
        VARIANT result;
        VariantInit(&result);
        convert_java_array_to_com_array(env, array.get(), &result, class_name);
        VariantClear(&result);
    }
    state.SetBytesProcessed(state.iterations() * kElements * static_cast<int64_t>(sizeof(T)));
}

// The least any conversion through JNI can do: a new Java array filled by one region copy
// from the safe array's storage (the VM zeroes and places a new array each time).
template <class T> void jni_floor_to_java(benchmark::State &state, VARTYPE type)
{
    JNIEnv *env = vm_env();
    SafeArrayHolder array = numbered_vector<T>(type);
    for (auto _ : state) {
        const LocalRef<jarray> result = jni::new_array<T>(env, kElements);
        jni::set_array_region(env, result.get(), 0, kElements, static_cast<const T *>(array.get()->pvData));
    }
}

// And the other way: a new safe array filled by one region copy out of the Java array.
template <class T> void jni_floor_to_safe_array(benchmark::State &state, VARTYPE type)
{
    JNIEnv *env = vm_env();
    const LocalRef<jarray> array = jni::new_array<T>(env, kElements);
    for (auto _ : state) {
        SafeArrayHolder result(SafeArrayCreateVector(type, 0, kElements));
        jni::get_array_region(env, array.get(), 0, kElements, static_cast<T *>(result.get()->pvData));
    }
}

void r8_to_double_array(benchmark::State &state) { safe_array_to_java<jdouble>(state, VT_R8, "[D"); }
void i4_to_int_array(benchmark::State &state) { safe_array_to_java<jint>(state, VT_I4, "[I"); }
void double_array_to_r8(benchmark::State &state) { java_to_safe_array<jdouble>(state, "[D"); }
void int_array_to_i4(benchmark::State &state) { java_to_safe_array<jint>(state, "[I"); }

void r8_floor(benchmark::State &state) { jni_floor_to_java<jdouble>(state, VT_R8); }
void i4_floor(benchmark::State &state) { jni_floor_to_java<jint>(state, VT_I4); }
void double_array_floor(benchmark::State &state) { jni_floor_to_safe_array<jdouble>(state, VT_R8); }
void int_array_floor(benchmark::State &state) { jni_floor_to_safe_array<jint>(state, VT_I4); }

BENCHMARK_TEMPLATE(memcpy_baseline, double)->Name("r8_to_double[]/baseline")->Unit(benchmark::kMillisecond);
BENCHMARK(r8_floor)->Name("r8_to_double[]/jni_floor")->Unit(benchmark::kMillisecond);
BENCHMARK(i4_floor)->Name("i4_to_int[]/jni_floor")->Unit(benchmark::kMillisecond);
BENCHMARK(double_array_floor)->Name("double[]_to_r8/jni_floor")->Unit(benchmark::kMillisecond);
BENCHMARK(int_array_floor)->Name("int[]_to_i4/jni_floor")->Unit(benchmark::kMillisecond);
BENCHMARK(r8_to_double_array)->Name("r8_to_double[]/convert")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(memcpy_baseline, int)->Name("i4_to_int[]/baseline")->Unit(benchmark::kMillisecond);
BENCHMARK(i4_to_int_array)->Name("i4_to_int[]/convert")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(memcpy_baseline, double)->Name("double[]_to_r8/baseline")->Unit(benchmark::kMillisecond);
BENCHMARK(double_array_to_r8)->Name("double[]_to_r8/convert")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(memcpy_baseline, int)->Name("int[]_to_i4/baseline")->Unit(benchmark::kMillisecond);
BENCHMARK(int_array_to_i4)->Name("int[]_to_i4/convert")->Unit(benchmark::kMillisecond);

std::u16string text_of_length(jsize length, jsize seed)
{
    std::u16string text;
    for (jsize i = 0; i < length; ++i) text += static_cast<char16_t>(u'a' + (seed + i) % 26);
    return text;
}

// The plain copy of the same text: one new BSTR per string from native UTF-16.
void strings_baseline(benchmark::State &state)
{
    std::vector<std::u16string> texts;
    for (jsize i = 0; i < kStrings; ++i) texts.push_back(text_of_length(kStringLength, i));
    std::vector<BSTR> copies(kStrings);
    for (auto _ : state) {
        for (jsize i = 0; i < kStrings; ++i)
            copies[i] = SysAllocStringLen(reinterpret_cast<const OLECHAR *>(texts[i].data()), kStringLength);
        for (BSTR copy : copies) SysFreeString(copy);
    }
}
BENCHMARK(strings_baseline)->Name("String[]_to_variants/baseline")->Unit(benchmark::kMillisecond);

void strings_convert(benchmark::State &state)
{
    JNIEnv *env = vm_env();
    CLocalRef string_class(env, env->FindClass("java/lang/String"));
    CLocalRef array(env, env->NewObjectArray(kStrings, string_class.as<jclass>(), nullptr));
    for (jsize i = 0; i < kStrings; ++i) {
        std::u16string text = text_of_length(kStringLength, i);
        CLocalRef string(env, env->NewString(reinterpret_cast<const jchar *>(text.data()), kStringLength));
        env->SetObjectArrayElement(array.as<jobjectArray>(), i, string.get());
    }
    for (auto _ : state) {
        VARIANT result;
        VariantInit(&result);
        convert_java_array_to_com_array(env, array.get(), &result, "[Ljava/lang/String;");
        VariantClear(&result);
    }
}
BENCHMARK(strings_convert)->Name("String[]_to_variants/convert")->Unit(benchmark::kMillisecond);

}  // namespace
