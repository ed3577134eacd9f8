// VariantChangeType(Ex): the conversions the bridge relies on, with oleaut32's rounding,
// range errors, text forms and ownership; the full grid is held to Wine by the conformance
// program.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "automation/fakes_test.h"
#include "test_names.h"

using oleaut_test::CountedDispatch;
using oleaut_test::same_text;

namespace {

VARIANT make(VARTYPE vt)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = vt;
    return v;
}

VARIANT r8(double value)
{
    VARIANT v = make(VT_R8);
    V_R8(&v) = value;
    return v;
}

VARIANT text(const char16_t *value)
{
    VARIANT v = make(VT_BSTR);
    V_BSTR(&v) = SysAllocString(value);
    return v;
}

// Source factories keep the rows short; each makes a fresh VARIANT that the test clears.
using Maker = VARIANT (*)();

struct NumberRow {
    const char *behaviour;
    Maker source;
    VARTYPE target;
    HRESULT result;
    long long value;  // the integer read from the target type
};

long long integer_of(const VARIANT &v)
{
    switch (V_VT(&v)) {
    case VT_I1:
        return V_I1(&v);
    case VT_UI1:
        return V_UI1(&v);
    case VT_I2:
        return V_I2(&v);
    case VT_UI2:
        return V_UI2(&v);
    case VT_I4:
        return V_I4(&v);
    case VT_UI4:
        return V_UI4(&v);
    case VT_I8:
        return V_I8(&v);
    case VT_BOOL:
        return V_BOOL(&v);
    default:
        return -999;
    }
}

