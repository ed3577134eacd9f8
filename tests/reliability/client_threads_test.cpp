// Client threads that come and go: each is attached on its first call and detached when it
// ends, leaving no Java thread and no reference behind, and nothing deadlocks while Java
// starts and ends threads of its own and collects garbage.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "client.h"
#include "jvm_probe.h"
#include "test_process.h"
#include "util/platform.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

// One client thread's life: a proxy made, called and released, then the thread ends.
bool client_thread_life()
{
    bool ok = false;
    std::thread([&] {
        ComPtr<IDispatch> list = make("java.util.ArrayList");
        ScopedVariant word = ScopedVariant::string("x");
        ok = list && call(list.get(), "add", {word.get()}).hr == S_OK && call(list.get(), "size").value->lVal == 1;
    }).join();
    return ok;
}

class ClientThreads : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_standard_vm_setup();
        churn_ = make("fixtures.ThreadChurn");
        ASSERT_TRUE(churn_);
        get_env();  // this thread counts references through the VM
    }

    LONG live_java_threads() { return call(churn_.get(), "liveThreads").value->lVal; }

    ComPtr<IDispatch> churn_;
};

}  // namespace

TEST_F(ClientThreads, AThousandThreadsLeaveNoJavaThreadAndNoReferenceBehind)
{
    ASSERT_TRUE(client_thread_life());  // the class's facts are cached before counting
    const LONG threads = live_java_threads();
    const long references = jni_global_reference_count();
    int failures = 0;
    for (int i = 0; i < 1000; ++i) failures += !client_thread_life();
    EXPECT_EQ(0, failures);
    EXPECT_EQ(threads, live_java_threads());
    EXPECT_EQ(references, jni_global_reference_count());
}

// Client threads call and end, four at a time, while Java churns threads and GCs. A deadlock
// shows as a run that does not finish within its bound; it is reported, not waited out.
TEST_F(ClientThreads, NoDeadlockWhileJavaStartsThreadsAndCollects)
{
    ASSERT_EQ(S_OK, call(churn_.get(), "start").hr);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::atomic<int> failures{0}, lives{0};
    auto run = std::async(std::launch::async, [&] {
        std::vector<std::thread> callers;
        for (int t = 0; t < 4; ++t)
            callers.emplace_back([&] {
                while (std::chrono::steady_clock::now() < until) {
                    failures += !client_thread_life();
                    ++lives;
                }
            });
        for (auto &caller : callers) caller.join();
    });
    if (run.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        ADD_FAILURE() << "client threads still running after 30 s: deadlocked";
        std::_Exit(1);
    }
    EXPECT_EQ(S_OK, call(churn_.get(), "stop").hr);
    EXPECT_EQ(0, failures.load());
    EXPECT_GT(lives.load(), 20);
}

// A service found through the context class loader, as JDBC drivers are: the bridge gives its
// threads the system class loader, as the Java launcher gives its main thread.
TEST(ClientThreadsFindServices, AJdbcDriverOnTheClassPathIsFound)
{
    use_standard_vm_setup();
    set_environment("CLASSPATH", (fixtures_jar() + kPathListSeparator + TAVLIN_H2_JAR).c_str());
    std::string answer;
    std::thread([&] {
        ComPtr<IDispatch> drivers = make("java.sql.DriverManager");
        ScopedVariant url = ScopedVariant::string("jdbc:h2:mem:test");
        CallResult connection = call(drivers.get(), "getConnection", {url.get()});
        if (connection.hr != S_OK) {
            answer = connection.description;
            return;
        }
        CallResult product =
            call(call(connection.value->pdispVal, "getMetaData").value->pdispVal, "getDatabaseProductName");
        answer = text_of(product);
        call(connection.value->pdispVal, "close");
    }).join();
    EXPECT_EQ("H2", answer);
}
