// Safe arrays passed as arguments, to Java arrays: every primitive element type and its
// refusal, lower bounds, several dimensions, object rows, empty arrays and release codes.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "bridge/proxy/proxy.h"
#include "client.h"
#include "convert/com_to_java.h"
#include "convert_fixture.h"
#include "errors.h"
#include "test_values.h"

using namespace tavlin;
using namespace tavlin_test;

namespace convert_test {

namespace {

struct ArrayRow {
    const char *type;
    std::function<SafeArrayHolder()> make;
    const char *expected;  // what Java receives, or "error:" and the message
    ArgRelease code;       // the slot's release code on success
};

SAFEARRAYBOUND bound(ULONG count, LONG lbound = 0) { return SAFEARRAYBOUND{count, lbound}; }

// (i, j) = 10 i + j over rows 0..1 and columns 0..2, from the given lower bounds.
SafeArrayHolder grid_2x3(LONG lbound_rows, LONG lbound_columns)
{
    SafeArrayHolder array = make_array(VT_I4, {bound(2, lbound_rows), bound(3, lbound_columns)});
    for (LONG i = 0; i < 2; ++i)
        for (LONG j = 0; j < 3; ++j)
            put(array.get(), {lbound_rows + i, lbound_columns + j}, "I4:" + std::to_string(10 * i + j));
    return array;
}

// (i, j, k) = 100 i + 10 j + k over 2 by 2 by 3.
SafeArrayHolder cube_2x2x3()
{
    SafeArrayHolder array = make_array(VT_I2, {bound(2), bound(2), bound(3)});
    for (LONG i = 0; i < 2; ++i)
        for (LONG j = 0; j < 2; ++j)
            for (LONG k = 0; k < 3; ++k) put(array.get(), {i, j, k}, "I2:" + std::to_string(100 * i + 10 * j + k));
    return array;
}

// A one-dimensional VARIANT array whose elements hold one-dimensional arrays of `type`.
SafeArrayHolder variants_of_rows(VARTYPE type, const char *const (&rows)[2][2])
{
    SafeArrayHolder outer = make_array(VT_VARIANT, {bound(2)});
    for (LONG i = 0; i < 2; ++i) {
        SafeArrayHolder row = vector_of(type, 0, {rows[i][0], rows[i][1]});
        VARIANT element;
        element.vt = static_cast<VARTYPE>(VT_ARRAY | type);
        element.parray = row.get();
        SafeArrayPutElement(outer.get(), &i, &element);  // stores a copy
    }
    return outer;
}

const char *const kNumberRows[2][2] = {{"I4:1", "I4:2"}, {"I4:3", "I4:4"}};
const char *const kTextRows[2][2] = {{"BSTR:a", "BSTR:b"}, {"BSTR:c", "BSTR"}};
SafeArrayHolder variants_of_number_rows() { return variants_of_rows(VT_I4, kNumberRows); }
SafeArrayHolder variants_of_text_rows() { return variants_of_rows(VT_BSTR, kTextRows); }

const ArrayRow kPrimitiveRows[] = {
    {"[I",
     [] {
         return vector_of(VT_I4, 1, {"I4:10", "I4:20", "I4:30"});
     },
     "[I{10,20,30}", ARG_LOCAL},
    {"[B",
     [] {
         return vector_of(VT_I1, 0, {"I1:-1", "I1:2"});
     },
     "[B{-1,2}", ARG_LOCAL},
    {"[C",
     [] {
         return vector_of(VT_UI2, 0, {"UI2:65", "UI2:233"});
     },
     "[C{65,233}", ARG_LOCAL},
    {"[S",
     [] {
         return vector_of(VT_I2, 0, {"I2:-3", "I2:4"});
     },
     "[S{-3,4}", ARG_LOCAL},
    {"[F",
     [] {
         return vector_of(VT_R4, 0, {"R4:1.5", "R4:-2"});
     },
     "[F{1.5,-2.0}", ARG_LOCAL},
    {"[D",
     [] {
         return vector_of(VT_R8, -5, {"R8:0.25", "R8:-1e300"});
     },
     "[D{0.25,-1.0E300}", ARG_LOCAL},
    {"[J",
     [] {
         return vector_of(VT_R8, 0, {"R8:1", "R8:-2.9", "R8:1e300"});
     },
     "[J{1,-2,-9223372036854775808}", ARG_LOCAL},
    {"[Z",
     [] {
         return vector_of(VT_UI1, 0, {"UI1:0", "UI1:1", "UI1:2"});
     },
     "[Z{false,true,true}", ARG_LOCAL},
    {"[Z",
     [] {
         return vector_of(VT_BOOL, 0, {"BOOL:true", "BOOL:false"});
     },
     "[Z{true,false}", ARG_LOCAL},
    {"[Z",
     [] {
         return vector_of(VT_VARIANT, 0, {"BOOL:true", "BOOL:false", "I4:256", "I4:1"});
     },
     "[Z{true,false,true,true}", ARG_LOCAL},
    {"[Z",
     [] {
         return vector_of(VT_VARIANT, 0, {"R8:1.5", "R8:0", "BSTR:True", "BSTR:false", "EMPTY"});
     },
     "[Z{true,false,true,false,false}", ARG_LOCAL},
    {"[Z",
     [] {
         return vector_of(VT_VARIANT, 0, {"BOOL:true", "BSTR:maybe"});
     },
     "error:Unable to coerce parameter data to boolean: 0x80020005", ARG_NONE},
    {"[I", [] { return vector_of(VT_VARIANT, 0, {"I4:1"}); }, "error:Expected array of type I4.", ARG_NONE},
    {"[I", [] { return vector_of(VT_I2, 0, {"I2:1"}); }, "error:Expected array of type I4.", ARG_NONE},
    {"[S", [] { return vector_of(VT_I4, 0, {"I4:1"}); }, "error:Expected array of type I2.", ARG_NONE},
    {"[B", [] { return vector_of(VT_UI1, 0, {"UI1:1"}); }, "error:Expected array of type I1.", ARG_NONE},
    {"[C", [] { return vector_of(VT_I2, 0, {"I2:1"}); }, "error:Expected array of type UI2.", ARG_NONE},
    {"[F", [] { return vector_of(VT_R8, 0, {"R8:1"}); }, "error:Expected array of type R4.", ARG_NONE},
    {"[D", [] { return vector_of(VT_R4, 0, {"R4:1"}); }, "error:Expected array of type R8.", ARG_NONE},
    {"[J", [] { return vector_of(VT_I4, 0, {"I4:1"}); }, "error:Expected array of type R8.", ARG_NONE},
    {"[Z", [] { return vector_of(VT_I4, 0, {"I4:1"}); }, "error:Expected array of type BOOL, UI1 or VARIANT", ARG_NONE},
};

const ArrayRow kShapeRows[] = {
    {"[[I", [] { return grid_2x3(0, 0); }, "[[I{[I{0,1,2},[I{10,11,12}}", ARG_LOCAL},
    {"[[I", [] { return grid_2x3(-1, 5); }, "[[I{[I{0,1,2},[I{10,11,12}}", ARG_LOCAL},
    {"java/lang/Object", [] { return grid_2x3(0, 0); }, "[[I{[I{0,1,2},[I{10,11,12}}", ARG_LOCAL},
    {"[[[S", cube_2x2x3, "[[[S{[[S{[S{0,1,2},[S{10,11,12}},[[S{[S{100,101,102},[S{110,111,112}}}", ARG_LOCAL},
    {"[[I",
     [] {
         return make_array(VT_I4, {bound(3), bound(0)});
     },
     "[[I{[I{},[I{},[I{}}", ARG_LOCAL},
    {"[[I", variants_of_number_rows, "[[I{[I{1,2},[I{3,4}}", ARG_LOCAL_ARRAY},
    {"[[I", [] { return vector_of(VT_I4, 0, {"I4:1"}); }, "error:Array has 1 dimensions, expected 2", ARG_NONE},
    {"[I", [] { return grid_2x3(0, 0); }, "error:Array has 2 dimensions, expected 1", ARG_NONE},
    {"[I", [] { return make_array(VT_I4, {bound(0)}); }, "[I{}", ARG_LOCAL},
    {"[I", [] { return make_array(VT_VARIANT, {bound(0)}); }, "[I{}", ARG_LOCAL},
    {"[Z", [] { return make_array(VT_I4, {bound(0)}); }, "[Z{}", ARG_LOCAL},
    {"[[D",
     [] {
         return make_array(VT_R8, {bound(2), bound(0)});
     },
     "[[D{[D{},[D{}}", ARG_LOCAL},
    {"[[D",
     [] {
         return make_array(VT_R8, {bound(0), bound(2)});
     },
     "[[D{}", ARG_LOCAL_ARRAY},
    {"[Ljava/lang/String;", [] { return make_array(VT_VARIANT, {bound(0)}); }, "[Ljava.lang.String;{}",
     ARG_LOCAL_ARRAY},
    {"java/lang/Object", [] { return make_array(VT_VARIANT, {bound(0)}); }, "[Ljava.lang.Object;{}", ARG_LOCAL_ARRAY},
    {"java/lang/Object", [] { return make_array(VT_I4, {bound(0)}); }, "[I{}", ARG_LOCAL},
    {"[Ljava/lang/String;",
     [] {
         return make_array(VT_BSTR, {bound(0, 3), bound(0)});
     },
     "error:Array has 2 dimensions, expected 1", ARG_NONE},
};

const ArrayRow kObjectRows[] = {
    {"[Ljava/lang/Object;",
     [] {
         return vector_of(VT_VARIANT, 0, {"I4:1", "BSTR:x", "EMPTY"});
     },
     "[Ljava.lang.Object;{java.lang.Integer:1,java.lang.String:x,null}", ARG_LOCAL_ARRAY},
    {"[Ljava/lang/Object;",
     [] {
         return vector_of(VT_VARIANT, 0, {"EMPTY", "R8:2"});
     },
     "[Ljava.lang.Object;{null,java.lang.Double:2.0}", ARG_LOCAL_ARRAY},
    {"[Ljava/lang/String;",
     [] {
         return vector_of(VT_BSTR, 0, {"BSTR:a", "BSTR", "BSTR:"});
     },
     "[Ljava.lang.String;{java.lang.String:a,java.lang.String:,java.lang.String:}", ARG_LOCAL_ARRAY},
    {"[Ljava/lang/String;",
     [] {
         return vector_of(VT_VARIANT, 0, {"BSTR:a", "NULL"});
     },
     "[Ljava.lang.String;{java.lang.String:a,null}", ARG_LOCAL_ARRAY},
    {"[Ljava/lang/String;",
     [] {
         return vector_of(VT_VARIANT, 0, {"BSTR:a", "I4:1"});
     },
     "error:convert_com_to_java: Expecting java/lang/String, got non-string\n", ARG_NONE},
    {"[Ljava/lang/Object;", variants_of_number_rows, "[Ljava.lang.Object;{[I{1,2},[I{3,4}}", ARG_LOCAL_ARRAY},
    {"[[Ljava/lang/String;", variants_of_text_rows,
     "[[Ljava.lang.String;{[Ljava.lang.String;{java.lang.String:a,java.lang.String:b},"
     "[Ljava.lang.String;{java.lang.String:c,java.lang.String:}}",
     ARG_LOCAL_ARRAY},
    {"[Ljava/lang/String;", variants_of_text_rows,
     "error:convert_com_to_java: Expecting java/lang/String, got non-string\n", ARG_NONE},
    {"[Ljava/lang/Integer;", [] { return vector_of(VT_I2, 0, {"I2:5"}); }, "[Ljava.lang.Integer;{java.lang.Integer:5}",
     ARG_LOCAL_ARRAY},
    {"[Ljava/lang/Number;",
     [] {
         return vector_of(VT_VARIANT, 0, {"I4:5", "BSTR:x"});
     },
     "error:Argument of class java/lang/String cannot be passed as java/lang/Number", ARG_NONE},
    {"java/lang/Object", [] { return vector_of(VT_BSTR, 0, {"BSTR:a"}); }, "[Ljava.lang.String;{java.lang.String:a}",
     ARG_LOCAL_ARRAY},
    {"java/lang/Object",
     [] {
         return vector_of(VT_UI1, 0, {"UI1:1", "UI1:0"});
     },
     "[Z{true,false}", ARG_LOCAL},
    {"java/lang/Object", [] { return vector_of(VT_I1, 0, {"I1:-7"}); }, "[B{-7}", ARG_LOCAL},
    {"java/lang/Object", [] { return vector_of(VT_DATE, 0, {"DATE:36526.5"}); },
     "[Ljava.util.Date;{java.util.Date:2000-01-01 12:00:00.000}", ARG_LOCAL_ARRAY},
    {"java/lang/Object",
     [] {
         return vector_of(VT_VARIANT, 0, {"I2:1", "UI1:1"});
     },
     "[Ljava.lang.Object;{java.lang.Short:1,java.lang.Boolean:true}", ARG_LOCAL_ARRAY},
    {"java/lang/Object", [] { return vector_of(VT_I8, 0, {"I8:1"}); },
     "error:Unable to determine how to coerce parameter data: 20", ARG_NONE},
    {"java/lang/Object", [] { return vector_of(VT_DECIMAL, 0, {"DECIMAL:1"}); },
     "error:Unable to convert safearray elements of type 14.", ARG_NONE},
    {"[Lno/such/Element;", [] { return vector_of(VT_VARIANT, 0, {"I4:1"}); }, "error:no/such/Element", ARG_NONE},
};

class SafeArrayToJava : public ConvertTest {
protected:
    void check(const ArrayRow *rows, size_t count)
    {
        for (size_t r = 0; r < count; ++r) {
            const ArrayRow &row = rows[r];
            SCOPED_TRACE(std::string(row.type) + " <- row " + std::to_string(r));
            SafeArrayHolder array = row.make();
            ASSERT_TRUE(array);
            VARTYPE element_type = VT_EMPTY;
            SafeArrayGetVartype(array.get(), &element_type);
            VARIANT arg;
            arg.vt = static_cast<VARTYPE>(VT_ARRAY | element_type);
            arg.parray = array.get();
            check_one(row, parameter(row.type), &arg);
            EXPECT_EQ(0u, array.get()->cLocks) << "a lock was left behind";
        }
    }

