#include "vmhost/java_search.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "util/debug_trace.h"
#include "vmhost/registry_key.h"

namespace tavlin {

namespace {

#ifdef _WIN32
// Where an installation keeps its runtime library: a JDK or JRE of Java 9 and later, then a
// Java 8 JDK's private JRE; the client VM of 32-bit Java 8 where it has no server VM.
const char *const kLibraryInHome[] = {"bin\\server\\jvm.dll", "bin\\client\\jvm.dll", "jre\\bin\\server\\jvm.dll",
                                      "jre\\bin\\client\\jvm.dll"};
const char kJavaLauncher[] = "java.exe";
const char kLauncherFolder[] = "\\bin";
#else
const char *const kLibraryInHome[] = {"lib/server/libjvm.so", "lib/client/libjvm.so"};
const char kJavaLauncher[] = "java";
const char kLauncherFolder[] = "/bin";
#endif

// A registry key below which installers describe their Java versions, one subkey each.
struct RegisteredJava {
    const char *key;            // below HKLM and HKCU
    const char *below_version;  // the version subkey's subkey that holds the value
    const char *home_value;     // the installation's folder
};

// The JavaSoft keys of Java 9 and later and of JDKs; then the distributions' own keys, which
// their installers write by default (the JavaSoft keys only when asked to).
const RegisteredJava kRegisteredJavas[] = {
    {"Software\\JavaSoft\\JDK", "", "JavaHome"},
    {"Software\\JavaSoft\\Java Development Kit", "", "JavaHome"},
    {"Software\\Eclipse Adoptium\\JDK", "\\hotspot\\MSI", "Path"},
    {"Software\\Eclipse Adoptium\\JRE", "\\hotspot\\MSI", "Path"},
    {"Software\\Eclipse Foundation\\JDK", "\\hotspot\\MSI", "Path"},
    {"Software\\AdoptOpenJDK\\JDK", "\\hotspot\\MSI", "Path"},
    {"Software\\AdoptOpenJDK\\JRE", "\\hotspot\\MSI", "Path"},
    {"Software\\Microsoft\\JDK", "\\hotspot\\MSI", "Path"},
    {"Software\\Semeru\\JDK", "\\openj9\\MSI", "Path"},
    {"Software\\Semeru\\JRE", "\\openj9\\MSI", "Path"},
    {"Software\\Azul Systems\\Zulu", "", "InstallationPath"},
    {"Software\\BellSoft\\Liberica", "", "InstallationPath"},
};

const struct {
    HKEY root;
    const char *name;
} kRoots[] = {{HKEY_LOCAL_MACHINE, "HKLM"}, {HKEY_CURRENT_USER, "HKCU"}};

// The process's variable (on Windows its environment block, which the host may have changed
// since the C runtime copied it); empty when unset.
std::string environment_variable(const char *name)
{
#ifdef _WIN32
    std::string value(256, '\0');
    for (;;) {
        DWORD length = GetEnvironmentVariableA(name, &value[0], static_cast<DWORD>(value.size()));
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(length);  // the size it needs, its terminator included
    }
#else
    const char *value = std::getenv(name);
    return value ? value : "";
#endif
}

bool is_full_path(const std::string &path)
{
#ifdef _WIN32
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    const bool drive =
        path.size() > 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && separator(path[2]);
    const bool share = path.size() > 1 && separator(path[0]) && separator(path[1]);
    return drive || share;
#else
    return !path.empty() && path[0] == '/';
#endif
}

// A folder as installers write it, with or without its closing separator, without it.
std::string without_closing_separator(std::string folder)
{
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    return folder;
}

std::string joined(const std::string &folder, const char *name)
{
    return without_closing_separator(folder) + kDirSeparator + name;
}

bool file_exists(const std::string &path)
{
    std::unique_ptr<FILE, int (*)(FILE *)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    return file != nullptr;
}

// 32 or 64 for a Windows (PE) or ELF library, read from its header; 0 when it is neither.
int library_bits(const std::string &path)
{
    std::unique_ptr<FILE, int (*)(FILE *)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    unsigned char header[64] = {};
    if (!file || std::fread(header, 1, sizeof header, file.get()) != sizeof header) return 0;
    if (header[0] == 0x7F && header[1] == 'E' && header[2] == 'L' && header[3] == 'F')
        return header[4] == 1 ? 32 : header[4] == 2 ? 64 : 0;
    if (header[0] != 'M' || header[1] != 'Z') return 0;
    const long pe = static_cast<long>(header[0x3C] | header[0x3D] << 8 | header[0x3E] << 16 |
                                      static_cast<unsigned long>(header[0x3F]) << 24);
    unsigned char signature[6] = {};
    if (std::fseek(file.get(), pe, SEEK_SET) != 0 || std::fread(signature, 1, sizeof signature, file.get()) != 6 ||
        signature[0] != 'P' || signature[1] != 'E' || signature[2] != 0 || signature[3] != 0)
        return 0;
    const unsigned machine = signature[4] | signature[5] << 8;
    return machine == 0x014C ? 32 : machine == 0x8664 || machine == 0xAA64 ? 64 : 0;
}

// Version subkeys' names compared as numbers, part by part ("21.0.1" after "17.0.8.101").
bool newer(const std::string &a, const std::string &b)
{
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        const auto number = [](const std::string &text, size_t &at) {
            while (at < text.size() && !std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
            unsigned long value = 0;
            for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at)
                value = value * 10 + static_cast<unsigned long>(text[at] - '0');
            return value;
        };
        const unsigned long x = number(a, i), y = number(b, j);
        if (x != y) return x > y;
    }
    return false;
}

// The version subkeys of `key` to try: its CurrentVersion first when it has one, then every
// version, newest first.
std::vector<std::string> versions_in_order(const CRegistryKey &key)
{
    std::vector<std::string> versions;
    RegistryKeyInfo info;
    if (key.query_info(info) && info.sub_keys > 0) {
        std::unique_ptr<CMallocString[]> names(new CMallocString[info.sub_keys]);
        DWORD count = 0;
        if (SUCCEEDED(key.enum_subkeys(names.get(), info.sub_keys, count)))
            for (DWORD i = 0; i < count; ++i) versions.emplace_back(names[i].get());
    }
    std::sort(versions.begin(), versions.end(), newer);
    CMallocString current = key.query_string("CurrentVersion");
    if (current) {
        versions.erase(std::remove(versions.begin(), versions.end(), current.get()), versions.end());
        versions.insert(versions.begin(), current.get());
    }
    return versions;
}

std::string value_of(HKEY parent, const std::string &sub_key, const char *name)
{
    CRegistryKey key;
    if (key.open(parent, sub_key.c_str(), KEY_READ) != ERROR_SUCCESS) return std::string();
    CMallocString value = key.query_string(name);
    return value ? std::string(value.get()) : std::string();
}

}  // namespace

