// Numbers and booleans in text, as oleaut32 reads and writes them for locale 0x0409: blanks,
// signs (leading, trailing or as parentheses), "$", thousands separators, a decimal point,
// an exponent, and "&H"/"&O" for hexadecimal and octal. Reading goes through oleaut32's two
// steps: the text becomes decimal digits and a power of ten, which then become the target
// type with its own rounding and range rules.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "automation/coerce.h"
#include "automation/variant_types.h"

namespace tavlinport {
namespace {

constexpr int kMaxDigits = 1024;

// The text as oleaut32 parses it: significant digits, a power of ten (or a base for
// hexadecimal and octal), and a sign.
struct ParsedNumber {
    uint8_t digits[kMaxDigits];
    int count = 0;
    int power10 = 0;
    int base_shift = 0;
    bool negative = false;
};

bool is_decimal_digit(OLECHAR c) { return c >= u'0' && c <= u'9'; }

int hex_letter_value(OLECHAR c)
{
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// What the parse has seen so far.
struct ParseState {
    bool leading_plus = false, leading_minus = false, currency = false, parens = false;
    bool decimal_point = false, exponent = false, hex = false, octal = false;
    bool in_exponent = false, exponent_negative = false;
    bool leading_zero = false, inexact = false, only_zeros_dropped = true;
    bool hex_or_octal() const { return hex || octal; }
};

const OLECHAR *skip_spaces(const OLECHAR *p)
{
    while (is_text_space(*p)) ++p;
    return p;
}

// Zeros right after a decimal point that comes before any digit only move the point.
const OLECHAR *skip_zeros_after_point(const OLECHAR *p, ParseState &state, ParsedNumber &number)
{
    while (*p == u'0') {
        state.leading_zero = true;
        --number.power10;
        ++p;
    }
    return p;
}

// Signs, blanks, "$" and "(" before the number; a decimal point ends this part.
HRESULT parse_prefix(const OLECHAR *&p, ParseState &state, ParsedNumber &number)
{
    for (;;) {
        const OLECHAR c = *p;
        if (c == u'.') {
            state.decimal_point = true;
            ++p;
            if (number.count == 0) p = skip_zeros_after_point(p, state, number);
            return S_OK;
        }
        if (is_text_space(c)) {
            p = skip_spaces(p);
        } else if (c == u',') {
            return DISP_E_TYPEMISMATCH;
        } else if (c == u'+' && !state.leading_plus) {
            state.leading_plus = true;
            ++p;
        } else if (c == u'-' && !state.leading_minus) {
            state.leading_minus = number.negative = true;
            ++p;
        } else if (c == u'$' && !state.currency) {
            state.currency = true;
            ++p;
        } else if (c == u'(' && !state.parens) {
            state.parens = true;
            ++p;
        } else {
            return S_OK;
        }
    }
}

void parse_radix_marker(const OLECHAR *&p, ParseState &state)
{
    if (state.currency || state.decimal_point || p[0] != u'&') return;
    if (p[1] == u'H' || p[1] == u'h')
        state.hex = true;
    else if (p[1] == u'O' || p[1] == u'o')
        state.octal = true;
    else
        return;
    p += 2;
}

// The exponent's digits; its value is added to the power of ten with 32-bit wrap-around.
void parse_exponent_digits(const OLECHAR *&p, ParseState &state, ParsedNumber &number)
{
    uint32_t value = 0;
    while (is_decimal_digit(*p)) value = value * 10 + static_cast<uint32_t>(*p++ - u'0');
    if (state.exponent_negative) value = 0 - value;
    number.power10 = static_cast<int32_t>(static_cast<uint32_t>(number.power10) + value);
    state.in_exponent = false;
}

// Returns false when the digit ends the number (8 or 9 in octal).
bool parse_digit(OLECHAR c, ParseState &state, ParsedNumber &number)
{
    if (number.count >= kMaxDigits && !state.hex_or_octal()) {
        state.inexact = true;
        if (c != u'0') state.only_zeros_dropped = false;
        number.power10 += state.decimal_point ? -1 : 1;
    } else {
        if (state.octal && (c == u'8' || c == u'9')) return false;
        if (state.decimal_point) --number.power10;
        if (number.count < kMaxDigits) number.digits[number.count] = static_cast<uint8_t>(c - u'0');
    }
    ++number.count;
    return true;
}

// The digits with their separators, decimal point and exponent.
HRESULT parse_body(const OLECHAR *&p, ParseState &state, ParsedNumber &number)
{
    for (; *p; ++p) {
        const OLECHAR c = *p;
        if (is_decimal_digit(c)) {
            if (state.in_exponent) {
                parse_exponent_digits(p, state, number);
                --p;
            } else if (!parse_digit(c, state, number)) {
                return S_OK;
            }
        } else if (c == u',' && !state.hex_or_octal()) {
            continue;
        } else if (c == u'.' && !state.hex_or_octal() && !state.decimal_point && !state.exponent) {
            state.decimal_point = true;
            if (number.count == 0) p = skip_zeros_after_point(p + 1, state, number) - 1;
        } else if (state.hex && hex_letter_value(c) >= 0) {
            if (number.count >= kMaxDigits) return DISP_E_OVERFLOW;
            number.digits[number.count++] = static_cast<uint8_t>(hex_letter_value(c));
        } else if ((c == u'e' || c == u'E') && !state.hex_or_octal() && !state.currency && !state.exponent) {
            state.in_exponent = state.exponent = true;
        } else if (state.in_exponent && c == u'+') {
            continue;
        } else if (state.in_exponent && c == u'-') {
            state.exponent_negative = true;
        } else {
            return S_OK;
        }
    }
    return S_OK;
}

// Trailing zeros of a decimal number move into the power of ten.
void settle_digits(ParseState &state, ParsedNumber &number)
{
    if (number.count == 0 && state.leading_zero) {
        number.count = 1;
        number.digits[0] = 0;
    }
    if (state.inexact) {
        if (state.only_zeros_dropped) state.inexact = false;
    } else if (state.hex_or_octal()) {
        number.power10 = 0;
        number.base_shift = state.hex ? 4 : 3;
    } else {
        while (number.count > 1 && number.digits[number.count - 1] == 0) {
            ++number.power10;
            --number.count;
        }
    }
    if (number.count > kMaxDigits) number.count = kMaxDigits;
}

// Blanks, signs, ")", "$" and separators after the number.
void parse_suffix(const OLECHAR *&p, const ParseState &state, ParsedNumber &number)
{
    for (;;) {
        const OLECHAR c = *p;
        if (c == u',' && !state.hex_or_octal()) {
            ++p;
        } else if (is_text_space(c)) {
            p = skip_spaces(p);
        } else if (c == u'+' && !state.leading_plus) {
            ++p;
        } else if (c == u'-' && !state.leading_minus) {
            number.negative = true;
            ++p;
        } else if (c == u')' && state.parens) {
            number.negative = true;
            ++p;
        } else if (c == u'$' && !state.hex_or_octal()) {
            ++p;
        } else {
            return;
        }
    }
}

HRESULT parse_number(const OLECHAR *text, ParsedNumber &number)
{
    if (!text) return DISP_E_TYPEMISMATCH;
    ParseState state;
    const OLECHAR *p = text;
    HRESULT hr = parse_prefix(p, state, number);
    if (FAILED(hr)) return hr;
    parse_radix_marker(p, state);
    while (*p == u'0') {
        state.leading_zero = true;
        ++p;
    }
    hr = parse_body(p, state, number);
    if (FAILED(hr)) return hr;
    if (state.exponent && state.in_exponent) return DISP_E_TYPEMISMATCH;
    settle_digits(state, number);
    parse_suffix(p, state, number);
    if (state.parens && !number.negative) return DISP_E_TYPEMISMATCH;
    if (*p != 0 || number.count == 0) return DISP_E_TYPEMISMATCH;
    return S_OK;
}

void store_bits(VARIANT *out, uint64_t bits, int bytes) { std::memcpy(&out->llVal, &bits, bytes); }

int integer_bytes(VARTYPE vt)
{
    switch (vt) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
        return 2;
    case VT_I4:
    case VT_UI4:
        return 4;
    case VT_I8:
    case VT_UI8:
        return 8;
    default:
        return 0;
    }
}

bool is_signed_integer(VARTYPE vt) { return vt == VT_I1 || vt == VT_I2 || vt == VT_I4 || vt == VT_I8; }

// Hexadecimal and octal numbers ignore any sign; the integer types take their bits when they
// fit the type's width, the reals only values that pass as 32-bit integers.
HRESULT radix_number_to(const ParsedNumber &number, VARTYPE target, VARIANT *out)
{
    uint64_t value = 0;
    for (int i = 0; i < number.count; ++i) {
        if (value > (UINT64_MAX >> number.base_shift) - number.digits[i]) return DISP_E_OVERFLOW;
        value = (value << number.base_shift) + number.digits[i];
    }
    const int bytes = integer_bytes(target);
    if (bytes) {
        if (bytes < 8 && (value >> (bytes * 8)) != 0) return DISP_E_OVERFLOW;
        store_bits(out, value, bytes);
        return S_OK;
    }
    if (target == VT_DECIMAL) return decimal_from_whole({false, value}, &V_DECIMAL(out));
    if (target != VT_R4 && target != VT_R8) return DISP_E_OVERFLOW;
    const int64_t negated = static_cast<int64_t>(0 - value);
    double real;
    if (value <= static_cast<uint64_t>(INT32_MAX))
        real = static_cast<double>(value);
    else if (negated >= INT32_MIN)
        real = static_cast<double>(negated);
    else
        return DISP_E_OVERFLOW;
    if (target == VT_R4)
        V_R4(out) = static_cast<float>(real);
    else
        V_R8(out) = real;
    return S_OK;
}

// How the digits split around the decimal point.
struct DigitLayout {
    int whole_digits = 0;
    int fraction_digits = 0;
    int multiplier10 = 0;
    int divisor10 = 0;
};

DigitLayout layout_of(const ParsedNumber &number)
{
    DigitLayout layout;
    if (number.power10 < 0) {
        if (-number.power10 >= number.count) {
            layout.fraction_digits = number.count;
            layout.divisor10 = -number.power10;
        } else {
            layout.whole_digits = number.count + number.power10;
            layout.fraction_digits = layout.divisor10 = number.count - layout.whole_digits;
        }
    } else {
        layout.whole_digits = number.count;
        layout.multiplier10 = number.power10;
    }
    return layout;
}

// The whole part as a 64-bit magnitude, rounded half to even on the fraction digits. Like
// oleaut32, the rounding looks at the first stored fraction digit even when zeros after the
// decimal point were skipped.
bool whole_magnitude(const ParsedNumber &number, const DigitLayout &layout, uint64_t *out)
{
    uint64_t value = 0;
    for (int i = 0; i < layout.whole_digits; ++i) {
        if (value > UINT64_MAX / 10 || (value == UINT64_MAX / 10 && number.digits[i] > UINT64_MAX % 10)) return false;
        value = value * 10 + number.digits[i];
    }
    for (int i = 0; i < layout.multiplier10; ++i) {
        if (value > UINT64_MAX / 10) return false;
        value *= 10;
    }
    if (layout.fraction_digits && layout.divisor10 > 0) {
        const uint8_t *fraction = number.digits + layout.whole_digits;
        bool round_up = fraction[0] > 5;
        if (fraction[0] == 5) {
            bool beyond_half = false;
            for (int i = 1; i < layout.fraction_digits && !beyond_half; ++i) beyond_half = fraction[i] != 0;
            round_up = beyond_half || (value & 1);
        }
        if (round_up) {
            if (value == UINT64_MAX) return false;
            ++value;
        }
    }
    *out = value;
    return true;
}

HRESULT whole_number_to(const ParsedNumber &number, const DigitLayout &layout, VARTYPE target, VARIANT *out)
{
    uint64_t magnitude;
    if (!whole_magnitude(number, layout, &magnitude)) return DISP_E_OVERFLOW;
    const int bits = integer_bytes(target) * 8;
    const bool negative = number.negative && magnitude != 0;
    uint64_t limit;
    if (is_signed_integer(target))
        limit = (uint64_t{1} << (bits - 1)) - (negative ? 0 : 1);
    else
        limit = negative ? 0 : (bits == 64 ? UINT64_MAX : (uint64_t{1} << bits) - 1);
    if (negative ? (magnitude > limit || limit == 0) : magnitude > limit) return DISP_E_OVERFLOW;
    store_bits(out, negative ? 0 - magnitude : magnitude, bits / 8);
    return S_OK;
}

// The digits as a double, scaled by powers of ten at most 10^10 at a time; a result below
// the smallest normal double becomes 0, one above the largest is an overflow.
bool real_value(const ParsedNumber &number, DigitLayout layout, double *out)
{
    static const double kPowers[11] = {1.0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};
    constexpr double kMin = kDoubleMin;
    constexpr double kMax = kDoubleMax;
    static const double kSmallest[11] = {kMin,       kMin * 1e1, kMin * 1e2, kMin * 1e3, kMin * 1e4, kMin * 1e5,
                                         kMin * 1e6, kMin * 1e7, kMin * 1e8, kMin * 1e9, kMin * 1e10};
    static const double kLargest[11] = {kMax,       kMax / 1e1, kMax / 1e2, kMax / 1e3, kMax / 1e4, kMax / 1e5,
                                        kMax / 1e6, kMax / 1e7, kMax / 1e8, kMax / 1e9, kMax / 1e10};
    double value = 0.0;
    for (int i = 0; i < number.count; ++i) value = value * 10.0 + number.digits[i];
    while (layout.multiplier10 > 0) {
        const int step = layout.multiplier10 > 10 ? 10 : layout.multiplier10;
        if (value > kLargest[step]) return false;
        value *= kPowers[step];
        layout.multiplier10 -= step;
    }
    while (layout.divisor10 > 0) {
        const int step = layout.divisor10 > 10 ? 10 : layout.divisor10;
        if (value < kSmallest[step] && value != 0) {
            value = 0;
            break;
        }
        value /= kPowers[step];
        layout.divisor10 -= step;
    }
    *out = number.negative ? -value : value;
    return true;
}

HRESULT real_number_to(const ParsedNumber &number, const DigitLayout &layout, VARTYPE target, VARIANT *out)
{
    double value;
    if (!real_value(number, layout, &value)) return DISP_E_OVERFLOW;
    switch (target) {
    case VT_R4: {
        const double magnitude = std::fabs(value);
        const bool fits = magnitude <= kFloatMax && magnitude >= kFloatMin;
        if (!fits && value != 0.0) return DISP_E_OVERFLOW;
        V_R4(out) = static_cast<float>(value);
        return S_OK;
    }
    case VT_R8:
        V_R8(out) = value;
        return S_OK;
    default:
        return currency_from_double(value, &V_CY(out));
    }
}

// Whole numbers that fit 64 bits go straight in, others digit by digit.
HRESULT decimal_number_to(const ParsedNumber &number, const DigitLayout &layout, DECIMAL *out)
{
    uint64_t magnitude;
    if (layout.fraction_digits == 0 && whole_magnitude(number, layout, &magnitude) &&
        !(number.negative && magnitude != 0))
        return decimal_from_whole({false, magnitude}, out);
    return decimal_from_digits(number.digits, number.count, layout.multiplier10, layout.divisor10, number.negative,
                               out);
}

bool equals_ignoring_ascii_case(const OLECHAR *text, const char16_t *word)
{
    for (; *text && *word; ++text, ++word) {
        const OLECHAR a = (*text >= u'A' && *text <= u'Z') ? *text + 32 : *text;
        const OLECHAR b = (*word >= u'A' && *word <= u'Z') ? *word + 32 : *word;
        if (a != b) return false;
    }
    return *text == *word;
}

bool equals(const OLECHAR *text, const char16_t *word) { return Text(text) == word; }

Text ascii_text(const char *begin, const char *end) { return Text(begin, end); }

}  // namespace

bool is_text_space(OLECHAR c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

HRESULT number_from_text(const OLECHAR *text, VARTYPE target, VARIANT *out)
{
    ParsedNumber number;
    HRESULT hr = parse_number(text, number);
    if (FAILED(hr)) return hr;
    if (number.base_shift) return radix_number_to(number, target, out);
    const DigitLayout layout = layout_of(number);
    if (integer_bytes(target)) return whole_number_to(number, layout, target, out);
    if (target == VT_DECIMAL) return decimal_number_to(number, layout, &V_DECIMAL(out));
    return real_number_to(number, layout, target, out);
}

HRESULT bool_from_text(const OLECHAR *text, VARIANT_BOOL *out)
{
    if (!text) return DISP_E_TYPEMISMATCH;
    if (equals_ignoring_ascii_case(text, u"True") || equals(text, u"#TRUE#")) {
        *out = VARIANT_TRUE;
        return S_OK;
    }
    if (equals_ignoring_ascii_case(text, u"False") || equals(text, u"#FALSE#")) {
        *out = VARIANT_FALSE;
        return S_OK;
    }
    VARIANT number;
    HRESULT hr = number_from_text(text, VT_R8, &number);
    if (SUCCEEDED(hr)) *out = V_R8(&number) != 0.0 ? VARIANT_TRUE : VARIANT_FALSE;
    return hr;
}

Text integer_text(bool negative, uint64_t magnitude)
{
    char buffer[24];
    char *end = std::to_chars(buffer, buffer + sizeof buffer, magnitude).ptr;
    Text text = ascii_text(buffer, end);
    return negative ? u"-" + text : text;
}

// printf's "%.*G" in the C locale, with the Microsoft C runtime's spelling of infinities
// and NaNs; a negative zero is written as "0".
Text real_text(double value, int significant_digits)
{
    if (std::isnan(value)) return std::signbit(value) ? u"-NAN(IND)" : u"NAN";
    if (std::isinf(value)) return value < 0 ? u"-INF" : u"INF";
    char buffer[400];
    char *end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, significant_digits).ptr;
    std::replace(buffer, end, 'e', 'E');
    if (buffer[0] == '-' && std::all_of(buffer + 1, end, [](char c) { return c == '0' || c == '.'; })) return u"0";
    return ascii_text(buffer, end);
}

}  // namespace tavlinport
