// CRegistryKey: holder of one open registry key (a RegistryKeyHandle, see util/holders.h)
// with the reads the bridge's settings need.
#pragma once

#include "util/holders.h"
#include "util/malloc_string.h"
#include "util/platform.h"

namespace tavlin {

struct RegistryKeyInfo {
    DWORD sub_keys = 0;
    DWORD max_sub_key_length = 0;
    DWORD values = 0;
    DWORD max_value_name_length = 0;
    DWORD max_value_length = 0;
};

class CRegistryKey : public RegistryKeyHandle {
public:
    // Replaces the held key only on success; returns the Win32 status.
    LONG open(HKEY parent, const char *sub_key, REGSAM access);

    // The value's stored bytes in a new buffer one byte longer than the stored size (so a
    // string is always terminated), or null when the value is missing or unreadable.
    // `type`, when given, receives the value's type.
    CMallocString query_string(const char *value_name, DWORD *type = nullptr) const;
    // The value when it is a REG_DWORD of four bytes; false otherwise.
    bool query_dword(const char *value_name, DWORD &value) const;
    // Writes REG_SZ; the status is returned for callers that care.
    LONG set_string(const char *text, const char *value_name) const;
    bool query_info(RegistryKeyInfo &info) const;
    // Lists subkey names (index 0, 1, ...) into new strings until the registry has no more
    // or `capacity` names are stored. S_OK with `count` set, E_FAIL when the key cannot be
    // queried, E_OUTOFMEMORY when the name buffer cannot be had.
    HRESULT enum_subkeys(CMallocString *names, DWORD capacity, DWORD &count) const;
};

}  // namespace tavlin
