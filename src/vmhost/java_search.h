// JavaSearch: where a Java runtime library is looked for beyond the product setting and the
// classic "Java Runtime Environment" key, which the installers of Java 9 and later no longer
// write: JAVA_HOME, the JavaSoft JDK keys, the keys the distributions write of their own, and
// java.exe on PATH. Every candidate is loaded by its full path, and one of the other bitness
// is passed over unloaded; what was passed over, and why, is kept for the failure's text.
#pragma once

#include <string>
#include <vector>

#include "util/platform.h"

namespace tavlin {

class JavaSearch {
public:
    // Loads the library at `path`, found at `place` ("JAVA_HOME", a registry key); null, with
    // the reason kept, when it is no full path, is missing, is of the other bitness or does
    // not load.
    HMODULE try_library(const std::string &path, const std::string &place);
    // The first Java of this process's bitness in the further places, in their order; null
    // when there is none.
    HMODULE find_installed_java();
    // One line for every candidate passed over and why, then the places looked at.
    std::string report() const;

private:
    HMODULE try_home(const std::string &home, const std::string &place);
    HMODULE try_java_home();
    HMODULE try_registered();
    HMODULE try_path();

    std::vector<std::string> passed_over_;
};

}  // namespace tavlin
