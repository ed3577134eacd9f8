// Text forms of HRESULTs, type tags and VARIANT values that come out identical from both
// builds: numbers through std::to_chars, text with escapes, objects by name.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "conformance.h"

namespace conformance {
namespace {

struct Name {
    long code;
    const char *text;
};

const Name kHresults[] = {
    {S_OK, "S_OK"},
    {S_FALSE, "S_FALSE"},
    {static_cast<long>(E_NOTIMPL), "E_NOTIMPL"},
    {static_cast<long>(E_NOINTERFACE), "E_NOINTERFACE"},
    {static_cast<long>(E_POINTER), "E_POINTER"},
    {static_cast<long>(E_FAIL), "E_FAIL"},
    {static_cast<long>(E_UNEXPECTED), "E_UNEXPECTED"},
    {static_cast<long>(E_OUTOFMEMORY), "E_OUTOFMEMORY"},
    {static_cast<long>(E_INVALIDARG), "E_INVALIDARG"},
    {static_cast<long>(DISP_E_MEMBERNOTFOUND), "DISP_E_MEMBERNOTFOUND"},
    {static_cast<long>(DISP_E_TYPEMISMATCH), "DISP_E_TYPEMISMATCH"},
    {static_cast<long>(DISP_E_BADVARTYPE), "DISP_E_BADVARTYPE"},
    {static_cast<long>(DISP_E_OVERFLOW), "DISP_E_OVERFLOW"},
    {static_cast<long>(DISP_E_BADINDEX), "DISP_E_BADINDEX"},
    {static_cast<long>(DISP_E_ARRAYISLOCKED), "DISP_E_ARRAYISLOCKED"},
    {static_cast<long>(DISP_E_DIVBYZERO), "DISP_E_DIVBYZERO"},
    {static_cast<long>(DISP_E_UNKNOWNNAME), "DISP_E_UNKNOWNNAME"},
    {static_cast<long>(TYPE_E_ELEMENTNOTFOUND), "TYPE_E_ELEMENTNOTFOUND"},
    {static_cast<long>(TYPE_E_AMBIGUOUSNAME), "TYPE_E_AMBIGUOUSNAME"},
    {static_cast<long>(TYPE_E_NAMECONFLICT), "TYPE_E_NAMECONFLICT"},
    {static_cast<long>(TYPE_E_TYPEMISMATCH), "TYPE_E_TYPEMISMATCH"},
    {static_cast<long>(TYPE_E_BADMODULEKIND), "TYPE_E_BADMODULEKIND"},
    {static_cast<long>(TYPE_E_INCONSISTENTPROPFUNCS), "TYPE_E_INCONSISTENTPROPFUNCS"},
    {static_cast<long>(TYPE_E_LIBNOTREGISTERED), "TYPE_E_LIBNOTREGISTERED"},
    {static_cast<long>(TYPE_E_CANTLOADLIBRARY), "TYPE_E_CANTLOADLIBRARY"},
};

const char *const kTypeNames[] = {
    "VT_EMPTY", "VT_NULL",     "VT_I2",    "VT_I4",        "VT_R4",      "VT_R8",          "VT_CY",      "VT_DATE",
    "VT_BSTR",  "VT_DISPATCH", "VT_ERROR", "VT_BOOL",      "VT_VARIANT", "VT_UNKNOWN",     "VT_DECIMAL", "VT_15",
    "VT_I1",    "VT_UI1",      "VT_UI2",   "VT_UI4",       "VT_I8",      "VT_UI8",         "VT_INT",     "VT_UINT",
    "VT_VOID",  "VT_HRESULT",  "VT_PTR",   "VT_SAFEARRAY", "VT_CARRAY",  "VT_USERDEFINED", "VT_LPSTR",   "VT_LPWSTR",
};

std::map<const void *, std::string> &object_names()
{
    static std::map<const void *, std::string> names;
    return names;
}

std::string object_text(const void *object)
{
    if (!object) return "null";
    auto found = object_names().find(object);
    return found != object_names().end() ? found->second : "unknown object";
}

template <typename Number> std::string decimal(Number value)
{
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

template <typename Real> std::string real_of(Real value)
{
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

std::string decimal_text(const DECIMAL &d)
{
    std::string sign = d.sign == 0 ? "+" : d.sign == DECIMAL_NEG ? "-" : "sign=" + hex(d.sign);
    return sign + " scale=" + decimal(static_cast<int>(d.scale)) +
           " hi=" + decimal(static_cast<unsigned long>(d.Hi32)) +
           " lo=" + decimal(static_cast<unsigned long long>(d.Lo64));
}

std::string array_text(const SAFEARRAY *array)
{
    if (!array) return "null";
    std::string text = "dims=" + decimal(array->cDims) + " features=" + hex(array->fFeatures) +
                       " size=" + decimal(static_cast<unsigned long>(array->cbElements));
    for (USHORT d = 0; d < array->cDims; ++d)
        text += " [" + decimal(static_cast<long>(array->rgsabound[d].lLbound)) + "+" +
                decimal(static_cast<unsigned long>(array->rgsabound[d].cElements)) + "]";
    if (array->cDims == 1 && array->cbElements == 1) {
        text += " bytes=";
        const unsigned char *bytes = static_cast<const unsigned char *>(array->pvData);
        for (ULONG i = 0; i < array->rgsabound[0].cElements; ++i)
            text += hex(bytes[i]).substr(2) + (i + 1 < array->rgsabound[0].cElements ? "," : "");
    }
    return text;
}

// The value of a by-value VARIANT, or of what a reference points to.
std::string value_text(VARTYPE base, const void *data)
{
    auto as = [data](auto sample) {
        decltype(sample) value;
        std::memcpy(&value, data, sizeof value);
        return value;
    };
    switch (base) {
    case VT_EMPTY:
    case VT_NULL:
        return "";
    case VT_I1:
        return decimal(static_cast<int>(as(static_cast<signed char>(0))));
    case VT_UI1:
        return decimal(static_cast<unsigned>(as(static_cast<unsigned char>(0))));
    case VT_I2:
    case VT_BOOL:
        return decimal(as(static_cast<short>(0)));
    case VT_UI2:
        return decimal(as(static_cast<unsigned short>(0)));
    case VT_I4:
    case VT_INT:
        return decimal(as(static_cast<int32_t>(0)));
    case VT_UI4:
    case VT_UINT:
        return decimal(as(static_cast<uint32_t>(0)));
    case VT_ERROR:
        return hex(as(static_cast<uint32_t>(0)));
    case VT_I8:
        return decimal(as(static_cast<long long>(0)));
    case VT_UI8:
        return decimal(as(static_cast<unsigned long long>(0)));
    case VT_R4:
        return real_of(as(0.0f));
    case VT_R8:
    case VT_DATE:
        return real_of(as(0.0));
    case VT_CY:
        return "cy " + decimal(as(static_cast<long long>(0)));
    case VT_BSTR:
        return bstr_text(as(static_cast<BSTR>(nullptr)));
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return object_text(as(static_cast<void *>(nullptr)));
    default:
        return "?";
    }
}

}  // namespace

void Rows::add(const std::string &key, const std::string &result)
{
    if (!index_.emplace(key, rows_.size()).second) {
        std::fprintf(stderr, "duplicate row: %s\n", key.c_str());
        std::exit(2);
    }
    rows_.push_back({key, result});
}

void name_object(const void *object, const std::string &name) { object_names()[object] = name; }

std::string hex(uint64_t value)
{
    char buffer[24] = "0x";
    return std::string(buffer, std::to_chars(buffer + 2, buffer + sizeof buffer, value, 16).ptr);
}

std::string guid_text(const GUID &guid)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::string hresult_text(HRESULT hr)
{
    for (const Name &name : kHresults)
        if (name.code == static_cast<long>(hr)) return name.text;
    return "HRESULT " + hex(static_cast<uint32_t>(hr));
}

std::string vartype_text(VARTYPE vt)
{
    std::string text;
    const struct {
        VARTYPE bit;
        const char *name;
    } modifiers[] = {
        {VT_RESERVED, "VT_RESERVED|"}, {VT_BYREF, "VT_BYREF|"}, {VT_ARRAY, "VT_ARRAY|"}, {VT_VECTOR, "VT_VECTOR|"}};
    for (const auto &modifier : modifiers)
        if (vt & modifier.bit) text += modifier.name;
    const VARTYPE base = vt & VT_TYPEMASK;
    if (base < sizeof kTypeNames / sizeof kTypeNames[0]) return text + kTypeNames[base];
    switch (base) {
    case VT_RECORD:
        return text + "VT_RECORD";
    case VT_INT_PTR:
        return text + "VT_INT_PTR";
    case VT_UINT_PTR:
        return text + "VT_UINT_PTR";
    case VT_CLSID:
        return text + "VT_CLSID";
    default:
        return text + "VT_" + decimal(static_cast<unsigned>(base));
    }
}

std::string real_text(double value) { return real_of(value); }

std::string real_text(float value) { return real_of(value); }

std::string quoted(const OLECHAR *text, size_t length)
{
    std::string out = "\"";
    for (size_t i = 0; i < length; ++i) {
        const unsigned c = static_cast<uint16_t>(text[i]);
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            const std::string digits = hex(c).substr(2);
            out += "\\u" + std::string(4 - digits.size(), '0') + digits;
        }
    }
    return out + "\"";
}

std::string bstr_text(BSTR bstr) { return bstr ? quoted(bstr, SysStringLen(bstr)) : "null"; }

std::string describe(const VARIANT &v)
{
    const VARTYPE vt = V_VT(&v);
    const VARTYPE base = vt & VT_TYPEMASK;
    std::string text = vartype_text(vt);
    if (vt & VT_ARRAY)
        return text + "(" + array_text((vt & VT_BYREF) ? (v.pparray ? *v.pparray : nullptr) : v.parray) + ")";
    if (base == VT_DECIMAL && !(vt & VT_BYREF)) return text + "(" + decimal_text(v.decVal) + ")";
    if (vt & VT_BYREF) {
        if (!v.byref) return text + "(null reference)";
        if (base == VT_VARIANT) return text + "(->" + describe(*static_cast<const VARIANT *>(v.byref)) + ")";
        if (base == VT_DECIMAL) return text + "(->" + decimal_text(*static_cast<const DECIMAL *>(v.byref)) + ")";
        return text + "(->" + value_text(base, v.byref) + ")";
    }
    const std::string value = value_text(base, &v.llVal);
    return value.empty() ? text : text + "(" + value + ")";
}

BSTR make_bstr(const char16_t *text) { return text ? make_bstr(std::u16string(text)) : nullptr; }

BSTR make_bstr(const std::u16string &text)
{
    std::vector<OLECHAR> units(text.begin(), text.end());
    return SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
}

VARIANT variant_of(VARTYPE vt)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = vt;
    return v;
}

}  // namespace conformance
