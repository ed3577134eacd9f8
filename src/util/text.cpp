#include "util/text.h"

namespace tavlin {

OleString utf8_to_ole(const char *text)
{
    int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (units <= 1) return OleString();
    OleString wide(static_cast<size_t>(units), OLECHAR(0));
    MultiByteToWideChar(CP_UTF8, 0, text, -1, reinterpret_cast<LPWSTR>(&wide[0]), units);
    wide.resize(static_cast<size_t>(units) - 1);
    return wide;
}

std::string ole_to_utf8(const OLECHAR *text, size_t length)
{
    if (length == 0) return std::string();
    const auto *wide = reinterpret_cast<LPCWSTR>(text);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), &narrow[0], bytes, nullptr, nullptr);
    return narrow;
}

bool is_name_folded(const OLECHAR *name, const char *lower)
{
    if (!name) return false;
    for (; *lower; ++name, ++lower) {
        OLECHAR c = *name;
        if (c >= 'A' && c <= 'Z') c = static_cast<OLECHAR>(c - 'A' + 'a');
        if (c != static_cast<OLECHAR>(*lower)) return false;
    }
    return *name == 0;
}

}  // namespace tavlin
