// The VM's "vfprintf" option, whose hook is a Windows function.
#pragma once

namespace winejvm {

// The Linux-convention hook to give the VM in place of `windows_hook`. On Windows threads
// it formats the VM's text and passes it to the Windows hook as ("%s", text), since the
// VM's own va_list means nothing to Windows code. The VM's own threads are plain Linux
// threads without a TEB, where most Windows code crashes: their text goes to the VM's
// stream as if no hook
// had been given. The stream pointer that the hook receives is the VM's (Linux) FILE,
// only good for telling standard output from standard error apart.
void* linux_vfprintf_hook_for(void* windows_hook);

}  // namespace winejvm
