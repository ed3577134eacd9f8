#include "test_values.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "bridge/proxy/proxy.h"
#include "com/interfaces.h"
#include "com_holders.h"

namespace convert_test {

namespace {

struct TypeName {
    const char *name;
    VARTYPE type;
};

const TypeName kTypeNames[] = {
    {"EMPTY", VT_EMPTY}, {"NULL", VT_NULL}, {"I2", VT_I2},           {"I4", VT_I4},           {"R4", VT_R4},
    {"R8", VT_R8},       {"CY", VT_CY},     {"DATE", VT_DATE},       {"BSTR", VT_BSTR},       {"DISPATCH", VT_DISPATCH},
    {"ERROR", VT_ERROR}, {"BOOL", VT_BOOL}, {"VARIANT", VT_VARIANT}, {"UNKNOWN", VT_UNKNOWN}, {"DECIMAL", VT_DECIMAL},
    {"I1", VT_I1},       {"UI1", VT_UI1},   {"UI2", VT_UI2},         {"UI4", VT_UI4},         {"I8", VT_I8},
    {"UI8", VT_UI8},     {"INT", VT_INT},   {"UINT", VT_UINT},
};

// "-12.5" as its digits with `places` digits after the point ("-125000" for 4), or with the
// text's own places when `places` is negative; the point is dropped.
struct DecimalDigits {
    std::string digits;
    int places;
};

DecimalDigits decimal_digits(const std::string &text, int places)
{
    const size_t point = text.find('.');
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (places >= 0) fraction.resize(places, '0');
    return {text.substr(0, point) + fraction, static_cast<int>(fraction.size())};
}

// A DECIMAL of the text's exact value and scale, its magnitude up to 96 bits.
DECIMAL decimal_of(const std::string &text)
{
    DECIMAL value{};
    const DecimalDigits decimal = decimal_digits(text, -1);
    value.scale = static_cast<BYTE>(decimal.places);
    for (char digit : decimal.digits) {
        if (digit == '-') {
            value.sign = DECIMAL_NEG;
            continue;
        }
        const uint64_t low = (value.Lo64 & 0xFFFFFFFFu) * 10 + static_cast<uint64_t>(digit - '0');
        const uint64_t middle = (value.Lo64 >> 32) * 10 + (low >> 32);
        value.Hi32 = value.Hi32 * 10 + static_cast<ULONG>(middle >> 32);
        value.Lo64 = (middle << 32) | (low & 0xFFFFFFFFu);
    }
    return value;
}

std::string name_of_type(VARTYPE type)
{
    for (const TypeName &entry : kTypeNames)
        if (entry.type == type) return entry.name;
    return "VT" + std::to_string(type);
}

// UTF-8 with "\0" standing for U+0000, to a BSTR of the whole text.
BSTR bstr_from_notation(const std::string &text)
{
    tavlin::OleString units;
    size_t start = 0;
    for (;;) {
        size_t nul = text.find("\\0", start);
        units += tavlin_test::wide(text.substr(start, nul == std::string::npos ? std::string::npos : nul - start));
        if (nul == std::string::npos) break;
        units += OLECHAR(0);
        start = nul + 2;
    }
    return SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
}

std::string escaped(const OLECHAR *units, size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        unsigned unit = static_cast<unsigned>(units[i]);
        if (unit >= 0x20 && unit < 0x7f && unit != '\\') {
            text += static_cast<char>(unit);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", unit);
            text += escape;
        }
    }
    return text;
}

template <class T> std::string shortest(T number)
{
    char buffer[64];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, number).ptr;
    return std::string(buffer, end);
}

std::string proxy_class(IDispatch *dispatch)
{
    if (!dispatch) return "null";
    void *found = nullptr;
    if (FAILED(dispatch->QueryInterface(IID_IProxy, &found))) return "foreign";
    auto *proxy = static_cast<IProxy *>(found);
    std::string name = static_cast<tavlin::CProxy *>(proxy)->class_name();
    proxy->Release();
    return name;
}