const NumberRow kNumberRows[] = {
    // Half to even from reals.
    {"real 2.5 to I4 rounds to even", [] { return r8(2.5); }, VT_I4, S_OK, 2},
    {"real 3.5 to I4 rounds to even", [] { return r8(3.5); }, VT_I4, S_OK, 4},
    {"real minus 2.5 to I4 rounds to even", [] { return r8(-2.5); }, VT_I4, S_OK, -2},
    {"real minus 1.5 to I4 rounds to even", [] { return r8(-1.5); }, VT_I4, S_OK, -2},
    {"real 0.5 to I2 rounds to even", [] { return r8(0.5); }, VT_I2, S_OK, 0},
    {"real 2.9 to I4 rounds to nearest", [] { return r8(2.9); }, VT_I4, S_OK, 3},
    {"real minus 0.5 to UI1 rounds to zero", [] { return r8(-0.5); }, VT_UI1, S_OK, 0},
    // The accepted range ends half a unit beyond the type.
    {"real 127.5 overflows I1", [] { return r8(127.5); }, VT_I1, DISP_E_OVERFLOW, 0},
    {"real minus 128.5 fits I1", [] { return r8(-128.5); }, VT_I1, S_OK, -128},
    {"real 65535.4 fits UI2", [] { return r8(65535.4); }, VT_UI2, S_OK, 65535},
    {"real 1e10 overflows I4", [] { return r8(1e10); }, VT_I4, DISP_E_OVERFLOW, 0},
    {"real NaN overflows I4", [] { return r8(NAN); }, VT_I4, DISP_E_OVERFLOW, 0},
    // VT_I8 takes reals up to 2^62 only.
    {"real 5e18 overflows I8", [] { return r8(5e18); }, VT_I8, DISP_E_OVERFLOW, 0},
    // Numeric text: blanks, exponent, separators, signs, hexadecimal.
    {"text 12 to I4", [] { return text(u"12"); }, VT_I4, S_OK, 12},
    {"text with blanks to I4", [] { return text(u" 12 "); }, VT_I4, S_OK, 12},
    {"text with exponent to I4", [] { return text(u"1e3"); }, VT_I4, S_OK, 1000},
    {"text with thousands separator to I4", [] { return text(u"1,000"); }, VT_I4, S_OK, 1000},
    {"text in parentheses is negative", [] { return text(u"(12)"); }, VT_I4, S_OK, -12},
    {"text with trailing minus is negative", [] { return text(u"12-"); }, VT_I4, S_OK, -12},
    {"text 2.5 to I4 rounds to even", [] { return text(u"2.5"); }, VT_I4, S_OK, 2},
    {"text hexadecimal to I4", [] { return text(u"&H10"); }, VT_I4, S_OK, 16},
    {"text hexadecimal FF to I1 is minus 1", [] { return text(u"&HFF"); }, VT_I1, S_OK, -1},
    {"text 0x10 is no number", [] { return text(u"0x10"); }, VT_I4, DISP_E_TYPEMISMATCH, 0},
    {"text abc is no number", [] { return text(u"abc"); }, VT_I4, DISP_E_TYPEMISMATCH, 0},
    {"empty text is no number", [] { return text(u""); }, VT_I4, DISP_E_TYPEMISMATCH, 0},
    {"text with bare exponent is no number", [] { return text(u"1e"); }, VT_I4, DISP_E_TYPEMISMATCH, 0},
    {"text 128 overflows I1", [] { return text(u"128"); }, VT_I1, DISP_E_OVERFLOW, 0},
    {"text minus 1 overflows UI4", [] { return text(u"-1"); }, VT_UI4, DISP_E_OVERFLOW, 0},
    // Booleans from text and to numbers.
    {"text True to BOOL", [] { return text(u"True"); }, VT_BOOL, S_OK, -1},
    {"text false to BOOL", [] { return text(u"false"); }, VT_BOOL, S_OK, 0},
    {"text #TRUE# to BOOL", [] { return text(u"#TRUE#"); }, VT_BOOL, S_OK, -1},
    {"text #true# in lower case is no BOOL", [] { return text(u"#true#"); }, VT_BOOL, DISP_E_TYPEMISMATCH, 0},
    {"text 0.5 to BOOL is true", [] { return text(u" 0.5 "); }, VT_BOOL, S_OK, -1},
    {"text yes is no BOOL", [] { return text(u"yes"); }, VT_BOOL, DISP_E_TYPEMISMATCH, 0},
    {"real 0 to BOOL is false", [] { return r8(0.0); }, VT_BOOL, S_OK, 0},
    {"real minus 0.25 to BOOL is true", [] { return r8(-0.25); }, VT_BOOL, S_OK, -1},
    {"BOOL true to UI1 is 255",
     [] {
         VARIANT v = make(VT_BOOL);
         V_BOOL(&v) = VARIANT_TRUE;
         return v;
     },
     VT_UI1, S_OK, 255},
    // Same-size signed and unsigned types are copied bit for bit.
    {"UI1 200 to I1 keeps its bits",
     [] {
         VARIANT v = make(VT_UI1);
         V_UI1(&v) = 200;
         return v;
     },
     VT_I1, S_OK, -56},
    {"I4 70000 overflows I2",
     [] {
         VARIANT v = make(VT_I4);
         V_I4(&v) = 70000;
         return v;
     },
     VT_I2, DISP_E_OVERFLOW, 0},
    // Empty is zero, null is no number.
    {"EMPTY to I4 is 0", [] { return make(VT_EMPTY); }, VT_I4, S_OK, 0},
    {"NULL is no number", [] { return make(VT_NULL); }, VT_I4, DISP_E_TYPEMISMATCH, 0},
    // Currency rounds half to even too.
    {"currency 2.5 to I4 rounds to even",
     [] {
         VARIANT v = make(VT_CY);
         V_CY(&v).int64 = 25000;
         return v;
     },
     VT_I4, S_OK, 2},
    {"decimal 3.5 to I4 rounds to even",
     [] {
         VARIANT v = make(VT_DECIMAL);
         V_DECIMAL(&v).scale = 1;
         V_DECIMAL(&v).Lo64 = 35;
         V_VT(&v) = VT_DECIMAL;
         return v;
     },
     VT_I4, S_OK, 4},
};

