// The vocabulary of Java type names: array signatures from safe-array element types, and
// automation text to narrow strings.
#pragma once

#include "util/malloc_string.h"
#include "util/platform.h"

namespace tavlin {

// "[..." parameter types are returned as they are; otherwise `dimensions` "[" followed by
// the element descriptor for `element_vt` (VT_ARRAY and VT_BYREF already removed).
CMallocString build_array_signature(const char *type_name, unsigned dimensions, VARTYPE element_vt);

// BSTR to a new zero-terminated narrow string in `code_page`; null for a null, empty or
// unconvertible BSTR. The text ends at the first U+0000.
CMallocString bstr_to_multibyte(BSTR text, UINT code_page);

}  // namespace tavlin
