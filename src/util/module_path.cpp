#include "util/module_path.h"

#include "util/text.h"

namespace tavlin {

#ifdef _WIN32
namespace {

// `text` in the ANSI code page, or false when one of its characters has no exact spelling there.
bool to_ansi_exactly(const std::wstring &text, std::string &ansi)
{
    if (text.empty()) return false;
    BOOL lossy = FALSE;
    const int length = static_cast<int>(text.size());
    int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr, &lossy);
    if (bytes <= 0 || lossy) return false;
    ansi.assign(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, &ansi[0], bytes, nullptr, &lossy);
    return !lossy;
}

std::wstring short_path(const std::wstring &path)
{
    DWORD length = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (length == 0) return std::wstring();
    std::wstring shorter(length, L'\0');
    length = GetShortPathNameW(path.c_str(), &shorter[0], length);
    shorter.resize(length);
    return shorter;
}

}  // namespace

OleString module_path(HMODULE module)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return OleString();
        if (length < path.size()) return OleString(path.data(), length);
        path.resize(path.size() * 2);  // cut to fit: ask again with room to spare
    }
}

std::string path_for_vm_option(const OleString &path)
{
    std::string ansi;
    if (to_ansi_exactly(path, ansi) || to_ansi_exactly(short_path(path), ansi)) return ansi;
    return std::string();
}
#else
OleString module_path(HMODULE module)
{
    std::string path(512, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(module, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return OleString();
        if (length < path.size()) {
            path.resize(length);
            return utf8_to_ole(path.c_str());
        }
        path.resize(path.size() * 2);
    }
}

std::string path_for_vm_option(const OleString &path) { return ole_to_utf8(path.data(), path.size()); }
#endif

}  // namespace tavlin
