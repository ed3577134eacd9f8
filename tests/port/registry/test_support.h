// Scaffolding for the registry tests: a private registry file per test, environment
// overrides undone at the end, and file helpers.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "registry_conformance_rows.h"
#include "util/platform.h"

namespace registry_test {

class EnvironmentOverride {
public:
    // A null value unsets the variable for the override's lifetime.
    EnvironmentOverride(const char *name, const char *value) : name_(name)
    {
        if (const char *old = getenv(name))
            old_ = old;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    EnvironmentOverride(const EnvironmentOverride &) = delete;
    EnvironmentOverride &operator=(const EnvironmentOverride &) = delete;
    ~EnvironmentOverride()
    {
        if (old_)
            setenv(name_.c_str(), old_->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A fresh folder, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavlin-port-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) != nullptr ? pattern : "";
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

inline void write_file(const std::string &path, const std::string &contents)
{
    std::ofstream(path, std::ios::binary) << contents;
}

inline std::string read_file(const std::string &path)
{
    std::ostringstream contents;
    contents << std::ifstream(path, std::ios::binary).rdbuf();
    return contents.str();
}

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
    if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::string data(size, '\0');
    if (RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE *>(data.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    return data;
}

// A REG_SZ value as text, without its NUL.
inline std::optional<std::string> query_text(HKEY root, const char *path, const char *name)
{
    Key key;
    if (open_key(root, path, key) != ERROR_SUCCESS)
        return std::nullopt;
    auto bytes = query_bytes(key.get(), name);
    if (bytes && !bytes->empty() && bytes->back() == '\0')
        bytes->pop_back();
    return bytes;
}

inline LONG set_text(HKEY key, const char *name, const std::string &text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()), DWORD(text.size() + 1));
}

}  // namespace registry_test
