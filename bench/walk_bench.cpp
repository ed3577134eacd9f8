// What a For Each walk costs over walking the same list with JNI: a thousand Integers, one
// element at a time as script engines ask for them, and in batches.
#include <benchmark/benchmark.h>

#include <vector>

#include "client.h"
#include "javaref/local_ref.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

constexpr int kElements = 1000;

// A list of 0 to kElements - 1, as a proxy and as a JNI reference.
struct NumberList {
    ComPtr<IDispatch> proxy;
    JNIEnv *env = nullptr;
    jobject list = nullptr;
    jmethodID iterator = nullptr, has_next = nullptr, next = nullptr, int_value = nullptr;

    static NumberList &instance()
    {
        static NumberList numbers;
        return numbers;
    }

    ComPtr<IEnumVARIANT> enumerator() const
    {
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        ScopedVariant result;
        ComPtr<IEnumVARIANT> walker;
        if (SUCCEEDED(proxy->Invoke(DISPID_NEWENUM, IID_IDispatch, 0, DISPATCH_METHOD, &none, result.get(), nullptr,
                                    nullptr)) &&
            result.type() == VT_UNKNOWN)
            result->punkVal->QueryInterface(IID_IEnumVARIANT, walker.put_void());
        return walker;
    }

private:
    NumberList()
    {
        ComPtr<IDispatch> walks = make("fixtures.Walks");
        ScopedVariant count = ScopedVariant::i4(kElements);
        CallResult made = call(walks.get(), "numbers", {count.get()});
        proxy.reset(made.value->pdispVal);
        proxy->AddRef();
        env = get_env();  // the benchmark thread stays attached, as a JNI caller's would
        CLocalRef walks_class(env, env->FindClass("fixtures/Walks"));
        jmethodID numbers = env->GetStaticMethodID(walks_class.as<jclass>(), "numbers", "(I)Ljava/util/List;");
        CLocalRef local(env, env->CallStaticObjectMethod(walks_class.as<jclass>(), numbers, kElements));
        list = env->NewGlobalRef(local.get());
        CLocalRef iterable_class(env, env->FindClass("java/lang/Iterable"));
        iterator = env->GetMethodID(iterable_class.as<jclass>(), "iterator", "()Ljava/util/Iterator;");
        CLocalRef iterator_class(env, env->FindClass("java/util/Iterator"));
        has_next = env->GetMethodID(iterator_class.as<jclass>(), "hasNext", "()Z");
        next = env->GetMethodID(iterator_class.as<jclass>(), "next", "()Ljava/lang/Object;");
        CLocalRef integer_class(env, env->FindClass("java/lang/Integer"));
        int_value = env->GetMethodID(integer_class.as<jclass>(), "intValue", "()I");
    }
};

void walk_baseline(benchmark::State &state)
{
    NumberList &n = NumberList::instance();
    JNIEnv *env = n.env;
    for (auto _ : state) {
        CLocalRef iterator(env, env->CallObjectMethod(n.list, n.iterator));
        long sum = 0;
        while (env->CallBooleanMethod(iterator.get(), n.has_next)) {
            CLocalRef element(env, env->CallObjectMethod(iterator.get(), n.next));
            sum += env->CallIntMethod(element.get(), n.int_value);
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(walk_baseline)->Name("walk_1000/baseline");

// One walk: a fresh enumerator (as each For Each asks for one), then Next(batch) until the end.
void walk_next(benchmark::State &state)
{
    NumberList &n = NumberList::instance();
    const ULONG batch = static_cast<ULONG>(state.range(0));
    std::vector<VARIANT> slots(batch);
    for (auto _ : state) {
        ComPtr<IEnumVARIANT> walker = n.enumerator();
        long sum = 0;
        ULONG fetched = 0;
        do {
            walker->Next(batch, slots.data(), &fetched);
            for (ULONG i = 0; i < fetched; ++i) sum += slots[i].lVal;
        } while (fetched == batch);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(walk_next)->Name("walk_1000/Next_one_at_a_time")->Arg(1);
BENCHMARK(walk_next)->Name("walk_1000/Next_100_at_a_time")->Arg(100);

}  // namespace
