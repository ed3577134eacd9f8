// Client threads and the VM: a thread the VM does not know is attached on its first call and
// stays attached, as a named daemon thread with the system class loader, until it ends; a
// thread the host attached is never detached by the bridge.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "javaref/local_ref.h"
#include "test_process.h"
#include "vmhost/global_ref.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

JNIEnv *current_env()
{
    JNIEnv *env = nullptr;
    return java_vm()->GetEnv(reinterpret_cast<void **>(&env), JNI_VERSION_1_2) == JNI_OK ? env : nullptr;
}

JNIEnv *attach_by_hand()
{
    JNIEnv *env = nullptr;
    java_vm()->AttachCurrentThread(reinterpret_cast<void **>(&env), nullptr);
    return env;
}

void run_on_new_thread(const std::function<void()> &body)
{
    std::thread thread(body);
    thread.join();
}

jobject current_java_thread(JNIEnv *env)
{
    CLocalRef thread_class(env, env->FindClass("java/lang/Thread"));
    jmethodID current = env->GetStaticMethodID(thread_class.as<jclass>(), "currentThread", "()Ljava/lang/Thread;");
    return env->CallStaticObjectMethod(thread_class.as<jclass>(), current);
}

template <class Result> Result call_on(JNIEnv *env, jobject object, const char *name, const char *signature,
                                       Result (JNIEnv::*method)(jobject, jmethodID, ...))
{
    CLocalRef klass(env, env->GetObjectClass(object));
    return (env->*method)(object, env->GetMethodID(klass.as<jclass>(), name, signature));
}

std::string java_string(JNIEnv *env, jobject text)
{
    const char *chars = env->GetStringUTFChars(static_cast<jstring>(text), nullptr);
    std::string copy = chars;
    env->ReleaseStringUTFChars(static_cast<jstring>(text), chars);
    return copy;
}

class AttachTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_fresh_registry();
        get_env();
    }
};

}  // namespace

TEST_F(AttachTest, AHostsThreadKeepsItsEnvironment)
{
    run_on_new_thread([] {
        JNIEnv *own = attach_by_hand();
        EXPECT_EQ(own, get_env());
        {
            CThreadAttach attach;
            EXPECT_EQ(own, attach.env());
        }
        EXPECT_EQ(own, current_env()) << "the bridge never detaches a thread it did not attach";
        java_vm()->DetachCurrentThread();
    });
}

TEST_F(AttachTest, AClientThreadStaysAttachedUntilItEnds)
{
    GlobalRef<> java_thread;
    run_on_new_thread([&] {
        JNIEnv *env = nullptr;
        {
            CThreadAttach attach;
            env = attach.env();
        }
        EXPECT_EQ(env, current_env()) << "still attached after the call";
        CThreadAttach again;
        EXPECT_EQ(env, again.env());
        CLocalRef thread(env, current_java_thread(env));
        java_thread = new_global_ref(env, thread.get());
    });
    JNIEnv *env = get_env();
    EXPECT_FALSE(call_on(env, java_thread.get(), "isAlive", "()Z", &JNIEnv::CallBooleanMethod))
        << "the thread's end detached it";
}

struct ClientThreadRow {
    const char *name;
    bool starts_the_vm;
};

class ClientThreads : public ::testing::TestWithParam<ClientThreadRow> {};

// The thread that starts the VM (the only thread of most scripts) is a client thread too.
TEST_P(ClientThreads, AreNamedDaemonsWithTheSystemClassLoader)
{
    use_fresh_registry();
    if (!GetParam().starts_the_vm) get_env();
    run_on_new_thread([] {
        JNIEnv *env = get_env();
        CLocalRef thread(env, current_java_thread(env));
        CLocalRef name(env, call_on(env, thread.get(), "getName", "()Ljava/lang/String;", &JNIEnv::CallObjectMethod));
        EXPECT_EQ("tavlin client " + std::to_string(GetCurrentThreadId()), java_string(env, name.get()));
        EXPECT_TRUE(call_on(env, thread.get(), "isDaemon", "()Z", &JNIEnv::CallBooleanMethod));
        CLocalRef loader(env, call_on(env, thread.get(), "getContextClassLoader", "()Ljava/lang/ClassLoader;",
                                      &JNIEnv::CallObjectMethod));
        CLocalRef loader_class(env, env->FindClass("java/lang/ClassLoader"));
        jmethodID system_loader =
            env->GetStaticMethodID(loader_class.as<jclass>(), "getSystemClassLoader", "()Ljava/lang/ClassLoader;");
        CLocalRef system(env, env->CallStaticObjectMethod(loader_class.as<jclass>(), system_loader));
        EXPECT_TRUE(env->IsSameObject(system.get(), loader.get()));
    });
}

INSTANTIATE_TEST_SUITE_P(Rows, ClientThreads,
                         ::testing::Values(ClientThreadRow{"StartsTheVm", true}, ClientThreadRow{"Later", false}),
                         [](const ::testing::TestParamInfo<ClientThreadRow> &info) { return info.param.name; });

TEST_F(AttachTest, ManyThreadsAttachAtOnce)
{
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            JNIEnv *first = get_env();
            for (int round = 0; round < 50; ++round) {
                if (get_env() != first || CThreadAttach().env() != first) ++failures;
                if (!first || first->GetVersion() < JNI_VERSION_1_2) ++failures;
            }
        });
    for (auto &thread : threads) thread.join();
    EXPECT_EQ(0, failures.load());
}
