// Conversions of string-typed registry data.
#include "registry/string_data.h"

#include <string_view>

#include "kernel/unicode_transcode.h"
#include "tavlinport/registry.h"

namespace tavlinport::registry {

bool is_string_type(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::vector<BYTE> string_data_to_utf16le(const std::vector<BYTE> &ansi)
{
    const auto utf16 = utf8_to_utf16(std::string_view(reinterpret_cast<const char *>(ansi.data()), ansi.size()));
    std::vector<BYTE> bytes;
    bytes.reserve(utf16.text.size() * 2);
    for (char16_t unit : utf16.text) {
        bytes.push_back(static_cast<BYTE>(unit & 0xFF));
        bytes.push_back(static_cast<BYTE>(unit >> 8));
    }
    return bytes;
}

std::vector<BYTE> string_data_from_utf16le(const std::vector<BYTE> &utf16le)
{
    std::u16string units;
    units.reserve(utf16le.size() / 2);
    for (size_t pos = 0; pos + 1 < utf16le.size(); pos += 2)
        units.push_back(static_cast<char16_t>(utf16le[pos] | (utf16le[pos + 1] << 8)));
    const auto utf8 = utf16_to_utf8(units);
    return std::vector<BYTE>(utf8.text.begin(), utf8.text.end());
}

std::vector<BYTE> normalise_string_data(const std::vector<BYTE> &ansi)
{
    return string_data_from_utf16le(string_data_to_utf16le(ansi));
}

}  // namespace tavlinport::registry
