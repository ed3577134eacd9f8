// Debugger output: silent by default, captured exactly, or sent where TAVLIN_DEBUG_OUTPUT says.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "scratch.h"
#include "tavlinport/debug_capture.h"
#include "util/platform.h"

namespace {

using port_test::EnvironmentOverride;

void collect(const char *text, void *context) { static_cast<std::vector<std::string> *>(context)->push_back(text); }

class Capture {
public:
    Capture() { PortSetDebugOutputCapture(collect, &lines_); }
    Capture(const Capture &) = delete;
    Capture &operator=(const Capture &) = delete;
    ~Capture() { PortSetDebugOutputCapture(nullptr, nullptr); }
    const std::vector<std::string> &lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

TEST(DebugOutput, CaptureReceivesTheExactText)
{
    Capture capture;
    OutputDebugStringA("Exception occurred during CProxy::Invoke");
    OutputDebugStringA("two\r\nlines\r\n");
    OutputDebugStringA("");
    OutputDebugStringA(nullptr);
    EXPECT_EQ(capture.lines(),
              (std::vector<std::string>{"Exception occurred during CProxy::Invoke", "two\r\nlines\r\n", ""}));
}

TEST(DebugOutput, SilentByDefault)
{
    EnvironmentOverride unset("TAVLIN_DEBUG_OUTPUT", nullptr);
    testing::internal::CaptureStderr();
    OutputDebugStringA("nobody listens");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(DebugOutput, ToStandardError)
{
    EnvironmentOverride to_stderr("TAVLIN_DEBUG_OUTPUT", "stderr");
    testing::internal::CaptureStderr();
    OutputDebugStringA("first");
    OutputDebugStringA("second\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "firstsecond\n");
}

TEST(DebugOutput, AppendedToAFile)
{
    port_test::ScratchFolder folder;
    const std::string file = folder.path() + "/debug.log";
    port_test::write_file(file, "earlier;");
    EnvironmentOverride to_file("TAVLIN_DEBUG_OUTPUT", file.c_str());
    OutputDebugStringA("one;");
    OutputDebugStringA("two;");
    EXPECT_EQ(port_test::read_file(file), "earlier;one;two;");
}

TEST(DebugOutput, ConcurrentCallsReachTheSinkOneAtATime)
{
    Capture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 250; ++i) OutputDebugStringA("line");
        });
    for (auto &thread : threads) thread.join();
    EXPECT_EQ(capture.lines().size(), 1000u);
}

}  // namespace
