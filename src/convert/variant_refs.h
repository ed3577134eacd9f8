// Reading automation arguments that may come by reference.
#pragma once

#include "util/platform.h"

namespace tavlin {

// Automation passes a VARIANT by reference to say "the value is over there"; null stays null.
inline const VARIANT *through_variant_reference(const VARIANT *arg)
{
    return arg && arg->vt == (VT_BYREF | VT_VARIANT) ? arg->pvarVal : arg;
}

// The pointer-sized value of `arg` (a BSTR, an interface, a safe array), through the
// reference when VT_BYREF is set; null when the reference itself is null.
template <class T> T value_or_referenced(const VARIANT &arg, T by_value, T *by_reference)
{
    if (!(arg.vt & VT_BYREF)) return by_value;
    return by_reference ? *by_reference : nullptr;
}

}  // namespace tavlin
