#include "unix_paths.h"

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

namespace winejvm {
namespace {

struct HeapFreeDeleter {
  void operator()(char* text) const { HeapFree(GetProcessHeap(), 0, text); }
};
using WineHeapString = std::unique_ptr<char, HeapFreeDeleter>;

// Windows programs pass option strings in their ANSI code page.
std::vector<WCHAR> wide_from_ansi(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::vector<WCHAR> wide(length > 0 ? length : 1);
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

// Wine maps only paths whose folders exist, but a class path may name a jar or folder that
// is yet to come: such a path is mapped up to its deepest existing folder, the rest added.
std::optional<std::string> mapped(const std::string& windows_path) {
  const WineHeapString whole(wine_get_unix_file_name(wide_from_ansi(windows_path).data()));
  if (whole) return std::string(whole.get());
  const std::string::size_type last_separator = windows_path.find_last_of("\\/");
  if (last_separator == std::string::npos || last_separator == 0) return std::nullopt;
  const bool below_drive_root = last_separator == 2 && windows_path[1] == ':';
  const std::optional<std::string> folder = mapped(windows_path.substr(0, last_separator + below_drive_root));
  if (!folder) return std::nullopt;
  const char* separator = folder->back() == '/' ? "" : "/";
  return *folder + separator + windows_path.substr(last_separator + 1);
}

}  // namespace

std::string unix_path(const std::string& windows_path) {
  if (windows_path.empty() || windows_path[0] == '/') return windows_path;
  return mapped(windows_path).value_or(windows_path);
}

std::string unix_path_list(const std::string& windows_list) {
  std::string unix_list;
  std::string::size_type start = 0;
  for (;;) {
    const std::string::size_type end = windows_list.find(';', start);
    unix_list += unix_path(windows_list.substr(start, end - start));
    if (end == std::string::npos) return unix_list;
    unix_list += ':';
    start = end + 1;
  }
}

}  // namespace winejvm
