// CLocalRef: the reference and its characters end with the holder.
#include <gtest/gtest.h>

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
    const char *chars = text.utf_chars();
    EXPECT_STREQ("h\xc3\xa9llo", chars);
    EXPECT_EQ(chars, text.utf_chars());
}

TEST(LocalRef, NullReferenceNeedsNoJni)
{
    // A null environment would crash on any JNI call: the holder must make none.
    CLocalRef empty(nullptr, nullptr);
    EXPECT_EQ(nullptr, empty.utf_chars());
}

TEST(LocalRef, ReleaseHandsTheReferenceOver)
{
    use_standard_vm_setup();
    JNIEnv *env = get_env();
    jobject kept;
    {
        CLocalRef text(env, env->NewStringUTF("x"));
        text.utf_chars();
        kept = text.release();
    }
    EXPECT_EQ(JNILocalRefType, env->GetObjectRefType(kept));
    env->DeleteLocalRef(kept);
}
