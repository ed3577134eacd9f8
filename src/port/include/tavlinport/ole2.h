// What the headers that widl generates from an IDL file take from <ole2.h> (and the Windows
// headers under it) beyond the port's types: the interface keyword, the macros that declare
// an interface or a class with its identifier, and the identifiers' declarations and
// definitions. widl's headers and identifier files include it by its Windows name (with
// <rpc.h> and <rpcndr.h>), which the port's include folder gives them. The port's own files
// do not include it: they are free to use `interface` as a name.
#pragma once

#include "windows.h"

#define interface struct
#define MIDL_INTERFACE(uuid) struct
#define DECLSPEC_UUID(uuid)
#define EXTERN_C extern "C"
// One definition of an identifier kept where several are linked, as Windows keeps one.
#define DECLSPEC_SELECTANY __attribute__((weak))
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) EXTERN_C const GUID name
// The calling convention of the marshalling helpers a generated header declares.
#define __RPC_USER