class ChangeTypeNumber : public testing::TestWithParam<NumberRow> {};

TEST_P(ChangeTypeNumber, ConvertsOrFailsLeavingDestination)
{
    const NumberRow &row = GetParam();
    VARIANT source = row.source();
    VARIANT dest = text(u"sentinel");
    EXPECT_EQ(VariantChangeTypeEx(&dest, &source, 0x0409, 0, row.target), row.result);
    if (SUCCEEDED(row.result)) {
        EXPECT_EQ(V_VT(&dest), row.target);
        EXPECT_EQ(integer_of(dest), row.value);
    } else {
        ASSERT_EQ(V_VT(&dest), VT_BSTR);
        EXPECT_TRUE(same_text(V_BSTR(&dest), u"sentinel"));
    }
    VariantClear(&dest);
    VariantClear(&source);
}

INSTANTIATE_TEST_SUITE_P(Rows, ChangeTypeNumber, testing::ValuesIn(kNumberRows),
                         test_names::by_field<&NumberRow::behaviour>);

struct TextRow {
    const char *behaviour;
    Maker source;
    USHORT flags;
    const char16_t *expected;
};

const TextRow kTextRows[] = {
    {"real 0.1", [] { return r8(0.1); }, 0, u"0.1"},
    {"real one third has 15 digits", [] { return r8(1.0 / 3); }, 0, u"0.333333333333333"},
    {"real 1e15 in exponent form", [] { return r8(1e15); }, 0, u"1E+15"},
    {"real 1.5e-7 in exponent form", [] { return r8(1.5e-7); }, 0, u"1.5E-07"},
    {"real minus zero is 0", [] { return r8(-0.0); }, 0, u"0"},
    {"real rounded to 15 digits", [] { return r8(123456789012345678.0); }, 0, u"1.23456789012346E+17"},
    {"single 0.1",
     [] {
         VARIANT v = make(VT_R4);
         V_R4(&v) = 0.1f;
         return v;
     },
     0, u"0.1"},
    {"BOOL true is minus 1",
     [] {
         VARIANT v = make(VT_BOOL);
         V_BOOL(&v) = VARIANT_TRUE;
         return v;
     },
     0, u"-1"},
    {"BOOL true as word",
     [] {
         VARIANT v = make(VT_BOOL);
         V_BOOL(&v) = VARIANT_TRUE;
         return v;
     },
     VARIANT_ALPHABOOL, u"True"},
    {"BOOL false as local word", [] { return make(VT_BOOL); }, VARIANT_LOCALBOOL, u"False"},
    {"date with time",
     [] {
         VARIANT v = make(VT_DATE);
         V_DATE(&v) = 36526.5;
         return v;
     },
     0, u"1/1/2000 12:00:00 PM"},
    {"date at midnight has no time",
     [] {
         VARIANT v = make(VT_DATE);
         V_DATE(&v) = 36526.0;
         return v;
     },
     0, u"1/1/2000"},
    {"time on the epoch has no date",
     [] {
         VARIANT v = make(VT_DATE);
         V_DATE(&v) = 0.75;
         return v;
     },
     0, u"6:00:00 PM"},
    {"currency minus 1.5",
     [] {
         VARIANT v = make(VT_CY);
         V_CY(&v).int64 = -15000;
         return v;
     },
     0, u"-1.5"},
    {"I8 minimum",
     [] {
         VARIANT v = make(VT_I8);
         V_I8(&v) = INT64_MIN;
         return v;
     },
     0, u"-9223372036854775808"},
    {"EMPTY is empty text", [] { return make(VT_EMPTY); }, 0, u""},
};

class ChangeTypeText : public testing::TestWithParam<TextRow> {};

