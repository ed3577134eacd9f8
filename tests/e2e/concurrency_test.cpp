// Calls from several threads at once, on one shared proxy and on proxies of their own.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "bridge/members/method_table.h"
#include "client.h"
#include "test_process.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

int add_on(IDispatch *calc, int a, int b)
{
    ScopedVariant x = ScopedVariant::i4(a), y = ScopedVariant::i4(b);
    CallResult sum = call(calc, "add", {x.get(), y.get()});
    return sum.hr == S_OK && sum.value.type() == VT_I4 ? sum.value->lVal : -1;
}

// A class of its own for every call (a fresh copy in a fresh loader): its method table is
// built, shared for one call and let go, while the other threads do the same.
bool call_fresh_class(IDispatch *factory)
{
    CallResult copy = call(factory, "freshCopy");
    if (copy.value.type() != VT_DISPATCH) return false;
    CallResult answer = call(copy.value->pdispVal, "answer");
    return answer.hr == S_OK && answer.value->lVal == 42;
}

}  // namespace

TEST(Concurrency, FourThreadsShareOneProxy)
{
    use_standard_vm_setup();
    ComPtr<IDispatch> shared = make("fixtures.Calculator");
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i)
                if (add_on(shared.get(), t, i) != t + i) ++wrong;
        });
    for (auto &thread : threads) thread.join();
    EXPECT_EQ(0, wrong.load());
}

TEST(Concurrency, FourThreadsWithTheirOwnProxies)
{
    use_standard_vm_setup();
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round) {
                ComPtr<IDispatch> own = make("fixtures.Calculator");
                if (!own || add_on(own.get(), t, round) != t + round) ++wrong;
            }
        });
    for (auto &thread : threads) thread.join();
    EXPECT_EQ(0, wrong.load());
}

TEST(Concurrency, FourThreadsMakeAndDropClassesOfTheirOwn)
{
    use_standard_vm_setup();
    ComPtr<IDispatch> factory = make("fixtures.Throwaway");
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int round = 0; round < 100; ++round)
                if (!call_fresh_class(factory.get())) ++wrong;
        });
    for (auto &thread : threads) thread.join();
    EXPECT_EQ(0, wrong.load());
    EXPECT_LE(method_table_cache_size(), kRecentTablesKept + 1) << "the factory's table and the recent ones";
}
