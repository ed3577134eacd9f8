// VariantClear, VariantCopy and VariantCopyInd for every type tag, and the BSTR functions.
#include <cstring>

#include "conformance.h"

namespace conformance {
namespace {

const VARTYPE kModifiers[] = {0, VT_BYREF, VT_ARRAY, VT_BYREF | VT_ARRAY, VT_VECTOR, VT_RESERVED};

// A VARIANT of the given tag whose pointers, if any, lead to zeroed storage.
VARIANT zero_variant(VARTYPE vt, void *storage)
{
    VARIANT v = variant_of(vt);
    if (vt & VT_BYREF) V_BYREF(&v) = storage;
    return v;
}

template <typename Operation> void for_each_tag(Operation operation)
{
    for (VARTYPE modifier : kModifiers)
        for (VARTYPE base = 0; base <= 73; ++base)
            if (base != VT_RECORD)  // records are outside this port
                operation(static_cast<VARTYPE>(base | modifier));
}

void add_clear_rows(Rows &rows)
{
    for_each_tag([&](VARTYPE vt) {
        alignas(16) char storage[64] = {};
        VARIANT v = zero_variant(vt, storage);
        const HRESULT hr = VariantClear(&v);
        rows.add("clear " + vartype_text(vt), hresult_text(hr) + " " + vartype_text(V_VT(&v)));
    });
}

void add_copy_rows(Rows &rows)
{
    for_each_tag([&](VARTYPE vt) {
        alignas(16) char storage[64] = {};
        VARIANT source = zero_variant(vt, storage);
        VARIANT copy = variant_of(VT_EMPTY);
        HRESULT hr = VariantCopy(&copy, &source);
        rows.add("copy " + vartype_text(vt), hresult_text(hr) + " " + vartype_text(V_VT(&copy)));
        VariantClear(&copy);
        hr = VariantCopyInd(&copy, &source);
        rows.add("copy indirect " + vartype_text(vt), hresult_text(hr) + " " + describe(copy));
        VariantClear(&copy);
    });
}

void add_copy_value_rows(Rows &rows)
{
    VARIANT text = variant_of(VT_BSTR);
    V_BSTR(&text) = make_bstr(u"a\u0000b");
    VARIANT empty_text = variant_of(VT_BSTR);
    VARIANT decimal = variant_of(VT_EMPTY);
    decimal.decVal.scale = 3;
    decimal.decVal.sign = DECIMAL_NEG;
    decimal.decVal.Lo64 = 1234;
    V_VT(&decimal) = VT_DECIMAL;
    VARIANT nested = variant_of(VT_VARIANT | VT_BYREF);
    V_VARIANTREF(&nested) = &text;
    VARIANT twice = variant_of(VT_VARIANT | VT_BYREF);
    V_VARIANTREF(&twice) = &nested;
    DECIMAL referenced = decimal.decVal;
    VARIANT decimal_reference = variant_of(VT_DECIMAL | VT_BYREF);
    decimal_reference.pdecVal = &referenced;
    for (VARIANT *source : {&text, &empty_text, &decimal, &nested, &twice, &decimal_reference}) {
        VARIANT copy = variant_of(VT_EMPTY);
        HRESULT hr = VariantCopy(&copy, source);
        rows.add("copy " + describe(*source), hresult_text(hr) + " " + describe(copy));
        VariantClear(&copy);
        hr = VariantCopyInd(&copy, source);
        rows.add("copy indirect " + describe(*source), hresult_text(hr) + " " + describe(copy));
        VariantClear(&copy);
    }
    VariantClear(&text);
}

void add_bstr_rows(Rows &rows)
{
    const struct {
        const char *label;
        BSTR bstr;
    } strings[] = {
        {"SysAllocString(\"abc\")", make_bstr(u"abc")},
        {"SysAllocString(\"\")", make_bstr(u"")},
        {"SysAllocStringLen(null, 3)", SysAllocStringLen(nullptr, 3)},
        {"SysAllocStringByteLen(\"abc\", 3)", SysAllocStringByteLen("abc", 3)},
        {"SysAllocStringByteLen(null, 5)", SysAllocStringByteLen(nullptr, 5)},
        {"SysAllocStringByteLen(\"abcd\", 2)", SysAllocStringByteLen("abcd", 2)},
    };
    for (const auto &entry : strings) {
        uint32_t prefix = 0;
        if (entry.bstr) std::memcpy(&prefix, reinterpret_cast<const char *>(entry.bstr) - 4, 4);
        const unsigned char *bytes = reinterpret_cast<const unsigned char *>(entry.bstr);
        const UINT byte_length = SysStringByteLen(entry.bstr);
        rows.add(std::string("bstr ") + entry.label,
                 "len=" + std::to_string(SysStringLen(entry.bstr)) + " bytes=" + std::to_string(byte_length) +
                     " prefix=" + std::to_string(prefix) + " terminator=" + hex(bytes[byte_length]) + "," +
                     hex(bytes[byte_length + 1]));
        SysFreeString(entry.bstr);
    }
    rows.add("bstr SysStringLen(null)", std::to_string(SysStringLen(nullptr)));
    rows.add("bstr SysStringByteLen(null)", std::to_string(SysStringByteLen(nullptr)));
    rows.add("bstr SysAllocString(null)", SysAllocString(nullptr) ? "not null" : "null");
    BSTR reallocated = make_bstr(u"abcdef");
    const INT shorter = SysReAllocStringLen(&reallocated, nullptr, 3);
    rows.add("bstr SysReAllocStringLen(\"abcdef\", null, 3)", std::to_string(shorter) + " " + bstr_text(reallocated));
    BSTR replacement = make_bstr(u"xyz");
    const INT replaced = SysReAllocString(&reallocated, replacement);
    rows.add("bstr SysReAllocString(\"abc\", \"xyz\")", std::to_string(replaced) + " " + bstr_text(reallocated));
    SysFreeString(replacement);
    SysFreeString(reallocated);
}

}  // namespace

void add_variant_rows(Rows &rows)
{
    add_clear_rows(rows);
    add_copy_rows(rows);
    add_copy_value_rows(rows);
    add_bstr_rows(rows);
}

}  // namespace conformance
