// Registry behaviours that hold on Windows and on the port alike. Each row works below a
// fresh, empty key opened with every right and answers what went wrong, or nothing. The
// port's unit tests run the rows against the port; the Windows test program runs them
// against advapi32 under Wine, which is how they were confirmed.
#pragma once

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "util/holders.h"
#include "util/platform.h"

namespace registry_rows {

class Findings {
public:
    void status(LONG actual, LONG expected, const char *what)
    {
        if (actual != expected)
            text_ +=
                std::string(what) + ": " + std::to_string(actual) + " instead of " + std::to_string(expected) + "; ";
    }
    void expect(bool holds, const char *what)
    {
        if (!holds) text_ += std::string(what) + "; ";
    }
    std::string text() const { return text_; }

private:
    std::string text_;
};

// Closes the key when the row ends, whichever way it ends.
using KeyHolder = tavlin::RegistryKeyHandle;

inline LONG set_string(HKEY key, const char *name, const char *text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text), DWORD(std::strlen(text) + 1));
}

inline LONG set_dword(HKEY key, const char *name, DWORD number)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number), sizeof number);
}

inline LONG create(HKEY parent, const char *name, KeyHolder &key, DWORD *disposition = nullptr)
{
    return RegCreateKeyExA(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), disposition);
}

inline LONG open(HKEY parent, const char *name, REGSAM access, KeyHolder &key)
{
    return RegOpenKeyExA(parent, name, 0, access, key.put());
}

inline std::string query_string(HKEY key, const char *name)
{
    char buffer[256] = {};
    DWORD size = sizeof buffer;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(buffer), &size) != ERROR_SUCCESS)
        return "<missing>";
    return std::string(buffer, size);
}

struct Row {
    const char *behaviour;
    std::string (*check)(HKEY base);
};

inline std::ostream &operator<<(std::ostream &out, const Row &row) { return out << row.behaviour; }

