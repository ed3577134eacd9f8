// String-typed registry data. The A functions see it in the ANSI code page (UTF-8 here);
// Windows keeps it, and the export format writes it, as UTF-16LE.
#pragma once

#include <vector>

#include "tavlinport/wintypes.h"

namespace tavlinport::registry {

bool is_string_type(DWORD type);

std::vector<BYTE> string_data_to_utf16le(const std::vector<BYTE> &ansi);
// An odd trailing byte is dropped, as the conversion to the A form drops it on Windows.
std::vector<BYTE> string_data_from_utf16le(const std::vector<BYTE> &utf16le);
// What the data reads back as after Windows has stored it in UTF-16: ill-formed UTF-8
// replaced by U+FFFD.
std::vector<BYTE> normalise_string_data(const std::vector<BYTE> &ansi);

}  // namespace tavlinport::registry
