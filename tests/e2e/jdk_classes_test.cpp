// Everyday JDK classes used through the bridge.
#include <gtest/gtest.h>

#include "client.h"
#include "test_process.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

double as_double(const CallResult &result)
{
    VARIANT number;
    VariantInit(&number);
    // Windows declares the source without const; it is only read.
    if (FAILED(VariantChangeType(&number, const_cast<VARIANT *>(result.value.get()), 0, VT_R8))) return -999;
    return number.dblVal;
}

class JdkClasses : public ::testing::Test {
protected:
    void SetUp() override { use_standard_vm_setup(); }
};

}  // namespace

TEST_F(JdkClasses, ArrayListOfStrings)
{
    ComPtr<IDispatch> list = make("java.util.ArrayList");
    for (const char *word : {"pear", "apple", "fig"}) {
        ScopedVariant item = ScopedVariant::string(word);
        CallResult added = call(list.get(), "add", {item.get()});
        ASSERT_EQ(S_OK, added.hr) << added.description;
    }
    EXPECT_EQ(3, call(list.get(), "size").value->lVal);
    EXPECT_EQ("[pear, apple, fig]", text_of(call(list.get(), "toString")));
}

TEST_F(JdkClasses, HashMapPutAndGet)
{
    ComPtr<IDispatch> map = make("java.util.HashMap");
    ScopedVariant key = ScopedVariant::string("answer"), value = ScopedVariant::i4(42);
    ASSERT_EQ(S_OK, call(map.get(), "put", {key.get(), value.get()}).hr);
    CallResult got = call(map.get(), "get", {key.get()});
    ASSERT_EQ(VT_I4, got.value.type());
    EXPECT_EQ(42, got.value->lVal);
}

TEST_F(JdkClasses, StringBuilderChainsReturnProxies)
{
    ComPtr<IDispatch> builder = make("java.lang.StringBuilder");
    ScopedVariant text = ScopedVariant::string("ab");
    CallResult same = call(builder.get(), "append", {text.get()});
    ASSERT_EQ(S_OK, same.hr) << same.description;
    EXPECT_EQ(VT_DISPATCH, same.value.type());
    EXPECT_EQ("ab", text_of(call(builder.get(), "toString")));
}

TEST_F(JdkClasses, MathStaticsWithOverloads)
{
    ComPtr<IDispatch> math = make("java.lang.Math");
    ASSERT_TRUE(math) << "a private constructor does not stop newInstance";
    ScopedVariant three = ScopedVariant::i4(3), seven = ScopedVariant::i4(7), sixteen = ScopedVariant::r8(16);
    EXPECT_EQ(7.0, as_double(call(math.get(), "max", {three.get(), seven.get()})));
    EXPECT_EQ(4.0, as_double(call(math.get(), "sqrt", {sixteen.get()})));
}

TEST_F(JdkClasses, DateTimeComesBackAsADoubleOfMilliseconds)
{
    ComPtr<IDispatch> date = make("java.util.Date");
    ScopedVariant epoch = ScopedVariant::r8(0);
    ASSERT_EQ(S_OK, call(date.get(), "setTime", {epoch.get()}).hr);
    CallResult time = call(date.get(), "getTime");
    EXPECT_EQ(VT_R8, time.value.type());
    EXPECT_EQ(0.0, time.value->dblVal);
}
