// The registry in memory: keys with case-insensitive, case-preserving names and their
// values. The whole registry is one tree whose first level holds the root keys by their
// full names (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_USERS).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tavlinport/registry.h"

namespace tavlinport::registry {

// Names compare as the registry compares them: ASCII letters without regard to case.
bool names_equal(std::string_view a, std::string_view b);
// Orders as a registry hive orders subkeys, by upper-cased name.
bool name_less(std::string_view a, std::string_view b);

using KeyPath = std::vector<std::string>;

// Splits "Software\\Classes\\" into its names; empty names (doubled or trailing
// backslashes) are skipped as Windows skips them.
KeyPath split_key_path(std::string_view path);
KeyPath join(const KeyPath &parent, const KeyPath &child);
// Whether `path` is `ancestor` or lies below it.
bool is_within(const KeyPath &path, const KeyPath &ancestor);

extern const char kLocalMachine[];
extern const char kCurrentUser[];
extern const char kUsers[];
// The path that a root key name of the export format stands for ("HKEY_CLASSES_ROOT" and
// "HKCR" stand for HKEY_LOCAL_MACHINE\Software\Classes); empty for an unknown name.
KeyPath root_path_for_name(std::string_view root_name);

struct Value {
    std::string name;  // empty for the key's default value
    DWORD type = REG_NONE;
    // The bytes RegQueryValueExA returns: string types hold their ANSI (here UTF-8) form.
    std::vector<BYTE> data;
};

class Key {
public:
    explicit Key(std::string name = {});

    const std::string &name() const { return name_; }
    const std::vector<Key> &subkeys() const { return subkeys_; }
    const std::vector<Value> &values() const { return values_; }

    // Keys presented by the port rather than stored in the file cannot be changed.
    bool read_only() const { return read_only_; }
    void mark_read_only();
    bool contains_read_only() const;

    Key *find_subkey(std::string_view name);
    const Key *find_subkey(std::string_view name) const;
    Key &ensure_subkey(std::string_view name, bool *created = nullptr);
    Key &add_subkey(Key subkey);
    bool remove_subkey(std::string_view name);

    Key *find(const KeyPath &path);
    const Key *find(const KeyPath &path) const;
    Key &ensure(const KeyPath &path, bool *created = nullptr);

    const Value *find_value(std::string_view name) const;
    void set_value(Value value);
    bool remove_value(std::string_view name);

    // Removes every subkey and value, keeping the key itself.
    void clear();

private:
    std::vector<Key>::iterator subkey_position(std::string_view name);
    std::vector<Value>::iterator value_position(std::string_view name);

    std::string name_;
    bool read_only_ = false;
    std::vector<Key> subkeys_;   // kept in hive order
    std::vector<Value> values_;  // kept in the order they were first set
};

}  // namespace tavlinport::registry
