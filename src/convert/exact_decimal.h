// A currency or a decimal as the exact number it is. Both are decimal fractions, which a
// double only approximates (CCur(19.99) is 19.989999999999998436805981327779591083526611328125
// as a double), so where Java takes a BigDecimal, or text that it parses, they cross as their
// decimal digits.
#pragma once

#include <jni.h>

#include <string>

#include "javaref/local_ref.h"
#include "util/platform.h"

namespace tavlin {

// The value's digits as Java's BigDecimal(String) reads them ("-19.99", "20"): a currency with
// no trailing zeros in its fraction (it has no scale of its own), a decimal with its own scale.
// Never a locale's separators.
std::string currency_text(const CY &value);
std::string decimal_text(const DECIMAL &value);

// Whether no double holds the value exactly, so that a double would change it.
bool double_rounds_currency(const CY &value);
bool double_rounds_decimal(const DECIMAL &value);

// The exact text of a VT_CY or VT_DECIMAL argument (by value or by reference).
std::string exact_decimal_text(const VARIANT &arg);

// A new java.math.BigDecimal of a VT_CY or VT_DECIMAL argument's exact value. Throws TavlinEx*.
LocalRef<jobject> new_big_decimal(JNIEnv *env, const VARIANT &arg);

}  // namespace tavlin
