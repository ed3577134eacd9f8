// What the COM frame's tests share: a fresh registry and apartment per test, registry
// reads, the library's own file, and class objects.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "com/interfaces.h"
#include "com_holders.h"

namespace com_test {

using tavlin_test::ComPtr;

// Every test starts with an empty registry of its own and an initialised apartment.
class ComTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// The default (null name) or named REG_SZ value of HKEY_CLASSES_ROOT\<key>, if there is one.
std::optional<std::string> class_value(const std::string &key, const char *name = nullptr);
bool class_key_exists(const std::string &key);
// Number of values and subkeys of HKEY_CLASSES_ROOT\<key>.
DWORD class_value_count(const std::string &key);
DWORD class_subkey_count(const std::string &key);

// The file libtavlin.so was loaded from, found independently of the library's own code.
std::string library_file();
// A folder of this test's own, in the system's temporary folder.
std::string fresh_folder(const std::string &name);

ComPtr<IClassFactory> class_object(REFCLSID clsid);

}  // namespace com_test
