// Number to number conversions of VariantChangeTypeEx: oleaut32's range checks (which are
// not always the type's exact range), round half to even from reals to integers, and the
// places where oleaut32 copies bits instead of checking a range.
#include <cmath>
#include <cstring>

#include "automation/coerce.h"
#include "automation/variant_types.h"
#include "automation/vartime.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "VARIANT value fields overlap little-endian");

namespace tavlinport {
namespace {

constexpr double kCurrencyScale = 10000.0;
constexpr int64_t kCurrencyUnit = 10000;
constexpr int64_t kCurrencyHalf = 5000;

// What an integer target accepts. Reals are accepted in [lowest, limit) ([lowest, limit]
// when limit_inclusive) before rounding; those bounds are oleaut32's, a half beyond the
// type's range for most types, but a quarter of the range for VT_I8.
struct IntegerTarget {
    VARTYPE vt;
    int bytes;
    bool is_signed;
    // The type of the same size and the other signedness: its values are copied bit for bit.
    VARTYPE bit_copy_source;
    double lowest;
    double limit;
    bool limit_inclusive;
};

constexpr IntegerTarget kIntegerTargets[] = {
    {VT_I1, 1, true, VT_UI1, -128.5, 127.5, false},
    {VT_UI1, 1, false, VT_I1, -0.5, 255.5, false},
    {VT_I2, 2, true, VT_UI2, -32768.5, 32767.5, false},
    {VT_UI2, 2, false, VT_I2, -0.5, 65535.5, false},
    {VT_I4, 4, true, VT_UI4, -2147483648.5, 2147483647.5, false},
    {VT_UI4, 4, false, VT_I4, -0.5, 4294967295.5, false},
    {VT_I8, 8, true, VT_UI8, -4611686018427387904.0, 4611686018427387904.0, false},
    {VT_UI8, 8, false, VT_I8, -0.5, 1.844674407370955e19, true},
};

const IntegerTarget &integer_target(VARTYPE vt)
{
    for (const IntegerTarget &target : kIntegerTargets)
        if (target.vt == vt) return target;
    return kIntegerTargets[0];
}

bool is_integer_type(VARTYPE vt)
{
    for (const IntegerTarget &target : kIntegerTargets)
        if (target.vt == vt) return true;
    return false;
}

uint64_t largest_magnitude(const IntegerTarget &target, bool negative)
{
    const int bits = target.bytes * 8;
    if (!target.is_signed) return negative ? 0 : (bits == 64 ? UINT64_MAX : (uint64_t{1} << bits) - 1);
    const uint64_t half = uint64_t{1} << (bits - 1);
    return negative ? half : half - 1;
}

uint64_t twos_complement(WholeNumber value) { return value.negative ? 0 - value.magnitude : value.magnitude; }

WholeNumber whole_from_signed(int64_t value)
{
    return value < 0 ? WholeNumber{true, 0 - static_cast<uint64_t>(value)}
                     : WholeNumber{false, static_cast<uint64_t>(value)};
}

}  // namespace

bool read_whole_number(const VARIANT *in, WholeNumber *out)
{
    switch (V_VT(in)) {
    case VT_I1:
        *out = whole_from_signed(V_I1(in));
        return true;
    case VT_I2:
    case VT_BOOL:
        *out = whole_from_signed(V_I2(in));
        return true;
    case VT_I4:
    case VT_INT:
        *out = whole_from_signed(V_I4(in));
        return true;
    case VT_I8:
        *out = whole_from_signed(V_I8(in));
        return true;
    case VT_UI1:
        *out = {false, V_UI1(in)};
        return true;
    case VT_UI2:
        *out = {false, V_UI2(in)};
        return true;
    case VT_UI4:
    case VT_UINT:
        *out = {false, V_UI4(in)};
        return true;
    case VT_UI8:
        *out = {false, V_UI8(in)};
        return true;
    default:
        return false;
    }
}

namespace {

bool read_real(const VARIANT *in, double *out)
{
    switch (V_VT(in)) {
    case VT_R4:
        *out = V_R4(in);
        return true;
    case VT_R8:
    case VT_DATE:
        *out = V_R8(in);
        return true;
    default:
        return false;
    }
}

double whole_to_double(WholeNumber value)
{
    const double magnitude = static_cast<double>(value.magnitude);
    return value.negative ? -magnitude : magnitude;
}

float whole_to_float(WholeNumber value)
{
    if (value.negative) return static_cast<float>(static_cast<int64_t>(twos_complement(value)));
    return static_cast<float>(value.magnitude);
}

void store_integer(VARIANT *out, uint64_t bits, int bytes) { std::memcpy(&out->llVal, &bits, bytes); }

HRESULT check_whole_range(WholeNumber value, const IntegerTarget &target)
{
    return value.magnitude > largest_magnitude(target, value.negative) ? DISP_E_OVERFLOW : S_OK;
}

bool accepts_real(double value, const IntegerTarget &target)
{
    return value >= target.lowest && (target.limit_inclusive ? value <= target.limit : value < target.limit);
}

bool is_odd(double whole) { return std::fmod(whole, 2.0) != 0.0; }

double round_half_even(double value)
{
    const double whole = std::trunc(value);
    const double fraction = value - whole;
    if (fraction > 0.5) return whole + 1;
    if (fraction == 0.5) return whole + (is_odd(whole) ? 1 : 0);
    if (fraction >= 0.0 || fraction > -0.5) return whole;
    if (fraction == -0.5) return whole - (is_odd(whole) ? 1 : 0);
    return whole - 1;
}

// Real to integer bits; NaN is outside every range.
HRESULT real_to_integer(double value, const IntegerTarget &target, uint64_t *bits)
{
    if (!accepts_real(value, target)) return DISP_E_OVERFLOW;
    const double rounded = round_half_even(value);
    *bits = target.is_signed ? static_cast<uint64_t>(static_cast<int64_t>(rounded))
                             : static_cast<uint64_t>(rounded < 0 ? 0.0 : rounded);
    return S_OK;
}

// Currency to VT_I8: the quotient truncated, then rounded half to even for positive
// amounts but always one lower for negative ones (an oleaut32 quirk).
uint64_t currency_to_int64_bits(CY currency)
{
    int64_t whole = currency.int64 / kCurrencyUnit;
    const int64_t remainder = currency.int64 - whole * kCurrencyUnit;
    if (currency.int64 < 0)
        --whole;
    else if (remainder > kCurrencyHalf || (remainder == kCurrencyHalf && (whole & 1)))
        ++whole;
    return static_cast<uint64_t>(whole);
}

// Currency to the smaller integers goes through a rounded 32-bit integer first.
HRESULT currency_to_integer(CY currency, const IntegerTarget &target, uint64_t *bits)
{
    if (target.vt == VT_I8) {
        *bits = currency_to_int64_bits(currency);
        return S_OK;
    }
    if (target.vt == VT_UI8) {
        if (currency.int64 < -kCurrencyHalf) return DISP_E_OVERFLOW;
        *bits = currency.int64 < 0 ? 0 : currency_to_int64_bits(currency);
        return S_OK;
    }
    const IntegerTarget &via = integer_target(target.is_signed ? VT_I4 : VT_UI4);
    uint64_t rounded;
    HRESULT hr = real_to_integer(static_cast<double>(currency.int64) / kCurrencyScale, via, &rounded);
    if (FAILED(hr)) return hr;
    const WholeNumber value =
        target.is_signed ? whole_from_signed(static_cast<int32_t>(rounded)) : WholeNumber{false, rounded};
    hr = check_whole_range(value, target);
    *bits = twos_complement(value);
    return hr;
}

// A DECIMAL without decimals is taken exactly (if it fits 63 bits, or 64 for VT_UI8), one
// with decimals through a double; the smaller types go through VT_I8.
HRESULT decimal_to_integer(const DECIMAL &decimal, const IntegerTarget &target, uint64_t *bits)
{
    const bool to_unsigned64 = target.vt == VT_UI8;
    const IntegerTarget &via = to_unsigned64 ? target : integer_target(VT_I8);
    HRESULT hr;
    if (decimal.scale == 0) {
        if (decimal.sign & ~DECIMAL_NEG) return E_INVALIDARG;
        const bool too_big = decimal.Hi32 || (!to_unsigned64 && (decimal.Mid32 & 0x80000000u));
        if (too_big || (to_unsigned64 && decimal.sign)) return DISP_E_OVERFLOW;
        *bits = twos_complement({decimal.sign != 0, decimal.Lo64});
        hr = S_OK;
    } else {
        double value;
        hr = decimal_to_double(decimal, &value);
        if (SUCCEEDED(hr)) hr = real_to_integer(value, via, bits);
    }
    if (FAILED(hr) || to_unsigned64) return hr;
    return check_whole_range(whole_from_signed(static_cast<int64_t>(*bits)), target);
}

HRESULT whole_to_integer(VARTYPE source, WholeNumber value, const IntegerTarget &target, uint64_t *bits)
{
    *bits = twos_complement(value);
    if (source == target.bit_copy_source || source == VT_BOOL) return S_OK;
    // oleaut32 checks 64-bit sources for VT_UI2 against the VT_UI4 range and keeps the low
    // 16 bits of what passes.
    if (target.vt == VT_UI2 && (source == VT_I8 || source == VT_UI8))
        return check_whole_range(value, integer_target(VT_UI4));
    return check_whole_range(value, target);
}

HRESULT to_integer(VARIANT *out, const VARIANT *in, const IntegerTarget &target)
{
    uint64_t bits = 0;
    HRESULT hr;
    WholeNumber whole;
    double real;
    if (V_VT(in) == VT_EMPTY)
        hr = S_OK;
    else if (read_whole_number(in, &whole))
        hr = whole_to_integer(sized_type(V_VT(in)), whole, target, &bits);
    else if (read_real(in, &real))
        hr = real_to_integer(real, target, &bits);
    else if (V_VT(in) == VT_CY)
        hr = currency_to_integer(V_CY(in), target, &bits);
    else if (V_VT(in) == VT_DECIMAL)
        hr = decimal_to_integer(V_DECIMAL(in), target, &bits);
    else
        hr = DISP_E_TYPEMISMATCH;
    if (SUCCEEDED(hr)) store_integer(out, bits, target.bytes);
    return hr;
}

HRESULT to_double(const VARIANT *in, double *out)
{
    WholeNumber whole;
    if (V_VT(in) == VT_EMPTY)
        *out = 0.0;
    else if (read_whole_number(in, &whole))
        *out = whole_to_double(whole);
    else if (read_real(in, out))
        return S_OK;
    else if (V_VT(in) == VT_CY)
        *out = static_cast<double>(V_CY(in).int64) / kCurrencyScale;
    else if (V_VT(in) == VT_DECIMAL)
        return decimal_to_double(V_DECIMAL(in), out);
    else
        return DISP_E_TYPEMISMATCH;
    return S_OK;
}

HRESULT to_float(const VARIANT *in, float *out)
{
    WholeNumber whole;
    if (read_whole_number(in, &whole)) {
        *out = whole_to_float(whole);
        return S_OK;
    }
    double value;
    HRESULT hr = to_double(in, &value);
    if (FAILED(hr)) return hr;
    const bool checked = V_VT(in) == VT_R8 || V_VT(in) == VT_DATE;
    if (checked && std::fabs(value) > kFloatMax) return DISP_E_OVERFLOW;
    *out = static_cast<float>(value);
    return S_OK;
}

// Only some sources are checked against the date range: 32-bit integers and doubles as
// reals, 64-bit integers as integers; the others pass unchecked, as in oleaut32.
HRESULT to_date(const VARIANT *in, DATE *out)
{
    double value;
    HRESULT hr = to_double(in, &value);
    if (FAILED(hr)) return hr;
    bool in_range = true;
    switch (V_VT(in)) {
    case VT_I4:
    case VT_INT:
    case VT_UI4:
    case VT_UINT:
    case VT_R8:
        in_range = !(value <= kDateMin - 1.0 || value >= kDateMax + 1.0);
        break;
    case VT_I8:
        in_range = V_I8(in) >= kDateMin && V_I8(in) <= kDateMax;
        break;
    case VT_UI8:
        in_range = V_UI8(in) <= kDateMax;
        break;
    default:
        break;
    }
    if (!in_range) return DISP_E_OVERFLOW;
    *out = value;
    return S_OK;
}

HRESULT to_bool(const VARIANT *in, VARIANT_BOOL *out)
{
    bool value;
    WholeNumber whole;
    double real;
    if (V_VT(in) == VT_EMPTY) {
        value = false;
    } else if (read_whole_number(in, &whole)) {
        value = whole.magnitude != 0;
    } else if (read_real(in, &real)) {
        value = real != 0.0;
    } else if (V_VT(in) == VT_CY) {
        value = V_CY(in).int64 != 0;
    } else if (V_VT(in) == VT_DECIMAL) {
        const DECIMAL &decimal = V_DECIMAL(in);
        if (decimal.scale > 28 || (decimal.sign & ~DECIMAL_NEG)) return E_INVALIDARG;
        value = decimal.Hi32 || decimal.Lo64;
    } else {
        return DISP_E_TYPEMISMATCH;
    }
    *out = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// The 64-bit integers are checked against a range a little narrower than what currency
// holds, and asymmetric between the signed and the unsigned type, as in oleaut32.
HRESULT to_currency(const VARIANT *in, CY *out)
{
    constexpr int64_t kLimit = INT64_MAX / kCurrencyUnit;
    WholeNumber whole;
    double real;
    if (V_VT(in) == VT_EMPTY) {
        out->int64 = 0;
    } else if (V_VT(in) == VT_I8) {
        if (V_I8(in) <= -kLimit || V_I8(in) >= kLimit) return DISP_E_OVERFLOW;
        out->int64 = V_I8(in) * kCurrencyUnit;
    } else if (V_VT(in) == VT_UI8) {
        if (V_UI8(in) > static_cast<uint64_t>(kLimit)) return DISP_E_OVERFLOW;
        out->int64 = static_cast<int64_t>(V_UI8(in)) * kCurrencyUnit;
    } else if (read_whole_number(in, &whole)) {
        out->int64 = static_cast<int64_t>(twos_complement(whole)) * kCurrencyUnit;
    } else if (read_real(in, &real)) {
        return currency_from_double(real, out);
    } else if (V_VT(in) == VT_DECIMAL) {
        return decimal_to_currency(V_DECIMAL(in), out);
    } else {
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

HRESULT to_decimal(const VARIANT *in, DECIMAL *out)
{
    WholeNumber whole;
    if (V_VT(in) == VT_EMPTY || V_VT(in) == VT_BOOL)  // a true VT_BOOL becomes 1, not -1
        return decimal_from_whole({false, V_VT(in) == VT_BOOL && V_BOOL(in) ? 1u : 0u}, out);
    if (read_whole_number(in, &whole)) return decimal_from_whole(whole, out);
    switch (V_VT(in)) {
    case VT_R4:
        return decimal_from_float(V_R4(in), out);
    case VT_R8:
    case VT_DATE:
        return decimal_from_double(V_R8(in), out);
    case VT_CY: {
        const WholeNumber cents = whole_from_signed(V_CY(in).int64);
        decimal_from_whole(cents, out);
        out->scale = 4;
        return S_OK;
    }
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

}  // namespace

HRESULT coerce_number(VARIANT *out, const VARIANT *in, VARTYPE target)
{
    if (is_integer_type(target)) return to_integer(out, in, integer_target(target));
    switch (target) {
    case VT_R4:
        return to_float(in, &V_R4(out));
    case VT_R8:
        return to_double(in, &V_R8(out));
    case VT_DATE:
        return to_date(in, &V_DATE(out));
    case VT_BOOL:
        return to_bool(in, &V_BOOL(out));
    case VT_CY:
        return to_currency(in, &V_CY(out));
    case VT_DECIMAL:
        return to_decimal(in, &V_DECIMAL(out));
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

HRESULT currency_from_double(double value, CY *out)
{
    // oleaut32 multiplies in the x87's 64-bit precision and rounds half to even there.
    const long double scaled = static_cast<long double>(value) * 10000.0L;
    const long double rounded = std::nearbyint(scaled);
    if (!(rounded >= -9223372036854775808.0L && rounded < 9223372036854775808.0L)) return DISP_E_OVERFLOW;
    out->int64 = static_cast<int64_t>(rounded);
    return S_OK;
}

}  // namespace tavlinport
