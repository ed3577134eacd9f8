#include "vmhost/registry_key.h"

#include <cstring>
#include <memory>

namespace tavlin {

LONG CRegistryKey::open(HKEY parent, const char *sub_key, REGSAM access)
{
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExA(parent, sub_key, 0, access, &opened);
    if (status == ERROR_SUCCESS) reset(opened);
    return status;
}

CMallocString CRegistryKey::query_string(const char *value_name, DWORD *type) const
{
    if (!get()) return CMallocString();
    DWORD size = 0;
    DWORD value_type = REG_NONE;
    LONG status = RegQueryValueExA(get(), value_name, nullptr, &value_type, nullptr, &size);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return CMallocString();
    // Another writer may grow the value between the two calls; the read then fails cleanly.
    CMallocString buffer(static_cast<char *>(std::calloc(size_t(size) + 1, 1)));
    if (!buffer) return CMallocString();
    DWORD read_size = size;
    status =
        RegQueryValueExA(get(), value_name, nullptr, &value_type, reinterpret_cast<LPBYTE>(buffer.get()), &read_size);
    if (status != ERROR_SUCCESS) return CMallocString();
    if (type) *type = value_type;
    return buffer;
}

bool CRegistryKey::query_dword(const char *value_name, DWORD &value) const
{
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    DWORD read = 0;
    if (!get() ||
        RegQueryValueExA(get(), value_name, nullptr, &type, reinterpret_cast<LPBYTE>(&read), &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_DWORD || size != sizeof read) return false;
    value = read;
    return true;
}

LONG CRegistryKey::set_string(const char *text, const char *value_name) const
{
    return RegSetValueExA(get(), value_name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                          static_cast<DWORD>(std::strlen(text) + 1));
}

bool CRegistryKey::query_info(RegistryKeyInfo &info) const
{
    return RegQueryInfoKeyA(get(), nullptr, nullptr, nullptr, &info.sub_keys, &info.max_sub_key_length, nullptr,
                            &info.values, &info.max_value_name_length, &info.max_value_length, nullptr,
                            nullptr) == ERROR_SUCCESS;
}

HRESULT CRegistryKey::enum_subkeys(CMallocString *names, DWORD capacity, DWORD &count) const
{
    count = 0;
    RegistryKeyInfo info;
    if (!query_info(info)) return E_FAIL;
    std::unique_ptr<char[]> name(new (std::nothrow) char[size_t(info.max_sub_key_length) + 1]);
    if (!name) return E_OUTOFMEMORY;
    for (DWORD index = 0; count < capacity; ++index) {
        DWORD length = info.max_sub_key_length + 1;
        if (RegEnumKeyExA(get(), index, name.get(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names[count++].reset(strdup(name.get()));
    }
    return S_OK;
}

}  // namespace tavlin
