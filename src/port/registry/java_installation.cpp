// Finding and describing the machine's Java installation.
#include "registry/java_installation.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>

#include "tavlinport/registry.h"

namespace tavlinport::registry {
namespace {

#if defined(__x86_64__)
constexpr const char *kJavaArch = "amd64";
#elif defined(__i386__)
constexpr const char *kJavaArch = "i386";
#elif defined(__aarch64__)
constexpr const char *kJavaArch = "aarch64";
#else
constexpr const char *kJavaArch = "";
#endif

constexpr const char *kSystemDefaultJava = "/usr/lib/jvm/default-java";

std::optional<std::string> resolved(const std::string &path)
{
    char buffer[PATH_MAX];
    if (path.empty() || realpath(path.c_str(), buffer) == nullptr) return std::nullopt;
    return std::string(buffer);
}

bool is_regular_file(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string parent_folder(const std::string &path) { return path.substr(0, path.rfind('/')); }

std::string base_name(const std::string &path) { return path.substr(path.rfind('/') + 1); }

// Java 9 and later keep the VM in lib/server; Java 8 in jre/lib/<arch>/server.
std::optional<std::string> find_vm_library(const std::string &home)
{
    const std::string arch = kJavaArch;
    for (const std::string &folder : {std::string("/lib/server"), "/lib/" + arch + "/server",
                                      std::string("/jre/lib/server"), "/jre/lib/" + arch + "/server"}) {
        const std::string candidate = home + folder + "/libjvm.so";
        if (is_regular_file(candidate)) return candidate;
    }
    return std::nullopt;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string leading_digits(const std::string &text, size_t from)
{
    size_t end = from;
    while (end < text.size() && is_digit(text[end])) ++end;
    return text.substr(from, end - from);
}

// "17.0.15" gives "17"; the older "1.8.0_292" gives "1.8", the name JRE 8 registers under.
std::string feature_version(const std::string &text)
{
    const std::string major = leading_digits(text, 0);
    if (major == "1" && text.size() > 2 && text[1] == '.') {
        const std::string minor = leading_digits(text, 2);
        if (!minor.empty()) return "1." + minor;
    }
    return major;
}

std::string version_from_release_file(const std::string &home)
{
    std::ifstream release(home + "/release");
    const std::string key = "JAVA_VERSION=";
    for (std::string line; std::getline(release, line);) {
        if (line.compare(0, key.size(), key) != 0) continue;
        std::string value = line.substr(key.size());
        if (!value.empty() && value.front() == '"') value = value.substr(1, value.find('"', 1) - 1);
        return feature_version(value);
    }
    return {};
}

// Without a release file, the folder's name usually carries the version
// (java-17-openjdk-amd64, jdk1.8.0_292); failing that, the name itself names the subkey.
std::string version_of(const std::string &home)
{
    std::string version = version_from_release_file(home);
    if (!version.empty()) return version;
    const std::string name = base_name(home);
    const size_t digit = name.find_first_of("0123456789");
    if (digit != std::string::npos) return feature_version(name.substr(digit));
    return name;
}

std::optional<std::string> find_program(const std::string &search_path, const std::string &program)
{
    size_t start = 0;
    while (start <= search_path.size()) {
        const size_t end = std::min(search_path.find(':', start), search_path.size());
        const std::string folder = search_path.substr(start, end - start);
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (is_regular_file(candidate)) return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

// A program at <home>/bin/<name>, after symbolic links such as /usr/bin/javac ->
// /etc/alternatives/javac -> /usr/lib/jvm/.../bin/javac are followed.
std::optional<JavaInstallation> installation_behind(const std::string &search_path, const std::string &program)
{
    const auto found = find_program(search_path, program);
    const auto real = found ? resolved(*found) : std::nullopt;
    if (!real) return std::nullopt;
    return describe_java_home(parent_folder(parent_folder(*real)));
}

Value string_value(std::string name, const std::string &text)
{
    Value value{std::move(name), REG_SZ, std::vector<BYTE>(text.begin(), text.end())};
    value.data.push_back(0);
    return value;
}

}  // namespace

std::optional<JavaInstallation> describe_java_home(const std::string &home)
{
    const auto real_home = resolved(home);
    const auto library = real_home ? find_vm_library(*real_home) : std::nullopt;
    if (!library) return std::nullopt;
    return JavaInstallation{*real_home, *library, version_of(*real_home)};
}

std::optional<JavaInstallation> find_java_installation(const JavaSearch &search)
{
    if (auto from_java_home = describe_java_home(search.java_home)) return from_java_home;
    for (const char *program : {"javac", "java"}) {
        if (auto on_path = installation_behind(search.path, program)) return on_path;
    }
    return describe_java_home(kSystemDefaultJava);
}

Key java_runtime_environment_key(const JavaInstallation &java)
{
    Key environment("Java Runtime Environment");
    environment.set_value(string_value("CurrentVersion", java.version));
    Key &version = environment.ensure_subkey(java.version);
    version.set_value(string_value("RuntimeLib", java.runtime_lib));
    version.set_value(string_value("JavaHome", java.home));
    return environment;
}

}  // namespace tavlinport::registry
