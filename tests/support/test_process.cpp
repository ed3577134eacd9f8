#include "test_process.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "util/holders.h"

namespace tavlin_test {

namespace {
int vm_option_count = 0;
const char kProductKey[] = "Software\\Varnexa\\Tidewell";
}  // namespace

void use_fresh_registry()
{
    char folder[] = "/tmp/tavlin-test-XXXXXX";
    if (!mkdtemp(folder)) throw std::runtime_error("cannot make a temporary folder");
    std::string path = std::string(folder) + "/registry.reg";
    setenv("TAVLIN_REGISTRY", path.c_str(), 1);
}

void set_registry_string(HKEY root, const char *key, const char *name, const char *value)
{
    tavlin::RegistryKeyHandle opened;
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, opened.put(), nullptr) != ERROR_SUCCESS)
        throw std::runtime_error(std::string("cannot create registry key ") + key);
    LONG status = RegSetValueExA(opened.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value),
                                 static_cast<DWORD>(std::strlen(value) + 1));
    if (status != ERROR_SUCCESS) throw std::runtime_error(std::string("cannot write registry value in ") + key);
}

void add_vm_option(const std::string &option)
{
    std::string key = std::string(kProductKey) + "\\VMOptions\\" + std::to_string(++vm_option_count);
    set_registry_string(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, option.c_str());
}

std::string fixtures_jar() { return TAVLIN_FIXTURES_JAR; }

void use_standard_vm_setup()
{
    use_fresh_registry();
    add_vm_option("-Xcheck:jni");
    setenv("CLASSPATH", fixtures_jar().c_str(), 1);
}

}  // namespace tavlin_test
