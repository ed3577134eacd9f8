// The registry-export text format that regedit reads and writes:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\Software\Example]
//   @="the default value"
//   "Path"="C:\\Program Files\\Example"
//   "Count"=dword:0000002a
//   "Blob"=hex:01,02,03
//   "Expand"=hex(2):25,00,00,00
//
// Strings escape \ and " with a backslash; hex(N) gives data of type N, and string types in
// hex form are UTF-16LE; long hex lists continue on the next line after a trailing "\".
#pragma once

#include <string>
#include <string_view>

#include "registry/tree.h"

namespace tavlinport::registry {

// Reads a whole file into `root` (which the caller passes empty). Also accepts what regedit
// itself may produce: UTF-16LE with a byte-order mark, CRLF line ends, the older REGEDIT4
// header, comments, and the deletions "[-KEY]" and "name"=-. Returns false with a
// description naming the line when the text is malformed.
bool read_registry_text(std::string_view text, Key &root, std::string &error);

// Writes the tree in the 5.00 format (UTF-8, without byte-order mark).
std::string write_registry_text(const Key &root);

}  // namespace tavlinport::registry
