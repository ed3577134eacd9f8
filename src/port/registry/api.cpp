// The advapi32 registry functions over the registry store, with Windows' results for
// every argument they accept.
#include <algorithm>
#include <cstring>
#include <utility>

#include "registry/handles.h"
#include "registry/store.h"
#include "registry/string_data.h"
#include "registry/view.h"
#include "tavlinport/registry.h"

namespace {

using namespace tavlinport::registry;

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;

// Generic rights stand for their registry equivalents; the WOW64 view flags choose nothing
// here, where there is one view.
REGSAM specific_rights(REGSAM requested, bool store_writable)
{
    REGSAM rights = requested & ~REGSAM(KEY_WOW64_32KEY | KEY_WOW64_64KEY | GENERIC_READ | GENERIC_WRITE |
                                        GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED);
    if (requested & (GENERIC_READ | GENERIC_EXECUTE)) rights |= KEY_READ;
    if (requested & GENERIC_WRITE) rights |= KEY_WRITE;
    if (requested & GENERIC_ALL) rights |= KEY_ALL_ACCESS;
    if (requested & MAXIMUM_ALLOWED) rights |= store_writable ? KEY_ALL_ACCESS : KEY_READ;
    return rights;
}

std::string text_or_empty(LPCSTR text) { return text != nullptr ? text : ""; }

bool starts_with_backslash(LPCSTR sub_key) { return sub_key != nullptr && sub_key[0] == '\\'; }

KeyPath parent_of(const KeyPath &path) { return KeyPath(path.begin(), path.end() - 1); }

// The handle's key, checked for the rights that the operation needs.
LSTATUS open_key_for(HKEY handle, REGSAM needed, OpenKey &out)
{
    auto open = find_open_key(handle);
    if (!open) return ERROR_INVALID_HANDLE;
    if ((open->access & needed) != needed) return ERROR_ACCESS_DENIED;
    out = std::move(*open);
    return ERROR_SUCCESS;
}

struct ResolvedKey {
    OpenKey open;
    std::shared_ptr<const Key> view;
    const Key *key = nullptr;
};

LSTATUS resolve(HKEY handle, REGSAM needed, ResolvedKey &out)
{
    LSTATUS status = open_key_for(handle, needed, out.open);
    if (status == ERROR_SUCCESS) status = Store::instance().view(out.view);
    if (status != ERROR_SUCCESS) return status;
    out.key = out.view->find(out.open.path);
    return out.key != nullptr ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

// The key that a call names by a handle and a path relative to it.
struct NamedKey {
    ResolvedKey parent;
    KeyPath path;
};

LSTATUS name_key(HKEY handle, LPCSTR sub_key, NamedKey &out)
{
    if (starts_with_backslash(sub_key)) return ERROR_BAD_PATHNAME;
    const LSTATUS status = resolve(handle, 0, out.parent);
    if (status == ERROR_SUCCESS) out.path = join(out.parent.open.path, split_key_path(text_or_empty(sub_key)));
    return status;
}

// The names along `path` as they are stored, so that a handle names its key as the
// registry spells it.
KeyPath stored_names(const Key &root, const KeyPath &path)
{
    KeyPath names;
    const Key *key = &root;
    for (const std::string &name : path) {
        key = key->find_subkey(name);
        names.push_back(key->name());
    }
    return names;
}

LSTATUS hand_out(const Key &view, const KeyPath &path, REGSAM requested, PHKEY result)
{
    const Key *key = view.find(path);
    if (key == nullptr) return ERROR_KEY_DELETED;
    const bool store_writable = Store::instance().writable();
    const REGSAM rights = specific_rights(requested, store_writable);
    if ((rights & kWriteRights) && (key->read_only() || !store_writable)) return ERROR_ACCESS_DENIED;
    *result = add_open_key(OpenKey{stored_names(view, path), rights});
    return ERROR_SUCCESS;
}

// A key that a change may touch: it still exists, and the port did not present it.
LSTATUS changeable(const Key &view, const KeyPath &path)
{
    const Key *key = view.find(path);
    if (key == nullptr) return ERROR_KEY_DELETED;
    return key->read_only() ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

// The deepest key along `path` that exists; a new key below it inherits its protection.
const Key &deepest_existing(const Key &root, const KeyPath &path)
{
    const Key *key = &root;
    for (const std::string &name : path) {
        const Key *next = key->find_subkey(name);
        if (next == nullptr) break;
        key = next;
    }
    return *key;
}

LSTATUS create_key(const OpenKey &parent, const KeyPath &path, bool &created)
{
    return Store::instance().modify([&](Key &store, const Key &view, bool &modified) -> LSTATUS {
        const LSTATUS status = changeable(view, parent.path);
        if (status != ERROR_SUCCESS) return status;
        if (deepest_existing(view, path).read_only()) return ERROR_ACCESS_DENIED;
        store.ensure(path, &created);
        modified = created;
        return ERROR_SUCCESS;
    });
}

// Removes the key at `path` from the file: the whole key, or with `keep_key` only its
// subkeys and values.
LSTATUS remove_key(const OpenKey &parent, const KeyPath &path, bool keep_key, bool require_no_subkeys)
{
    return Store::instance().modify([&](Key &store, const Key &view, bool &modified) -> LSTATUS {
        if (view.find(parent.path) == nullptr) return ERROR_KEY_DELETED;
        const Key *target = view.find(path);
        if (target == nullptr) return ERROR_FILE_NOT_FOUND;
        if (target->contains_read_only() || (require_no_subkeys && !target->subkeys().empty()))
            return ERROR_ACCESS_DENIED;
        if (keep_key) {
            if (Key *stored = store.find(path)) stored->clear();
        } else if (Key *stored_parent = store.find(parent_of(path))) {
            stored_parent->remove_subkey(path.back());
        }
        modified = true;
        return ERROR_SUCCESS;
    });
}

void report_no_class(LPSTR klass, LPDWORD klass_size)
{
    if (klass_size == nullptr) return;
    if (klass != nullptr && *klass_size > 0) klass[0] = '\0';
    *klass_size = 0;
}

}  // namespace

TAVLINPORT_API LSTATUS RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD, REGSAM sam, PHKEY result)
{
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    NamedKey target;
    const LSTATUS status = name_key(key, sub_key, target);
    if (status != ERROR_SUCCESS) return status;
    if (target.parent.view->find(target.path) == nullptr) return ERROR_FILE_NOT_FOUND;
    return hand_out(*target.parent.view, target.path, sam, result);
}

TAVLINPORT_API LSTATUS RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD reserved, LPSTR, DWORD, REGSAM sam,
                                       LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition)
{
    if (result == nullptr || reserved != 0) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    NamedKey target;
    LSTATUS status = name_key(key, sub_key, target);
    if (status != ERROR_SUCCESS) return status;
    bool created = false;
    if (target.parent.view->find(target.path) == nullptr) {
        // Creation rights come from the store, not from the parent handle's access mask.
        status = create_key(target.parent.open, target.path, created);
        if (status == ERROR_SUCCESS) status = Store::instance().view(target.parent.view);
        if (status != ERROR_SUCCESS) return status;
    }
    status = hand_out(*target.parent.view, target.path, sam, result);
    if (status == ERROR_SUCCESS && disposition != nullptr)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return status;
}

