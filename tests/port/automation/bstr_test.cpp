// BSTR allocation, lengths and reallocation as clients rely on them.
#include <gtest/gtest.h>

#include <cstring>

#include "automation/fakes_test.h"
#include "test_names.h"

using oleaut_test::same_text;

namespace {

struct AllocRow {
    const char *name;
    BSTR (*make)();
    UINT expected_length;
    UINT expected_bytes;
};

const AllocRow kAllocRows[] = {
    {"text", [] { return SysAllocString(u"abc"); }, 3, 6},
    {"empty text", [] { return SysAllocString(u""); }, 0, 0},
    {"length without text is zeroed", [] { return SysAllocStringLen(nullptr, 4); }, 4, 8},
    {"embedded NUL kept", [] { return SysAllocStringLen(u"a\0b", 3); }, 3, 6},
    {"odd byte length", [] { return SysAllocStringByteLen("abc", 3); }, 1, 3},
    {"bytes without source", [] { return SysAllocStringByteLen(nullptr, 5); }, 2, 5},
};

class BstrAllocation : public testing::TestWithParam<AllocRow> {};

TEST_P(BstrAllocation, HasLengthPrefixAndTerminator)
{
    const AllocRow &row = GetParam();
    BSTR bstr = row.make();
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(SysStringLen(bstr), row.expected_length);
    EXPECT_EQ(SysStringByteLen(bstr), row.expected_bytes);
    uint32_t prefix;
    std::memcpy(&prefix, reinterpret_cast<char *>(bstr) - 4, 4);
    EXPECT_EQ(prefix, row.expected_bytes);
    const char *bytes = reinterpret_cast<const char *>(bstr);
    EXPECT_EQ(bytes[row.expected_bytes], 0);
    EXPECT_EQ(bytes[row.expected_bytes + 1], 0);
    SysFreeString(bstr);
}

INSTANTIATE_TEST_SUITE_P(Rows, BstrAllocation, testing::ValuesIn(kAllocRows), test_names::by_field<&AllocRow::name>);

TEST(Bstr, ContentIsCopied)
{
    char16_t source[] = u"abc";
    BSTR bstr = SysAllocString(source);
    source[0] = u'x';
    EXPECT_TRUE(same_text(bstr, u"abc"));
    SysFreeString(bstr);
}

TEST(Bstr, NullCountsAsEmpty)
{
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
}

TEST(Bstr, HugeLengthsAreRefused)
{
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x7fffffffu), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xffffffffu), nullptr);
    BSTR bstr = SysAllocString(u"keep");
    EXPECT_FALSE(SysReAllocStringLen(&bstr, nullptr, 0x7fffffffu));
    EXPECT_TRUE(same_text(bstr, u"keep"));
    SysFreeString(bstr);
}

TEST(Bstr, ReAllocReplacesText)
{
    BSTR bstr = SysAllocString(u"old");
    ASSERT_TRUE(SysReAllocString(&bstr, u"newer"));
    EXPECT_TRUE(same_text(bstr, u"newer"));
    ASSERT_TRUE(SysReAllocString(&bstr, bstr + 2));
    EXPECT_TRUE(same_text(bstr, u"wer"));
    ASSERT_TRUE(SysReAllocString(&bstr, nullptr));
    EXPECT_EQ(bstr, nullptr);
    EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
}

TEST(Bstr, ReAllocLenKeepsOldCharactersWithoutText)
{
    BSTR bstr = SysAllocString(u"abcdef");
    ASSERT_TRUE(SysReAllocStringLen(&bstr, nullptr, 3));
    EXPECT_TRUE(same_text(bstr, u"abc"));
    ASSERT_TRUE(SysReAllocStringLen(&bstr, nullptr, 5));
    EXPECT_EQ(SysStringLen(bstr), 5u);
    EXPECT_EQ(std::memcmp(bstr, u"abc\0\0", 10), 0);
    ASSERT_TRUE(SysReAllocStringLen(&bstr, bstr + 1, 2));
    EXPECT_TRUE(same_text(bstr, u"bc"));
    SysFreeString(bstr);

    BSTR fresh = nullptr;
    ASSERT_TRUE(SysReAllocStringLen(&fresh, u"xyz", 2));
    EXPECT_TRUE(same_text(fresh, u"xy"));
    SysFreeString(fresh);
}

}  // namespace
