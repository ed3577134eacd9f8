// Hostile settings give a clear failure or the documented default, never a crash.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "client.h"
#include "test_names.h"
#include "test_process.h"

using namespace tavlin;
using namespace tavlin_test;
#include "util/holders.h"

namespace {

const HRESULT kFailed = static_cast<HRESULT>(0xFFFFFFFF);
const char kProduct[] = "Software\\Varnexa\\Tidewell";

void set_raw(const char *key, const char *name, DWORD type, const std::vector<BYTE> &data)
{
    tavlin::RegistryKeyHandle opened;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, opened.put(), nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(opened.get(), name, 0, type, data.data(), static_cast<DWORD>(data.size())));
}

std::vector<BYTE> text_bytes(const std::string &text) { return std::vector<BYTE>(text.begin(), text.end() + 1); }

struct BadValueRow {
    const char *name;
    const char *value_name;
    DWORD type;
    std::vector<BYTE> data;
};

class BadRegistryValues : public ::testing::TestWithParam<BadValueRow> {};

}  // namespace

// The values reach the VM as they are; it skips what it does not recognise and starts.
TEST_P(BadRegistryValues, VmStartsAnyway)
{
    use_fresh_registry();
    const BadValueRow &row = GetParam();
    set_raw(kProduct, row.value_name, row.type, row.data);
    ComPtr<IDispatch> list;
    EXPECT_EQ(S_OK, new_instance("java.util.ArrayList", list));
}

INSTANTIATE_TEST_SUITE_P(Rows, BadRegistryValues,
                         ::testing::Values(BadValueRow{"EmptyMax", "max", REG_SZ, text_bytes("")},
                                           BadValueRow{"HugeMax", "max", REG_SZ, text_bytes(std::string(1 << 20, 'x'))},
                                           BadValueRow{"DwordMax", "max", REG_DWORD, {0x41, 0x42, 0x43, 0x44}},
                                           BadValueRow{
                                               "BinaryMaxPerm", "maxperm", REG_BINARY, {0x2d, 0x00, 0xff, 0x7f}},
                                           BadValueRow{"EmptyBinaryMax", "max", REG_BINARY, {}}),
                         test_names::by_field<&BadValueRow::name>);

TEST(BadSettings, BadVmOptionValuesAreSkippedByTheVm)
{
    use_fresh_registry();
    set_raw("Software\\Varnexa\\Tidewell\\VMOptions\\1", nullptr, REG_SZ, text_bytes(std::string(1 << 20, 'y')));
    set_raw("Software\\Varnexa\\Tidewell\\VMOptions\\2", nullptr, REG_BINARY, {0x00});
    ComPtr<IDispatch> list;
    EXPECT_EQ(S_OK, new_instance("java.util.ArrayList", list));
}

TEST(BadSettings, HugeClassPathVariable)
{
    use_fresh_registry();
    set_environment("CLASSPATH", ("/" + std::string(100000, 'c')).c_str());
    ComPtr<IDispatch> list;
    EXPECT_EQ(S_OK, new_instance("java.util.ArrayList", list));
}

struct BrokenFileRow {
    const char *name;
    std::string contents;
};

class BrokenRegistryFile : public ::testing::TestWithParam<BrokenFileRow> {};

// A registry file that cannot be read is no registry at all: the call fails cleanly
// (no Java is found) or proceeds on the defaults, never crashes.
TEST_P(BrokenRegistryFile, FailsCleanly)
{
    use_fresh_registry();
    std::ofstream(std::getenv("TAVLIN_REGISTRY"), std::ios::binary) << GetParam().contents;
    ComPtr<IDispatch> list;
    HRESULT hr = new_instance("java.util.ArrayList", list);
    EXPECT_TRUE(hr == S_OK || hr == kFailed) << std::hex << hr;
}

INSTANTIATE_TEST_SUITE_P(
    Contents, BrokenRegistryFile,
    ::testing::Values(BrokenFileRow{"CutOffInAKey", "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MA"},
                      BrokenFileRow{"BinaryGarbage", std::string("\x00\xff\xfe garbage \x01\x02", 14)},
                      BrokenFileRow{"DataThatIsNotHex", "Windows Registry Editor Version 5.00\n\n"
                                                        "[HKEY_LOCAL_MACHINE\\Software\\Varnexa\\Tidewell]\n"
                                                        "\"max\"=hex:zz,qq\n\"maxperm\"=dword:nothex\n"}),
    test_names::by_field<&BrokenFileRow::name>);

TEST(BadSettings, RuntimeLibThatIsNoLibrary)
{
    use_fresh_registry();
    std::string not_a_library = std::string(std::getenv("TAVLIN_REGISTRY")) + ".txt";
    std::ofstream(not_a_library) << "not a shared library";
    // As the product override it is passed over: the machine's Java is used.
    set_raw(kProduct, "RuntimeLib", REG_SZ, text_bytes(not_a_library));
    ComPtr<IDispatch> list;
    EXPECT_EQ(S_OK, new_instance("java.util.ArrayList", list));
}

TEST(BadSettings, RegisteredRuntimeLibThatIsNoLibrary)
{
    use_fresh_registry();
    std::string not_a_library = std::string(std::getenv("TAVLIN_REGISTRY")) + ".txt";
    std::ofstream(not_a_library) << "not a shared library";
    hide_machine_java();
    set_raw("Software\\JavaSoft\\Java Runtime Environment", "CurrentVersion", REG_SZ, text_bytes("17"));
    set_raw("Software\\JavaSoft\\Java Runtime Environment\\17", "RuntimeLib", REG_SZ, text_bytes(not_a_library));
    ComPtr<IDispatch> list;
    EXPECT_EQ(kFailed, new_instance("java.util.ArrayList", list));
}