TAVLINPORT_API LSTATUS RegCloseKey(HKEY key) { return close_open_key(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE; }

TAVLINPORT_API LSTATUS RegQueryValueExA(HKEY key, LPCSTR value_name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                        LPDWORD data_size)
{
    if (reserved != nullptr || (data != nullptr && data_size == nullptr)) return ERROR_INVALID_PARAMETER;
    ResolvedKey resolved;
    const LSTATUS status = resolve(key, KEY_QUERY_VALUE, resolved);
    if (status != ERROR_SUCCESS) return status;
    const Value *value = resolved.key->find_value(text_or_empty(value_name));
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    if (type != nullptr) *type = value->type;
    const DWORD size = DWORD(value->data.size());
    if (data != nullptr && *data_size < size) {
        *data_size = size;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr) std::copy(value->data.begin(), value->data.end(), data);
    if (data_size != nullptr) *data_size = size;
    return ERROR_SUCCESS;
}

TAVLINPORT_API LSTATUS RegSetValueExA(HKEY key, LPCSTR value_name, DWORD, DWORD type, const BYTE *data, DWORD data_size)
{
    if (data == nullptr && data_size != 0) return ERROR_NOACCESS;
    OpenKey open;
    const LSTATUS status = open_key_for(key, KEY_SET_VALUE, open);
    if (status != ERROR_SUCCESS) return status;
    Value value{text_or_empty(value_name), type, std::vector<BYTE>(data, data + data_size)};
    if (is_string_type(type)) value.data = normalise_string_data(value.data);
    return Store::instance().modify([&](Key &store, const Key &view, bool &modified) -> LSTATUS {
        const LSTATUS target = changeable(view, open.path);
        if (target != ERROR_SUCCESS) return target;
        store.ensure(open.path).set_value(std::move(value));
        modified = true;
        return ERROR_SUCCESS;
    });
}

TAVLINPORT_API LSTATUS RegDeleteValueA(HKEY key, LPCSTR value_name)
{
    OpenKey open;
    const LSTATUS status = open_key_for(key, KEY_SET_VALUE, open);
    if (status != ERROR_SUCCESS) return status;
    return Store::instance().modify([&](Key &store, const Key &view, bool &modified) -> LSTATUS {
        const LSTATUS target = changeable(view, open.path);
        if (target != ERROR_SUCCESS) return target;
        Key *stored = store.find(open.path);
        modified = stored != nullptr && stored->remove_value(text_or_empty(value_name));
        return modified ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

TAVLINPORT_API LSTATUS RegQueryInfoKeyA(HKEY key, LPSTR klass, LPDWORD klass_size, LPDWORD reserved, LPDWORD sub_keys,
                                        LPDWORD max_sub_key_len, LPDWORD max_class_len, LPDWORD values,
                                        LPDWORD max_value_name_len, LPDWORD max_value_len, LPDWORD security_descriptor,
                                        PFILETIME last_write_time)
{
    if (reserved != nullptr) return ERROR_INVALID_PARAMETER;
    ResolvedKey resolved;
    const LSTATUS status = resolve(key, KEY_QUERY_VALUE, resolved);
    if (status != ERROR_SUCCESS) return status;
    const Key &info = *resolved.key;
    DWORD longest_sub_key = 0, longest_value_name = 0, longest_value = 0;
    for (const Key &subkey : info.subkeys()) longest_sub_key = std::max(longest_sub_key, DWORD(subkey.name().size()));
    for (const Value &value : info.values()) {
        longest_value_name = std::max(longest_value_name, DWORD(value.name.size()));
        longest_value = std::max(longest_value, DWORD(value.data.size()));
    }
    report_no_class(klass, klass_size);
    const std::pair<LPDWORD, DWORD> answers[] = {{sub_keys, DWORD(info.subkeys().size())},
                                                 {max_sub_key_len, longest_sub_key},
                                                 {max_class_len, 0},
                                                 {values, DWORD(info.values().size())},
                                                 {max_value_name_len, longest_value_name},
                                                 {max_value_len, longest_value},
                                                 {security_descriptor, 0}};
    for (const auto &[out, answer] : answers) {
        if (out != nullptr) *out = answer;
    }
    if (last_write_time != nullptr) *last_write_time = FILETIME{};
    return ERROR_SUCCESS;
}

TAVLINPORT_API LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD reserved,
                                     LPSTR klass, LPDWORD klass_size, PFILETIME last_write_time)
{
    if (name == nullptr || name_size == nullptr || reserved != nullptr) return ERROR_INVALID_PARAMETER;
    ResolvedKey resolved;
    const LSTATUS status = resolve(key, KEY_ENUMERATE_SUB_KEYS, resolved);
    if (status != ERROR_SUCCESS) return status;
    const auto &subkeys = resolved.key->subkeys();
    if (index >= subkeys.size()) return ERROR_NO_MORE_ITEMS;
    const std::string &found = subkeys[index].name();
    // The size is left as it was when the name and its NUL do not fit, as Windows leaves it.
    if (found.size() >= *name_size) return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    *name_size = DWORD(found.size());
    report_no_class(klass, klass_size);
    if (last_write_time != nullptr) *last_write_time = FILETIME{};
    return ERROR_SUCCESS;
}

TAVLINPORT_API LSTATUS RegDeleteKeyA(HKEY key, LPCSTR sub_key)
{
    if (sub_key == nullptr) return ERROR_INVALID_PARAMETER;
    NamedKey target;
    const LSTATUS status = name_key(key, sub_key, target);
    if (status != ERROR_SUCCESS) return status;
    if (is_predefined_key_path(target.path)) return ERROR_ACCESS_DENIED;
    return remove_key(target.parent.open, target.path, false, true);
}

TAVLINPORT_API LSTATUS RegDeleteTreeA(HKEY key, LPCSTR sub_key)
{
    NamedKey target;
    const LSTATUS status = name_key(key, sub_key, target);
    if (status != ERROR_SUCCESS) return status;
    // Without a subkey the key itself stays and loses its contents.
    const bool names_the_key_itself = target.path.size() == target.parent.open.path.size();
    return remove_key(target.parent.open, target.path, names_the_key_itself, false);
}

TAVLINPORT_API LSTATUS RegOverridePredefKey(HKEY key, HKEY override) { return override_predefined_key(key, override); }
