// The VM's "exit" and "abort" hooks, and how the process ends when the VM ends it.
//
// HotSpot carries out System.exit on its VM thread and calls the "exit" hook there; it calls
// the "abort" hook on whichever thread hit a fatal error. Those are mostly plain Linux
// threads without a TEB, where most Windows code crashes, and a process that ends on them
// ends behind Wine's back, so that Wine reports exit status 0. The VM therefore always
// gets Linux hooks that hand the ending over to a Windows thread made for this purpose,
// which calls the program's own hook, if it gave one, and then ends the process through
// Wine with the VM's status (3, as the C runtime's abort gives, for an abort).
#pragma once

namespace winejvm {

// Starts the Windows thread that ends the process; call on a Windows thread, before the VM
// is created. Later calls do nothing.
void start_exit_relay();

// The Linux hooks to give the VM; `windows_hook` is the program's hook or null.
void* linux_exit_hook_for(void* windows_hook);
void* linux_abort_hook_for(void* windows_hook);

}  // namespace winejvm
