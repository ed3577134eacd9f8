// Under Windows without a Java installation, the loader and VM start-up report it with the
// loader's own text. Prints one line per check and "N passed, M failed".
#include <cstdio>
#include <cstring>
#include <string>

#include "checks.h"

#include "errors/tavlin_ex.h"
#include "util/platform.h"
#include "util/text.h"
#include "vmhost/jvm_library.h"
#include "vmhost/vm.h"

namespace {

windows_test::Checks report;

std::string first_line(const std::string &text) { return text.substr(0, text.find('\n')); }

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
    report.check(first_line(loader) == no_jre, "a registered version without RuntimeLib is no Java", loader);
    const bool loaded = GetFileAttributesA("planted-jvm-loaded") != INVALID_FILE_ATTRIBUTES;
    report.check(!loaded, "the jvm.dll in the current folder was not loaded", loaded ? "loaded" : "not loaded");

    SetCurrentDirectoryA(previous);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\JavaSoft");
}

// A fresh folder below the temporary one.
std::string fresh_folder(const char *name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "tavlin-java-" + std::to_string(GetCurrentProcessId()) + "-" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// A Java home holding a loadable jvm.dll (the planted one stands in for a runtime library:
// the loader only loads it and looks its entry points up) at bin\server, and java.exe at bin.
std::string java_home(const char *name)
{
    const std::string home = fresh_folder(name);
    for (const char *folder : {"\\bin", "\\bin\\server"}) CreateDirectoryA((home + folder).c_str(), nullptr);
    CopyFileA(TAVLIN_PLANTED_JVM_FOLDER "\\jvm.dll", (home + "\\bin\\server\\jvm.dll").c_str(), FALSE);
    CopyFileA(TAVLIN_PLANTED_JVM_FOLDER "\\jvm.dll", (home + "\\bin\\java.exe").c_str(), FALSE);
    return home;
}

// A home whose jvm.dll is of the other bitness, as far as its header tells.
std::string other_bitness_home()
{
    const std::string home = fresh_folder("other-bitness");
    for (const char *folder : {"\\bin", "\\bin\\server"}) CreateDirectoryA((home + folder).c_str(), nullptr);
    unsigned char header[0x90] = {'M', 'Z'};
    header[0x3C] = 0x80;
    const unsigned machine = sizeof(void *) == 8 ? 0x014C : 0x8664;
    const unsigned char pe[] = {
        'P', 'E', 0, 0, static_cast<unsigned char>(machine), static_cast<unsigned char>(machine >> 8)};
    std::memcpy(header + 0x80, pe, sizeof pe);
    FILE *file = std::fopen((home + "\\bin\\server\\jvm.dll").c_str(), "wb");
    std::fwrite(header, 1, sizeof header, file);
    std::fclose(file);
    return home;
}

void set_string(HKEY root, const std::string &key, const char *name, const std::string &value)
{
    HKEY opened = nullptr;
    RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr);
    RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(opened);
}

std::string loaded_from()
{
    try {
        tavlin::CJvmLibrary library;
        char path[MAX_PATH] = {};
        GetModuleFileNameA(library.module(), path, MAX_PATH);
        return path;
    } catch (tavlin::JVMDLL_Exception *error) {
        std::string text = error->message;
        delete error;
        return text;
    }
}

