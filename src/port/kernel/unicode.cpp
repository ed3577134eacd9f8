// The transcoding core behind MultiByteToWideChar, WideCharToMultiByte and the registry
// file's UTF-16 data.
#include "kernel/unicode_transcode.h"

namespace tavlinport {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// What may follow a lead byte: how many continuation bytes, and the range that the first of
// them must fall in for the sequence to be shortest-form, no surrogate and at most U+10FFFF.
struct LeadByteRule {
    int continuation_count;
    unsigned char first_min;
    unsigned char first_max;
};

LeadByteRule rule_for_lead(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF) return {1, 0x80, 0xBF};
    if (lead == 0xE0) return {2, 0xA0, 0xBF};
    if (lead == 0xED) return {2, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF) return {2, 0x80, 0xBF};
    if (lead == 0xF0) return {3, 0x90, 0xBF};
    if (lead == 0xF4) return {3, 0x80, 0x8F};
    if (lead >= 0xF1 && lead <= 0xF3) return {3, 0x80, 0xBF};
    return {0, 0, 0};  // a stray continuation byte, C0, C1 or F5 to FF
}

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

void append_utf16(std::u16string &out, char32_t code_point)
{
    if (code_point < 0x10000) {
        out.push_back(static_cast<char16_t>(code_point));
        return;
    }
    code_point -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (code_point >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)));
}

void append_utf8(std::string &out, char32_t code_point)
{
    if (code_point < 0x80) {
        out.push_back(static_cast<char>(code_point));
    } else if (code_point < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code_point >> 6)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else if (code_point < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code_point >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code_point >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    }
}

// Decodes the multi-byte sequence that starts at `pos`; advances `pos` past what it consumed.
// Returns kReplacement with `valid` false for an ill-formed sequence.
char32_t decode_sequence(std::string_view utf8, size_t &pos, bool &valid)
{
    const auto lead = static_cast<unsigned char>(utf8[pos++]);
    const LeadByteRule rule = rule_for_lead(lead);
    valid = false;
    if (rule.continuation_count == 0) return kReplacement;
    char32_t code_point = lead & (0x7F >> (rule.continuation_count + 1));
    for (int index = 0; index < rule.continuation_count; ++index) {
        if (pos >= utf8.size()) return kReplacement;
        const auto byte = static_cast<unsigned char>(utf8[pos]);
        if (!is_continuation(byte)) return kReplacement;
        ++pos;
        if (index == 0 && (byte < rule.first_min || byte > rule.first_max)) return kReplacement;
        code_point = (code_point << 6) | (byte & 0x3F);
    }
    valid = true;
    return code_point;
}

bool is_high_surrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

Utf16Text utf8_to_utf16(std::string_view utf8)
{
    Utf16Text result;
    result.text.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        const auto byte = static_cast<unsigned char>(utf8[pos]);
        if (byte < 0x80) {
            result.text.push_back(byte);
            ++pos;
            continue;
        }
        bool valid = false;
        append_utf16(result.text, decode_sequence(utf8, pos, valid));
        result.had_invalid |= !valid;
    }
    return result;
}

Utf8Text utf16_to_utf8(std::u16string_view utf16)
{
    Utf8Text result;
    result.text.reserve(utf16.size());
    for (size_t pos = 0; pos < utf16.size(); ++pos) {
        const char16_t unit = utf16[pos];
        if (is_high_surrogate(unit) && pos + 1 < utf16.size() && is_low_surrogate(utf16[pos + 1])) {
            const char16_t low = utf16[++pos];
            append_utf8(result.text, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00));
        } else if (is_high_surrogate(unit) || is_low_surrogate(unit)) {
            append_utf8(result.text, kReplacement);
            result.had_invalid = true;
        } else {
            append_utf8(result.text, unit);
        }
    }
    return result;
}

}  // namespace tavlinport
