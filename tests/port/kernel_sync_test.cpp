// Critical sections, interlocked counts, the per-thread last error and _stricmp.
#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <thread>
#include <vector>

#include "util/platform.h"

namespace {

TEST(CriticalSection, OwnerMayEnterAgain)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EXPECT_TRUE(TryEnterCriticalSection(&cs));
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    DeleteCriticalSection(&cs);
}

TEST(CriticalSection, OtherThreadsWait)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    BOOL entered_elsewhere = TRUE;
    std::thread([&] { entered_elsewhere = TryEnterCriticalSection(&cs); }).join();
    EXPECT_FALSE(entered_elsewhere);
    LeaveCriticalSection(&cs);
    std::thread([&] {
        entered_elsewhere = TryEnterCriticalSection(&cs);
        LeaveCriticalSection(&cs);
    }).join();
    EXPECT_TRUE(entered_elsewhere);
    DeleteCriticalSection(&cs);
}

TEST(CriticalSection, GuardsAPlainCounter)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                EnterCriticalSection(&cs);
                ++counter;
                LeaveCriticalSection(&cs);
            }
        });
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(counter, 40000);
    DeleteCriticalSection(&cs);
}

TEST(Interlocked, ReturnsTheNewValueAndLosesNoCount)
{
    LONG volatile count = 0;
    EXPECT_EQ(InterlockedIncrement(&count), 1);
    EXPECT_EQ(InterlockedDecrement(&count), 0);
    EXPECT_EQ(InterlockedDecrement(&count), -1);
    count = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i)
                InterlockedIncrement(&count);
        });
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(count, 40000);
}

TEST(LastError, IsKeptPerThread)
{
    SetLastError(ERROR_MORE_DATA);
    DWORD seen_elsewhere = 1;
    std::thread([&] {
        seen_elsewhere = GetLastError();
        SetLastError(ERROR_ACCESS_DENIED);
    }).join();
    EXPECT_EQ(seen_elsewhere, DWORD(ERROR_SUCCESS));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MORE_DATA));
}

struct CompareRow {
    const char *a;
    const char *b;
    int sign;
};

class Stricmp : public testing::TestWithParam<CompareRow> {};

int sign_of(int value) { return (value > 0) - (value < 0); }

TEST_P(Stricmp, ComparesInTheCLocale)
{
    // Even a process that chose another locale gets the "C" locale's folding.
    std::setlocale(LC_ALL, "C.UTF-8");
    EXPECT_EQ(sign_of(_stricmp(GetParam().a, GetParam().b)), GetParam().sign) << GetParam().a << " vs " << GetParam().b;
    std::setlocale(LC_ALL, "C");
}

INSTANTIATE_TEST_SUITE_P(Rows, Stricmp,
                         testing::Values(CompareRow{"getName", "GETNAME", 0}, CompareRow{"abc", "abd", -1},
                                         CompareRow{"ABD", "abc", 1}, CompareRow{"ab", "abc", -1},
                                         CompareRow{"", "", 0}, CompareRow{"[", "a", -1},
                                         CompareRow{"_", "A", -1},
                                         CompareRow{"\xC3\xA9", "\xC3\x89", 1}));

TEST(StricmpNull, GivesTheErrorValue)
{
    EXPECT_EQ(_stricmp(nullptr, "a"), _NLSCMPERROR);
    EXPECT_EQ(_stricmp("a", nullptr), _NLSCMPERROR);
}

}  // namespace
