// Calls from several threads at once, on one shared proxy and on proxies of their own.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

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
