#include "com/support.h"

#include <vector>

namespace tavlinport {

std::string to_utf8(const OLECHAR *text)
{
    if (!text || !*text) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &result[0], size, nullptr, nullptr);
    result.resize(static_cast<size_t>(size) - 1);
    return result;
}

std::u16string to_utf16(const char *text, size_t length, UINT code_page)
{
    if (length == 0) return std::u16string();
    int size = MultiByteToWideChar(code_page, 0, text, static_cast<int>(length), nullptr, 0);
    if (size <= 0) return std::u16string();
    std::u16string result(static_cast<size_t>(size), u'\0');
    MultiByteToWideChar(code_page, 0, text, static_cast<int>(length), &result[0], size);
    return result;
}

std::string guid_text(REFGUID guid)
{
    OLECHAR text[39];
    StringFromGUID2(guid, text, 39);
    return to_utf8(text);
}

namespace {
OLECHAR fold_ascii(OLECHAR c) { return (c >= u'a' && c <= u'z') ? static_cast<OLECHAR>(c - u'a' + u'A') : c; }
}  // namespace

bool equal_ignoring_case(const OLECHAR *a, const OLECHAR *b)
{
    for (; *a && *b; ++a, ++b) {
        if (fold_ascii(*a) != fold_ascii(*b)) return false;
    }
    return *a == *b;
}

LSTATUS RegKey::open(HKEY parent, const std::string &name, REGSAM access)
{
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExA(parent, name.c_str(), 0, access, &key);
    if (status == ERROR_SUCCESS) {
        close();
        key_ = key;
    }
    return status;
}

LSTATUS RegKey::create(HKEY parent, const std::string &name)
{
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExA(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                     &key, nullptr);
    if (status == ERROR_SUCCESS) {
        close();
        key_ = key;
    }
    return status;
}

void RegKey::close()
{
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
}

bool RegKey::query_string(const char *value_name, std::string *text) const
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key_, value_name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(key_, value_name, nullptr, &type, reinterpret_cast<LPBYTE>(data.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    *text = data.data();
    return true;
}

LSTATUS RegKey::set_string(const char *value_name, const std::string &text) const
{
    return RegSetValueExA(key_, value_name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

DWORD RegKey::subkey_count() const
{
    DWORD count = 0;
    RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    return count;
}

}  // namespace tavlinport
