// SAFEARRAY: descriptor layout and feature flags, bounds and index order, locking, element
// ownership, copies and bad input.
#include <gtest/gtest.h>

#include <cstring>

#include "automation/fakes_test.h"
#include "test_names.h"

using oleaut_test::CountedDispatch;
using oleaut_test::same_text;

namespace {

struct LayoutRow {
    const char *type;
    VARTYPE vt;
    USHORT features;
    ULONG element_size;
};

const LayoutRow kLayoutRows[] = {
    {"VT_I1", VT_I1, FADF_HAVEVARTYPE, 1},
    {"VT_UI1", VT_UI1, FADF_HAVEVARTYPE, 1},
    {"VT_I2", VT_I2, FADF_HAVEVARTYPE, 2},
    {"VT_BOOL", VT_BOOL, FADF_HAVEVARTYPE, 2},
    {"VT_I4", VT_I4, FADF_HAVEVARTYPE, 4},
    {"VT_R4", VT_R4, FADF_HAVEVARTYPE, 4},
    {"VT_ERROR", VT_ERROR, FADF_HAVEVARTYPE, 4},
    {"VT_R8", VT_R8, FADF_HAVEVARTYPE, 8},
    {"VT_I8", VT_I8, FADF_HAVEVARTYPE, 8},
    {"VT_CY", VT_CY, FADF_HAVEVARTYPE, 8},
    {"VT_DATE", VT_DATE, FADF_HAVEVARTYPE, 8},
    {"VT_DECIMAL", VT_DECIMAL, FADF_HAVEVARTYPE, 16},
    {"VT_BSTR", VT_BSTR, FADF_HAVEVARTYPE | FADF_BSTR, sizeof(BSTR)},
    {"VT_VARIANT", VT_VARIANT, FADF_HAVEVARTYPE | FADF_VARIANT, sizeof(VARIANT)},
    {"VT_UNKNOWN", VT_UNKNOWN, FADF_HAVEIID | FADF_UNKNOWN, sizeof(void *)},
    {"VT_DISPATCH", VT_DISPATCH, FADF_HAVEIID | FADF_DISPATCH, sizeof(void *)},
};

class SafeArrayLayout : public testing::TestWithParam<LayoutRow> {};

TEST_P(SafeArrayLayout, FeaturesSizeAndHiddenType)
{
    const LayoutRow &row = GetParam();
    SAFEARRAYBOUND bound = {3, 0};
    SAFEARRAY *array = SafeArrayCreate(row.vt, 1, &bound);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->fFeatures, row.features);
    EXPECT_EQ(SafeArrayGetElemsize(array), row.element_size);
    EXPECT_EQ(array->cLocks, 0u);
    VARTYPE vt = 0;
    EXPECT_EQ(SafeArrayGetVartype(array, &vt), S_OK);
    EXPECT_EQ(vt, row.vt);
    if (row.features & FADF_HAVEVARTYPE) {
        DWORD hidden;
        std::memcpy(&hidden, reinterpret_cast<char *>(array) - 4, 4);
        EXPECT_EQ(hidden, row.vt);
    }
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);

    SAFEARRAY *vector = SafeArrayCreateVector(row.vt, 0, 3);
    ASSERT_NE(vector, nullptr);
    EXPECT_EQ(vector->fFeatures & ~0x2000, row.features);
    EXPECT_EQ(SafeArrayDestroy(vector), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Rows, SafeArrayLayout, testing::ValuesIn(kLayoutRows), test_names::by_field<&LayoutRow::type>);

TEST(SafeArrayCreate, RefusesTypesWithoutElements)
{
    SAFEARRAYBOUND bound = {1, 0};
    const VARTYPE refused[] = {VT_EMPTY, VT_NULL, VT_VOID, VT_RECORD, VT_ARRAY | VT_I4, VT_BYREF | VT_I4, 15};
    for (VARTYPE vt : refused) {
        EXPECT_EQ(SafeArrayCreate(vt, 1, &bound), nullptr) << vt;
        EXPECT_EQ(SafeArrayCreateVector(vt, 0, 1), nullptr) << vt;
    }
    EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &bound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_I4, 1, nullptr), nullptr);
    SAFEARRAYBOUND huge[2] = {{0x80000000u, 0}, {0x80000000u, 0}};
    EXPECT_EQ(SafeArrayCreate(VT_VARIANT, 2, huge), nullptr);
}

