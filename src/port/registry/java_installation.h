// The machine's Java, found the way a Java launcher finds it, and described as a JRE
// installer describes itself in the Windows registry.
#pragma once

#include <optional>
#include <string>

#include "registry/tree.h"

namespace tavlinport::registry {

struct JavaInstallation {
    std::string home;         // the installation's folder, symbolic links resolved
    std::string runtime_lib;  // full path of its libjvm.so
    std::string version;      // "17", or "1.8" for the older numbering
};

// Where to look: the values of JAVA_HOME and PATH.
struct JavaSearch {
    std::string java_home;
    std::string path;
};

// The installation in `home`, if it has a VM library.
std::optional<JavaInstallation> describe_java_home(const std::string &home);

// JAVA_HOME when it names an installation, else the one behind javac or java on the PATH,
// else the system's default (/usr/lib/jvm/default-java).
std::optional<JavaInstallation> find_java_installation(const JavaSearch &search);

// The "Java Runtime Environment" key: "CurrentVersion", and a subkey of that name with
// "RuntimeLib" and "JavaHome".
Key java_runtime_environment_key(const JavaInstallation &java);

}  // namespace tavlinport::registry
