// Automation values for the conversion tables, written as short texts, and automation
// values described as text for comparing.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "util/holders.h"
#include "util/platform.h"

namespace convert_test {

// One automation argument from a text: "I4:7", "R8:2.9", "BSTR:abc", "BOOL:true",
// "EMPTY", "NULL", "CY:1"; "&I4:5" is the same value by reference, "&VARIANT:BSTR:x" a
// VT_BYREF|VT_VARIANT pointing at it. BSTR text is UTF-8, with "\0" for U+0000.
class TestVariant {
public:
    explicit TestVariant(const std::string &notation);
    ~TestVariant();
    TestVariant(const TestVariant &) = delete;
    TestVariant &operator=(const TestVariant &) = delete;

    VARIANT *get() { return &outer_; }

private:
    VARIANT outer_;
    VARIANT target_;                      // what a by-reference value points at
    std::unique_ptr<TestVariant> inner_;  // what a by-reference VARIANT points at
};

// Sets `out` to the by-value argument a notation ("I4:7") names.
void set_variant(VARIANT *out, const std::string &notation);
VARTYPE type_named(const std::string &name);

// A safe array of `element_type` with the given bounds (leftmost dimension first).
tavlin::SafeArrayHolder make_array(VARTYPE element_type, std::initializer_list<SAFEARRAYBOUND> bounds);
// Sets element `indices` (leftmost first) from a value notation ("I4:7"), coerced to the
// array's element type; VARIANT arrays keep the value as it is.
void put(SAFEARRAY *array, std::initializer_list<LONG> indices, const std::string &notation);
// A one-dimensional array of `element_type` from lower bound `lbound`, elements from notations.
tavlin::SafeArrayHolder vector_of(VARTYPE element_type, LONG lbound, std::initializer_list<const char *> notations);

// "I4:7", "BSTR:a\u00e9", "DATE:36526.500000", "DISPATCH:java/util/ArrayList",
// "ARRAY I4[2,3]{{1,2,3},{4,5,6}}" (outermost index first), "EMPTY".
std::string describe_variant(const VARIANT &value);

}  // namespace convert_test
