// Fresh processes whose first calls race: each ends with one VM and no failed call.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

TEST(FirstUse, ConcurrentFirstCallsInManyFreshProcesses)
{
    const char *count_text = std::getenv("TAVLIN_FIRST_USE_PROCESSES");
    const int processes = count_text ? std::atoi(count_text) : 12;
    int failed = 0;
    for (int p = 0; p < processes; ++p) {
        int status = std::system(FIRST_USE_CHILD " > /dev/null 2>&1");
        failed += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(0, failed) << failed << " of " << processes << " processes failed";
}
