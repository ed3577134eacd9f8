// DECIMAL: a 96-bit unsigned mantissa, a sign and a power-of-ten scale. The conversions
// follow oleaut32 bit for bit, including how it trims a double's binary fraction to the
// digits the double guarantees and how it rounds to currency.
#include <cmath>
#include <cstring>

#include "automation/coerce.h"

namespace tavlinport {
namespace {

constexpr int kMaxScale = 28;
constexpr int kLimbs = 3;

// The mantissa as three 32-bit limbs, least significant first, with the arithmetic that
// the conversions need.
struct Mantissa {
    uint32_t limb[kLimbs] = {0, 0, 0};

    bool is_zero() const { return !limb[0] && !limb[1] && !limb[2]; }

    // Divides in place and returns the remainder.
    uint32_t divide_by(uint32_t divisor)
    {
        uint64_t remainder = 0;
        for (int i = kLimbs - 1; i >= 0; --i) {
            const uint64_t dividend = (remainder << 32) | limb[i];
            limb[i] = static_cast<uint32_t>(dividend / divisor);
            remainder = dividend % divisor;
        }
        return static_cast<uint32_t>(remainder);
    }

    // Multiplies and adds in place and returns what spilled over the 96 bits (the limbs then
    // hold the truncated result).
    uint32_t multiply_add(uint32_t factor, uint32_t addend = 0)
    {
        uint64_t carry = addend;
        for (uint32_t &part : limb) {
            const uint64_t product = static_cast<uint64_t>(part) * factor + carry;
            part = static_cast<uint32_t>(product);
            carry = product >> 32;
        }
        return static_cast<uint32_t>(carry);
    }

    bool multiplied_fits(uint32_t factor) const
    {
        Mantissa copy = *this;
        return copy.multiply_add(factor) == 0;
    }

    void add_one()
    {
        for (uint32_t &part : limb)
            if (++part != 0) break;
    }

    void shift_right()
    {
        limb[0] = (limb[0] >> 1) | (limb[1] << 31);
        limb[1] = (limb[1] >> 1) | (limb[2] << 31);
        limb[2] >>= 1;
    }

    void shift_left()
    {
        limb[2] = (limb[2] << 1) | (limb[1] >> 31);
        limb[1] = (limb[1] << 1) | (limb[0] >> 31);
        limb[0] <<= 1;
    }

    // Drops the last decimal digit, rounding half up.
    void drop_digit_rounding()
    {
        if (divide_by(10) >= 5) add_one();
    }

    unsigned __int128 value() const
    {
        return (static_cast<unsigned __int128>(limb[2]) << 64) | (static_cast<uint64_t>(limb[1]) << 32) | limb[0];
    }
};

Mantissa mantissa_of(const DECIMAL &decimal) { return {{decimal.Lo32, decimal.Mid32, decimal.Hi32}}; }

void store(const Mantissa &mantissa, bool negative, int scale, DECIMAL *out)
{
    out->sign = negative ? DECIMAL_NEG : 0;
    out->scale = static_cast<BYTE>(scale);
    out->Lo32 = mantissa.limb[0];
    out->Mid32 = mantissa.limb[1];
    out->Hi32 = mantissa.limb[2];
}

bool has_valid_sign(const DECIMAL &decimal) { return !(decimal.sign & ~DECIMAL_NEG); }

// Turns mantissa * 2^exponent2 into mantissa * 10^-scale. Where the value needs more than
// 96 bits or more than 28 decimals, digits are dropped; then the mantissa is cut down to
// what the binary source type guarantees (about 16 digits for a double, 7 for a float) and
// trailing zero digits are removed.
HRESULT absorb_binary_exponent(Mantissa *mantissa, int exponent2, bool from_double, int *scale)
{
    int exponent5 = -exponent2;
    int exponent10 = exponent2;
    while (exponent5 > 0) {
        --exponent5;
        if (!(mantissa->limb[0] & 1)) {
            ++exponent10;
            mantissa->shift_right();
        } else if (mantissa->multiplied_fits(5)) {
            mantissa->multiply_add(5);
        } else {
            ++exponent10;
            mantissa->shift_right();
        }
    }
    while (exponent5 < 0) {
        ++exponent5;
        if (!(mantissa->limb[2] & 0x80000000u)) {
            --exponent10;
            mantissa->shift_left();
        } else {
            mantissa->divide_by(5);
        }
    }
    for (; exponent10 > 0; --exponent10)
        if (mantissa->multiply_add(10)) return DISP_E_OVERFLOW;
    while (exponent10 < -kMaxScale) {
        const uint32_t remainder = mantissa->divide_by(10);
        ++exponent10;
        if (mantissa->is_zero())
            exponent10 = 0;
        else if (remainder >= 5)
            mantissa->add_one();
    }
    auto beyond_precision = [&] {
        if (from_double) return mantissa->limb[2] != 0 || (mantissa->limb[1] & 0xFFE00000u) != 0;
        return mantissa->limb[2] != 0 || mantissa->limb[1] != 0 || (mantissa->limb[0] & 0xFF000000u) != 0;
    };
    for (; exponent10 < 0 && beyond_precision(); ++exponent10) mantissa->drop_digit_rounding();
    for (; exponent10 < 0; ++exponent10) {
        Mantissa shorter = *mantissa;
        if (shorter.divide_by(10) != 0) break;
        *mantissa = shorter;
    }
    *scale = -exponent10;
    return S_OK;
}

struct BinaryParts {
    bool negative;
    int exponent_bits;
    uint64_t fraction;
};

// value = ±fraction * 2^exponent2 after the hidden bit is added.
HRESULT decimal_from_binary(BinaryParts parts, int all_ones_exponent, int bias, int fraction_bits, bool from_double,
                            DECIMAL *out)
{
    if (parts.exponent_bits == all_ones_exponent) return parts.fraction ? DISP_E_BADVARTYPE : DISP_E_OVERFLOW;
    if (parts.exponent_bits == 0 && parts.fraction == 0) {
        store(Mantissa{}, false, 0, out);
        return S_OK;
    }
    Mantissa mantissa;
    uint64_t significand = parts.fraction;
    int exponent2 = parts.exponent_bits - bias;
    if (parts.exponent_bits == 0)
        ++exponent2;
    else
        significand |= uint64_t{1} << fraction_bits;
    mantissa.limb[0] = static_cast<uint32_t>(significand);
    mantissa.limb[1] = static_cast<uint32_t>(significand >> 32);
    int scale;
    HRESULT hr = absorb_binary_exponent(&mantissa, exponent2 - fraction_bits, from_double, &scale);
    if (SUCCEEDED(hr)) store(mantissa, parts.negative, scale, out);
    return hr;
}

// The digits of the mantissa with the decimal point placed and trailing fraction zeros
// removed; no sign for zero.
Text decimal_digits(Mantissa mantissa, bool negative, int scale)
{
    if (mantissa.is_zero()) return u"0";
    Text digits;
    while (!mantissa.is_zero()) digits.insert(digits.begin(), static_cast<char16_t>(u'0' + mantissa.divide_by(10)));
    if (static_cast<int>(digits.size()) <= scale) digits.insert(0, scale + 1 - digits.size(), u'0');
    if (scale > 0) {
        digits.insert(digits.size() - scale, 1, u'.');
        while (digits.back() == u'0') digits.pop_back();
        if (digits.back() == u'.') digits.pop_back();
    }
    return negative ? u"-" + digits : digits;
}

}  // namespace

HRESULT decimal_to_double(const DECIMAL &decimal, double *out)
{
    if (decimal.scale > kMaxScale || !has_valid_sign(decimal)) return E_INVALIDARG;
    double divisor = 1.0;
    for (int i = 0; i < decimal.scale; ++i) divisor *= 10.0;
    if (decimal.sign) divisor = -divisor;
    double high = 0.0;
    if (decimal.Hi32) {
        high = static_cast<double>(decimal.Hi32) / divisor;
        high *= 4294967296.0;
        high *= 4294967296.0;
    }
    *out = static_cast<double>(decimal.Lo64) / divisor + high;
    return S_OK;
}

HRESULT decimal_from_double(double value, DECIMAL *out)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const BinaryParts parts = {(bits >> 63) != 0, static_cast<int>((bits >> 52) & 0x7FF), bits & 0xFFFFFFFFFFFFFull};
    return decimal_from_binary(parts, 0x7FF, 1023, 52, true, out);
}

