// Code page conversions: the rows shared with Windows, then what is particular to the port
// (its ANSI code page is UTF-8, and CP_UTF8 checks its arguments as documented).
#include <gtest/gtest.h>

#include "kernel/codepage_rows.h"
#include "test_names.h"

namespace {

using codepage_rows::kUntouched;
using codepage_rows::ToMultiByteRow;
using codepage_rows::ToWideRow;

class ToWide : public testing::TestWithParam<ToWideRow> {};
class ToMultiByte : public testing::TestWithParam<ToMultiByteRow> {};

TEST_P(ToWide, Converts) { EXPECT_EQ(codepage_rows::check(GetParam()), "") << GetParam().behaviour; }
TEST_P(ToMultiByte, Converts) { EXPECT_EQ(codepage_rows::check(GetParam()), "") << GetParam().behaviour; }

INSTANTIATE_TEST_SUITE_P(SharedWithWindows, ToWide, testing::ValuesIn(codepage_rows::to_wide_rows()),
                         test_names::by_field<&ToWideRow::behaviour>);
INSTANTIATE_TEST_SUITE_P(SharedWithWindows, ToMultiByte, testing::ValuesIn(codepage_rows::to_multi_byte_rows()),
                         test_names::by_field<&ToMultiByteRow::behaviour>);

const std::vector<ToWideRow> port_to_wide_rows = {
    {"the ANSI code page is UTF-8", CP_ACP, 0, "\xE2\x82\xAC", 3, 16, false, 1, kUntouched, u"\u20AC"},
    {"the OEM code page is UTF-8 too", CP_OEMCP, 0, "\xC3\xA9", 2, 16, false, 1, kUntouched, u"\u00E9"},
    {"CP_UTF8 accepts only MB_ERR_INVALID_CHARS", CP_UTF8, MB_PRECOMPOSED, "abc", 3, 16, false, 0, ERROR_INVALID_FLAGS,
     u""},
    {"the ANSI code page rejects unknown flags", CP_ACP, 0x10, "abc", 3, 16, false, 0, ERROR_INVALID_FLAGS, u""},
    {"MB_PRECOMPOSED and MB_COMPOSITE contradict", CP_ACP, MB_PRECOMPOSED | MB_COMPOSITE, "abc", 3, 16, false, 0,
     ERROR_INVALID_FLAGS, u""},
    {"a bad argument is reported before bad flags", CP_UTF8, 0x10, nullptr, 3, 16, false, 0, ERROR_INVALID_PARAMETER,
     u""},
    {"a four-byte character needs room for both halves", CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, 1, false, 0,
     ERROR_INSUFFICIENT_BUFFER, u""},
};

const std::vector<ToMultiByteRow> port_to_multi_byte_rows = {
    {"the ANSI code page is UTF-8", CP_ACP, 0, u"\u20AC", 1, 16, false, 3, kUntouched, "\xE2\x82\xAC"},
    {"CP_UTF8 accepts only WC_ERR_INVALID_CHARS", CP_UTF8, WC_NO_BEST_FIT_CHARS, u"abc", 3, 16, false, 0,
     ERROR_INVALID_FLAGS, ""},
    {"the ANSI code page accepts the documented flags", CP_ACP, WC_COMPOSITECHECK | WC_NO_BEST_FIT_CHARS, u"abc", 3, 16,
     false, 3, kUntouched, "abc"},
    {"the ANSI code page rejects unknown flags", CP_ACP, 0x100, u"abc", 3, 16, false, 0, ERROR_INVALID_FLAGS, ""},
};

INSTANTIATE_TEST_SUITE_P(Port, ToWide, testing::ValuesIn(port_to_wide_rows),
                         test_names::by_field<&ToWideRow::behaviour>);
INSTANTIATE_TEST_SUITE_P(Port, ToMultiByte, testing::ValuesIn(port_to_multi_byte_rows),
                         test_names::by_field<&ToMultiByteRow::behaviour>);

TEST(CodePage, AnsiCodePageIsUtf8) { EXPECT_EQ(GetACP(), UINT(CP_UTF8)); }

TEST(CodePage, Utf8RefusesDefaultCharacterArguments)
{
    char out[8];
    BOOL used = FALSE;
    SetLastError(kUntouched);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, out, sizeof out, "?", nullptr), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    SetLastError(kUntouched);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, out, sizeof out, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(CodePage, AnsiReportsWhetherTheReplacementCharacterWasUsed)
{
    char out[8];
    BOOL used = -1;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"ab", 2, out, sizeof out, nullptr, &used), 2);
    EXPECT_EQ(used, FALSE);
    const char16_t lone_surrogate[] = {u'a', char16_t(0xD800)};
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, lone_surrogate, 2, out, sizeof out, "?", &used), 4);
    EXPECT_EQ(used, TRUE);
}

TEST(CodePage, LongTextRoundTrips)
{
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "x\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    ASSERT_EQ(units, 20000 * 5 + 1);
    std::u16string wide(size_t(units), u'\0');
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), units), units);
    std::string back(text.size() + 1, '\0');
    ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, back.data(), int(back.size()), nullptr, nullptr),
              int(text.size() + 1));
    EXPECT_EQ(back.c_str(), text);
}

}  // namespace
