#include "convert/safe_array_elements.h"

#include <cstdint>
#include <string>

#include "errors/tavlin_ex.h"

namespace tavlin {

namespace {

const ElementDescription kElementDescriptions[] = {
    {VT_I1, 1, 0},
    {VT_UI1, 1, 0},
    {VT_I2, 2, 0},
    {VT_UI2, 2, 0},
    {VT_BOOL, 2, 0},
    {VT_I4, 4, 0},
    {VT_UI4, 4, 0},
    {VT_INT, 4, 0},
    {VT_UINT, 4, 0},
    {VT_R4, 4, 0},
    {VT_ERROR, 4, 0},
    {VT_I8, 8, 0},
    {VT_UI8, 8, 0},
    {VT_R8, 8, 0},
    {VT_CY, 8, 0},
    {VT_DATE, 8, 0},
    {VT_DECIMAL, sizeof(DECIMAL), 0},
    {VT_BSTR, sizeof(BSTR), FADF_BSTR},
    {VT_DISPATCH, sizeof(IDispatch *), FADF_DISPATCH},
    {VT_UNKNOWN, sizeof(IUnknown *), FADF_UNKNOWN},
    {VT_VARIANT, sizeof(VARIANT), FADF_VARIANT},
    {VT_RECORD, 0, FADF_RECORD},
};

// oleaut32 multiplies the counts by the element size in 32 bits: a product beyond them would
// allocate a short block and write past it. The byte size bounds the element count as well.
bool fits_32_bit_size(ULONG element_size, const std::vector<SAFEARRAYBOUND> &bounds)
{
    for (const SAFEARRAYBOUND &bound : bounds)
        if (bound.cElements == 0) return true;
    uint64_t bytes = element_size;
    for (const SAFEARRAYBOUND &bound : bounds) {
        bytes *= bound.cElements;  // both factors below 2^32: no overflow
        if (bytes > UINT32_MAX) return false;
    }
    return true;
}

// "32768 x 32768", as an error shows an array's shape.
std::string shape_of(const std::vector<SAFEARRAYBOUND> &bounds)
{
    std::string shape;
    for (const SAFEARRAYBOUND &bound : bounds) {
        if (!shape.empty()) shape += " x ";
        shape += std::to_string(bound.cElements);
    }
    return shape;
}

}  // namespace

const ElementDescription *element_description(VARTYPE type)
{
    for (const ElementDescription &row : kElementDescriptions)
        if (row.type == type) return &row;
    return nullptr;
}

SafeArrayHolder new_safe_array(VARTYPE type, std::vector<SAFEARRAYBOUND> bounds)
{
    const ULONG element_size = element_description(type)->size;
    if (!fits_32_bit_size(element_size, bounds))
        TavlinEx::raise("Array too large: %s elements of %u bytes.", shape_of(bounds).c_str(),
                        static_cast<unsigned>(element_size));
    SafeArrayHolder array(SafeArrayCreate(type, static_cast<UINT>(bounds.size()), bounds.data()));
    if (!array) throw new TavlinEx("Unable to allocate safearray.");
    return array;
}

}  // namespace tavlin
