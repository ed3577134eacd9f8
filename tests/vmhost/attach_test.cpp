// The two attachment disciplines: get_env/detach_thread always detach; CThreadAttach
// detaches only what it attached.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "test_process.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

bool attached()
{
    JNIEnv *env = nullptr;
    return java_vm()->GetEnv(reinterpret_cast<void **>(&env), JNI_VERSION_1_2) == JNI_OK;
}

void attach_by_hand()
{
    JNIEnv *env = nullptr;
    java_vm()->AttachCurrentThread(reinterpret_cast<void **>(&env), nullptr);
}

void run_on_new_thread(const std::function<void()> &body)
{
    std::thread thread(body);
    thread.join();
}

class AttachTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_fresh_registry();
        get_env();
        detach_thread();
    }
};

}  // namespace

TEST_F(AttachTest, GetEnvThenDetachLeavesAnAttachedThreadDetached)
{
    run_on_new_thread([] {
        attach_by_hand();
        ASSERT_TRUE(attached());
        EXPECT_NE(nullptr, get_env());
        detach_thread();
        EXPECT_FALSE(attached());
    });
}

TEST_F(AttachTest, ThreadAttachLeavesAnAttachedThreadAttached)
{
    run_on_new_thread([] {
        attach_by_hand();
        {
            CThreadAttach attach;
            EXPECT_NE(nullptr, attach.env());
        }
        EXPECT_TRUE(attached());
        java_vm()->DetachCurrentThread();
    });
}

TEST_F(AttachTest, ThreadAttachDetachesWhatItAttached)
{
    run_on_new_thread([] {
        {
            CThreadAttach attach;
            EXPECT_TRUE(attached());
        }
        EXPECT_FALSE(attached());
        {
            CThreadAttach attach;
            attach.detach();
            EXPECT_FALSE(attached());
        }
        EXPECT_FALSE(attached());
    });
}

TEST_F(AttachTest, ManyThreadsAttachAndDetachAtOnce)
{
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int round = 0; round < 50; ++round) {
                JNIEnv *env = get_env();
                if (!env || env->GetVersion() < JNI_VERSION_1_2) ++failures;
                detach_thread();
                CThreadAttach attach;
                if (!attach.env()) ++failures;
            }
        });
    for (auto &thread : threads) thread.join();
    EXPECT_EQ(0, failures.load());
}
