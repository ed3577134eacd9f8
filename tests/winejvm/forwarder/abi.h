// The Windows side of the forwarder's calls. Windows programs call jvm.dll in the Windows
// convention of their architecture, while libjvm.so and everything else in this library
// use the Linux one; only functions marked here are ever called from, or call into,
// Windows code.
#pragma once

#include <cstdarg>

#if defined(__x86_64__)
// Win64 passes arguments in rcx, rdx, r8, r9 and gives every variable argument an 8-byte
// slot; System V uses other registers and a va_list of register save areas.
#define WIN_JNICALL __attribute__((ms_abi))
#define WIN_JNICALL_VARARGS __attribute__((ms_abi))
using WinVaList = __builtin_ms_va_list;
#define win_va_start(list, last) __builtin_ms_va_start(list, last)
#define win_va_end(list) __builtin_ms_va_end(list)
#elif defined(__i386__)
// JNICALL is stdcall on win32 but cdecl on Linux i386; variadic functions are cdecl on
// both and their va_list is the same pointer into the stack. Windows only keeps the stack
// 4-byte aligned, while libjvm.so is built for the 16-byte alignment of Linux.
#define WIN_JNICALL __attribute__((stdcall, force_align_arg_pointer))
#define WIN_JNICALL_VARARGS __attribute__((cdecl, force_align_arg_pointer))
using WinVaList = va_list;
#define win_va_start(list, last) va_start(list, last)
#define win_va_end(list) va_end(list)
#else
#error "the forwarding jvm.dll is built for x86_64 and i386 only"
#endif