std::string describe_value(VARTYPE type, const void *value);

std::string describe_elements(SAFEARRAY *array, VARTYPE type, std::vector<LONG> &indices, size_t dimension)
{
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, static_cast<UINT>(dimension + 1), &lower);
    SafeArrayGetUBound(array, static_cast<UINT>(dimension + 1), &upper);
    std::string text = "{";
    for (LONG index = lower; index <= upper; ++index) {
        if (index > lower) text += ",";
        indices[dimension] = index;
        if (dimension + 1 < indices.size()) {
            text += describe_elements(array, type, indices, dimension + 1);
            continue;
        }
        void *element = nullptr;
        if (FAILED(SafeArrayPtrOfIndex(array, indices.data(), &element))) return text + "<bad index>}";
        text += type == VT_VARIANT ? describe_variant(*static_cast<VARIANT *>(element)) : describe_value(type, element);
    }
    return text + "}";
}

std::string describe_array(SAFEARRAY *array, VARTYPE type)
{
    if (!array) return "ARRAY " + name_of_type(type) + " null";
    UINT dimensions = SafeArrayGetDim(array);
    std::string text = "ARRAY " + name_of_type(type) + "[";
    for (UINT d = 1; d <= dimensions; ++d) {
        LONG lower = 0, upper = -1;
        SafeArrayGetLBound(array, d, &lower);
        SafeArrayGetUBound(array, d, &upper);
        if (d > 1) text += ",";
        text += std::to_string(upper - lower + 1);
        if (lower != 0) text += "@" + std::to_string(lower);
    }
    std::vector<LONG> indices(dimensions);
    return text + "]" + describe_elements(array, type, indices, 0);
}

template <class T> T read(const void *value)
{
    T result;
    std::memcpy(&result, value, sizeof result);
    return result;
}

std::string describe_value(VARTYPE type, const void *value)
{
    switch (type) {
    case VT_I1:
        return std::to_string(read<signed char>(value));
    case VT_UI1:
        return std::to_string(read<unsigned char>(value));
    case VT_I2:
    case VT_BOOL:
        return std::to_string(read<SHORT>(value));
    case VT_UI2:
        return std::to_string(read<USHORT>(value));
    case VT_I4:
        return std::to_string(read<LONG>(value));
    case VT_R4:
        return shortest(read<float>(value));
    case VT_R8:
        return shortest(read<double>(value));
    case VT_DATE: {
        char text[64];
        std::snprintf(text, sizeof text, "%.6f", read<double>(value));
        return text;
    }
    case VT_BSTR: {
        BSTR text = read<BSTR>(value);
        return text ? escaped(text, SysStringLen(text)) : "<null>";
    }
    case VT_DISPATCH:
        return proxy_class(read<IDispatch *>(value));
    default:
        return "?";
    }
}

}  // namespace

VARTYPE type_named(const std::string &name)
{
    for (const TypeName &entry : kTypeNames)
        if (name == entry.name) return entry.type;
    throw std::invalid_argument("unknown automation type " + name);
}

void set_variant(VARIANT *out, const std::string &notation)
{
    size_t colon = notation.find(':');
    VARTYPE type = type_named(notation.substr(0, colon));
    std::string text = colon == std::string::npos ? std::string() : notation.substr(colon + 1);
    VariantInit(out);
    switch (type) {
    case VT_I1:
        out->cVal = static_cast<CHAR>(std::stoll(text));
        break;
    case VT_UI1:
        out->bVal = static_cast<BYTE>(std::stoll(text));
        break;
    case VT_I2:
        out->iVal = static_cast<SHORT>(std::stoll(text));
        break;
    case VT_UI2:
        out->uiVal = static_cast<USHORT>(std::stoll(text));
        break;
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
        out->lVal = static_cast<LONG>(std::stoll(text));
        break;
    case VT_UI4:
    case VT_UINT:
        out->ulVal = static_cast<ULONG>(std::stoull(text));
        break;
    case VT_I8:
        out->llVal = std::stoll(text);
        break;
    case VT_UI8:
        out->ullVal = std::stoull(text);
        break;
    case VT_R4:
        out->fltVal = std::stof(text);
        break;
    case VT_R8:
    case VT_DATE:
        out->dblVal = std::stod(text);
        break;
    case VT_CY:
        out->cyVal.int64 = std::stoll(decimal_digits(text, 4).digits);
        break;
    case VT_BOOL:
        out->boolVal = text == "true"    ? VARIANT_TRUE
                       : text == "false" ? VARIANT_FALSE
                                         : static_cast<SHORT>(std::stoll(text));
        break;
    case VT_BSTR:
        out->bstrVal = colon == std::string::npos ? nullptr : bstr_from_notation(text);
        break;
    case VT_DECIMAL:
        out->decVal = decimal_of(text);
        break;
    default:
        break;
    }
    out->vt = type;
}

