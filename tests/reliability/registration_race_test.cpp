// Two processes registering and unregistering the server in a loop share one registry file:
// it stays well-formed and ends as the last writer left it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "client.h"
#include "test_process.h"

using namespace tavlin_test;
#include "util/holders.h"

namespace {

// Runs `rounds` of register + unregister in a child process, then `last` until it succeeds.
// While the other process deletes keys, a call may fail as it would on Windows (a key deleted
// under an open handle gives ERROR_KEY_DELETED); the file itself must never suffer.
pid_t start_writer(int rounds, HRESULT (*last)())
{
    pid_t pid = fork();
    if (pid != 0) return pid;
    CoInitialize(nullptr);  // as regsvr32 does: registration creates the registrar component
    for (int i = 0; i < rounds; ++i) {
        DllRegisterServer();
        DllUnregisterServer();
    }
    for (int attempt = 0; attempt < 100; ++attempt)
        if (SUCCEEDED(last())) _exit(0);
    _exit(1);
}

bool finished_cleanly(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool key_exists(const char *path)
{
    tavlin::RegistryKeyHandle key;
    return RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

bool registered()
{
    return key_exists("Tavlin.Util\\CLSID") &&
           key_exists("CLSID\\{E5E89462-9F06-11D1-A07D-AAE6E1FA032C}\\InprocServer32") &&
           key_exists("CLSID\\{92E97FB8-4034-4E8D-BCB3-C2F794F526C5}\\InprocServer32");
}

class RegistrationRace : public ::testing::TestWithParam<bool> {};

}  // namespace

TEST_P(RegistrationRace, FileEndsAsTheLastWriterLeftIt)
{
    use_fresh_registry();
    const bool end_registered = GetParam();
    HRESULT (*last)() = end_registered ? &DllRegisterServer : &DllUnregisterServer;
    pid_t first = start_writer(25, last), second = start_writer(25, last);
    EXPECT_TRUE(finished_cleanly(first));
    EXPECT_TRUE(finished_cleanly(second));
    EXPECT_EQ(end_registered, registered());
    tavlin::RegistryKeyHandle root;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, root.put()))
        << "the file still reads, and unregistration kept HKCR\\CLSID";
}

INSTANTIATE_TEST_SUITE_P(Endings, RegistrationRace, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return std::string(info.param ? "Registered" : "Unregistered");
                         });