    void check_one(const ArrayRow &row, const JavaType &type, const VARIANT *arg)
    {
        int before = local_refs();
        {
            PreparedArguments args(env(), 1);
            ThrownError error = error_of([&] { convert_com_to_java(env(), arg, args, 0, type, true); });
            if (error.thrown) {
                EXPECT_EQ(row.expected, "error:" + error.description);
            } else {
                EXPECT_EQ(row.expected, describe(args.value(0).l));
            }
            EXPECT_EQ(row.code, args.release_code(0));
        }
        EXPECT_EQ(before, local_refs()) << "local references left behind";
    }
};

}  // namespace

TEST_F(SafeArrayToJava, EveryPrimitiveElementTypeAndItsRefusal) { check(kPrimitiveRows, std::size(kPrimitiveRows)); }

TEST_F(SafeArrayToJava, DimensionsBoundsAndEmptyArrays) { check(kShapeRows, std::size(kShapeRows)); }

TEST_F(SafeArrayToJava, ObjectRowsConvertElementByElement) { check(kObjectRows, std::size(kObjectRows)); }

// A client's tag that the array's own description contradicts is refused before any
// element is read (read by the tag, integers would be freed as strings, or VARIANTs read past
// the storage).
TEST_F(SafeArrayToJava, TagsThatTheArrayContradictsAreRefused)
{
    struct TagRow {
        VARTYPE tag;
        const char *type;
        std::function<SafeArrayHolder()> make;
        const char *expected;
    };
    const TagRow rows[] = {
        {VT_VARIANT, "java/lang/Object",
         [] {
             return vector_of(VT_I4, 0, {"I4:1", "I4:2"});
         },
         "error:The safearray does not hold elements of type 12."},
        {VT_VARIANT, "[I", [] { return vector_of(VT_I4, 0, {"I4:1"}); },
         "error:The safearray does not hold elements of type 12."},
        {VT_BSTR, "[Ljava/lang/String;",
         [] {
             return vector_of(VT_I4, 0, {"I4:1", "I4:2"});
         },
         "error:The safearray does not hold elements of type 8."},
        {VT_BSTR, "java/lang/Object", [] { return vector_of(VT_VARIANT, 0, {"BSTR:a"}); },
         "error:The safearray does not hold elements of type 8."},
        {VT_I4, "[I", [] { return vector_of(VT_R4, 0, {"R4:1.5"}); },
         "error:The safearray does not hold elements of type 3."},
        {VT_I4, "[I", [] { return vector_of(VT_BSTR, 0, {"BSTR:a"}); },
         "error:The safearray does not hold elements of type 3."},
        {VT_UI1, "[Z", [] { return vector_of(VT_I1, 0, {"I1:1"}); },
         "error:The safearray does not hold elements of type 17."},
        {VT_DISPATCH, "java/lang/Object", [] { return vector_of(VT_R8, 0, {"R8:1"}); },
         "error:The safearray does not hold elements of type 9."},
        {VT_I4, "[I", [] { return make_array(VT_VARIANT, {bound(0)}); },
         "error:The safearray does not hold elements of type 3."},
    };
    for (const TagRow &row : rows) {
        SCOPED_TRACE(std::string(row.type) + " tagged " + std::to_string(row.tag));
        SafeArrayHolder array = row.make();
        VARIANT arg;
        arg.vt = static_cast<VARTYPE>(VT_ARRAY | row.tag);
        arg.parray = array.get();
        check_one({row.type, nullptr, row.expected, ARG_NONE}, parameter(row.type), &arg);
    }
}

TEST_F(SafeArrayToJava, ByReferenceEmptyAndNonArrayArguments)
{
    SafeArrayHolder array = vector_of(VT_I4, 0, {"I4:4", "I4:5"});
    SAFEARRAY *pointer = array.get();
    VARIANT by_reference;
    by_reference.vt = VT_ARRAY | VT_I4 | VT_BYREF;
    by_reference.pparray = &pointer;
    check_one({"[I", nullptr, "[I{4,5}", ARG_LOCAL}, parameter("[I"), &by_reference);

    VARIANT no_array;
    no_array.vt = VT_ARRAY | VT_I4;
    no_array.parray = nullptr;
    check_one({"[I", nullptr, "null", ARG_PLAIN}, parameter("[I"), &no_array);

    TestVariant empty("EMPTY"), text("BSTR:x"), referenced_text("&VARIANT:BSTR:x");
    check_one({"[I", nullptr, "null", ARG_PLAIN}, parameter("[I"), empty.get());
    check_one({"[I", nullptr, "error:Expected array.", ARG_NONE}, parameter("[I"), text.get());
    check_one({"[I", nullptr, "error:Expected array.", ARG_NONE}, parameter("[I"), referenced_text.get());
}

TEST_F(SafeArrayToJava, ProxyElementsAreBorrowedAndTheProxyStillWorks)
{
    jobject list = sample("array list");
    ComPtr<IDispatch> proxy(new_proxy(env(), list, "java/util/ArrayList"));
    env()->DeleteLocalRef(list);
    SafeArrayHolder array = make_array(VT_VARIANT, {bound(2)});
    ScopedVariant element = ScopedVariant::dispatch(proxy.get());
    LONG index = 0;
    SafeArrayPutElement(array.get(), &index, element.get());
    index = 1;
    SafeArrayPutElement(array.get(), &index, TestVariant("I4:3").get());
    VARIANT arg;
    arg.vt = VT_ARRAY | VT_VARIANT;
    arg.parray = array.get();
    check_one({"[Ljava/lang/Object;", nullptr, "[Ljava.lang.Object;{java.util.ArrayList:[],java.lang.Integer:3}",
               ARG_LOCAL_ARRAY_BORROWED},
              parameter("[Ljava/lang/Object;"), &arg);

    SafeArrayHolder dispatches = make_array(VT_DISPATCH, {bound(1)});
    index = 0;
    SafeArrayPutElement(dispatches.get(), &index, proxy.get());
    arg.vt = VT_ARRAY | VT_DISPATCH;
    arg.parray = dispatches.get();
    check_one({"java/lang/Object", nullptr, "[Ljava.lang.Object;{java.util.ArrayList:[]}", ARG_LOCAL_ARRAY_BORROWED},
              parameter("java/lang/Object"), &arg);

    CallResult size = call(proxy.get(), "size");
    ASSERT_EQ(S_OK, size.hr) << size.description;
    EXPECT_EQ("I4:0", describe_variant(*size.value.get()));
}

}  // namespace convert_test
