// Self-registration: the classes' registry scripts through the platform's registrar, and
// the type library the library carries (or the ".tlb" file beside it).
#pragma once

#include "util/platform.h"

namespace tavlin {

// The library's own full file name, as registration writes it.
OleString module_file_name(HINSTANCE instance);

// Registers every class of the class map, then the type library of `module_path`.
HRESULT register_server(const OleString &module_path);
// Unregisters both; failures are ignored.
void unregister_server(const OleString &module_path);

// Runs one registry script resource of `module_path`, with %MODULE% standing for that path.
HRESULT run_registry_script(const OleString &module_path, UINT script, bool registering);

HRESULT register_type_library(const OleString &module_path);
void unregister_type_library(const OleString &module_path);

// The ".tlb" file beside a library: its extension, from the last "." on (or the end when
// there is none), replaced by ".tlb".
OleString type_library_file_beside(const OleString &module_path);
// The folder part of a file name: cut after its last "\", "/" or ":" (empty when none).
OleString help_directory_of(const OleString &file_name);
// Text for a single-quoted registry-script string: every "'" doubled.
OleString quoted_for_script(const OleString &text);

}  // namespace tavlin
