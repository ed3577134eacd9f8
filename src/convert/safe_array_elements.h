// How a safe array describes the elements it holds, and new safe arrays whose sizes came from
// outside the bridge (a script's array, a Java array).
#pragma once

#include <vector>

#include "util/holders.h"
#include "util/platform.h"

namespace tavlin {

// How a safe array that really holds elements of `type` describes itself: the bytes per
// element, and the feature bit that tells the platform how to free them.
struct ElementDescription {
    VARTYPE type;
    ULONG size;  // 0: varies (records)
    USHORT kind;
};

// The description of `type`, or null for a type that no safe array holds.
const ElementDescription *element_description(VARTYPE type);

// A new safe array of `type` (a type of fixed size) with `bounds`, checked first: counts taken
// from a client or from Java are claims, and an array whose size in bytes does not fit the
// 32 bits a safe array's size is computed in is refused with "Array too large: ...". A failed
// allocation is an error too. Throws TavlinEx*.
SafeArrayHolder new_safe_array(VARTYPE type, std::vector<SAFEARRAYBOUND> bounds);

}  // namespace tavlin
