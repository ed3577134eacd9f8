// Libraries and modules: handles agree between LoadLibraryA and GetModuleHandleA, names are
// found the way Windows finds DLL names, and bad handles are errors, not crashes.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "test_names.h"
#include "util/platform.h"

namespace {

std::string port_library_path()
{
    Dl_info info{};
    dladdr(reinterpret_cast<void *>(&GetModuleHandleA), &info);
    return info.dli_fname;
}

std::string file_name_of(HMODULE module)
{
    char buffer[4096];
    const DWORD length = GetModuleFileNameA(module, buffer, sizeof buffer);
    return std::string(buffer, length);
}

struct NameRow {
    const char *name;
    bool finds_port_library;
};

class ModuleName : public testing::TestWithParam<NameRow> {};

TEST_P(ModuleName, FindsLoadedLibraryByWindowsStyleName)
{
    const HMODULE module = GetModuleHandleA(GetParam().name);
    if (GetParam().finds_port_library) {
        ASSERT_NE(module, nullptr);
        EXPECT_EQ(file_name_of(module), port_library_path());
    } else {
        SetLastError(0);
        EXPECT_EQ(GetModuleHandleA(GetParam().name), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ModuleName,
                         testing::Values(NameRow{"tavlinport", true}, NameRow{"TavlinPort", true},
                                         NameRow{"tavlinport.dll", true}, NameRow{"TAVLINPORT.DLL", true},
                                         NameRow{"libtavlinport.so", true}, NameRow{"tavlinpor", false},
                                         NameRow{"tavlinport2", false}, NameRow{"no-such-module", false}),
                         test_names::by_field<&NameRow::name>);

// The port library is loaded as the test program's dependency, never opened by name, which
// is the case of the bridge finding its own module.
TEST(Modules, ALibraryLoadedAsADependencyResolvesSymbols)
{
    EXPECT_EQ(reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("tavlinport"), "GetACP")),
              reinterpret_cast<void *>(&GetACP));
}

TEST(Modules, NullNameIsTheHostExecutable)
{
    const HMODULE program = GetModuleHandleA(nullptr);
    ASSERT_NE(program, nullptr);
    char expected[4096];
    const ssize_t length = readlink("/proc/self/exe", expected, sizeof expected);
    ASSERT_GT(length, 0);
    EXPECT_EQ(file_name_of(program), std::string(expected, size_t(length)));
    EXPECT_EQ(file_name_of(nullptr), file_name_of(program));
}

TEST(Modules, ByFullPath) { EXPECT_EQ(GetModuleHandleA(port_library_path().c_str()), GetModuleHandleA("tavlinport")); }

TEST(Modules, LoadLibraryAgreesWithGetModuleHandle)
{
    const HMODULE loaded = LoadLibraryA(port_library_path().c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded, GetModuleHandleA("tavlinport"));
    EXPECT_EQ(reinterpret_cast<void *>(GetProcAddress(loaded, "GetACP")), reinterpret_cast<void *>(&GetACP));
    EXPECT_TRUE(FreeLibrary(loaded));
}

TEST(Modules, LoadByBareNameFollowsTheSearchPath)
{
    const HMODULE math = LoadLibraryA("libm.so.6");
    ASSERT_NE(math, nullptr);
    EXPECT_NE(GetProcAddress(math, "cos"), nullptr);
    EXPECT_EQ(GetModuleHandleA("m"), math);
    EXPECT_TRUE(FreeLibrary(math));
}

TEST(Modules, Failures)
{
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("/no/such/library.so"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    const HMODULE port = GetModuleHandleA("tavlinport");
    EXPECT_EQ(GetProcAddress(port, "NoSuchFunction"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetProcAddress(port, reinterpret_cast<LPCSTR>(uintptr_t(1))), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));

    int not_a_module = 0;
    const HMODULE bogus = reinterpret_cast<HMODULE>(&not_a_module);
    EXPECT_EQ(GetProcAddress(bogus, "GetACP"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(FreeLibrary(bogus));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    char name[64];
    EXPECT_EQ(GetModuleFileNameA(bogus, name, sizeof name), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    EXPECT_TRUE(DisableThreadLibraryCalls(port));
}

TEST(Modules, FileNameTruncatesAsWindowsDoes)
{
    const std::string full = port_library_path();
    std::string buffer(full.size() + 1, 'x');
    EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA("tavlinport"), buffer.data(), DWORD(buffer.size())),
              DWORD(full.size()));
    EXPECT_STREQ(buffer.c_str(), full.c_str());

    char small[8];
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA("tavlinport"), small, sizeof small), DWORD(sizeof small));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::string(small), full.substr(0, sizeof small - 1));

    EXPECT_EQ(GetModuleFileNameA(nullptr, nullptr, 16), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

}  // namespace