TEST_P(ChangeTypeText, WritesOleaut32Text)
{
    VARIANT source = GetParam().source();
    VARIANT dest = make(VT_EMPTY);
    ASSERT_EQ(VariantChangeTypeEx(&dest, &source, 0x0409, GetParam().flags, VT_BSTR), S_OK);
    ASSERT_EQ(V_VT(&dest), VT_BSTR);
    EXPECT_EQ(std::u16string(V_BSTR(&dest), SysStringLen(V_BSTR(&dest))), GetParam().expected);
    VariantClear(&dest);
}

INSTANTIATE_TEST_SUITE_P(Rows, ChangeTypeText, testing::ValuesIn(kTextRows), test_names::by_field<&TextRow::behaviour>);

struct DateRow {
    const char *behaviour;
    const char16_t *text;
    HRESULT result;
    double date;
};

const DateRow kDateRows[] = {
    {"month day year", u"1/2/2000", S_OK, 36527.0},
    {"ISO date", u"2000-01-01", S_OK, 36526.0},
    {"date and time with PM", u"1/2/2000 3:04:05 PM", S_OK, 36527.0 + (15 * 3600 + 4 * 60 + 5) / 86400.0},
    {"month name", u"January 2, 2000", S_OK, 36527.0},
    {"day month year when there is no month 13", u"13/1/2000", S_OK, 36538.0},
    {"time alone", u"10:00", S_OK, 10 / 24.0},
    {"hour with PM", u"3 PM", S_OK, 15 / 24.0},
    {"ISO date and time is refused", u"2000-01-01T10:00:00", DISP_E_TYPEMISMATCH, 0},
    {"30 February is refused", u"2/30/2000", DISP_E_TYPEMISMATCH, 0},
    {"a lone number is refused", u"12", DISP_E_TYPEMISMATCH, 0},
};

class ChangeTypeDate : public testing::TestWithParam<DateRow> {};

TEST_P(ChangeTypeDate, ReadsLocaleAndIsoForms)
{
    VARIANT source = text(GetParam().text);
    VARIANT dest = make(VT_EMPTY);
    EXPECT_EQ(VariantChangeTypeEx(&dest, &source, 0x0409, 0, VT_DATE), GetParam().result);
    if (SUCCEEDED(GetParam().result)) {
        EXPECT_NEAR(V_DATE(&dest), GetParam().date, 1e-9);
    }
    VariantClear(&source);
}

INSTANTIATE_TEST_SUITE_P(Rows, ChangeTypeDate, testing::ValuesIn(kDateRows), test_names::by_field<&DateRow::behaviour>);

TEST(ChangeType, InPlaceReplacesAndFreesTheSource)
{
    VARIANT v = text(u"42");
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);
    EXPECT_EQ(V_VT(&v), VT_I4);
    EXPECT_EQ(V_I4(&v), 42);

    VARIANT kept = text(u"not a number");
    EXPECT_EQ(VariantChangeType(&kept, &kept, 0, VT_R8), DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(same_text(V_BSTR(&kept), u"not a number"));
    VariantClear(&kept);
}

TEST(ChangeType, FollowsReferences)
{
    LONG value = 7;
    VARIANT reference = make(VT_I4 | VT_BYREF);
    V_I4REF(&reference) = &value;
    VARIANT dest = make(VT_EMPTY);
    ASSERT_EQ(VariantChangeType(&dest, &reference, 0, VT_R8), S_OK);
    EXPECT_EQ(V_R8(&dest), 7.0);

    V_I4REF(&reference) = nullptr;
    EXPECT_EQ(VariantChangeType(&dest, &reference, 0, VT_R8), DISP_E_TYPEMISMATCH);

    VARIANT inner = text(u"2.5");
    VARIANT outer = make(VT_VARIANT | VT_BYREF);
    V_VARIANTREF(&outer) = &inner;
    ASSERT_EQ(VariantChangeType(&dest, &outer, 0, VT_R8), S_OK);
    EXPECT_EQ(V_R8(&dest), 2.5);
    VariantClear(&inner);
}

