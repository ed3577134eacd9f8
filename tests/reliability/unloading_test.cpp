// Generated classes, plug-ins and redeployed code: once no proxy of a class lives, the bridge
// keeps neither the class nor its method table (beyond the few tables built last), so a
// discarded loader's classes unload, whichever thread releases the last proxy.
#include <gtest/gtest.h>

#include <thread>

#include "bridge/members/method_table.h"
#include "client.h"
#include "jvm_probe.h"
#include "test_names.h"
#include "test_process.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

struct Counts {
    LONG loaded;      // classes loaded now
    double ever;      // classes loaded since start-up, unloaded ones included
    size_t tables;    // method tables the bridge keeps
    long references;  // JNI global references
};

Counts counts_after_collection(IDispatch *probe)
{
    EXPECT_EQ(S_OK, call(probe, "collectGarbage").hr);
    CThreadAttach attach;
    return {call(probe, "loadedClassCount").value->lVal, call(probe, "totalLoadedClassCount").value->dblVal,
            method_table_cache_size(), jni_global_reference_count()};
}

void release_on_own_thread(IDispatch *object)
{
    std::thread([object] { object->Release(); }).join();
}

// A fresh class in a loader of its own, proxied, called and released (on a thread that was
// never attached to the VM, when asked).
bool use_fresh_class(IDispatch *factory, bool release_elsewhere)
{
    CallResult copy = call(factory, "freshCopy");
    if (copy.value.type() != VT_DISPATCH) return false;
    CallResult answer = call(copy.value->pdispVal, "answer");
    if (release_elsewhere) {
        release_on_own_thread(copy.value->pdispVal);
        VariantInit(copy.value.get());
    }
    return answer.hr == S_OK && answer.value->lVal == 42;
}

struct Case {
    const char *name;
    int classes;
    bool release_elsewhere;
};

class Unloading : public ::testing::TestWithParam<Case> {};

}  // namespace

TEST_P(Unloading, ClassesOfReleasedProxiesUnload)
{
    const Case &row = GetParam();
    use_standard_vm_setup();
    ComPtr<IDispatch> probe = make("fixtures.VmProbe");
    ComPtr<IDispatch> factory = make("fixtures.Throwaway");
    counts_after_collection(probe.get());  // the probe's own table and classes first
    // The recent tables filled with copies, as the loop leaves them: the counts compare alike.
    for (size_t i = 0; i < kRecentTablesKept; ++i) ASSERT_TRUE(use_fresh_class(factory.get(), row.release_elsewhere));
    const Counts before = counts_after_collection(probe.get());
    int failures = 0;
    for (int i = 0; i < row.classes; ++i) failures += !use_fresh_class(factory.get(), row.release_elsewhere);
    const Counts after = counts_after_collection(probe.get());

    EXPECT_EQ(0, failures);
    EXPECT_GE(after.ever - before.ever, row.classes) << "every copy is a class of its own";
    EXPECT_LT(after.loaded, before.loaded + 200) << "classes loaded before: " << before.loaded;
    EXPECT_EQ(before.tables, after.tables);
    EXPECT_EQ(before.references, after.references);
}

INSTANTIATE_TEST_SUITE_P(Releases, Unloading,
                         ::testing::Values(Case{"OnTheCallingThread", 2000, false},
                                           Case{"OnThreadsNeverAttached", 300, true}),
                         test_names::by_field<&Case::name>);