HMODULE JavaSearch::try_library(const std::string &path, const std::string &place)
{
    const int own_bits = static_cast<int>(sizeof(void *) * 8);
    const auto pass_over = [&](const std::string &why) {
        passed_over_.push_back(place + ": " + why);
        return nullptr;
    };
    if (!is_full_path(path)) return pass_over(path + " is not a full path");
    if (!file_exists(path)) return pass_over(path + " is missing");
    const int bits = library_bits(path);
    if (bits != 0 && bits != own_bits)
        return pass_over(path + " is a " + std::to_string(bits) + "-bit library; this " + std::to_string(own_bits) +
                         "-bit process needs a " + std::to_string(own_bits) + "-bit Java");
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) return pass_over(path + " does not load (error " + std::to_string(GetLastError()) + ")");
    debug_trace(("Java runtime library " + path + " from " + place).c_str());
    return module;
}

HMODULE JavaSearch::try_home(const std::string &home, const std::string &place)
{
    if (home.empty()) return nullptr;
    for (const char *library : kLibraryInHome) {
        const std::string path = joined(home, library);
        if (is_full_path(path) && !file_exists(path)) continue;
        return try_library(path, place);
    }
    passed_over_.push_back(place + ": " + home + " holds no Java runtime library");
    return nullptr;
}

HMODULE JavaSearch::try_java_home() { return try_home(environment_variable("JAVA_HOME"), "JAVA_HOME"); }

HMODULE JavaSearch::try_registered()
{
    for (const RegisteredJava &java : kRegisteredJavas) {
        for (const auto &root : kRoots) {
            CRegistryKey key;
            if (key.open(root.root, java.key, KEY_READ) != ERROR_SUCCESS) continue;
            for (const std::string &version : versions_in_order(key)) {
                const std::string place = std::string(root.name) + "\\" + java.key + "\\" + version;
                const std::string runtime_lib = value_of(key.get(), version, "RuntimeLib");
                const std::string home = value_of(key.get(), version + java.below_version, java.home_value);
                HMODULE module = !runtime_lib.empty() ? try_library(runtime_lib, place) : try_home(home, place);
                if (module) return module;
            }
        }
    }
    return nullptr;
}

HMODULE JavaSearch::try_path()
{
    const std::string folders = environment_variable("PATH");
    for (size_t start = 0; start <= folders.size();) {
        size_t end = folders.find(kPathListSeparator, start);
        if (end == std::string::npos) end = folders.size();
        std::string folder = folders.substr(start, end - start);
        start = end + 1;
        if (!is_full_path(folder) || !file_exists(joined(folder, kJavaLauncher))) continue;
#ifndef _WIN32
        // A launcher on PATH is most often a link into its installation.
        std::unique_ptr<char, void (*)(void *)> real(realpath(joined(folder, kJavaLauncher).c_str(), nullptr),
                                                     &std::free);
        if (real) folder = std::string(real.get()).substr(0, std::string(real.get()).rfind('/'));
#endif
        folder = without_closing_separator(folder);
        const size_t launcher_folder = folder.size() - std::min(folder.size(), sizeof kLauncherFolder - 1);
        if (folder.compare(launcher_folder, std::string::npos, kLauncherFolder) != 0) continue;
        if (HMODULE module = try_home(folder.substr(0, launcher_folder), "PATH (" + folder + ")")) return module;
    }
    return nullptr;
}

HMODULE JavaSearch::find_installed_java()
{
    HMODULE module = try_java_home();
    if (!module) module = try_registered();
    if (!module) module = try_path();
    return module;
}

std::string JavaSearch::report() const
{
    std::string text;
    for (const std::string &line : passed_over_) text += "\n" + line;
    text += "\nLooked in: RuntimeLib of HKLM\\Software\\Varnexa\\Tidewell, HKLM\\Software\\JavaSoft\\Java Runtime "
            "Environment, JAVA_HOME, the JavaSoft JDK keys and those of Eclipse Adoptium, Microsoft, IBM Semeru, Azul "
            "Zulu and BellSoft Liberica (HKLM, then HKCU), and java on PATH.";
    return text;
}

}  // namespace tavlin
