// Java array descriptors from safe-array element types, and automation text to narrow text.
#include <gtest/gtest.h>

#include <string>

#include "com_holders.h"
#include "convert/type_names.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

struct SignatureRow {
    const char *type_name;
    unsigned dimensions;
    VARTYPE element;
    const char *expected;
};

const SignatureRow kSignatureRows[] = {
    {"[I", 1, VT_VARIANT, "[I"},  // an array parameter fixes the type
    {"[[Ljava/lang/String;", 1, VT_I4, "[[Ljava/lang/String;"},
    {"java/lang/Object", 1, VT_I2, "[S"},
    {"java/lang/Object", 1, VT_I4, "[I"},
    {"java/lang/Object", 1, VT_R4, "[F"},
    {"java/lang/Object", 2, VT_R8, "[[D"},
    {"java/lang/Object", 1, VT_DATE, "[Ljava/util/Date;"},
    {"java/lang/Object", 1, VT_BSTR, "[Ljava/lang/String;"},
    {"java/lang/Object", 1, VT_BOOL, "[Z"},
    {"java/lang/Object", 1, VT_UI1, "[Z"},
    {"java/lang/Object", 1, VT_I1, "[B"},
    {"java/lang/Object", 1, VT_UI2, "[C"},
    {"java/lang/Object", 1, VT_VARIANT, "[Ljava/lang/Object;"},
    {"java/lang/Object", 1, VT_DISPATCH, "[Ljava/lang/Object;"},
    {"java/lang/Object", 1, VT_CY, "[Ljava/lang/Object;"},
    {"java/lang/Object", 1, VT_I8, "[Ljava/lang/Object;"},
    {"java/io/Serializable", 3, VT_I4, "[[[I"},
};

TEST(TypeNames, ArraySignatureFromElementType)
{
    for (const SignatureRow &row : kSignatureRows) {
        SCOPED_TRACE(std::string(row.type_name) + " x" + std::to_string(row.dimensions) + " vt " +
                     std::to_string(row.element));
        CMallocString signature = build_array_signature(row.type_name, row.dimensions, row.element);
        ASSERT_TRUE(signature);
        EXPECT_STREQ(row.expected, signature.get());
    }
}

struct TextRow {
    const char *label;
    tavlin::OleString text;
    bool null_bstr;
    const char *expected;  // null: no text
};

TEST(TypeNames, BstrToMultibyteStopsAtTheFirstNulAndGivesNullForNoText)
{
    const TextRow rows[] = {
        {"null BSTR", OLESTR(""), true, nullptr},
        {"empty BSTR", OLESTR(""), false, nullptr},
        {"plain", OLESTR("abc"), false, "abc"},
        {"accented", OLESTR("caf\u00e9"), false, "caf\xc3\xa9"},
        {"outside the BMP", OLESTR("\U0001F600"), false, "\xf0\x9f\x98\x80"},
        {"U+0000 inside", tavlin::OleString(OLESTR("ab\0cd"), 5), false, "ab"},
    };
    for (const TextRow &row : rows) {
        SCOPED_TRACE(row.label);
        ScopedBstr text;
        if (!row.null_bstr) *text.put() = SysAllocStringLen(row.text.data(), static_cast<UINT>(row.text.size()));
        CMallocString narrow = bstr_to_multibyte(text.get(), CP_UTF8);
        if (!row.expected) {
            EXPECT_FALSE(narrow);
            continue;
        }
        ASSERT_TRUE(narrow);
        EXPECT_STREQ(row.expected, narrow.get());
    }
}

}  // namespace