TEST(ChangeType, RefusesBadTypes)
{
    VARIANT source = r8(1.0);
    VARIANT dest = make(VT_EMPTY);
    EXPECT_EQ(VariantChangeType(&dest, &source, 0, VT_VOID), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantChangeType(&dest, &source, 0, VT_CLSID), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantChangeType(&dest, &source, 0, 15), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantChangeType(&dest, &source, 0, VT_I4 | VT_BYREF), DISP_E_TYPEMISMATCH);
    VARIANT bad = make(VT_VOID);
    EXPECT_EQ(VariantChangeType(&dest, &bad, 0, VT_I4), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantChangeType(nullptr, &source, 0, VT_I4), E_INVALIDARG);
}

TEST(ChangeType, NullOnlyToNullAndEmptyFromAlmostAnything)
{
    VARIANT null = make(VT_NULL);
    VARIANT dest = make(VT_EMPTY);
    EXPECT_EQ(VariantChangeType(&dest, &null, 0, VT_NULL), S_OK);
    EXPECT_EQ(V_VT(&dest), VT_NULL);
    EXPECT_EQ(VariantChangeType(&dest, &null, 0, VT_EMPTY), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeType(&dest, &null, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
    VARIANT number = r8(3.0);
    EXPECT_EQ(VariantChangeType(&dest, &number, 0, VT_EMPTY), S_OK);
    EXPECT_EQ(V_VT(&dest), VT_EMPTY);
    VARIANT error = make(VT_ERROR);
    EXPECT_EQ(VariantChangeType(&dest, &error, 0, VT_EMPTY), DISP_E_TYPEMISMATCH);
}

TEST(ChangeType, ObjectsConvertThroughTheirDefaultMember)
{
    CountedDispatch object;
    VARIANT value = text(u"2.5");
    object.set_value(value);
    VariantClear(&value);
    VARIANT source = make(VT_DISPATCH);
    V_DISPATCH(&source) = &object;
    VARIANT dest = make(VT_EMPTY);
    ASSERT_EQ(VariantChangeType(&dest, &source, 0, VT_I4), S_OK);
    EXPECT_EQ(V_I4(&dest), 2);
    EXPECT_EQ(object.invocations(), 1);
    EXPECT_EQ(VariantChangeType(&dest, &source, VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
    ASSERT_EQ(VariantChangeType(&dest, &source, 0, VT_UNKNOWN), S_OK);
    EXPECT_EQ(V_UNKNOWN(&dest), static_cast<IUnknown *>(&object));
    VariantClear(&dest);
    EXPECT_EQ(object.references(), 1u);

    CountedDispatch silent;
    V_DISPATCH(&source) = &silent;
    EXPECT_EQ(VariantChangeType(&dest, &source, 0, VT_I4), DISP_E_TYPEMISMATCH);
    V_DISPATCH(&source) = nullptr;
    EXPECT_EQ(VariantChangeType(&dest, &source, 0, VT_I4), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantChangeType(&dest, &source, 0, VT_DISPATCH), S_OK);
    EXPECT_EQ(V_DISPATCH(&dest), nullptr);
}

TEST(ChangeType, ArraysOnlyToTheirOwnTypeOrBytes)
{
    VARIANT source = text(u"AB");
    VARIANT dest = make(VT_EMPTY);
    ASSERT_EQ(VariantChangeType(&dest, &source, 0, VT_ARRAY | VT_UI1), S_OK);
    EXPECT_EQ(V_ARRAY(&dest)->rgsabound[0].cElements, 4u);
    VARIANT back = make(VT_EMPTY);
    ASSERT_EQ(VariantChangeType(&back, &dest, 0, VT_BSTR), S_OK);
    EXPECT_TRUE(same_text(V_BSTR(&back), u"AB"));
    EXPECT_EQ(VariantChangeType(&back, &dest, 0, VT_ARRAY | VT_I4), DISP_E_TYPEMISMATCH);
    VariantClear(&back);
    VariantClear(&dest);
    VariantClear(&source);
}

}  // namespace
