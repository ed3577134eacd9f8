// VariantInit, VariantClear, VariantCopy and VariantCopyInd: type checks, ownership of
// strings, interfaces and arrays, and references.
#include <gtest/gtest.h>

#include <cstring>

#include "automation/fakes_test.h"
#include "test_names.h"

using oleaut_test::CountedDispatch;
using oleaut_test::same_text;

namespace {

VARIANT variant_of_type(VARTYPE vt)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = vt;
    return v;
}

VARIANT bstr_variant(const char16_t *text)
{
    VARIANT v = variant_of_type(VT_BSTR);
    V_BSTR(&v) = SysAllocString(text);
    return v;
}

struct TypeRow {
    const char *type;
    VARTYPE vt;
    HRESULT clear_result;
};

// Which type tags VariantClear accepts: the plain types, by value, by reference or as
// arrays, but not VT_EMPTY/VT_NULL by reference, nor tag 15, VT_VOID and above, vectors
// or the reserved bit.
const TypeRow kTypeRows[] = {
    {"VT_EMPTY", VT_EMPTY, S_OK},
    {"VT_NULL", VT_NULL, S_OK},
    {"VT_I4", VT_I4, S_OK},
    {"VT_UINT", VT_UINT, S_OK},
    {"VT_CLSID", VT_CLSID, S_OK},
    {"VT_BYREF|VT_I4", VT_BYREF | VT_I4, S_OK},
    {"VT_BYREF|VT_VARIANT", VT_BYREF | VT_VARIANT, S_OK},
    {"VT_BYREF|VT_EMPTY", VT_BYREF | VT_EMPTY, DISP_E_BADVARTYPE},
    {"VT_BYREF|VT_NULL", VT_BYREF | VT_NULL, DISP_E_BADVARTYPE},
    {"VT_ARRAY|VT_EMPTY", VT_ARRAY | VT_EMPTY, DISP_E_BADVARTYPE},
    {"tag 15", 15, DISP_E_BADVARTYPE},
    {"VT_VOID", VT_VOID, DISP_E_BADVARTYPE},
    {"VT_HRESULT", VT_HRESULT, DISP_E_BADVARTYPE},
    {"VT_VECTOR|VT_I4", VT_VECTOR | VT_I4, DISP_E_BADVARTYPE},
    {"VT_RESERVED|VT_I4", VT_RESERVED | VT_I4, DISP_E_BADVARTYPE},
    {"tag 0xfff", 0xfff, DISP_E_BADVARTYPE},
};

class VariantTypeCheck : public testing::TestWithParam<TypeRow> {};

