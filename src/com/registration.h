// Self-registration: the classes' registry scripts through the platform's registrar, and
// the type library the library carries (or the ".tlb" file beside it).
#pragma once

#include "util/platform.h"

namespace tavlin {

// The library's own full file name, as registration writes it.
OleString module_file_name(HINSTANCE instance);

// Where registration writes: HKEY_CLASSES_ROOT, for every user of the machine (which needs
// administrator rights), or HKEY_CURRENT_USER\Software\Classes, for the user alone.
enum class RegistrationScope { machine, user };

// The scope that DllInstall's command line asks for: null or empty for the machine (what
// DllRegisterServer does), "user" in any case for the user; false for anything else.
bool scope_of_command_line(const OLECHAR *command_line, RegistrationScope *scope);

// Registers every class of the class map, then the type library of `module_path`.
HRESULT register_server(const OleString &module_path, RegistrationScope scope = RegistrationScope::machine);
// Unregisters both; failures are ignored.
void unregister_server(const OleString &module_path, RegistrationScope scope = RegistrationScope::machine);

HRESULT register_type_library(const OleString &module_path, RegistrationScope scope = RegistrationScope::machine);

// The ".tlb" file beside a library: its extension, from the last "." on (or the end when
// there is none), replaced by ".tlb".
OleString type_library_file_beside(const OleString &module_path);
// The local server of Tavlin.Util.Isolated (see isolated_class.h): tavlinhost.exe in the
// library's folder.
OleString local_server_beside(const OleString &module_path);
// The folder part of a file name: cut after its last "\", "/" or ":" (empty when none).
OleString help_directory_of(const OleString &file_name);
// Text for a single-quoted registry-script string: every "'" doubled.
OleString quoted_for_script(const OleString &text);

}  // namespace tavlin
