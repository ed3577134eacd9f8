// One fresh process whose eight threads all make their first newInstance at the same
// moment. Exits 0 when every call succeeded and the process has exactly one VM.
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "client.h"
#include "test_process.h"
#include "vmhost/vm.h"

int main()
{
    tavlin_test::use_fresh_registry();
    std::mutex mutex;
    std::condition_variable start;
    bool go = false;
    int ready = 0;
    int failures = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            {
                std::unique_lock<std::mutex> lock(mutex);
                ++ready;
                start.wait(lock, [&] { return go; });
            }
            bool ok = static_cast<bool>(tavlin_test::make("java.util.ArrayList"));
            std::lock_guard<std::mutex> lock(mutex);
            failures += !ok;
        });
    for (;;) {
        std::lock_guard<std::mutex> lock(mutex);
        if (ready == 8) {
            go = true;
            break;
        }
    }
    start.notify_all();
    for (auto &thread : threads) thread.join();
    JavaVM *vms[2];
    jsize count = 0;
    JNIEnv *env = tavlin::get_env();
    (void)env;
    using Created = jint (*)(JavaVM **, jsize, jsize *);
    auto created = reinterpret_cast<Created>(
        reinterpret_cast<void *>(GetProcAddress(LoadLibraryA(TAVLIN_LIBJVM), "JNI_GetCreatedJavaVMs")));
    if (!created || created(vms, 2, &count) != JNI_OK || count != 1) ++failures;
    std::printf("%d failures, %d VMs\n", failures, static_cast<int>(count));
    return failures == 0 ? 0 : 1;
}
