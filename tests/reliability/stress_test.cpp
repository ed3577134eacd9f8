// Eight threads for a fixed time: four share proxies, four make their own; every result is
// checked. TAVLIN_STRESS_SECONDS sets the time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "client.h"
#include "test_process.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

bool checked_call(IDispatch *calc, int t, long i)
{
    ScopedVariant a = ScopedVariant::i4(t), b = ScopedVariant::i4(static_cast<LONG>(i % 1000));
    CallResult sum = call(calc, "add", {a.get(), b.get()});
    if (sum.hr != S_OK || sum.value->lVal != t + i % 1000) return false;
    std::string word = "t" + std::to_string(t);
    ScopedVariant text = ScopedVariant::string(word);
    return text_of(call(calc, "concat", {text.get()})) == "<" + word + ">";
}

}  // namespace

TEST(Stress, SharedAndOwnProxiesUnderLoad)
{
    use_fresh_registry();
    set_environment("CLASSPATH", fixtures_jar().c_str());
    const char *seconds_text = std::getenv("TAVLIN_STRESS_SECONDS");
    const auto duration = std::chrono::seconds(seconds_text ? std::atoi(seconds_text) : 3);
    ComPtr<IDispatch> shared[2] = {make("fixtures.Calculator"), make("fixtures.Calculator")};
    std::atomic<long> calls{0}, wrong{0};
    const auto end = std::chrono::steady_clock::now() + duration;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            for (long i = 0; std::chrono::steady_clock::now() < end; ++i) {
                bool ok;
                if (t < 4) {
                    ok = checked_call(shared[t % 2].get(), t, i);
                } else {
                    ComPtr<IDispatch> own = make("fixtures.Calculator");
                    ok = own && checked_call(own.get(), t, i);
                }
                wrong += !ok;
                ++calls;
            }
        });
    for (auto &thread : threads) thread.join();
    EXPECT_EQ(0, wrong.load());
    EXPECT_GT(calls.load(), 100);
}