TEST(SafeArrayCreate, StoresBoundsRightmostFirst)
{
    SAFEARRAYBOUND bounds[2] = {{3, 1}, {4, -2}};
    SAFEARRAY *array = SafeArrayCreate(VT_I4, 2, bounds);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(SafeArrayGetDim(array), 2u);
    EXPECT_EQ(array->rgsabound[0].cElements, 4u);
    EXPECT_EQ(array->rgsabound[0].lLbound, -2);
    EXPECT_EQ(array->rgsabound[1].cElements, 3u);
    EXPECT_EQ(array->rgsabound[1].lLbound, 1);

    struct BoundRow {
        UINT dim;
        HRESULT result;
        LONG lower, upper;
    } rows[] = {{1, S_OK, 1, 3}, {2, S_OK, -2, 1}, {0, DISP_E_BADINDEX, 0, 0}, {3, DISP_E_BADINDEX, 0, 0}};
    for (const BoundRow &row : rows) {
        LONG lower = 0, upper = 0;
        EXPECT_EQ(SafeArrayGetLBound(array, row.dim, &lower), row.result) << row.dim;
        EXPECT_EQ(SafeArrayGetUBound(array, row.dim, &upper), row.result) << row.dim;
        EXPECT_EQ(lower, row.lower) << row.dim;
        EXPECT_EQ(upper, row.upper) << row.dim;
    }
    EXPECT_EQ(SafeArrayGetLBound(array, 1, nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetUBound(nullptr, 1, nullptr), E_INVALIDARG);
    SafeArrayDestroy(array);
}

TEST(SafeArrayPtrOfIndex, LeftmostIndexVariesFastest)
{
    SAFEARRAYBOUND bounds[2] = {{2, 10}, {3, 0}};
    SAFEARRAY *array = SafeArrayCreate(VT_I2, 2, bounds);
    struct IndexRow {
        LONG i, j;
        HRESULT result;
        ptrdiff_t offset;
    } rows[] = {{10, 0, S_OK, 0},
                {11, 0, S_OK, 2},
                {10, 1, S_OK, 4},
                {11, 2, S_OK, 10},
                {12, 0, DISP_E_BADINDEX, 0},
                {9, 0, DISP_E_BADINDEX, 0},
                {10, 3, DISP_E_BADINDEX, 0},
                {10, -1, DISP_E_BADINDEX, 0}};
    for (const IndexRow &row : rows) {
        LONG indices[2] = {row.i, row.j};
        void *element = nullptr;
        EXPECT_EQ(SafeArrayPtrOfIndex(array, indices, &element), row.result) << row.i << "," << row.j;
        if (SUCCEEDED(row.result)) {
            EXPECT_EQ(static_cast<char *>(element) - static_cast<char *>(array->pvData), row.offset);
        }
    }
    LONG first[2] = {10, 0};
    void *element;
    EXPECT_EQ(SafeArrayPtrOfIndex(nullptr, first, &element), E_INVALIDARG);
    EXPECT_EQ(SafeArrayPtrOfIndex(array, nullptr, &element), E_INVALIDARG);
    EXPECT_EQ(SafeArrayPtrOfIndex(array, first, nullptr), E_INVALIDARG);
    SafeArrayDestroy(array);
}

TEST(SafeArrayLock, CountsLocksAndGuardsDestruction)
{
    SAFEARRAY *array = SafeArrayCreateVector(VT_I4, 0, 2);
    EXPECT_EQ(SafeArrayLock(array), S_OK);
    void *data = nullptr;
    EXPECT_EQ(SafeArrayAccessData(array, &data), S_OK);
    EXPECT_EQ(data, array->pvData);
    EXPECT_EQ(array->cLocks, 2u);
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayUnlock(array), S_OK);
    EXPECT_EQ(SafeArrayUnlock(array), E_UNEXPECTED);
    EXPECT_EQ(array->cLocks, 0u);
    EXPECT_EQ(SafeArrayLock(nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayUnlock(nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayAccessData(array, nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
}

TEST(SafeArrayElements, NumbersAreCopiedByValue)
{
    SAFEARRAY *array = SafeArrayCreateVector(VT_R8, 1, 2);
    LONG index = 2;
    double in = 1.5, out = 0;
    EXPECT_EQ(SafeArrayPutElement(array, &index, &in), S_OK);
    EXPECT_EQ(SafeArrayGetElement(array, &index, &out), S_OK);
    EXPECT_EQ(out, 1.5);
    index = 3;
    EXPECT_EQ(SafeArrayPutElement(array, &index, &in), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetElement(array, &index, &out), DISP_E_BADINDEX);
    index = 1;
    EXPECT_EQ(SafeArrayPutElement(array, &index, nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetElement(array, &index, nullptr), E_INVALIDARG);
    EXPECT_EQ(array->cLocks, 0u);
    SafeArrayDestroy(array);
}

TEST(SafeArrayElements, StringsAreDuplicatedBothWays)
{
    SAFEARRAY *array = SafeArrayCreateVector(VT_BSTR, 0, 2);
    LONG index = 0;
    BSTR in = SysAllocString(u"text");
    EXPECT_EQ(SafeArrayPutElement(array, &index, in), S_OK);
    EXPECT_EQ(SafeArrayPutElement(array, &index, in), S_OK);
    BSTR stored = static_cast<BSTR *>(array->pvData)[0];
    EXPECT_NE(stored, in);
    SysFreeString(in);
    BSTR out = nullptr;
    EXPECT_EQ(SafeArrayGetElement(array, &index, &out), S_OK);
    EXPECT_NE(out, stored);
    EXPECT_TRUE(same_text(out, u"text"));
    SysFreeString(out);
    index = 1;
    EXPECT_EQ(SafeArrayGetElement(array, &index, &out), S_OK);
    EXPECT_EQ(out, nullptr);
    SafeArrayDestroy(array);
}

TEST(SafeArrayElements, InterfacesAreCountedAndReleasedWithTheArray)
{
    CountedDispatch first, second;
    SAFEARRAY *array = SafeArrayCreateVector(VT_DISPATCH, 0, 1);
    LONG index = 0;
    EXPECT_EQ(SafeArrayPutElement(array, &index, static_cast<IDispatch *>(&first)), S_OK);
    EXPECT_EQ(first.references(), 2u);
    EXPECT_EQ(SafeArrayPutElement(array, &index, static_cast<IDispatch *>(&second)), S_OK);
    EXPECT_EQ(first.references(), 1u);
    EXPECT_EQ(second.references(), 2u);
    IDispatch *out = nullptr;
    EXPECT_EQ(SafeArrayGetElement(array, &index, &out), S_OK);
    EXPECT_EQ(out, &second);
    EXPECT_EQ(second.references(), 3u);
    out->Release();
    SafeArrayDestroy(array);
    EXPECT_EQ(second.references(), 1u);
}

TEST(SafeArrayElements, VariantsAreDeepCopiedAndCleared)
{
    CountedDispatch object;
    SAFEARRAY *array = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    VARIANT in;
    VariantInit(&in);
    V_VT(&in) = VT_DISPATCH;
    V_DISPATCH(&in) = &object;
    LONG index = 0;
    EXPECT_EQ(SafeArrayPutElement(array, &index, &in), S_OK);
    EXPECT_EQ(object.references(), 2u);
    VARIANT out;
    std::memset(&out, 0xCD, sizeof out);  // garbage in the output is ignored, not cleared
    EXPECT_EQ(SafeArrayGetElement(array, &index, &out), S_OK);
    EXPECT_EQ(V_VT(&out), VT_DISPATCH);
    EXPECT_EQ(object.references(), 3u);
    VariantClear(&out);
    SafeArrayDestroy(array);
    EXPECT_EQ(object.references(), 1u);
}

TEST(SafeArrayCopy, CopiesElementsBoundsAndType)
{
    SAFEARRAYBOUND bounds[2] = {{2, 1}, {2, 5}};
    SAFEARRAY *array = SafeArrayCreate(VT_BSTR, 2, bounds);
    LONG indices[2] = {2, 6};
    BSTR text = SysAllocString(u"corner");
    SafeArrayPutElement(array, indices, text);
    SysFreeString(text);
    SAFEARRAY *copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
    EXPECT_EQ(copy->fFeatures, array->fFeatures);
    EXPECT_EQ(std::memcmp(copy->rgsabound, array->rgsabound, sizeof bounds), 0);
    VARTYPE vt = 0;
    EXPECT_EQ(SafeArrayGetVartype(copy, &vt), S_OK);
    EXPECT_EQ(vt, VT_BSTR);
    BSTR out = nullptr;
    EXPECT_EQ(SafeArrayGetElement(copy, indices, &out), S_OK);
    EXPECT_TRUE(same_text(out, u"corner"));
    SysFreeString(out);
    SafeArrayDestroy(copy);
    SafeArrayDestroy(array);
}

TEST(SafeArrayCopy, CopyOfVectorIsOrdinaryArray)
{
    SAFEARRAY *vector = SafeArrayCreateVector(VT_I4, 0, 3);
    static_cast<LONG *>(vector->pvData)[2] = 42;
    SAFEARRAY *copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(vector, &copy), S_OK);
    EXPECT_EQ(copy->fFeatures, FADF_HAVEVARTYPE);
    EXPECT_EQ(static_cast<LONG *>(copy->pvData)[2], 42);
    SafeArrayDestroy(copy);
    SafeArrayDestroy(vector);
    EXPECT_EQ(SafeArrayCopy(nullptr, &copy), S_OK);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(SafeArrayCopy(nullptr, nullptr), E_INVALIDARG);
}

TEST(SafeArrayGetVartype, NeedsADescribedArray)
{
    SAFEARRAY bare{};
    bare.cDims = 1;
    bare.cbElements = 4;
    VARTYPE vt;
    EXPECT_EQ(SafeArrayGetVartype(&bare, &vt), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetVartype(nullptr, &vt), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
    EXPECT_EQ(SafeArrayGetElemsize(nullptr), 0u);
}

}  // namespace