// Each layout that current installers write, alone in the prefix (the classic key absent):
// its Java is found; one of the other bitness is passed over for the next.
void check_installed_layouts()
{
    SetCurrentDirectoryA(fresh_folder("current").c_str());  // where the stand-in leaves its marker
    const std::string home = java_home("home");
    const std::string expected = home + "\\bin\\server\\jvm.dll";
    const struct {
        const char *name;
        void (*arrange)(const std::string &home);
    } rows[] = {
        {"JAVA_HOME", [](const std::string &h) { SetEnvironmentVariableA("JAVA_HOME", h.c_str()); }},
        {"JavaSoft\\JDK, its CurrentVersion first",
         [](const std::string &h) {
             set_string(HKEY_LOCAL_MACHINE, "Software\\JavaSoft\\JDK", "CurrentVersion", "17");
             set_string(HKEY_LOCAL_MACHINE, "Software\\JavaSoft\\JDK\\17", "JavaHome", h);
             set_string(HKEY_LOCAL_MACHINE, "Software\\JavaSoft\\JDK\\25", "JavaHome", "C:\\nowhere");
         }},
        {"the user's Java Development Kit, the newest first",
         [](const std::string &h) {
             set_string(HKEY_CURRENT_USER, "Software\\JavaSoft\\Java Development Kit\\1.8", "JavaHome", "C:\\nowhere");
             set_string(HKEY_CURRENT_USER, "Software\\JavaSoft\\Java Development Kit\\17", "JavaHome", h);
         }},
        {"Eclipse Adoptium",
         [](const std::string &h) {
             set_string(HKEY_LOCAL_MACHINE, "Software\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", "Path",
                        h + "\\");
         }},
        {"Microsoft Build of OpenJDK",
         [](const std::string &h) {
             set_string(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\JDK\\21.0.1.12\\hotspot\\MSI", "Path", h + "\\");
         }},
        {"IBM Semeru",
         [](const std::string &h) {
             set_string(HKEY_LOCAL_MACHINE, "Software\\Semeru\\JDK\\17.0.9.9\\openj9\\MSI", "Path", h + "\\");
         }},
        {"Azul Zulu",
         [](const std::string &h) {
             set_string(HKEY_LOCAL_MACHINE, "Software\\Azul Systems\\Zulu\\zulu-17", "InstallationPath", h);
         }},
        {"BellSoft Liberica",
         [](const std::string &h) {
             set_string(HKEY_LOCAL_MACHINE, "Software\\BellSoft\\Liberica\\17", "InstallationPath", h);
         }},
        {"java.exe on PATH", [](const std::string &h) { SetEnvironmentVariableA("PATH", (h + "\\bin").c_str()); }},
        {"the other bitness passed over",
         [](const std::string &h) {
             SetEnvironmentVariableA("JAVA_HOME", other_bitness_home().c_str());
             set_string(HKEY_LOCAL_MACHINE, "Software\\JavaSoft\\JDK\\17", "JavaHome", h);
         }},
    };
    char path[32768];
    GetEnvironmentVariableA("PATH", path, sizeof path);
    for (const auto &row : rows) {
        SetEnvironmentVariableA("JAVA_HOME", nullptr);
        row.arrange(home);
        const std::string found = loaded_from();
        report.check(_stricmp(found.c_str(), expected.c_str()) == 0, row.name, found);
        SetEnvironmentVariableA("PATH", path);
        for (const char *vendor :
             {"JavaSoft", "Eclipse Adoptium", "Microsoft\\JDK", "Semeru", "Azul Systems", "BellSoft"})
            for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
                RegDeleteTreeA(root, (std::string("Software\\") + vendor).c_str());
    }

    SetEnvironmentVariableA("JAVA_HOME", other_bitness_home().c_str());
    const std::string failure = loaded_from();
    SetEnvironmentVariableA("JAVA_HOME", nullptr);
    const std::string bits = sizeof(void *) == 8 ? "32" : "64", own = sizeof(void *) == 8 ? "64" : "32";
    report.check(failure.find("\nJAVA_HOME: ") != std::string::npos &&
                     failure.find("jvm.dll is a " + bits + "-bit library; this " + own + "-bit process needs a " + own +
                                  "-bit Java") != std::string::npos,
                 "the failure says which Java was passed over and why", failure);
}

}  // namespace

int main()
{
    const std::string no_jre = "No JRE is installed on this machine.";
    std::string loader = loader_message();
    report.check(first_line(loader) == no_jre, "the loader finds no Java installation", loader);
    tavlin::init_startup_lock();
    for (int attempt = 1; attempt <= 2; ++attempt) {
        std::string startup = startup_message();
        report.check(first_line(startup) == no_jre, "VM start-up reports the loader's text, again on a retry", startup);
    }
    check_planted_library_is_never_loaded(no_jre);
    check_installed_layouts();
    return report.finish();
}
