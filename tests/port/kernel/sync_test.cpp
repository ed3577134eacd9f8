// Critical sections and interlocked counts (the rows shared with Windows), the per-thread
// last error and _stricmp.
#include <gtest/gtest.h>

#include <clocale>
#include <thread>

#include "kernel/sync_rows.h"
#include "test_names.h"

namespace {

class Synchronisation : public testing::TestWithParam<sync_rows::Row> {};

TEST_P(Synchronisation, HoldsAsOnWindows) { EXPECT_EQ(GetParam().check(), ""); }

INSTANTIATE_TEST_SUITE_P(SharedWithWindows, Synchronisation, testing::ValuesIn(sync_rows::rows()),
                         test_names::by_field<&sync_rows::Row::behaviour>);

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
    const char *behaviour;
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
                         testing::Values(CompareRow{"case is ignored", "getName", "GETNAME", 0},
                                         CompareRow{"the first difference decides", "abc", "abd", -1},
                                         CompareRow{"case does not decide the order", "ABD", "abc", 1},
                                         CompareRow{"a prefix comes first", "ab", "abc", -1},
                                         CompareRow{"empty strings are equal", "", "", 0},
                                         CompareRow{"letters fold to lower case after brackets", "[", "a", -1},
                                         CompareRow{"letters fold to lower case after underscores", "_", "A", -1},
                                         CompareRow{"bytes beyond ASCII keep their case", "\xC3\xA9", "\xC3\x89", 1}),
                         test_names::by_field<&CompareRow::behaviour>);

TEST(StricmpNull, GivesTheErrorValue)
{
    EXPECT_EQ(_stricmp(nullptr, "a"), _NLSCMPERROR);
    EXPECT_EQ(_stricmp("a", nullptr), _NLSCMPERROR);
}

}  // namespace