TestVariant::TestVariant(const std::string &notation)
{
    VariantInit(&outer_);
    VariantInit(&target_);
    if (notation[0] != '&') {
        set_variant(&outer_, notation);
        return;
    }
    if (notation.compare(1, 8, "VARIANT:") == 0) {
        inner_ = std::make_unique<TestVariant>(notation.substr(9));
        outer_.vt = VT_BYREF | VT_VARIANT;
        outer_.pvarVal = inner_->get();
        return;
    }
    set_variant(&target_, notation.substr(1));
    outer_.vt = static_cast<VARTYPE>(VT_BYREF | target_.vt);
    outer_.byref = &target_.lVal;
}

TestVariant::~TestVariant()
{
    VariantClear(&target_);
    if (!(outer_.vt & VT_BYREF)) VariantClear(&outer_);
}

tavlin::SafeArrayHolder make_array(VARTYPE element_type, std::initializer_list<SAFEARRAYBOUND> bounds)
{
    std::vector<SAFEARRAYBOUND> dimensions(bounds);
    return tavlin::SafeArrayHolder(
        SafeArrayCreate(element_type, static_cast<UINT>(dimensions.size()), dimensions.data()));
}

void put(SAFEARRAY *array, std::initializer_list<LONG> indices, const std::string &notation)
{
    std::vector<LONG> where(indices);
    VARTYPE type = VT_EMPTY;
    SafeArrayGetVartype(array, &type);
    TestVariant value(notation);
    HRESULT status;
    if (type == VT_VARIANT) {
        status = SafeArrayPutElement(array, where.data(), value.get());
    } else {
        VARIANT coerced;
        VariantInit(&coerced);
        if (FAILED(VariantChangeType(&coerced, value.get(), 0, type)))
            throw std::invalid_argument("cannot put " + notation);
        void *data = type == VT_BSTR || type == VT_DISPATCH || type == VT_UNKNOWN ? coerced.byref
                     : type == VT_DECIMAL                                         ? static_cast<void *>(&coerced.decVal)
                                                                                  : static_cast<void *>(&coerced.lVal);
        status = SafeArrayPutElement(array, where.data(), data);
        VariantClear(&coerced);
    }
    if (FAILED(status)) throw std::invalid_argument("cannot put " + notation);
}

tavlin::SafeArrayHolder vector_of(VARTYPE element_type, LONG lbound, std::initializer_list<const char *> notations)
{
    tavlin::SafeArrayHolder array =
        make_array(element_type, {SAFEARRAYBOUND{static_cast<ULONG>(notations.size()), lbound}});
    LONG index = lbound;
    for (const char *notation : notations) put(array.get(), {index++}, notation);
    return array;
}

std::string describe_variant(const VARIANT &value)
{
    if (value.vt & VT_ARRAY) return describe_array(value.parray, static_cast<VARTYPE>(value.vt & ~VT_ARRAY));
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) return name_of_type(value.vt);
    return name_of_type(value.vt) + ":" + describe_value(value.vt, &value.lVal);
}

}  // namespace convert_test
