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

// Where classes are registered: HKEY_CLASSES_ROOT for the machine, or
// HKEY_CURRENT_USER\Software\Classes for the user.
struct ClassesRoot {
    HKEY key;
    const char *prefix;
    const char *name;
};
inline const ClassesRoot kMachineClasses{HKEY_CLASSES_ROOT, "", "HKCR"};
inline const ClassesRoot kUserClasses{HKEY_CURRENT_USER, "Software\\Classes\\", "HKCU\\Software\\Classes"};

// The default (null name) or named REG_SZ value of <root>\<key>, if there is one.
std::optional<std::string> class_value(const std::string &key, const char *name = nullptr,
                                       const ClassesRoot &root = kMachineClasses);
bool class_key_exists(const std::string &key, const ClassesRoot &root = kMachineClasses);
// Number of values and subkeys of <root>\<key>.
DWORD class_value_count(const std::string &key, const ClassesRoot &root = kMachineClasses);
DWORD class_subkey_count(const std::string &key, const ClassesRoot &root = kMachineClasses);

// The file libtavlin.so was loaded from, found independently of the library's own code.
std::string library_file();
// A folder of this test's own, in the system's temporary folder.
std::string fresh_folder(const std::string &name);

ComPtr<IClassFactory> class_object(REFCLSID clsid);

}  // namespace com_test
