// VariantChangeType(Ex) rows: every source type with its edge values crossed with every
// target type, then flags, the user's default locale, in-place conversion, references and
// type tags that are not valid.
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "conformance.h"
#include "objects.h"

namespace conformance {
namespace {

constexpr LCID kEnglishUs = 0x0409;

template <typename T> void add_values(std::vector<VARIANT> &sources, VARTYPE vt, std::initializer_list<T> values)
{
    for (T value : values) {
        VARIANT v = variant_of(vt);
        std::memcpy(&v.llVal, &value, sizeof value);
        sources.push_back(v);
    }
}

void add_texts(std::vector<VARIANT> &sources, std::initializer_list<const char16_t *> texts)
{
    for (const char16_t *text : texts) {
        VARIANT v = variant_of(VT_BSTR);
        V_BSTR(&v) = make_bstr(text);
        sources.push_back(v);
    }
}

struct DecimalValue {
    BYTE sign, scale;
    ULONG hi;
    ULONGLONG lo;
};

void add_decimals(std::vector<VARIANT> &sources, std::initializer_list<DecimalValue> values)
{
    for (const DecimalValue &value : values) {
        VARIANT v;
        VariantInit(&v);
        v.decVal.sign = value.sign;
        v.decVal.scale = value.scale;
        v.decVal.Hi32 = value.hi;
        v.decVal.Lo64 = value.lo;
        V_VT(&v) = VT_DECIMAL;
        sources.push_back(v);
    }
}

VARIANT value_of(VARTYPE vt, double number)
{
    VARIANT v = variant_of(vt);
    switch (vt) {
    case VT_I4:
        V_I4(&v) = static_cast<LONG>(number);
        break;
    case VT_BOOL:
        V_BOOL(&v) = number ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    default:
        V_R8(&v) = number;
        break;
    }
    return v;
}

VARIANT text_value(const char16_t *text)
{
    VARIANT v = variant_of(VT_BSTR);
    V_BSTR(&v) = make_bstr(text);
    return v;
}

VARIANT object_value(VARTYPE vt, IUnknown *object)
{
    VARIANT v = variant_of(vt);
    V_UNKNOWN(&v) = object;
    return v;
}

// Objects whose default member answers the values that sources of other types cover.
std::vector<IUnknown *> &value_objects()
{
    static ValueObject objects[] = {
        {"object answering VT_I4(42)", value_of(VT_I4, 42)},
        {"object answering VT_BSTR(\"2.5\")", text_value(u"2.5")},
        {"object answering VT_BOOL(-1)", value_of(VT_BOOL, 1)},
        {"object answering VT_R8(1e10)", value_of(VT_R8, 1e10)},
        {"object answering VT_DATE(36526.5)", value_of(VT_DATE, 36526.5)},
        {"object answering VT_NULL", variant_of(VT_NULL)},
        {"object without a default member", variant_of(VT_EMPTY)},
    };
    static std::vector<IUnknown *> pointers;
    if (pointers.empty())
        for (ValueObject &object : objects) pointers.push_back(&object);
    return pointers;
}

IUnknown *plain_object()
{
    static PlainObject object("object without IDispatch");
    return &object;
}

std::vector<VARIANT> integer_sources()
{
    std::vector<VARIANT> s;
    add_values<signed char>(s, VT_I1, {0, 1, -1, 65, 127, -128});
    add_values<short>(s, VT_I2, {0, 1, -1, 127, 128, -128, -129, 255, 256, 32767, -32768});
    add_values<int32_t>(s, VT_I4,
                        {0, 1, -1, 255, 256, 32767, 32768, -32769, 65535, 65536, 2958465, 2958466, -657434, -657435,
                         2147483647, -2147483647 - 1});
    add_values<long long>(s, VT_I8,
                          {0LL, -1LL, 127LL, 70000LL, 2147483647LL, 2147483648LL, -2147483649LL, 4294967295LL,
                           4294967296LL, 922337203685476LL, 922337203685477LL, -922337203685476LL, -922337203685477LL,
                           2958466LL, 16777217LL, 9007199254740993LL, INT64_MAX, INT64_MIN});
    add_values<unsigned char>(s, VT_UI1, {0, 1, 127, 128, 255});
    add_values<unsigned short>(s, VT_UI2, {0, 127, 128, 255, 256, 32767, 32768, 65535});
    add_values<uint32_t>(s, VT_UI4, {0u, 255u, 65535u, 65536u, 2147483647u, 2147483648u, 4294967295u});
    add_values<unsigned long long>(s, VT_UI8,
                                   {0ULL, 255ULL, 70000ULL, 4294967295ULL, 4294967296ULL, 922337203685477ULL,
                                    922337203685478ULL, 2958466ULL, 9223372036854775807ULL, 9223372036854775808ULL,
                                    UINT64_MAX});
    add_values<int32_t>(s, VT_INT, {-1, 70000});
    add_values<uint32_t>(s, VT_UINT, {5u, 4294967295u});
    add_values<short>(s, VT_BOOL, {0, -1, 1, 5});
    return s;
}

std::vector<VARIANT> real_sources()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<VARIANT> s;
    add_values<float>(s, VT_R4,
                      {0.0f, -0.0f, 0.5f, -0.5f, 1.5f, 2.5f, -2.5f, 127.5f, 255.5f, 0.1f, 1e10f, 3.4028235e38f, 1e-40f,
                       16777216.0f, static_cast<float>(nan), static_cast<float>(-nan), static_cast<float>(inf),
                       static_cast<float>(-inf)});
    add_values<double>(s, VT_R8,
                       {0.0,
                        -0.0,
                        0.5,
                        -0.5,
                        1.5,
                        -1.5,
                        2.5,
                        -2.5,
                        3.5,
                        0.49999999999999994,
                        127.5,
                        127.49999,
                        -128.5,
                        -128.50001,
                        255.5,
                        -0.50001,
                        32767.5,
                        -32768.5,
                        65535.5,
                        2147483647.4,
                        2147483647.5,
                        -2147483648.5,
                        -2147483648.6,
                        4294967295.5,
                        4611686018427387904.0,
                        4611686018427386880.0,
                        -4611686018427387904.0,
                        1.844674407370955e19,
                        1.8446744073709552e19,
                        922337203685477.5807,
                        -922337203685477.5808,
                        1e10,
                        1e15,
                        1e16,
                        123456789012345678.0,
                        1e300,
                        -1e300,
                        1e-300,
                        5e-324,
                        3.4028234663852886e38,
                        3.4028235677973362e38,
                        3.4028235677973366e38,
                        3.5e38,
                        1e-40,
                        0.1,
                        1.0 / 3.0,
                        2.0 / 3.0,
                        123456.5,
                        -123456.5,
                        2958465.9999,
                        2958466.0,
                        -657434.99,
                        -657435.0,
                        nan,
                        -nan,
                        inf,
                        -inf});
    add_values<double>(s, VT_DATE,
                       {0.0, 1.0, 1.5, -1.25, -0.5, 0.25, 36526.5, 36526.999999, 2958465.0, 2958465.5, -657434.0,
                        -657434.5, 2958466.0, -657435.0, 1.0 / 86400.0, 0.5 / 86400.0, 0.9999999999, nan});
    add_values<long long>(s, VT_CY,
                          {0LL, 10000LL, -10000LL, 15000LL, -15000LL, 25000LL, -25000LL, 5000LL, -5000LL, 4999LL,
                           -5001LL, 1275000LL, 1285000LL, -1285000LL, 12345678LL, 21474836475000LL, 655355000LL,
                           INT64_MAX, INT64_MIN});
    add_decimals(s, {{0, 0, 0, 0},
                     {0, 1, 0, 25},
                     {DECIMAL_NEG, 1, 0, 25},
                     {0, 1, 0, 15},
                     {0, 1, 0, 35},
                     {0, 1, 0, 5},
                     {DECIMAL_NEG, 1, 0, 5},
                     {0, 1, 0, 1275},
                     {0, 0, 0, 12345678901234567890ULL},
                     {0, 0, 0, 9223372036854775808ULL},
                     {DECIMAL_NEG, 0, 0, 9223372036854775808ULL},
                     {0, 0, 1, 0},
                     {0, 0, 0xFFFFFFFF, UINT64_MAX},
                     {DECIMAL_NEG, 28, 0xFFFFFFFF, UINT64_MAX},
                     {0, 28, 0, 1},
                     {0, 4, 0, 1},
                     {0, 5, 0, 123456},
                     {0, 6, 0, 1234549},
                     {0x01, 0, 0, 1},
                     {0, 29, 0, 1}});
    return s;
}

std::vector<VARIANT> text_sources()
{
    std::vector<VARIANT> s;
    add_texts(s, {u"12",
                  u" 12 ",
                  u"\t12\n",
                  u"\u00a012",
                  u"\u300012",
                  u"1e3",
                  u"1E+3",
                  u"1.5e-3",
                  u"1e",
                  u"1e+",
                  u"0x10",
                  u"&H10",
                  u"&hff",
                  u"&HFFFF",
                  u"&H80000000",
                  u"&HFFFFFFFF",
                  u"&HFFFFFFFFFFFFFFFF",
                  u"&H10000000000000000",
                  u"&O17",
                  u"&o18",
                  u"-&H10",
                  u"abc",
                  u"",
                  u"1 2",
                  u"True",
                  u"true",
                  u"FALSE",
                  u"#TRUE#",
                  u"#FALSE#",
                  u"#true#",
                  u" True",
                  u"2.5",
                  u"-2.5",
                  u"1.5",
                  u"0.5",
                  u"-0.5",
                  u"3.5",
                  u"0.06",
                  u".5",
                  u"1.",
                  u"-0",
                  u"127.5",
                  u"128",
                  u"-129",
                  u"255",
                  u"256",
                  u"32768",
                  u"65536",
                  u"2147483648",
                  u"-2147483649",
                  u"4294967296",
                  u"9223372036854775808",
                  u"18446744073709551616",
                  u"1e308",
                  u"1e309",
                  u"1e-320",
                  u"3.4028236e38",
                  u"1e-40",
                  u"1e-330",
                  u"1e-324",
                  u"4e-324",
                  u"3.4028235e38",
                  u"3.402823567797336e38",
                  u"1e-45",
                  u"7e-46",
                  u"12345678901234567890123",
                  u"0.1",
                  u"0.30000000000000004",
                  u"1,000",
                  u",1",
                  u"1,",
                  u"$12",
                  u"12$",
                  u"(12)",
                  u"12-",
                  u"+-1",
                  u"1++",
                  u"2000-01-01",
                  u"1/2/2000",
                  u"1/2/2000 3:04:05 PM",
                  u"2000-01-01 10:00:00",
                  u"2000-01-01T10:00:00",
                  u"Jan 2 2000",
                  u"January 2, 2000",
                  u"Saturday, January 01, 2000",
                  u"13/1/2000",
                  u"2/29/2000",
                  u"2/29/2001",
                  u"2/30/2000",
                  u"10:00",
                  u"3 PM",
                  u"3:04 pm",
                  u"12:30 AM",
                  u"25:00",
                  u"1/2/2000 12:00:00 AM",
                  u"12/31/9999 11:59:59 PM",
                  u"1/1/100",
                  u"1/1/99",
                  u"1/1/49",
                  u"1/1/10000",
                  u"1/1/67536"});
    VARIANT null_text = variant_of(VT_BSTR);
    s.push_back(null_text);
    return s;
}

// Date texts for the branches of oleaut32's date reader: where the time is, which number is
// the month, AM/PM and its one-letter forms, separators, two-digit and too large years.
const char16_t *const kDateTexts[] = {
    u"1/2/2000 3:04",
    u"3:04 1/2/2000",
    u"3:04:05 1/2/2000",
    u"1/2/2000 3:04:05",
    u"3 PM 1/2/2000",
    u"1/2/2000 3 PM",
    u"3PM 1 2 2000",
    u"1 2 2000 3PM",
    u"3a 1/2/2000",
    u"1/2/2000 3p ",
    u"1/2/2000 3 p.m.",
    u"12 AM 1/2/2000",
    u"12 PM",
    u"12:00:01 AM",
    u"11:59:59 PM",
    u"0:00",
    u"23:59:59",
    u"24:00",
    u"12:60",
    u"1.2.2000",
    u"1-2-2000",
    u"2000/1/2",
    u"2000/13/2",
    u"2000-2-30",
    u"31/12/1999",
    u"12/31/1999",
    u"Dec 31 1999",
    u"31 Dec 1999",
    u"1999 Dec 31",
    u"1999 31 Dec",
    u"December 31, 1999 11:59 PM",
    u"Friday, December 31, 1999",
    u"Fri Dec 31 1999",
    u"Decemb 31 1999",
    u"Mayday",
    u"12/2000",
    u"2000/12",
    u"Jan 2000",
    u"2000 Jan",
    u"1/2/3",
    u"1/2/49",
    u"1/2/50",
    u"1/2/99",
    u"1/2/100",
    u"0/2/2000",
    u"1/0/2000",
    u"1/2/0",
    u"1/2/2000/3",
    u"1//2000",
    u"1/2/2000,",
    u"1,2,2000",
    u"/1/2/2000",
    u"1/2/2000 ",
    u" 1/2/2000",
    u"1/2/2000	3:04",
    u"1:2:3:4",
    u"1 2 3 4 5 6",
    u"1 2 3 4 5 6 7",
    u"4294967296/1/2000",
    u"1/2/2000 99999:00",
    u"1/2/2000 65536:00",
    u"noon",
    u"2000-01-01T00:00:00Z",
    u"20000101",
};

std::vector<VARIANT> object_sources()
{
    std::vector<VARIANT> s = {object_value(VT_DISPATCH, nullptr), object_value(VT_UNKNOWN, nullptr),
                              object_value(VT_UNKNOWN, plain_object())};
    for (IUnknown *object : value_objects()) s.push_back(object_value(VT_DISPATCH, object));
    s.push_back(object_value(VT_UNKNOWN, value_objects()[0]));
    return s;
}

std::vector<VARIANT> all_sources()
{
    std::vector<VARIANT> s = {variant_of(VT_EMPTY), variant_of(VT_NULL)};
    VARIANT error = variant_of(VT_ERROR);
    V_ERROR(&error) = DISP_E_PARAMNOTFOUND;
    s.push_back(error);
    for (auto part : {integer_sources(), real_sources(), text_sources(), object_sources()})
        s.insert(s.end(), part.begin(), part.end());
    return s;
}

const VARTYPE kTargets[] = {VT_BOOL, VT_I1,   VT_UI1,     VT_I2,    VT_UI2,  VT_I4,       VT_UI4,
                            VT_I8,   VT_UI8,  VT_INT,     VT_UINT,  VT_R4,   VT_R8,       VT_CY,
                            VT_DATE, VT_BSTR, VT_DECIMAL, VT_EMPTY, VT_NULL, VT_DISPATCH, VT_UNKNOWN};

// Converts into a destination that holds a string, so that a failure shows whether the
// destination was left alone.
std::string convert(const VARIANT &given, VARTYPE target, bool user_locale, USHORT flags)
{
    VARIANT source = given;  // a shallow copy: some headers declare the source non-const
    VARIANT dest = text_value(u"sentinel");
    const HRESULT hr = user_locale ? VariantChangeType(&dest, &source, flags, target)
                                   : VariantChangeTypeEx(&dest, &source, kEnglishUs, flags, target);
    std::string result = hresult_text(hr);
    if (SUCCEEDED(hr))
        result += " " + describe(dest);
    else if (V_VT(&dest) != VT_BSTR || bstr_text(V_BSTR(&dest)) != "\"sentinel\"")
        result += " destination changed to " + describe(dest);
    VariantClear(&dest);
    return result;
}

// "source -> target", with how the conversion ran when it is not the plain one (locale
// 0x0409, no flags).
std::string change_key(const VARIANT &source, VARTYPE target, const std::string &how = "")
{
    return describe(source) + " -> " + vartype_text(target) + (how.empty() ? "" : " [" + how + "]");
}

std::string flags_how(USHORT flags) { return "flags " + hex(flags); }

void add_grid(Rows &rows, const std::vector<VARIANT> &sources)
{
    for (const VARIANT &source : sources)
        for (VARTYPE target : kTargets) rows.add(change_key(source, target), convert(source, target, false, 0));
}

void add_date_text_rows(Rows &rows)
{
    for (const char16_t *text : kDateTexts) {
        VARIANT source = text_value(text);
        for (VARTYPE target : {VT_DATE, VT_R8}) rows.add(change_key(source, target), convert(source, target, false, 0));
        VariantClear(&source);
    }
}

void add_flag_rows(Rows &rows)
{
    std::vector<VARIANT> sources;
    add_values<short>(sources, VT_BOOL, {-1, 0, 5});
    sources.push_back(value_of(VT_R8, 1.5));
    sources.push_back(text_value(u"True"));
    sources.push_back(text_value(u"1/2/2000"));
    sources.push_back(object_value(VT_DISPATCH, value_objects()[2]));
    sources.push_back(object_value(VT_DISPATCH, value_objects()[0]));
    const USHORT flag_sets[] = {VARIANT_NOVALUEPROP, VARIANT_ALPHABOOL, VARIANT_NOUSEROVERRIDE, VARIANT_LOCALBOOL,
                                VARIANT_ALPHABOOL | VARIANT_LOCALBOOL};
    const VARTYPE targets[] = {VT_BSTR, VT_I4, VT_BOOL, VT_DATE, VT_UNKNOWN, VT_EMPTY};
    for (const VARIANT &source : sources)
        for (USHORT flags : flag_sets)
            for (VARTYPE target : targets)
                rows.add(change_key(source, target, flags_how(flags)), convert(source, target, false, flags));
    for (VARIANT &source : sources) VariantClear(&source);
}

// VariantChangeType uses the user's default locale, which the test runs set to English (US).
void add_user_locale_rows(Rows &rows)
{
    std::vector<VARIANT> sources = text_sources();
    for (const VARIANT &source : sources)
        for (VARTYPE target : {VT_I4, VT_R8, VT_DATE, VT_BOOL})
            rows.add(change_key(source, target, "user locale"), convert(source, target, true, 0));
    for (VARIANT &source : sources) VariantClear(&source);
    for (const VARIANT &source : real_sources())
        rows.add(change_key(source, VT_BSTR, "user locale"), convert(source, VT_BSTR, true, 0));
}

void add_in_place_rows(Rows &rows)
{
    std::vector<VARIANT> sources = {text_value(u"42"),       text_value(u"abc"),
                                    text_value(u"1/2/2000"), value_of(VT_R8, 2.5),
                                    value_of(VT_I4, 70000),  object_value(VT_DISPATCH, value_objects()[0])};
    for (VARIANT &source : sources) {
        for (VARTYPE target : {VT_I2, VT_I4, VT_R8, VT_BSTR, VT_BOOL, VT_DATE}) {
            VARIANT working;
            VariantInit(&working);
            VariantCopy(&working, &source);
            const HRESULT hr = VariantChangeTypeEx(&working, &working, kEnglishUs, 0, target);
            rows.add(change_key(source, target, "in place"), hresult_text(hr) + " " + describe(working));
            VariantClear(&working);
        }
    }
    for (VARIANT &source : sources) VariantClear(&source);
}

void add_reference_rows(Rows &rows)
{
    LONG number = 5;
    double real = 2.5;
    short boolean = VARIANT_TRUE;
    BSTR text = make_bstr(u"12");
    BSTR no_text = nullptr;
    CY money;
    money.int64 = 15000;
    DECIMAL decimal = {};
    decimal.scale = 1;
    decimal.Lo64 = 25;
    VARIANT inner = text_value(u"3.5");
    VARIANT inner_reference = variant_of(VT_I4 | VT_BYREF);
    V_I4REF(&inner_reference) = &number;
    IDispatch *object = static_cast<IDispatch *>(value_objects()[0]);
    const struct {
        VARTYPE vt;
        void *pointer;
    } references[] = {{VT_I4, &number},       {VT_R8, &real},       {VT_BOOL, &boolean},
                      {VT_BSTR, &text},       {VT_BSTR, &no_text},  {VT_CY, &money},
                      {VT_DECIMAL, &decimal}, {VT_VARIANT, &inner}, {VT_VARIANT, &inner_reference},
                      {VT_DISPATCH, &object}, {VT_I4, nullptr}};
    for (const auto &reference : references) {
        VARIANT source = variant_of(reference.vt | VT_BYREF);
        V_BYREF(&source) = reference.pointer;
        for (VARTYPE target : {VT_I4, VT_R8, VT_BSTR, VT_BOOL, VT_DATE, VT_DECIMAL})
            rows.add(change_key(source, target), convert(source, target, false, 0));
    }
    SysFreeString(text);
    VariantClear(&inner);
}

// Type tags: every tag (with each modifier) as a source holding zeros, and as a target.
void add_type_tag_rows(Rows &rows)
{
    const VARTYPE modifiers[] = {0, VT_BYREF, VT_ARRAY, VT_VECTOR, VT_RESERVED};
    static const char zeros[64] = {};
    for (VARTYPE modifier : modifiers) {
        for (VARTYPE base = 0; base <= 73; ++base) {
            if (base == VT_RECORD) continue;  // records are outside this port
            const VARTYPE vt = static_cast<VARTYPE>(base | modifier);
            VARIANT source = variant_of(vt);
            if (modifier == VT_BYREF) V_BYREF(&source) = const_cast<char *>(zeros);
            rows.add("tag " + vartype_text(vt) + " -> VT_I4", convert(source, VT_I4, false, 0));
            VARIANT one = value_of(VT_I4, 1);
            rows.add("VT_I4(1) -> tag " + vartype_text(vt), convert(one, vt, false, 0));
        }
    }
}

}  // namespace

void add_coercion_rows(Rows &rows)
{
    std::vector<VARIANT> sources = all_sources();
    add_grid(rows, sources);
    for (VARIANT &source : sources) VariantClear(&source);
    add_date_text_rows(rows);
    add_flag_rows(rows);
    add_user_locale_rows(rows);
    add_in_place_rows(rows);
    add_reference_rows(rows);
    add_type_tag_rows(rows);
}

}  // namespace conformance