TEST_P(VariantTypeCheck, ClearAcceptsOrRefusesAndLeavesRefusedAlone)
{
    VARIANT v = variant_of_type(GetParam().vt);
    EXPECT_EQ(VariantClear(&v), GetParam().clear_result);
    const VARTYPE expected = SUCCEEDED(GetParam().clear_result) ? VARTYPE{VT_EMPTY} : GetParam().vt;
    EXPECT_EQ(V_VT(&v), expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, VariantTypeCheck, testing::ValuesIn(kTypeRows), test_names::by_field<&TypeRow::type>);

TEST(VariantInit, ZeroesTheWholeVariant)
{
    VARIANT v;
    std::memset(&v, 0xAB, sizeof v);
    VariantInit(&v);
    const VARIANT zero{};
    EXPECT_EQ(std::memcmp(&v, &zero, sizeof v), 0);
}

TEST(VariantClear, ReleasesInterfaceOnceAndNotByReference)
{
    CountedDispatch object;
    object.AddRef();
    VARIANT v = variant_of_type(VT_DISPATCH);
    V_DISPATCH(&v) = &object;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(object.references(), 1u);

    IDispatch *pointer = &object;
    VARIANT reference = variant_of_type(VT_DISPATCH | VT_BYREF);
    V_DISPATCHREF(&reference) = &pointer;
    EXPECT_EQ(VariantClear(&reference), S_OK);
    EXPECT_EQ(object.references(), 1u);
}

TEST(VariantClear, DestroysArrayUnlessLocked)
{
    VARIANT v = variant_of_type(VT_ARRAY | VT_I4);
    V_ARRAY(&v) = SafeArrayCreateVector(VT_I4, 0, 3);
    SAFEARRAY *array = V_ARRAY(&v);
    SafeArrayLock(array);
    // The tag is reset even when the array refuses to go.
    EXPECT_EQ(VariantClear(&v), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(V_VT(&v), VT_EMPTY);
    SafeArrayUnlock(array);
    V_VT(&v) = VT_ARRAY | VT_I4;
    EXPECT_EQ(VariantClear(&v), S_OK);
}

TEST(VariantClear, RefusesNull) { EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG); }

TEST(VariantCopy, DuplicatesStringWithEmbeddedNul)
{
    VARIANT source = variant_of_type(VT_BSTR);
    V_BSTR(&source) = SysAllocStringLen(u"a\0b", 3);
    VARIANT copy = bstr_variant(u"overwritten and freed");
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_NE(V_BSTR(&copy), V_BSTR(&source));
    EXPECT_EQ(SysStringLen(V_BSTR(&copy)), 3u);
    EXPECT_EQ(std::memcmp(V_BSTR(&copy), u"a\0b", 6), 0);
    VariantClear(&copy);
    VariantClear(&source);
}

TEST(VariantCopy, NullStringBecomesEmptyString)
{
    VARIANT source = variant_of_type(VT_BSTR);
    VARIANT copy = variant_of_type(VT_EMPTY);
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    ASSERT_NE(V_BSTR(&copy), nullptr);
    EXPECT_EQ(SysStringLen(V_BSTR(&copy)), 0u);
    VariantClear(&copy);
}

TEST(VariantCopy, AddsInterfaceReference)
{
    CountedDispatch object;
    VARIANT source = variant_of_type(VT_DISPATCH);
    V_DISPATCH(&source) = &object;
    VARIANT copy = variant_of_type(VT_EMPTY);
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(object.references(), 2u);
    VariantClear(&copy);
    EXPECT_EQ(object.references(), 1u);
}

TEST(VariantCopy, CopiesArrayDeeply)
{
    VARIANT source = variant_of_type(VT_ARRAY | VT_BSTR);
    V_ARRAY(&source) = SafeArrayCreateVector(VT_BSTR, 0, 1);
    LONG index = 0;
    BSTR text = SysAllocString(u"element");
    SafeArrayPutElement(V_ARRAY(&source), &index, text);
    SysFreeString(text);
    VARIANT copy = variant_of_type(VT_EMPTY);
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    ASSERT_NE(V_ARRAY(&copy), V_ARRAY(&source));
    BSTR *source_data = static_cast<BSTR *>(V_ARRAY(&source)->pvData);
    BSTR *copy_data = static_cast<BSTR *>(V_ARRAY(&copy)->pvData);
    EXPECT_NE(copy_data[0], source_data[0]);
    EXPECT_TRUE(same_text(copy_data[0], u"element"));
    VariantClear(&copy);
    VariantClear(&source);
}

TEST(VariantCopy, CopiesReferenceShallowly)
{
    LONG value = 5;
    VARIANT source = variant_of_type(VT_I4 | VT_BYREF);
    V_I4REF(&source) = &value;
    VARIANT copy = variant_of_type(VT_EMPTY);
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(V_VT(&copy), VT_I4 | VT_BYREF);
    EXPECT_EQ(V_I4REF(&copy), &value);
}

TEST(VariantCopy, BadTypesAreRefusedAndDestinationKept)
{
    VARIANT copy = bstr_variant(u"kept");
    VARIANT bad = variant_of_type(VT_VOID);
    EXPECT_EQ(VariantCopy(&copy, &bad), DISP_E_BADVARTYPE);
    VARIANT clsid = variant_of_type(VT_CLSID);
    EXPECT_EQ(VariantCopy(&copy, &clsid), DISP_E_BADVARTYPE);
    EXPECT_TRUE(same_text(V_BSTR(&copy), u"kept"));

    VARIANT good = variant_of_type(VT_I2);
    EXPECT_EQ(VariantCopy(&bad, &good), DISP_E_BADVARTYPE);
    EXPECT_EQ(V_VT(&bad), VT_VOID);
    EXPECT_EQ(VariantCopy(&copy, &copy), S_OK);
    EXPECT_TRUE(same_text(V_BSTR(&copy), u"kept"));
    VariantClear(&copy);
}

TEST(VariantCopyInd, DereferencesScalarsStringsAndInterfaces)
{
    double number = 2.5;
    VARIANT source = variant_of_type(VT_R8 | VT_BYREF);
    V_BYREF(&source) = &number;
    VARIANT copy = variant_of_type(VT_EMPTY);
    ASSERT_EQ(VariantCopyInd(&copy, &source), S_OK);
    EXPECT_EQ(V_VT(&copy), VT_R8);
    EXPECT_EQ(V_R8(&copy), 2.5);

    BSTR text = SysAllocString(u"text");
    V_VT(&source) = VT_BSTR | VT_BYREF;
    V_BSTRREF(&source) = &text;
    ASSERT_EQ(VariantCopyInd(&copy, &source), S_OK);
    EXPECT_NE(V_BSTR(&copy), text);
    EXPECT_TRUE(same_text(V_BSTR(&copy), u"text"));
    SysFreeString(text);

    CountedDispatch object;
    IDispatch *pointer = &object;
    V_VT(&source) = VT_DISPATCH | VT_BYREF;
    V_DISPATCHREF(&source) = &pointer;
    ASSERT_EQ(VariantCopyInd(&copy, &source), S_OK);
    EXPECT_EQ(object.references(), 2u);
    VariantClear(&copy);
    EXPECT_EQ(object.references(), 1u);
}

TEST(VariantCopyInd, DereferencesDecimalAroundTheTag)
{
    DECIMAL decimal{};
    decimal.scale = 2;
    decimal.sign = DECIMAL_NEG;
    decimal.Lo64 = 12345;
    VARIANT source = variant_of_type(VT_DECIMAL | VT_BYREF);
    source.pdecVal = &decimal;
    VARIANT copy = variant_of_type(VT_EMPTY);
    ASSERT_EQ(VariantCopyInd(&copy, &source), S_OK);
    EXPECT_EQ(V_VT(&copy), VT_DECIMAL);
    EXPECT_EQ(V_DECIMAL(&copy).scale, 2);
    EXPECT_EQ(V_DECIMAL(&copy).sign, DECIMAL_NEG);
    EXPECT_EQ(V_DECIMAL(&copy).Lo64, 12345u);
}

TEST(VariantCopyInd, FollowsOneLevelOfVariantReference)
{
    VARIANT inner = bstr_variant(u"inner");
    VARIANT middle = variant_of_type(VT_VARIANT | VT_BYREF);
    V_VARIANTREF(&middle) = &inner;
    VARIANT copy = variant_of_type(VT_EMPTY);
    ASSERT_EQ(VariantCopyInd(&copy, &middle), S_OK);
    EXPECT_EQ(V_VT(&copy), VT_BSTR);
    EXPECT_TRUE(same_text(V_BSTR(&copy), u"inner"));
    VariantClear(&copy);

    VARIANT outer = variant_of_type(VT_VARIANT | VT_BYREF);
    V_VARIANTREF(&outer) = &middle;
    EXPECT_EQ(VariantCopyInd(&copy, &outer), E_INVALIDARG);
    VariantClear(&inner);
}

TEST(VariantCopyInd, DereferencesInPlace)
{
    SAFEARRAY *array = SafeArrayCreateVector(VT_I4, 0, 2);
    VARIANT v = variant_of_type(VT_ARRAY | VT_I4 | VT_BYREF);
    V_ARRAYREF(&v) = &array;
    ASSERT_EQ(VariantCopyInd(&v, &v), S_OK);
    EXPECT_EQ(V_VT(&v), VT_ARRAY | VT_I4);
    EXPECT_NE(V_ARRAY(&v), array);
    VariantClear(&v);
    SafeArrayDestroy(array);
}

TEST(VariantCopyInd, RefusesReferencesToNothing)
{
    VARIANT copy = variant_of_type(VT_EMPTY);
    VARIANT source = variant_of_type(VT_EMPTY | VT_BYREF);
    EXPECT_EQ(VariantCopyInd(&copy, &source), E_INVALIDARG);
    V_VT(&source) = VT_VOID | VT_BYREF;
    EXPECT_EQ(VariantCopyInd(&copy, &source), E_INVALIDARG);
}

}  // namespace
