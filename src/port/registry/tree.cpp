// The in-memory registry tree.
#include "registry/tree.h"

#include <algorithm>

namespace tavlinport::registry {
namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - ('a' - 'A')) : c; }

}  // namespace

const char kLocalMachine[] = "HKEY_LOCAL_MACHINE";
const char kCurrentUser[] = "HKEY_CURRENT_USER";
const char kUsers[] = "HKEY_USERS";

bool names_equal(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return upper(x) == upper(y); });
}

bool name_less(std::string_view a, std::string_view b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(upper(x)) < static_cast<unsigned char>(upper(y));
    });
}

KeyPath split_key_path(std::string_view path)
{
    KeyPath names;
    while (!path.empty()) {
        const size_t separator = path.find('\\');
        const std::string_view name = path.substr(0, separator);
        if (!name.empty()) names.emplace_back(name);
        if (separator == std::string_view::npos) break;
        path.remove_prefix(separator + 1);
    }
    return names;
}

KeyPath join(const KeyPath &parent, const KeyPath &child)
{
    KeyPath joined = parent;
    joined.insert(joined.end(), child.begin(), child.end());
    return joined;
}

bool is_within(const KeyPath &path, const KeyPath &ancestor)
{
    return path.size() >= ancestor.size() && std::equal(ancestor.begin(), ancestor.end(), path.begin(),
                                                        [](const auto &a, const auto &b) { return names_equal(a, b); });
}

KeyPath root_path_for_name(std::string_view root_name)
{
    if (names_equal(root_name, kLocalMachine) || names_equal(root_name, "HKLM")) return {kLocalMachine};
    if (names_equal(root_name, kCurrentUser) || names_equal(root_name, "HKCU")) return {kCurrentUser};
    if (names_equal(root_name, kUsers) || names_equal(root_name, "HKU")) return {kUsers};
    if (names_equal(root_name, "HKEY_CLASSES_ROOT") || names_equal(root_name, "HKCR"))
        return {kLocalMachine, "Software", "Classes"};
    return {};
}

Key::Key(std::string name) : name_(std::move(name)) {}

void Key::mark_read_only()
{
    read_only_ = true;
    for (Key &subkey : subkeys_) subkey.mark_read_only();
}

bool Key::contains_read_only() const
{
    return read_only_ ||
           std::any_of(subkeys_.begin(), subkeys_.end(), [](const Key &key) { return key.contains_read_only(); });
}

std::vector<Key>::iterator Key::subkey_position(std::string_view name)
{
    return std::lower_bound(subkeys_.begin(), subkeys_.end(), name,
                            [](const Key &key, std::string_view wanted) { return name_less(key.name(), wanted); });
}

Key *Key::find_subkey(std::string_view name)
{
    auto position = subkey_position(name);
    return position != subkeys_.end() && names_equal(position->name(), name) ? &*position : nullptr;
}

const Key *Key::find_subkey(std::string_view name) const { return const_cast<Key *>(this)->find_subkey(name); }

Key &Key::ensure_subkey(std::string_view name, bool *created)
{
    auto position = subkey_position(name);
    const bool exists = position != subkeys_.end() && names_equal(position->name(), name);
    if (created != nullptr) *created = !exists;
    return exists ? *position : *subkeys_.insert(position, Key(std::string(name)));
}

Key &Key::add_subkey(Key subkey)
{
    auto position = subkey_position(subkey.name());
    if (position != subkeys_.end() && names_equal(position->name(), subkey.name()))
        return *position = std::move(subkey);
    return *subkeys_.insert(position, std::move(subkey));
}

bool Key::remove_subkey(std::string_view name)
{
    auto position = subkey_position(name);
    if (position == subkeys_.end() || !names_equal(position->name(), name)) return false;
    subkeys_.erase(position);
    return true;
}

Key *Key::find(const KeyPath &path)
{
    Key *key = this;
    for (const std::string &name : path) {
        key = key->find_subkey(name);
        if (key == nullptr) return nullptr;
    }
    return key;
}

const Key *Key::find(const KeyPath &path) const { return const_cast<Key *>(this)->find(path); }

Key &Key::ensure(const KeyPath &path, bool *created)
{
    Key *key = this;
    bool any_created = false;
    for (const std::string &name : path) {
        bool name_created = false;
        key = &key->ensure_subkey(name, &name_created);
        any_created |= name_created;
    }
    if (created != nullptr) *created = any_created;
    return *key;
}

std::vector<Value>::iterator Key::value_position(std::string_view name)
{
    return std::find_if(values_.begin(), values_.end(),
                        [&](const Value &value) { return names_equal(value.name, name); });
}

const Value *Key::find_value(std::string_view name) const
{
    auto found = const_cast<Key *>(this)->value_position(name);
    return found != values_.end() ? &*found : nullptr;
}

void Key::set_value(Value value)
{
    auto found = value_position(value.name);
    if (found == values_.end()) {
        values_.push_back(std::move(value));
        return;
    }
    // The name keeps the case it was created with, as Windows keeps it.
    found->type = value.type;
    found->data = std::move(value.data);
}

bool Key::remove_value(std::string_view name)
{
    auto found = value_position(name);
    if (found == values_.end()) return false;
    values_.erase(found);
    return true;
}

void Key::clear()
{
    subkeys_.clear();
    values_.clear();
}

}  // namespace tavlinport::registry
