// Under Windows without a Java installation, the loader and VM start-up report it with the
// loader's own text. Prints one line per check and "N passed, M failed".
#include <cstdio>
#include <string>

#include "checks.h"

#include "javaref/tavlin_ex.h"
#include "util/platform.h"
#include "util/text.h"
#include "vmhost/jvm_library.h"
#include "vmhost/vm.h"

namespace {

windows_test::Checks report;

std::string loader_message()
{
    try {
        tavlin::CJvmLibrary library;
        return "<loaded>";
    } catch (tavlin::JVMDLL_Exception *error) {
        std::string text = error->message;
        delete error;
        return text;
    }
}

std::string startup_message()
{
    try {
        tavlin::get_env();
        return "<started>";
    } catch (tavlin::TavlinEx *error) {
        tavlin::TavlinExPtr owned(error);
        return tavlin::ole_to_utf8(owned->description(), owned->description_length());
    }
}

// The Java installation's key names a version whose RuntimeLib is missing, and a jvm.dll lies
// in the current folder: the loader never takes a library by its bare name, so it is not
// loaded, and there is no Java.
void check_planted_library_is_never_loaded(const std::string &no_jre)
{
    const char java_key[] = "Software\\JavaSoft\\Java Runtime Environment";
    HKEY key = nullptr, version = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, java_key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "CurrentVersion", 0, REG_SZ, reinterpret_cast<const BYTE *>("1.8"), 4);
    RegCreateKeyExA(key, "1.8", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &version, nullptr);
    RegSetValueExA(version, "JavaHome", 0, REG_SZ, reinterpret_cast<const BYTE *>("C:\\nowhere"), 11);
    RegCloseKey(version);
    RegCloseKey(key);
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(TAVLIN_PLANTED_JVM_FOLDER);
    DeleteFileA("planted-jvm-loaded");

    std::string loader = loader_message();
    report.check(loader == no_jre, "a registered version without RuntimeLib is no Java", loader);
    const bool loaded = GetFileAttributesA("planted-jvm-loaded") != INVALID_FILE_ATTRIBUTES;
    report.check(!loaded, "the jvm.dll in the current folder was not loaded", loaded ? "loaded" : "not loaded");

    SetCurrentDirectoryA(previous);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\JavaSoft");
}

}  // namespace

int main()
{
    const std::string no_jre = "No JRE is installed on this machine.";
    std::string loader = loader_message();
    report.check(loader == no_jre, "the loader finds no Java installation", loader);
    tavlin::init_startup_lock();
    for (int attempt = 1; attempt <= 2; ++attempt) {
        std::string startup = startup_message();
        report.check(startup == no_jre, "VM start-up reports the loader's text, again on a retry", startup);
    }
    check_planted_library_is_never_loaded(no_jre);
    return report.finish();
}
