// A script engine's array object (a JScript array: an IDispatchEx object with a length and
// its elements as members "0", "1", ...) read into a safe array of Variants, so that it
// converts to a Java array exactly as a VBScript array would.
#pragma once

#include "util/holders.h"
#include "util/platform.h"

namespace tavlin {

// The elements of `object` as a one-dimensional safe array of Variants (lower bound 0), or
// null when the object is no such array: it has no length, or no element at some index below
// its length. Nested arrays stay objects inside the Variants, to be read in turn where their
// elements are converted. Throws TavlinEx* when the safe array cannot be made.
SafeArrayHolder script_array_elements(IDispatch *object);

}  // namespace tavlin
