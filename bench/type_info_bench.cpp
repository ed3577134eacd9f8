// What describing a class as type information costs, on a client's first GetTypeInfo, against
// building the class's method table and name index, what its first GetIDsOfNames pays.
#include <benchmark/benchmark.h>

#include <memory>

#include "bridge/members/method_table.h"
#include "client.h"
#include "javaref/local_ref.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

jclass array_list_class(JNIEnv *env)
{
    static jclass klass = [env] {
        make("java.util.ArrayList");  // starts the VM and fills the reflection cache
        CLocalRef local(env, env->FindClass("java/util/ArrayList"));
        return static_cast<jclass>(env->NewGlobalRef(local.get()));
    }();
    return klass;
}

void table_baseline(benchmark::State &state)
{
    JNIEnv *env = get_env();
    jclass klass = array_list_class(env);
    for (auto _ : state) {
        std::unique_ptr<MethodTable> table(MethodTable::build(env, klass));
        benchmark::DoNotOptimize(&table->name_index(env));
    }
}
BENCHMARK(table_baseline)->Name("describe_ArrayList/baseline");

void table_and_type_info(benchmark::State &state)
{
    JNIEnv *env = get_env();
    jclass klass = array_list_class(env);
    for (auto _ : state) {
        std::unique_ptr<MethodTable> table(MethodTable::build(env, klass));
        benchmark::DoNotOptimize(table->type_info(env, Described::Instances));
    }
}
BENCHMARK(table_and_type_info)->Name("describe_ArrayList/method_table_and_type_info");

}  // namespace
