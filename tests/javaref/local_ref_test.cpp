// LocalRef and UtfChars: the reference and the characters end with their holders.
#include <gtest/gtest.h>

#include <utility>

#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"
#include "test_process.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

TEST(LocalRef, TakesTheCharactersOnce)
{
    use_standard_vm_setup();
    JNIEnv *env = get_env();
    CLocalRef text(env, env->NewStringUTF("h\xc3\xa9llo"));
    UtfChars chars = jni::utf_chars(env, text.as<jstring>());
    const char *taken = chars.get();
    EXPECT_STREQ("h\xc3\xa9llo", taken);
    // Moving the holder hands the same characters on, to be released once.
    UtfChars moved = std::move(chars);
    EXPECT_EQ(taken, moved.get());
    EXPECT_FALSE(chars);
}

TEST(LocalRef, NullReferenceNeedsNoJni)
{
    // A null environment would crash on any JNI call: the holders must make none.
    CLocalRef empty(nullptr, nullptr);
    EXPECT_FALSE(jni::utf_chars(nullptr, empty.as<jstring>()));
}

TEST(LocalRef, ReleaseHandsTheReferenceOver)
{
    use_standard_vm_setup();
    JNIEnv *env = get_env();
    jobject kept;
    {
        CLocalRef text(env, env->NewStringUTF("x"));
        UtfChars chars = jni::utf_chars(env, text.as<jstring>());
        kept = text.release();
    }
    EXPECT_EQ(JNILocalRefType, env->GetObjectRefType(kept));
    env->DeleteLocalRef(kept);
}

TEST(LocalRef, AMovedReferenceKeepsItsEnvironment)
{
    use_standard_vm_setup();
    JNIEnv *env = get_env();
    jstring made = env->NewStringUTF("x");
    // Without an environment of its own, the target would crash when it deletes what it got.
    LocalRef<jstring> moved(nullptr, nullptr);
    {
        LocalRef<jstring> original(env, made);
        moved = std::move(original);
        EXPECT_FALSE(original);
    }
    EXPECT_EQ(made, moved.get());
    EXPECT_EQ(JNILocalRefType, env->GetObjectRefType(moved.get()));
}
