// Many mixed calls in one process leave no Java reference, proxy or memory behind.
// TAVLIN_LEAK_ITERATIONS sets the length (the suite runs a short version; see the README
// for the long one).
#include <gtest/gtest.h>

#include <cstdlib>

#include "client.h"
#include "com/module_lock.h"
#include "jvm_probe.h"
#include "test_process.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

// AddressSanitizer holds freed memory back in quarantine to catch use after free, so under it
// resident memory grows by design; its leak checker, run at exit, stands in for the figure.
// gcc says so with __SANITIZE_ADDRESS__, clang with __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define UNDER_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_ADDRESS_SANITIZER
#endif
#endif
#ifdef UNDER_ADDRESS_SANITIZER
constexpr bool kResidentMemoryTellsLeaks = false;
#else
constexpr bool kResidentMemoryTellsLeaks = true;
#endif

long iterations(long fallback)
{
    const char *text = std::getenv("TAVLIN_LEAK_ITERATIONS");
    return text ? std::atol(text) : fallback;
}

// One round of everything a client does: numbers, strings, arrays both ways, proxies
// made and dropped, an exception.
bool mixed_round(IDispatch *calc, long i)
{
    ScopedVariant a = ScopedVariant::i4(static_cast<LONG>(i)), b = ScopedVariant::i4(1);
    bool ok = call(calc, "add", {a.get(), b.get()}).value->lVal == static_cast<LONG>(i) + 1;
    ScopedVariant text = ScopedVariant::string("round");
    ok &= text_of(call(calc, "concat", {text.get()})) == "<round>";
    ScopedVariant count = ScopedVariant::i4(16);
    CallResult array = call(calc, "range", {count.get()});
    ok &= array.value.type() == (VT_ARRAY | VT_I4);
    if (ok) ok &= call(calc, "sum", {array.value.get()}).value->lVal == 120;
    CallResult graph = call(calc, "graph");
    ok &= graph.value.type() == VT_DISPATCH;
    ok &= call(calc, "words").value.type() == (VT_ARRAY | VT_VARIANT);
    ScopedVariant message = ScopedVariant::string("expected");
    ok &= call(calc, "fail", {message.get()}).hr == DISP_E_EXCEPTION;
    return ok;
}

}  // namespace

TEST(Leaks, MixedCallsReturnEveryReference)
{
    use_fresh_registry();
    set_environment("CLASSPATH", fixtures_jar().c_str());
    // A heap of fixed size, touched from the start, keeps the Java heap's own growth out of
    // the resident-memory figure.
    set_registry_string(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Tidewell", "max", "-Xmx64m");
    add_vm_option("-Xms64m");
    add_vm_option("-XX:+AlwaysPreTouch");
    ComPtr<IDispatch> calc = make("fixtures.Calculator");
    ASSERT_TRUE(calc);
    for (long i = 0; i < 20000; ++i) ASSERT_TRUE(mixed_round(calc.get(), i));
    CThreadAttach attach;
    long references_before = jni_global_reference_count();
    LONG locks_before = module_lock_count();
    long resident_before = resident_kilobytes();
    ASSERT_GT(references_before, 0);

    const long total = iterations(20000);
    long failures = 0;
    for (long i = 0; i < total; ++i) failures += !mixed_round(calc.get(), i);
    EXPECT_EQ(0, failures);
    EXPECT_EQ(references_before, jni_global_reference_count());
    EXPECT_EQ(locks_before, module_lock_count());
    long resident_after = resident_kilobytes();
    if (kResidentMemoryTellsLeaks) {
        EXPECT_LT(resident_after, resident_before + resident_before / 20)
            << "resident memory grew from " << resident_before << " kB to " << resident_after << " kB";
    }
}
