// The pieces of VariantChangeTypeEx: each converts one by-value source to one target type
// and writes only the value part of the destination, leaving it alone on failure.
#pragma once

#include <cstdint>
#include <string>

#include <tavlinport/oleauto.h>

namespace tavlinport {

using Text = std::u16string;

// oleaut32's limits for reals: a float's largest value rounded up in the last digits
// written, and the smallest denormals rather than the smallest normal numbers.
constexpr double kFloatMax = 3.402823567797336e38;
constexpr double kFloatMin = 1.40129846432481707e-45;
constexpr double kDoubleMax = 1.79769313486231470e+308;
constexpr double kDoubleMin = 4.94065645841246544e-324;

// Number to number (and empty to number): integers, reals, dates, booleans, currency and
// decimals, with oleaut32's range checks and rounding.
HRESULT coerce_number(VARIANT *out, const VARIANT *in, VARTYPE target);

// Text to a number, a date or a boolean.
HRESULT number_from_text(const OLECHAR *text, VARTYPE target, VARIANT *out);
HRESULT bool_from_text(const OLECHAR *text, VARIANT_BOOL *out);
HRESULT date_from_text(const OLECHAR *text, DATE *out);

// Values to text as oleaut32 writes them for locale 0x0409.
Text integer_text(bool negative, uint64_t magnitude);
Text real_text(double value, int significant_digits);
Text date_text(DATE date, bool *ok);

// The space characters that numbers and dates may be surrounded or split by.
bool is_text_space(OLECHAR c);

// Integer values with their sign kept apart, so that every 64-bit value of either
// signedness fits.
struct WholeNumber {
    bool negative;
    uint64_t magnitude;
};

// Reads the integer types and VT_BOOL (as the 16-bit integer it is stored as); false for
// any other type.
bool read_whole_number(const VARIANT *in, WholeNumber *out);

// DECIMAL arithmetic (decimal.cpp).
HRESULT decimal_to_double(const DECIMAL &decimal, double *out);
HRESULT decimal_from_double(double value, DECIMAL *out);
HRESULT decimal_from_float(float value, DECIMAL *out);
HRESULT decimal_from_whole(WholeNumber value, DECIMAL *out);
// ±digits followed by zeros_after zeros, divided by 10^scale.
HRESULT decimal_from_digits(const uint8_t *digits, int count, int zeros_after, int scale, bool negative, DECIMAL *out);
HRESULT decimal_to_currency(const DECIMAL &decimal, CY *out);
Text decimal_text(const DECIMAL &decimal);
Text currency_text(CY currency);

// Currency from a double, rounded half to even in the x87's extended precision as oleaut32
// does; DISP_E_OVERFLOW outside the 64-bit range (NaN included).
HRESULT currency_from_double(double value, CY *out);

}  // namespace tavlinport