inline const std::vector<Row> &rows()
{
    static const std::vector<Row> table = {
        {"a string's size counts its NUL and a null buffer asks for it",
         [](HKEY base) {
             Findings findings;
             findings.status(set_string(base, "Name", "hello"), ERROR_SUCCESS, "set");
             DWORD type = 0, size = 0;
             findings.status(RegQueryValueExA(base, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS, "query");
             findings.expect(type == REG_SZ && size == 6, "type REG_SZ, size 6");
             return findings.text();
         }},
        {"a short buffer gives ERROR_MORE_DATA and the needed size",
         [](HKEY base) {
             Findings findings;
             set_string(base, "Name", "hello");
             BYTE buffer[3];
             DWORD size = sizeof buffer;
             findings.status(RegQueryValueExA(base, "Name", nullptr, nullptr, buffer, &size), ERROR_MORE_DATA, "query");
             findings.expect(size == 6, "size 6");
             return findings.text();
         }},
        {"a missing value is ERROR_FILE_NOT_FOUND",
         [](HKEY base) {
             Findings findings;
             DWORD size = 0;
             findings.status(RegQueryValueExA(base, "Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND,
                             "query");
             return findings.text();
         }},
        {"a null and an empty value name both mean the default value",
         [](HKEY base) {
             Findings findings;
             findings.status(set_string(base, nullptr, "default"), ERROR_SUCCESS, "set");
             findings.expect(query_string(base, "") == std::string("default", 8), "read back by empty name");
             findings.expect(query_string(base, nullptr) == std::string("default", 8), "read back by null name");
             return findings.text();
         }},
        {"value names are compared without regard to case",
         [](HKEY base) {
             Findings findings;
             set_string(base, "MixedCase", "one");
             set_string(base, "MIXEDCASE", "two");
             DWORD values = 0;
             RegQueryInfoKeyA(base, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                              nullptr, nullptr);
             findings.expect(values == 1, "one value");
             findings.expect(query_string(base, "mixedcase") == std::string("two", 4), "the second write wins");
             return findings.text();
         }},
        {"a DWORD reads back as its four bytes",
         [](HKEY base) {
             Findings findings;
             set_dword(base, "Number", 0x12345678);
             DWORD type = 0, number = 0, size = sizeof number;
             findings.status(RegQueryValueExA(base, "Number", nullptr, &type, reinterpret_cast<BYTE *>(&number), &size),
                             ERROR_SUCCESS, "query");
             findings.expect(type == REG_DWORD && size == 4 && number == 0x12345678, "0x12345678");
             return findings.text();
         }},
        {"multi-strings and expandable strings keep their bytes",
         [](HKEY base) {
             Findings findings;
             const char multi[] = "one\0two\0";
             const char expand[] = "%PATH%;x";
             RegSetValueExA(base, "Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE *>(multi), sizeof multi);
             RegSetValueExA(base, "Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE *>(expand), sizeof expand);
             findings.expect(query_string(base, "Multi") == std::string(multi, sizeof multi), "multi-string");
             findings.expect(query_string(base, "Expand") == std::string(expand, sizeof expand), "expandable");
             return findings.text();
         }},
        {"an empty binary value exists with size 0",
         [](HKEY base) {
             Findings findings;
             findings.status(RegSetValueExA(base, "Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS, "set");
             DWORD type = 0, size = 99;
             findings.status(RegQueryValueExA(base, "Empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS, "query");
             findings.expect(type == REG_BINARY && size == 0, "REG_BINARY of 0 bytes");
             return findings.text();
         }},
        {"no data with a size is ERROR_NOACCESS",
         [](HKEY base) {
             Findings findings;
             findings.status(RegSetValueExA(base, "Bad", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS, "set");
             return findings.text();
         }},
        {"a buffer without a size is ERROR_INVALID_PARAMETER",
         [](HKEY base) {
             Findings findings;
             set_string(base, "Name", "x");
             BYTE buffer[8];
             findings.status(RegQueryValueExA(base, "Name", nullptr, nullptr, buffer, nullptr), ERROR_INVALID_PARAMETER,
                             "query");
             DWORD reserved = 0, size = sizeof buffer;
             findings.status(RegQueryValueExA(base, "Name", &reserved, nullptr, buffer, &size), ERROR_INVALID_PARAMETER,
                             "query with reserved");
             return findings.text();
         }},
        {"creating tells a new key from an existing one",
         [](HKEY base) {
             Findings findings;
             KeyHolder first, second;
             DWORD disposition = 0;
             findings.status(create(base, "Child", first, &disposition), ERROR_SUCCESS, "create");
             findings.expect(disposition == REG_CREATED_NEW_KEY, "created");
             findings.status(create(base, "CHILD", second, &disposition), ERROR_SUCCESS, "create again");
             findings.expect(disposition == REG_OPENED_EXISTING_KEY, "opened existing");
             return findings.text();
         }},
        {"creating with a reserved value is ERROR_INVALID_PARAMETER",
         [](HKEY base) {
             Findings findings;
             HKEY key = nullptr;
             findings.status(RegCreateKeyExA(base, "Child", 1, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                             ERROR_INVALID_PARAMETER, "create");
             return findings.text();
         }},
        {"a leading backslash is ERROR_BAD_PATHNAME",
         [](HKEY base) {
             Findings findings;
             KeyHolder key;
             findings.status(create(base, "\\Child", key), ERROR_BAD_PATHNAME, "create");
             findings.status(open(base, "\\Child", KEY_READ, key), ERROR_BAD_PATHNAME, "open");
             return findings.text();
         }},
        {"doubled and trailing backslashes are skipped",
         [](HKEY base) {
             Findings findings;
             KeyHolder created, opened;
             findings.status(create(base, "A\\\\B\\", created), ERROR_SUCCESS, "create");
             findings.status(open(base, "A\\B", KEY_READ, opened), ERROR_SUCCESS, "open A\\B");
             return findings.text();
         }},
        {"keys open without regard to case and enumerate as created",
         [](HKEY base) {
             Findings findings;
             KeyHolder created, opened;
             create(base, "CamelCase", created);
             findings.status(open(base, "camelcase", KEY_READ, opened), ERROR_SUCCESS, "open");
             char name[32];
             DWORD size = sizeof name;
             findings.status(RegEnumKeyExA(base, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS,
                             "enumerate");
             findings.expect(size == 9 && std::string(name) == "CamelCase", "CamelCase, 9 characters");
             return findings.text();
         }},
        {"opening a missing key is ERROR_FILE_NOT_FOUND and gives no handle",
         [](HKEY base) {
             Findings findings;
             HKEY key = reinterpret_cast<HKEY>(1);
             findings.status(RegOpenKeyExA(base, "Missing", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND, "open");
             findings.expect(key == nullptr, "null handle");
             return findings.text();
         }},
        {"a name that fills the buffer without room for its NUL is ERROR_MORE_DATA",
         [](HKEY base) {
             Findings findings;
             KeyHolder child;
             create(base, "Child", child);
             char name[5];
             DWORD size = sizeof name;
             findings.status(RegEnumKeyExA(base, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA,
                             "enumerate");
             findings.expect(size == 5, "size left as given");
             return findings.text();
         }},
        {"enumerating past the last subkey is ERROR_NO_MORE_ITEMS",
         [](HKEY base) {
             Findings findings;
             KeyHolder child;
             create(base, "Only", child);
             char name[32];
             DWORD size = sizeof name;
             findings.status(RegEnumKeyExA(base, 1, name, &size, nullptr, nullptr, nullptr, nullptr),
                             ERROR_NO_MORE_ITEMS, "enumerate");
             return findings.text();
         }},
        {"key information counts subkeys and values and their longest names",
         [](HKEY base) {
             Findings findings;
             KeyHolder a, b;
             create(base, "Short", a);
             create(base, "LongerName", b);
             set_dword(base, "V", 1);
             const BYTE blob[7] = {};
             RegSetValueExA(base, "LongestValue", 0, REG_BINARY, blob, sizeof blob);
             DWORD sub_keys = 0, longest_sub_key = 0, values = 0, longest_name = 0, longest_data = 0;
             findings.status(RegQueryInfoKeyA(base, nullptr, nullptr, nullptr, &sub_keys, &longest_sub_key, nullptr,
                                              &values, &longest_name, &longest_data, nullptr, nullptr),
                             ERROR_SUCCESS, "query info");
             findings.expect(sub_keys == 2 && longest_sub_key == 10, "2 subkeys, longest 10");
             findings.expect(values == 2 && longest_name == 12 && longest_data == 7, "2 values, names 12, data 7");
             return findings.text();
         }},
        {"a key with subkeys cannot be deleted, a leaf can",
         [](HKEY base) {
             Findings findings;
             KeyHolder leaf;
             create(base, "Parent\\Leaf", leaf);
             findings.status(RegDeleteKeyA(base, "Parent"), ERROR_ACCESS_DENIED, "delete parent");
             findings.status(RegDeleteKeyA(base, "Parent\\Leaf"), ERROR_SUCCESS, "delete leaf");
             findings.status(RegDeleteKeyA(base, "Parent"), ERROR_SUCCESS, "delete parent afterwards");
             findings.status(RegDeleteKeyA(base, "Parent"), ERROR_FILE_NOT_FOUND, "delete again");
             findings.status(RegDeleteKeyA(base, nullptr), ERROR_INVALID_PARAMETER, "delete without a name");
             return findings.text();
         }},
        {"a handle to a deleted key answers ERROR_KEY_DELETED",
         [](HKEY base) {
             Findings findings;
             KeyHolder doomed, child;
             create(base, "Doomed", doomed);
             RegDeleteKeyA(base, "Doomed");
             DWORD size = 0;
             findings.status(RegQueryValueExA(doomed.get(), "x", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED,
                             "query");
             findings.status(set_string(doomed.get(), "x", "y"), ERROR_KEY_DELETED, "set");
             findings.status(create(doomed.get(), "Child", child), ERROR_KEY_DELETED, "create below");
             return findings.text();
         }},
        {"deleting a tree removes the key and all below it",
         [](HKEY base) {
             Findings findings;
             KeyHolder deep, gone;
             create(base, "Tree\\Branch\\Leaf", deep);
             findings.status(RegDeleteTreeA(base, "Tree"), ERROR_SUCCESS, "delete tree");
             findings.status(open(base, "Tree", KEY_READ, gone), ERROR_FILE_NOT_FOUND, "open afterwards");
             findings.status(RegDeleteTreeA(base, "Tree"), ERROR_FILE_NOT_FOUND, "delete again");
             return findings.text();
         }},
        {"deleting the tree of the key itself empties it",
         [](HKEY base) {
             Findings findings;
             KeyHolder child;
             create(base, "Child", child);
             set_string(base, "Value", "x");
             findings.status(RegDeleteTreeA(base, nullptr), ERROR_SUCCESS, "delete tree");
             DWORD sub_keys = 9, values = 9;
             findings.status(RegQueryInfoKeyA(base, nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr, &values,
                                              nullptr, nullptr, nullptr, nullptr),
                             ERROR_SUCCESS, "the key remains");
             findings.expect(sub_keys == 0 && values == 0, "no subkeys, no values");
             return findings.text();
         }},
        {"deleting a value, and a missing one",
         [](HKEY base) {
             Findings findings;
             set_string(base, "Value", "x");
             findings.status(RegDeleteValueA(base, "VALUE"), ERROR_SUCCESS, "delete");
             findings.expect(query_string(base, "Value") == "<missing>", "gone");
             findings.status(RegDeleteValueA(base, "Value"), ERROR_FILE_NOT_FOUND, "delete again");
             return findings.text();
         }},
        {"a handle opened for reading cannot set or delete values",
         [](HKEY base) {
             Findings findings;
             set_string(base, "Value", "x");
             KeyHolder reader;
             open(base, "", KEY_READ, reader);
             findings.status(set_string(reader.get(), "Value", "y"), ERROR_ACCESS_DENIED, "set");
             findings.status(RegDeleteValueA(reader.get(), "Value"), ERROR_ACCESS_DENIED, "delete value");
             return findings.text();
         }},
        {"a handle opened for writing cannot read values or enumerate",
         [](HKEY base) {
             Findings findings;
             set_string(base, "Value", "x");
             KeyHolder writer, child;
             create(base, "Child", child);
             open(base, "", KEY_WRITE, writer);
             DWORD size = 0;
             findings.status(RegQueryValueExA(writer.get(), "Value", nullptr, nullptr, nullptr, &size),
                             ERROR_ACCESS_DENIED, "query");
             char name[16];
             size = sizeof name;
             findings.status(RegEnumKeyExA(writer.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr),
                             ERROR_ACCESS_DENIED, "enumerate");
             return findings.text();
         }},
        {"a closed handle is invalid; closing a predefined one succeeds",
         [](HKEY base) {
             Findings findings;
             KeyHolder child;
             create(base, "Child", child);
             const HKEY key = child.release();
             findings.status(RegCloseKey(key), ERROR_SUCCESS, "close");
             findings.status(RegCloseKey(key), ERROR_INVALID_HANDLE, "close again");
             findings.status(RegCloseKey(nullptr), ERROR_INVALID_HANDLE, "close null");
             findings.status(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS, "close HKEY_LOCAL_MACHINE");
             return findings.text();
         }},
    };
    return table;
}

}  // namespace registry_rows
