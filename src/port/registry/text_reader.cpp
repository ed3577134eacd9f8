// Reading the registry-export text format.
#include <stdexcept>
#include <string>

#include "kernel/unicode_transcode.h"
#include "registry/string_data.h"
#include "registry/text.h"
#include "tavlinport/registry.h"

namespace tavlinport::registry {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";

struct MalformedText : std::runtime_error {
    using std::runtime_error::runtime_error;
};

bool starts_with(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string_view trim_left(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text;
}

std::string_view trim(std::string_view text)
{
    text = trim_left(text);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// regedit writes UTF-16LE with a byte-order mark; an administrator's editor writes UTF-8.
std::string decode_file_bytes(std::string_view bytes)
{
    if (starts_with(bytes, "\xFF\xFE")) {
        std::u16string units;
        for (size_t pos = 2; pos + 1 < bytes.size(); pos += 2)
            units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[pos]) |
                                                  (static_cast<unsigned char>(bytes[pos + 1]) << 8)));
        return utf16_to_utf8(units).text;
    }
    if (starts_with(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return std::string(bytes);
}

class Lines {
public:
    explicit Lines(std::string_view text) : rest_(text) {}

    bool next(std::string_view &line)
    {
        if (rest_.empty()) return false;
        const size_t end = rest_.find('\n');
        line = trim(rest_.substr(0, end));
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
        ++number_;
        return true;
    }

    size_t number() const { return number_; }

private:
    std::string_view rest_;
    size_t number_ = 0;
};

int hex_digit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads up to `max_digits` hex digits from the front of `text`.
uint32_t take_hex_number(std::string_view &text, size_t max_digits, const char *what)
{
    uint32_t number = 0;
    size_t digits = 0;
    while (digits < max_digits && digits < text.size() && hex_digit(text[digits]) >= 0)
        number = (number << 4) | uint32_t(hex_digit(text[digits++]));
    if (digits == 0) throw MalformedText(std::string("expected ") + what);
    text.remove_prefix(digits);
    return number;
}

void expect_end(std::string_view rest)
{
    if (!trim(rest).empty()) throw MalformedText("unexpected text after the value: " + std::string(rest));
}

char unescape(char c)
{
    switch (c) {
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case '0':
        return '\0';
    default:
        return c;
    }
}

// Reads a quoted string from the front of `text` (which starts at the opening quote).
std::string take_quoted(std::string_view &text)
{
    std::string result;
    size_t pos = 1;
    for (; pos < text.size() && text[pos] != '"'; ++pos) {
        if (text[pos] != '\\' || pos + 1 == text.size()) {
            result.push_back(text[pos]);
            continue;
        }
        const char escaped = text[++pos];
        // Only the escapes the format defines are decoded; any other backslash is literal.
        if (escaped == '\\' || escaped == '"' || escaped == 'n' || escaped == 'r' || escaped == '0') {
            result.push_back(unescape(escaped));
        } else {
            result.push_back('\\');
            result.push_back(escaped);
        }
    }
    if (pos >= text.size()) throw MalformedText("missing closing quote");
    text.remove_prefix(pos + 1);
    return result;
}

class Reader {
public:
    Reader(std::string_view text, Key &root) : lines_(text), root_(root) {}

    void read()
    {
        std::string_view line;
        while (lines_.next(line) && line.empty()) {
        }
        if (line.empty()) return;  // an empty file is an empty registry
        if (line == kOldHeader)
            strings_in_utf16_ = false;
        else if (line != kHeader)
            throw MalformedText("the first line is not \"" + std::string(kHeader) + "\"");
        while (lines_.next(line)) read_line(line);
    }

    size_t line_number() const { return lines_.number(); }

private:
    void read_line(std::string_view line)
    {
        if (line.empty() || line.front() == ';') return;
        if (line.front() == '[')
            read_section(line);
        else if (line.front() == '@' || line.front() == '"')
            read_value(line);
        else
            throw MalformedText("neither a [key] nor a value: " + std::string(line));
    }

    void read_section(std::string_view line)
    {
        const size_t close = line.rfind(']');
        if (close == std::string_view::npos || !trim(line.substr(close + 1)).empty())
            throw MalformedText("a key line must end with ]");
        std::string_view path = line.substr(1, close - 1);
        const bool deletion = !path.empty() && path.front() == '-';
        if (deletion) path.remove_prefix(1);
        const size_t separator = path.find('\\');
        const KeyPath root_path = root_path_for_name(path.substr(0, separator));
        if (root_path.empty()) throw MalformedText("unknown root key: " + std::string(path.substr(0, separator)));
        const KeyPath full_path =
            join(root_path, split_key_path(separator == std::string_view::npos ? "" : path.substr(separator + 1)));
        section_open_ = true;
        current_ = deletion ? nullptr : &root_.ensure(full_path);
        if (deletion) delete_key(full_path);
    }

    void delete_key(const KeyPath &path)
    {
        KeyPath parent_path(path.begin(), path.end() - 1);
        if (Key *parent = root_.find(parent_path)) parent->remove_subkey(path.back());
    }

    void read_value(std::string_view line)
    {
        if (!section_open_) throw MalformedText("a value before the first [key]");
        std::string name;
        if (line.front() == '@')
            line.remove_prefix(1);
        else
            name = take_quoted(line);
        line = trim_left(line);
        if (line.empty() || line.front() != '=') throw MalformedText("expected = after the value name");
        line = trim_left(line.substr(1));
        if (current_ == nullptr) return;  // values of a deleted key are ignored, as regedit ignores them
        if (line == "-") {
            current_->remove_value(name);
            return;
        }
        current_->set_value(read_data(std::move(name), line));
    }

    Value read_data(std::string name, std::string_view data)
    {
        Value value{std::move(name), REG_NONE, {}};
        if (!data.empty() && data.front() == '"') {
            const std::string text = take_quoted(data);
            expect_end(data);
            value.type = REG_SZ;
            value.data.assign(text.begin(), text.end());
            value.data.push_back(0);
        } else if (starts_with(data, "dword:")) {
            data.remove_prefix(6);
            const uint32_t number = take_hex_number(data, 8, "a dword in hex");
            expect_end(data);
            value.type = REG_DWORD;
            for (int shift = 0; shift < 32; shift += 8) value.data.push_back(static_cast<BYTE>(number >> shift));
        } else if (starts_with(data, "hex")) {
            data.remove_prefix(3);
            value.type = take_hex_type(data);
            value.data = take_hex_bytes(data);
            if (strings_in_utf16_ && is_string_type(value.type)) value.data = string_data_from_utf16le(value.data);
        } else {
            throw MalformedText("unknown kind of value data: " + std::string(data));
        }
        return value;
    }

    static DWORD take_hex_type(std::string_view &data)
    {
        DWORD type = REG_BINARY;
        if (starts_with(data, "(")) {
            data.remove_prefix(1);
            type = take_hex_number(data, 8, "a value type in hex");
            if (!starts_with(data, ")")) throw MalformedText("expected ) after the value type");
            data.remove_prefix(1);
        }
        if (!starts_with(data, ":")) throw MalformedText("expected : after hex");
        data.remove_prefix(1);
        return type;
    }

    // Comma-separated bytes; a trailing backslash continues the list on the next line.
    std::vector<BYTE> take_hex_bytes(std::string_view data)
    {
        std::vector<BYTE> bytes;
        for (;;) {
            data = trim(data);
            if (data == "\\") {
                if (!lines_.next(data)) throw MalformedText("the file ends inside a hex list");
                continue;
            }
            if (data.empty()) return bytes;
            bytes.push_back(static_cast<BYTE>(take_hex_number(data, 2, "a byte in hex")));
            data = trim_left(data);
            if (data.empty()) return bytes;
            if (data.front() != ',') throw MalformedText("expected , between bytes");
            data.remove_prefix(1);
        }
    }

    Lines lines_;
    Key &root_;
    Key *current_ = nullptr;
    bool section_open_ = false;
    bool strings_in_utf16_ = true;
};

}  // namespace

bool read_registry_text(std::string_view text, Key &root, std::string &error)
{
    const std::string decoded = decode_file_bytes(text);
    Reader reader(decoded, root);
    try {
        reader.read();
        return true;
    } catch (const MalformedText &malformed) {
        error = "line " + std::to_string(reader.line_number()) + ": " + malformed.what();
        return false;
    }
}

}  // namespace tavlinport::registry
