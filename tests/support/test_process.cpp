#include "test_process.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#ifndef _WIN32
#include <dlfcn.h>
#include <unistd.h>
#endif

#include "util/holders.h"

namespace tavlin_test {

namespace {
int vm_option_count = 0;
const char kProductKey[] = "Software\\Varnexa\\Tidewell";
#ifdef _WIN32
const char kExtrasKey[] = "Software\\Varnexa\\Orvalis Tidewell Services - Web Lanthra\\Extras";

void remove_product_keys()
{
    for (const char *key : {kProductKey, kExtrasKey}) RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
}
#endif
}  // namespace

#ifdef _WIN32
void use_fresh_registry()
{
    remove_product_keys();
    // The prefix's registry outlives the process: what a test wrote must not reach the next
    // program that runs there.
    static const bool removed_at_exit = std::atexit(remove_product_keys) == 0;
    (void)removed_at_exit;
}

void set_environment(const char *name, const char *value)
{
    if (_putenv_s(name, value) != 0) throw std::runtime_error(std::string("cannot set ") + name);
}
#else
void use_fresh_registry()
{
    char folder[] = "/tmp/tavlin-test-XXXXXX";
    if (!mkdtemp(folder)) throw std::runtime_error("cannot make a temporary folder");
    std::string path = std::string(folder) + "/registry.reg";
    set_environment("TAVLIN_REGISTRY", path.c_str());
}

void set_environment(const char *name, const char *value)
{
    if (setenv(name, value, 1) != 0) throw std::runtime_error(std::string("cannot set ") + name);
}
#endif

namespace {

void set_registry_value(HKEY root, const char *key, const char *name, DWORD type, const BYTE *data, DWORD size)
{
    tavlin::RegistryKeyHandle opened;
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, opened.put(), nullptr) != ERROR_SUCCESS)
        throw std::runtime_error(std::string("cannot create registry key ") + key);
    if (RegSetValueExA(opened.get(), name, 0, type, data, size) != ERROR_SUCCESS)
        throw std::runtime_error(std::string("cannot write registry value in ") + key);
}

}  // namespace

void set_registry_string(HKEY root, const char *key, const char *name, const char *value)
{
    set_registry_value(root, key, name, REG_SZ, reinterpret_cast<const BYTE *>(value),
                       static_cast<DWORD>(std::strlen(value) + 1));
}

void set_product_dword(const char *name, DWORD value)
{
    set_registry_value(HKEY_LOCAL_MACHINE, kProductKey, name, REG_DWORD, reinterpret_cast<const BYTE *>(&value),
                       sizeof value);
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
    set_environment("CLASSPATH", fixtures_jar().c_str());
}

void hide_machine_java()
{
#ifdef _WIN32
    SetEnvironmentVariableA("JAVA_HOME", nullptr);
#else
    set_environment("TAVLIN_NO_MACHINE_JAVA", "1");
    unsetenv("JAVA_HOME");
    set_environment("PATH", "");
#endif
}

#ifndef _WIN32

std::string library_without_jni()
{
    Dl_info info{};
    void *library = dlopen("libm.so.6", RTLD_NOW);
    if (!library || !dladdr(dlsym(library, "cos"), &info) || !info.dli_fname)
        throw std::runtime_error("the C maths library cannot be found");
    return info.dli_fname;
}
#endif

}  // namespace tavlin_test
