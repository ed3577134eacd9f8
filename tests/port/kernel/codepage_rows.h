// Code page conversion rows that hold on Windows and on the port alike. The port's unit
// tests run them against the port; the Windows test program runs them against kernel32
// under Wine, which is how the expected values were confirmed. Rows that depend on the
// ANSI code page being UTF-8, or on CP_UTF8 argument checks that Wine relaxes, live with
// the port's own tests instead.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "util/platform.h"

namespace codepage_rows {

// Set before each call: a successful conversion leaves the last error alone.
constexpr DWORD kUntouched = 0xDEADBEEF;

struct ToWideRow {
    const char *behaviour;
    UINT code_page;
    DWORD flags;
    const char *input;
    int input_length;
    int capacity;      // WCHARs offered; 0 asks for the size
    bool null_output;  // pass no output buffer
    int result;
    DWORD error;
    std::u16string output;  // checked when the call succeeds into a buffer
};

struct ToMultiByteRow {
    const char *behaviour;
    UINT code_page;
    DWORD flags;
    const char16_t *input;
    int input_length;
    int capacity;
    bool null_output;
    int result;
    DWORD error;
    std::string output;
};

// Test frameworks print a row by what it shows.
inline std::ostream &operator<<(std::ostream &out, const ToWideRow &row) { return out << row.behaviour; }
inline std::ostream &operator<<(std::ostream &out, const ToMultiByteRow &row) { return out << row.behaviour; }

inline const std::vector<ToWideRow> &to_wide_rows()
{
    static const std::vector<ToWideRow> rows = {
        {"-1 length converts the terminating NUL too", CP_UTF8, 0, "abc", -1, 16, false, 4, kUntouched,
         std::u16string(u"abc", 4)},
        {"any negative length means NUL-terminated", CP_UTF8, 0, "abc", -2, 16, false, 4, kUntouched,
         std::u16string(u"abc", 4)},
        {"explicit length converts no NUL", CP_UTF8, 0, "abc", 3, 16, false, 3, kUntouched, u"abc"},
        {"embedded NUL is an ordinary character", CP_UTF8, 0, "a\0b", 3, 16, false, 3, kUntouched,
         std::u16string(u"a\0b", 3)},
        {"-1 length stops at the first NUL", CP_UTF8, 0, "a\0b", -1, 16, false, 2, kUntouched,
         std::u16string(u"a\0", 2)},
        {"size query with no buffer", CP_UTF8, 0, "abc", -1, 0, true, 4, kUntouched, u""},
        {"size query with a buffer of 0", CP_UTF8, 0, "abc", -1, 0, false, 4, kUntouched, u""},
        {"buffer one short", CP_UTF8, 0, "abc", -1, 3, false, 0, ERROR_INSUFFICIENT_BUFFER, u""},
        {"exact fit", CP_UTF8, 0, "abc", 3, 3, false, 3, kUntouched, u"abc"},
        {"empty -1 input is just the NUL", CP_UTF8, 0, "", -1, 16, false, 1, kUntouched, std::u16string(1, u'\0')},
        {"zero length input", CP_UTF8, 0, "", 0, 16, false, 0, ERROR_INVALID_PARAMETER, u""},
        {"null input", CP_UTF8, 0, nullptr, 3, 16, false, 0, ERROR_INVALID_PARAMETER, u""},
        {"null output with a capacity", CP_UTF8, 0, "abc", 3, 16, true, 0, ERROR_INVALID_PARAMETER, u""},
        {"negative capacity", CP_UTF8, 0, "abc", 3, -1, false, 0, ERROR_INVALID_PARAMETER, u""},
        {"unknown code page", 12345, 0, "abc", 3, 16, false, 0, ERROR_INVALID_PARAMETER, u""},
        {"three-byte character", CP_UTF8, 0, "\xE2\x82\xAC", 3, 16, false, 1, kUntouched, u"\u20AC"},
        {"four-byte character becomes a surrogate pair", CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, 16, false, 2, kUntouched,
         u"\U0001F600"},
        {"highest code point", CP_UTF8, 0, "\xF4\x8F\xBF\xBF", 4, 16, false, 2, kUntouched, u"\U0010FFFF"},
        {"invalid byte becomes U+FFFD", CP_UTF8, 0,
         "a\xFF"
         "b",
         3, 16, false, 3, kUntouched, u"a\uFFFDb"},
        {"invalid byte fails with MB_ERR_INVALID_CHARS", CP_UTF8, MB_ERR_INVALID_CHARS,
         "a\xFF"
         "b",
         3, 16, false, 0, ERROR_NO_UNICODE_TRANSLATION, u""},
        {"size query fails too with MB_ERR_INVALID_CHARS", CP_UTF8, MB_ERR_INVALID_CHARS,
         "a\xFF"
         "b",
         3, 0, true, 0, ERROR_NO_UNICODE_TRANSLATION, u""},
        {"truncated sequence is one U+FFFD", CP_UTF8, 0,
         "a\xE2\x82"
         "b",
         4, 16, false, 3, kUntouched, u"a\uFFFDb"},
        {"truncated sequence at the end", CP_UTF8, 0, "a\xE2\x82", 3, 16, false, 2, kUntouched, u"a\uFFFD"},
        {"truncated four-byte sequence", CP_UTF8, 0,
         "\xF0\x9F\x98"
         "a",
         4, 16, false, 2, kUntouched, u"\uFFFDa"},
        {"lone continuation byte", CP_UTF8, 0, "\x80", 1, 16, false, 1, kUntouched, u"\uFFFD"},
        {"C0 is never a lead byte", CP_UTF8, 0, "\xC0\x80", 2, 16, false, 2, kUntouched, u"\uFFFD\uFFFD"},
        {"overlong three bytes", CP_UTF8, 0, "\xE0\x80\x80", 3, 16, false, 2, kUntouched, u"\uFFFD\uFFFD"},
        {"overlong four bytes", CP_UTF8, 0, "\xF0\x80\x80\x80", 4, 16, false, 3, kUntouched, u"\uFFFD\uFFFD\uFFFD"},
        {"encoded surrogate", CP_UTF8, 0, "\xED\xA0\x80", 3, 16, false, 2, kUntouched, u"\uFFFD\uFFFD"},
        {"beyond U+10FFFF", CP_UTF8, 0, "\xF4\x90\x80\x80", 4, 16, false, 3, kUntouched, u"\uFFFD\uFFFD\uFFFD"},
        {"F5 and above are never lead bytes", CP_UTF8, 0, "\xF5\x80\x80\x80", 4, 16, false, 4, kUntouched,
         u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"a non-continuation byte starts the next character", CP_UTF8, 0, "\xE2(\xA1", 3, 16, false, 3, kUntouched,
         u"\uFFFD(\uFFFD"},
        {"ANSI code page, ASCII text", CP_ACP, 0, "abc", 3, 16, false, 3, kUntouched, u"abc"},
        {"ANSI code page with MB_PRECOMPOSED", CP_ACP, MB_PRECOMPOSED, "abc", 3, 16, false, 3, kUntouched, u"abc"},
    };
    return rows;
}

inline const std::vector<ToMultiByteRow> &to_multi_byte_rows()
{
    static const std::vector<ToMultiByteRow> rows = {
        {"-1 length converts the terminating NUL too", CP_UTF8, 0, u"abc", -1, 16, false, 4, kUntouched,
         std::string("abc", 4)},
        {"any negative length means NUL-terminated", CP_UTF8, 0, u"abc", -2, 16, false, 4, kUntouched,
         std::string("abc", 4)},
        {"explicit length converts no NUL", CP_UTF8, 0, u"abc", 3, 16, false, 3, kUntouched, "abc"},
        {"size query with no buffer", CP_UTF8, 0, u"abc", -1, 0, true, 4, kUntouched, ""},
        {"buffer one short", CP_UTF8, 0, u"abc", -1, 3, false, 0, ERROR_INSUFFICIENT_BUFFER, ""},
        {"a character never splits", CP_UTF8, 0, u"\u20AC", 1, 2, false, 0, ERROR_INSUFFICIENT_BUFFER, ""},
        {"zero length input", CP_UTF8, 0, u"", 0, 16, false, 0, ERROR_INVALID_PARAMETER, ""},
        {"null input", CP_UTF8, 0, nullptr, 3, 16, false, 0, ERROR_INVALID_PARAMETER, ""},
        {"null output with a capacity", CP_UTF8, 0, u"abc", 3, 16, true, 0, ERROR_INVALID_PARAMETER, ""},
        {"negative capacity", CP_UTF8, 0, u"abc", 3, -1, false, 0, ERROR_INVALID_PARAMETER, ""},
        {"unknown code page", 12345, 0, u"abc", 3, 16, false, 0, ERROR_INVALID_PARAMETER, ""},
        {"three-byte character", CP_UTF8, 0, u"\u20AC", 1, 16, false, 3, kUntouched, "\xE2\x82\xAC"},
        {"surrogate pair becomes four bytes", CP_UTF8, 0, u"\U0001F600", 2, 16, false, 4, kUntouched,
         "\xF0\x9F\x98\x80"},
        {"unpaired high surrogate becomes U+FFFD", CP_UTF8, 0,
         u"a\xD83D"
         "b",
         3, 16, false, 5, kUntouched,
         "a\xEF\xBF\xBD"
         "b"},
        {"unpaired high surrogate at the end", CP_UTF8, 0, u"a\xD83D", 2, 16, false, 4, kUntouched, "a\xEF\xBF\xBD"},
        {"unpaired low surrogate", CP_UTF8, 0,
         u"\xDE00"
         "b",
         2, 16, false, 4, kUntouched,
         "\xEF\xBF\xBD"
         "b"},
        {"unpaired surrogate fails with WC_ERR_INVALID_CHARS", CP_UTF8, WC_ERR_INVALID_CHARS,
         u"a\xD83D"
         "b",
         3, 16, false, 0, ERROR_NO_UNICODE_TRANSLATION, ""},
        {"ANSI code page, ASCII text", CP_ACP, 0, u"abc", 3, 16, false, 3, kUntouched, "abc"},
    };
    return rows;
}

// Copies the 16-bit units into the platform's WCHAR, which is wchar_t on Windows. A NUL
// follows them so that even an empty input has an address.
inline std::vector<WCHAR> wide_input(const char16_t *text, int length)
{
    const size_t units = length >= 0 ? size_t(length) : std::char_traits<char16_t>::length(text) + 1;
    std::vector<WCHAR> copy(text, text + units);
    copy.push_back(0);
    return copy;
}

template <typename Unit> uint32_t unit_value(Unit unit)
{
    return static_cast<typename std::make_unsigned<Unit>::type>(unit);
}

template <typename Unit, typename Expected>
bool starts_with_units(const std::vector<Unit> &buffer, const Expected &expected)
{
    if (buffer.size() < expected.size()) return false;
    for (size_t index = 0; index < expected.size(); ++index) {
        if (unit_value(buffer[index]) != unit_value(expected[index])) return false;
    }
    return true;
}

inline std::string describe_mismatch(int result, DWORD error, int expected_result, DWORD expected_error,
                                     bool output_matches)
{
    std::string problems;
    if (result != expected_result)
        problems += "returned " + std::to_string(result) + " instead of " + std::to_string(expected_result) + "; ";
    if (error != expected_error)
        problems += "last error " + std::to_string(error) + " instead of " + std::to_string(expected_error) + "; ";
    if (!output_matches) problems += "wrong output; ";
    return problems;
}

// An empty answer means the row holds.
inline std::string check(const ToWideRow &row)
{
    std::vector<WCHAR> buffer(64, WCHAR(0xAAAA));
    SetLastError(kUntouched);
    const int result = MultiByteToWideChar(row.code_page, row.flags, row.input, row.input_length,
                                           row.null_output ? nullptr : buffer.data(), row.capacity);
    const DWORD error = GetLastError();
    const bool wrote = row.result > 0 && row.capacity > 0;
    return describe_mismatch(result, error, row.result, row.error, !wrote || starts_with_units(buffer, row.output));
}

inline std::string check(const ToMultiByteRow &row)
{
    std::vector<char> buffer(64, char(0xAA));
    std::vector<WCHAR> input = row.input != nullptr ? wide_input(row.input, row.input_length) : std::vector<WCHAR>();
    SetLastError(kUntouched);
    const int result =
        WideCharToMultiByte(row.code_page, row.flags, row.input != nullptr ? input.data() : nullptr, row.input_length,
                            row.null_output ? nullptr : buffer.data(), row.capacity, nullptr, nullptr);
    const DWORD error = GetLastError();
    const bool wrote = row.result > 0 && row.capacity > 0;
    return describe_mismatch(result, error, row.result, row.error, !wrote || starts_with_units(buffer, row.output));
}

}  // namespace codepage_rows
