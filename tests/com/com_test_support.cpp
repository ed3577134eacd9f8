#include "com_test_support.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "client.h"
#include "test_process.h"
#include "vmhost/registry_key.h"

namespace com_test {

void ComTest::SetUp()
{
    tavlin_test::use_fresh_registry();
    ASSERT_EQ(S_OK, CoInitialize(nullptr));
}

void ComTest::TearDown() { CoUninitialize(); }

namespace {
tavlin::CRegistryKey open_class_key(const std::string &name, const ClassesRoot &root)
{
    tavlin::CRegistryKey key;
    key.open(root.key, (root.prefix + name).c_str(), KEY_READ);
    return key;
}

void count_of(const std::string &key, const ClassesRoot &root, DWORD *subkeys, DWORD *values)
{
    const tavlin::CRegistryKey opened = open_class_key(key, root);
    ASSERT_NE(nullptr, opened.get()) << key;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(opened.get(), nullptr, nullptr, nullptr, subkeys, nullptr, nullptr,
                                              values, nullptr, nullptr, nullptr, nullptr));
}
}  // namespace

std::optional<std::string> class_value(const std::string &key, const char *name, const ClassesRoot &root)
{
    const tavlin::CRegistryKey opened = open_class_key(key, root);
    DWORD type = 0, size = 0;
    if (!opened.get() || RegQueryValueExA(opened.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(opened.get(), name, nullptr, &type, reinterpret_cast<BYTE *>(data.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::string(data.data());
}

bool class_key_exists(const std::string &key, const ClassesRoot &root)
{
    return open_class_key(key, root).get() != nullptr;
}

DWORD class_value_count(const std::string &key, const ClassesRoot &root)
{
    DWORD subkeys = 0, values = 0;
    count_of(key, root, &subkeys, &values);
    return values;
}

DWORD class_subkey_count(const std::string &key, const ClassesRoot &root)
{
    DWORD subkeys = 0, values = 0;
    count_of(key, root, &subkeys, &values);
    return subkeys;
}

std::string library_file()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(&DllGetClassObject), &info) || !info.dli_fname) return std::string();
    char resolved[PATH_MAX];
    return realpath(info.dli_fname, resolved) ? std::string(resolved) : std::string(info.dli_fname);
}

std::string fresh_folder(const std::string &name)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tavlin-com-XXXXXX").string();
    if (!mkdtemp(&pattern[0])) return std::string();
    std::filesystem::path folder = std::filesystem::path(pattern) / name;
    std::filesystem::create_directories(folder);
    return folder.string();
}

ComPtr<IClassFactory> class_object(REFCLSID clsid)
{
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(S_OK, DllGetClassObject(clsid, IID_IClassFactory, factory.put_void()));
    return factory;
}

}  // namespace com_test