HRESULT decimal_from_float(float value, DECIMAL *out)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const BinaryParts parts = {(bits >> 31) != 0, static_cast<int>((bits >> 23) & 0xFF), bits & 0x7FFFFFu};
    return decimal_from_binary(parts, 0xFF, 127, 23, false, out);
}

HRESULT decimal_from_whole(WholeNumber value, DECIMAL *out)
{
    Mantissa mantissa;
    mantissa.limb[0] = static_cast<uint32_t>(value.magnitude);
    mantissa.limb[1] = static_cast<uint32_t>(value.magnitude >> 32);
    store(mantissa, value.negative, 0, out);
    return S_OK;
}

HRESULT decimal_from_digits(const uint8_t *digits, int count, int zeros_after, int scale, bool negative, DECIMAL *out)
{
    Mantissa mantissa;
    for (int i = 0; i < count + zeros_after; ++i)
        if (mantissa.multiply_add(10, i < count ? digits[i] : 0)) return DISP_E_OVERFLOW;
    store(mantissa, negative, scale, out);
    return S_OK;
}

// Rounds to four decimals the way oleaut32 does: the dropped part counts as "half or more"
// when the low 32 bits of the integer remainder reach 5.
HRESULT decimal_to_currency(const DECIMAL &decimal, CY *out)
{
    if (decimal.scale > kMaxScale || !has_valid_sign(decimal)) return E_INVALIDARG;
    unsigned __int128 units = mantissa_of(decimal).value();
    int scale = decimal.scale;
    if (scale > 4) {
        unsigned __int128 divisor = 1;
        for (int i = 4; i < scale; ++i) divisor *= 10;
        const unsigned __int128 remainder = units % divisor;
        units /= divisor;
        if (static_cast<uint32_t>(remainder) >= 5) ++units;
        scale = 4;
    }
    if (units >> 64) return DISP_E_OVERFLOW;
    static const double kDivisors[] = {1, 10, 100, 1000, 10000};
    const double amount = static_cast<double>(static_cast<uint64_t>(units)) / kDivisors[scale];
    return currency_from_double(decimal.sign ? -amount : amount, out);
}

Text decimal_text(const DECIMAL &decimal)
{
    return decimal_digits(mantissa_of(decimal), decimal.sign != 0, decimal.scale);
}

Text currency_text(CY currency)
{
    const bool negative = currency.int64 < 0;
    const uint64_t magnitude =
        negative ? 0 - static_cast<uint64_t>(currency.int64) : static_cast<uint64_t>(currency.int64);
    Mantissa mantissa;
    mantissa.limb[0] = static_cast<uint32_t>(magnitude);
    mantissa.limb[1] = static_cast<uint32_t>(magnitude >> 32);
    return decimal_digits(mantissa, negative, 4);
}

}  // namespace tavlinport
