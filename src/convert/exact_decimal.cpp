#include "convert/exact_decimal.h"

#include <algorithm>
#include <cstdint>

#include "errors/tavlin_ex.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "util/unaligned.h"

namespace tavlin {

namespace {

// A DECIMAL's 96-bit magnitude (a currency's fits it too), most significant limb first, with
// the long division by a small number that reading its digits needs.
class Magnitude {
public:
    Magnitude(uint32_t high, uint64_t low) : limbs_{high, static_cast<uint32_t>(low >> 32), static_cast<uint32_t>(low)}
    {
    }

    bool is_zero() const
    {
        return std::all_of(limbs_, limbs_ + 3, [](uint32_t limb) { return limb == 0; });
    }

    // Divides in place by `divisor`; the remainder.
    uint32_t divide(uint32_t divisor)
    {
        uint64_t remainder = 0;
        for (uint32_t &limb : limbs_) {
            const uint64_t dividend = (remainder << 32) | limb;
            limb = static_cast<uint32_t>(dividend / divisor);
            remainder = dividend % divisor;
        }
        return static_cast<uint32_t>(remainder);
    }

    // Whether it is below 2^53, the integers that a double holds each exactly.
    bool below_two_to_53() const { return limbs_[0] == 0 && limbs_[1] < (1u << 21); }

private:
    uint32_t limbs_[3];
};

struct Decimal {
    bool negative;
    Magnitude magnitude;
    int scale;  // the value is magnitude / 10^scale
};

Decimal of_currency(const CY &value)
{
    const bool negative = value.int64 < 0;
    // The magnitude of INT64_MIN is 2^63, which a uint64_t holds.
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value.int64) : static_cast<uint64_t>(value.int64);
    return {negative, Magnitude(0, magnitude), 4};
}

Decimal of_decimal(const DECIMAL &value)
{
    return {(value.sign & DECIMAL_NEG) != 0, Magnitude(value.Hi32, value.Lo64), value.scale};
}

std::string text_of(Decimal value)
{
    std::string digits;  // least significant first
    do {
        digits.push_back(static_cast<char>('0' + value.magnitude.divide(10)));
    } while (!value.magnitude.is_zero());
    if (digits.size() <= static_cast<size_t>(value.scale)) digits.resize(value.scale + 1, '0');
    std::string text = value.negative ? "-" : "";
    text.append(digits.rbegin(), digits.rend() - value.scale);
    if (value.scale > 0) text.append(".").append(digits.rend() - value.scale, digits.rend());
    return text;
}

// magnitude / 10^scale is magnitude / 5^scale / 2^scale: a double holds it when 5^scale
// divides the magnitude and the quotient, without its factors of two, has at most 53 bits.
bool double_rounds(Decimal value)
{
    for (int i = 0; i < value.scale; ++i)
        if (value.magnitude.divide(5) != 0) return true;
    if (value.magnitude.is_zero()) return false;
    for (;;) {
        Magnitude halved = value.magnitude;
        if (halved.divide(2) != 0) break;
        value.magnitude = halved;
    }
    return !value.magnitude.below_two_to_53();
}

// The argument's value, through the reference when there is one, read where it lies (a
// client's reference need not be aligned).
template <class T> T value_of(const VARIANT &arg, const T &by_value)
{
    if (!(arg.vt & VT_BYREF)) return by_value;
    if (!arg.byref) throw new TavlinEx("Unable to coerce parameter data: a reference to nothing.");
    return read_unaligned<T>(arg.byref);
}

}  // namespace

std::string currency_text(const CY &value)
{
    std::string text = text_of(of_currency(value));
    // "19.9900" is 19.99: a currency's four places are its type's, not the client's.
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text;
}

std::string decimal_text(const DECIMAL &value) { return text_of(of_decimal(value)); }

bool double_rounds_currency(const CY &value) { return double_rounds(of_currency(value)); }

bool double_rounds_decimal(const DECIMAL &value) { return double_rounds(of_decimal(value)); }

std::string exact_decimal_text(const VARIANT &arg)
{
    if ((arg.vt & ~VT_BYREF) == VT_CY) return currency_text(value_of(arg, arg.cyVal));
    return decimal_text(value_of(arg, arg.decVal));
}

LocalRef<jobject> new_big_decimal(JNIEnv *env, const VARIANT &arg)
{
    const LocalRef<jstring> text = jni::new_string_utf(env, exact_decimal_text(arg).c_str());
    return jni::new_object(env, java_reflect.big_decimal_class, java_reflect.big_decimal_init, text.get());
}

}  // namespace tavlin
