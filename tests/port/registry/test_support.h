// Scaffolding for the registry tests: a private registry file per test, keys closed at the
// end, and value helpers.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "registry/conformance_rows.h"
#include "scratch.h"
#include "util/platform.h"

namespace registry_test {

using port_test::EnvironmentOverride;
using port_test::read_file;
using port_test::ScratchFolder;
using port_test::write_file;

// Points TAVLIN_REGISTRY at a file of this test's own, so that no test sees the machine's
// registry, and takes JAVA_HOME and the PATH out of the Java search.
class ScratchRegistry {
public:
    ScratchRegistry()
        : file_(folder_.path() + "/registry.reg"), registry_("TAVLIN_REGISTRY", file_.c_str()),
          java_home_("JAVA_HOME", nullptr), search_path_("PATH", folder_.path().c_str())
    {
    }
    const std::string &file() const { return file_; }
    const std::string &folder() const { return folder_.path(); }
    std::string contents() const { return read_file(file_); }
    void write(const std::string &text) const { write_file(file_, text); }

private:
    ScratchFolder folder_;
    std::string file_;
    EnvironmentOverride registry_;
    EnvironmentOverride java_home_;
    EnvironmentOverride search_path_;
};

// Closes the key at the end of the test.
using Key = registry_rows::KeyHolder;

inline LONG create_key(HKEY parent, const char *name, Key &key, REGSAM access = KEY_ALL_ACCESS)
{
    return RegCreateKeyExA(parent, name, 0, nullptr, 0, access, nullptr, key.put(), nullptr);
}

inline LONG open_key(HKEY parent, const char *name, Key &key, REGSAM access = KEY_READ)
{
    return RegOpenKeyExA(parent, name, 0, access, key.put());
}

// The value's bytes, or nothing when it cannot be read.
inline std::optional<std::string> query_bytes(HKEY key, const char *name, DWORD *type = nullptr)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::string data(size, '\0');
    if (RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE *>(data.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    return data;
}

// A REG_SZ value as text, without its NUL.
inline std::optional<std::string> query_text(HKEY root, const char *path, const char *name)
{
    Key key;
    if (open_key(root, path, key) != ERROR_SUCCESS) return std::nullopt;
    auto bytes = query_bytes(key.get(), name);
    if (bytes && !bytes->empty() && bytes->back() == '\0') bytes->pop_back();
    return bytes;
}

inline LONG set_text(HKEY key, const char *name, const std::string &text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()), DWORD(text.size() + 1));
}

}  // namespace registry_test
