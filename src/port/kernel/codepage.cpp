// Code page conversions. The ANSI code page is UTF-8 here, as on a Windows system set to
// use UTF-8 for its ANSI code page; CP_UTF8 keeps its documented stricter argument rules.
#include <cstring>
#include <string_view>

#include "kernel/unicode_transcode.h"
#include "tavlinport/kernel.h"

namespace {

enum class CodePage { utf8, ansi, unknown };

CodePage classify(UINT code_page)
{
    switch (code_page) {
    case CP_UTF8:
        return CodePage::utf8;
    case CP_ACP:
    case CP_OEMCP:
    case CP_THREAD_ACP:
        return CodePage::ansi;
    default:
        return CodePage::unknown;
    }
}

bool multi_byte_flags_valid(CodePage page, DWORD flags)
{
    if (page == CodePage::utf8) return (flags & ~DWORD(MB_ERR_INVALID_CHARS)) == 0;
    constexpr DWORD known = MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS;
    const bool contradictory = (flags & MB_PRECOMPOSED) && (flags & MB_COMPOSITE);
    return (flags & ~known) == 0 && !contradictory;
}

bool wide_flags_valid(CodePage page, DWORD flags)
{
    if (page == CodePage::utf8) return (flags & ~DWORD(WC_ERR_INVALID_CHARS)) == 0;
    constexpr DWORD known =
        WC_COMPOSITECHECK | WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR | WC_NO_BEST_FIT_CHARS | WC_ERR_INVALID_CHARS;
    return (flags & ~known) == 0;
}

// The checks that both directions make first, in Windows' order.
template <typename Source, typename Target>
bool buffers_valid(const Source *source, int source_length, const Target *target, int target_length)
{
    return source != nullptr && source_length != 0 && (target != nullptr || target_length == 0) && target_length >= 0;
}

int fail(DWORD error)
{
    SetLastError(error);
    return 0;
}

// A zero capacity asks for the size only. On failure the buffer's content is unspecified,
// as on Windows, and is left untouched here.
template <typename Unit, typename Text> int deliver(const Text &converted, Unit *target, int target_length)
{
    if (converted.size() > static_cast<size_t>(INT32_MAX)) return fail(ERROR_INVALID_PARAMETER);
    const int needed = static_cast<int>(converted.size());
    if (target_length == 0) return needed;
    if (needed > target_length) return fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(target, converted.data(), converted.size() * sizeof(Unit));
    return needed;
}

// A negative length means the text runs to its terminating NUL, which is converted too.
size_t source_units(LPCSTR text, int length) { return length < 0 ? std::strlen(text) + 1 : size_t(length); }

size_t source_units(LPCWSTR text, int length)
{
    if (length >= 0) return size_t(length);
    return std::char_traits<char16_t>::length(text) + 1;
}

}  // namespace

TAVLINPORT_API UINT GetACP(void) { return CP_UTF8; }

TAVLINPORT_API int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR multi_byte, int multi_byte_len, LPWSTR wide,
                                       int wide_len)
{
    if (!buffers_valid(multi_byte, multi_byte_len, wide, wide_len)) return fail(ERROR_INVALID_PARAMETER);
    const CodePage page = classify(code_page);
    if (page == CodePage::unknown) return fail(ERROR_INVALID_PARAMETER);
    if (!multi_byte_flags_valid(page, flags)) return fail(ERROR_INVALID_FLAGS);
    const auto converted =
        tavlinport::utf8_to_utf16(std::string_view(multi_byte, source_units(multi_byte, multi_byte_len)));
    if (converted.had_invalid && (flags & MB_ERR_INVALID_CHARS)) return fail(ERROR_NO_UNICODE_TRANSLATION);
    return deliver(converted.text, wide, wide_len);
}

TAVLINPORT_API int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR wide, int wide_len, LPSTR multi_byte,
                                       int multi_byte_len, LPCSTR default_char, BOOL *used_default_char)
{
    if (!buffers_valid(wide, wide_len, multi_byte, multi_byte_len)) return fail(ERROR_INVALID_PARAMETER);
    const CodePage page = classify(code_page);
    if (page == CodePage::unknown) return fail(ERROR_INVALID_PARAMETER);
    // UTF-8 can encode every character, so CP_UTF8 has no default character to report.
    if (page == CodePage::utf8 && (default_char != nullptr || used_default_char != nullptr))
        return fail(ERROR_INVALID_PARAMETER);
    if (!wide_flags_valid(page, flags)) return fail(ERROR_INVALID_FLAGS);
    const auto converted = tavlinport::utf16_to_utf8(std::u16string_view(wide, source_units(wide, wide_len)));
    if (converted.had_invalid && (flags & WC_ERR_INVALID_CHARS)) return fail(ERROR_NO_UNICODE_TRANSLATION);
    if (used_default_char != nullptr) *used_default_char = converted.had_invalid ? TRUE : FALSE;
    return deliver(converted.text, multi_byte, multi_byte_len);
}
