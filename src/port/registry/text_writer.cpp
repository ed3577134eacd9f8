// Writing the registry-export text format, laid out as regedit lays out its exports.
#include <algorithm>
#include <cstdio>

#include "registry/string_data.h"
#include "registry/text.h"
#include "tavlinport/registry.h"

namespace tavlinport::registry {
namespace {

// regedit breaks hex lists before this column, continuing them after two spaces.
constexpr size_t kLineWidth = 77;

std::string quoted(std::string_view text)
{
    std::string result = "\"";
    for (char c : text) {
        switch (c) {
        case '\\':
        case '"':
            result.push_back('\\');
            result.push_back(c);
            break;
        case '\n':
            result += "\\n";
            break;
        case '\r':
            result += "\\r";
            break;
        default:
            result.push_back(c);
        }
    }
    return result + "\"";
}

// A string value is written in quotes when it reads back unchanged that way: one NUL at
// its end and no line breaks, which regedit's quoted form cannot hold.
bool fits_quoted_form(const Value &value)
{
    const auto &data = value.data;
    if (value.type != REG_SZ || data.empty() || data.back() != 0) return false;
    return std::none_of(data.begin(), data.end() - 1, [](BYTE b) { return b == 0 || b == '\n' || b == '\r'; });
}

std::string hex_prefix(DWORD type)
{
    if (type == REG_BINARY) return "hex:";
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "hex(%x):", unsigned(type));
    return buffer;
}

void write_hex_list(std::string &out, size_t column, const std::vector<BYTE> &bytes)
{
    for (size_t index = 0; index < bytes.size(); ++index) {
        char piece[4];
        const bool last = index + 1 == bytes.size();
        std::snprintf(piece, sizeof piece, last ? "%02x" : "%02x,", unsigned(bytes[index]));
        if (column + 3 > kLineWidth) {
            out += "\\\n  ";
            column = 2;
        }
        out += piece;
        column += last ? 2 : 3;
    }
}

void write_value(std::string &out, const Value &value)
{
    const std::string name = value.name.empty() ? "@" : quoted(value.name);
    if (fits_quoted_form(value)) {
        const auto &data = value.data;
        out += name + "=" + quoted(std::string_view(reinterpret_cast<const char *>(data.data()), data.size() - 1));
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        char number[16];
        const auto &d = value.data;
        std::snprintf(number, sizeof number, "%08x", unsigned(d[0] | d[1] << 8 | d[2] << 16 | unsigned(d[3]) << 24));
        out += name + "=dword:" + number;
    } else {
        const std::string prefix = name + "=" + hex_prefix(value.type);
        out += prefix;
        write_hex_list(out, prefix.size(),
                       is_string_type(value.type) ? string_data_to_utf16le(value.data) : value.data);
    }
    out += "\n";
}

// Every key gets its section, empty ones too, so that created keys survive; the root keys
// only when they hold values of their own.
void write_key(std::string &out, const std::string &path, const Key &key, bool is_root)
{
    if (!is_root || !key.values().empty()) {
        out += "\n[" + path + "]\n";
        for (const Value &value : key.values()) write_value(out, value);
    }
    for (const Key &subkey : key.subkeys()) write_key(out, path + "\\" + subkey.name(), subkey, false);
}

}  // namespace

std::string write_registry_text(const Key &root)
{
    std::string out = "Windows Registry Editor Version 5.00\n";
    for (const Key &root_key : root.subkeys()) write_key(out, root_key.name(), root_key, true);
    return out;
}

}  // namespace tavlinport::registry
