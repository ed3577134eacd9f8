#include "convert/type_names.h"

#include <cstdlib>
#include <cstring>

namespace tavlin {

namespace {

// The Java element type a safe array of `element_vt` becomes when the parameter leaves the
// choice to the argument. VT_UI1 is boolean and VT_I1 byte, the pairing the way back uses.
const char *element_descriptor(VARTYPE element_vt)
{
    switch (element_vt) {
    case VT_I2:
        return "S";
    case VT_I4:
        return "I";
    case VT_R4:
        return "F";
    case VT_R8:
        return "D";
    case VT_DATE:
        return "Ljava/util/Date;";
    case VT_BSTR:
        return "Ljava/lang/String;";
    case VT_BOOL:
        return "Z";
    case VT_I1:
        return "B";
    case VT_UI1:
        return "Z";
    case VT_UI2:
        return "C";
    default:
        return "Ljava/lang/Object;";
    }
}

char *malloc_copy(const char *text)
{
    size_t size = std::strlen(text) + 1;
    char *copy = static_cast<char *>(std::malloc(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

}  // namespace

CMallocString build_array_signature(const char *type_name, unsigned dimensions, VARTYPE element_vt)
{
    // An array parameter fixes the Java type whatever the safe array holds.
    if (type_name[0] == '[') return CMallocString(malloc_copy(type_name));

    const char *element = element_descriptor(element_vt);
    size_t element_size = std::strlen(element) + 1;
    char *signature = static_cast<char *>(std::malloc(dimensions + element_size));
    if (!signature) return CMallocString();
    std::memset(signature, '[', dimensions);
    std::memcpy(signature + dimensions, element, element_size);
    return CMallocString(signature);
}

CMallocString bstr_to_multibyte(BSTR text, UINT code_page)
{
    if (SysStringByteLen(text) == 0) return CMallocString();

    int needed = WideCharToMultiByte(code_page, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return CMallocString();
    char *narrow = static_cast<char *>(std::malloc(static_cast<size_t>(needed) + 1));
    if (!narrow) return CMallocString();
    // The terminator goes where the conversion stopped, so a conversion that fails here
    // gives an empty text rather than stray bytes.
    int written = WideCharToMultiByte(code_page, 0, text, -1, narrow, needed, nullptr, nullptr);
    narrow[written > 0 ? written : 0] = '\0';
    return CMallocString(narrow);
}

}  // namespace tavlin
