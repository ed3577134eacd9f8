// check_exception: what a pending Java exception becomes, case by case.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "debug_output.h"
#include "errors.h"
#include "errors/tavlin_ex.h"
#include "javaref/java_reflect.h"
#include "test_process.h"
#include "util/platform.h"
#include "util/text.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

class ExceptionCapture : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_standard_vm_setup();
        env_ = get_env();
    }
    void TearDown() override { EXPECT_FALSE(env_->ExceptionCheck()) << "capture must leave nothing pending"; }

    // Calls a static fixtures.Thrower method taking String arguments (null for none).
    void raise(const char *method, const char *first = nullptr, const char *second = nullptr)
    {
        jclass thrower = env_->FindClass("fixtures/Thrower");
        ASSERT_NE(nullptr, thrower);
        std::string signature = "(";
        std::vector<jvalue> args;
        for (const char *text : {first, second}) {
            if (!text) continue;
            signature += "Ljava/lang/String;";
            jvalue value;
            value.l = env_->NewStringUTF(text);
            args.push_back(value);
        }
        signature += ")V";
        env_->CallStaticVoidMethodA(thrower, env_->GetStaticMethodID(thrower, method, signature.c_str()), args.data());
        for (jvalue &value : args) env_->DeleteLocalRef(value.l);
        env_->DeleteLocalRef(thrower);
        ASSERT_TRUE(env_->ExceptionCheck());
    }
    ThrownError capture()
    {
        return error_of([this] { TavlinEx::check_exception(env_); });
    }

    JNIEnv *env_ = nullptr;
};

}  // namespace

TEST_F(ExceptionCapture, NothingPendingReturnsQuietly)
{
    DebugOutput output;
    EXPECT_FALSE(capture().thrown);
    EXPECT_TRUE(output.lines().empty());
}

TEST_F(ExceptionCapture, MessageBecomesTheDescriptionAndIsTraced)
{
    DebugOutput output;
    raise("illegalArgument", "bad value");
    ThrownError error = capture();
    EXPECT_TRUE(error.thrown);
    EXPECT_EQ("bad value", error.description);
    EXPECT_FALSE(error.has_source);
    const std::vector<std::string> lines = output.lines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(0u,
              lines[0].find("java.lang.IllegalArgumentException: bad value\n\tat fixtures.Thrower.illegalArgument("))
        << "the stack trace, which Java would print on standard error: " << lines[0];
    EXPECT_EQ((std::vector<std::string>{"java.lang.IllegalArgumentException", "bad value"}),
              std::vector<std::string>(lines.begin() + 1, lines.end()));
}

TEST_F(ExceptionCapture, NullMessageGivesTheClassName)
{
    raise("nullMessage");
    ThrownError error = capture();
    EXPECT_EQ("java.lang.NullPointerException", error.description);
    EXPECT_EQ("Exception occurred - no exception message", error.source);
}

TEST_F(ExceptionCapture, ProductExceptionCarriesItsKey)
{
    raise("product", "denied", "QZ-42");
    ThrownError error = capture();
    EXPECT_EQ("denied", error.description);
    EXPECT_TRUE(error.has_source);
    EXPECT_EQ("QZ-42", error.source);
}

TEST_F(ExceptionCapture, ProductExceptionWithoutKeyHasNoSource)
{
    jclass product = env_->FindClass("varnexa/qz/api/QZException");
    jmethodID constructor = env_->GetMethodID(product, "<init>", "(Ljava/lang/String;Ljava/lang/String;)V");
    jstring message = env_->NewStringUTF("no key");
    env_->Throw(static_cast<jthrowable>(env_->NewObject(product, constructor, message, nullptr)));
    ThrownError error = capture();
    EXPECT_EQ("no key", error.description);
    EXPECT_FALSE(error.has_source);
}

TEST_F(ExceptionCapture, SubclassOfTheProductExceptionHasNoSource)
{
    raise("productSubclass", "sub", "KEY");
    ThrownError error = capture();
    EXPECT_EQ("sub", error.description);
    EXPECT_FALSE(error.has_source);
}

TEST_F(ExceptionCapture, FailingGetMessageIsReported)
{
    raise("brokenMessage");
    EXPECT_EQ("Exception occurred within excpetion handling code (CallObjectMethod Exception.getMessage).",
              capture().description);
}

TEST_F(ExceptionCapture, MessageKeepsEveryCharacter)
{
    // "é", a character outside the BMP (U+1F600) and an embedded U+0000.
    const jchar text[] = {'a', 0x00E9, 0xD83D, 0xDE00, 0, 'z'};
    jstring message = env_->NewString(text, 6);
    jclass klass = env_->FindClass("java/lang/IllegalStateException");
    env_->Throw(static_cast<jthrowable>(
        env_->NewObject(klass, env_->GetMethodID(klass, "<init>", "(Ljava/lang/String;)V"), message)));
    try {
        TavlinEx::check_exception(env_);
        FAIL() << "nothing thrown";
    } catch (TavlinEx *error) {
        TavlinExPtr owned(error);
        ASSERT_EQ(6u, owned->description_length());
        for (int i = 0; i < 6; ++i) EXPECT_EQ(text[i], static_cast<jchar>(owned->description()[i])) << i;
    }
}

TEST(ExceptionCaptureWithoutProduct, CaptureSucceedsWithoutTheProductArchive)
{
    use_fresh_registry();
    // Naming qz.jar keeps the library folder's archive off the class path.
    set_environment("CLASSPATH", (fixtures_jar() + tavlin::kPathListSeparator + "/nonexistent/qz.jar").c_str());
    JNIEnv *env = get_env();
    jclass klass = env->FindClass("java/lang/IllegalStateException");
    env->ThrowNew(klass, "plain");
    ThrownError error = error_of([env] { TavlinEx::check_exception(env); });
    EXPECT_EQ("plain", error.description);
    EXPECT_FALSE(error.has_source);
    EXPECT_FALSE(env->ExceptionCheck());
}

TEST(TavlinExTexts, FixedMessagesConvertFromUtf8)
{
    TavlinEx error("caf\xc3\xa9", nullptr);
    ASSERT_EQ(4u, error.description_length());
    EXPECT_EQ(OLECHAR(0xE9), error.description()[3]);
    EXPECT_EQ(nullptr, error.source());
    ThrownError formatted = error_of([] { TavlinEx::raise("expecting %s, got %d\n", "int", 8); });
    EXPECT_EQ("expecting int, got 8\n", formatted.description);
}
