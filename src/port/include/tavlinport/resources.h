// Module resources for the port. An ELF shared library has no resource section, so a module
// that carries resources (registry scripts, a type library) exports one table of them under
// a fixed name; the registrar and LoadTypeLib find it in the module that a path names.
#pragma once

#include "oaidl.h"

struct PortResource {
    const OLECHAR *type;  // "REGISTRY", "TYPELIB", ...; null ends the table
    UINT id;
    const void *data;  // "REGISTRY": the script's bytes; "TYPELIB": a PortTypeLibDesc
    SIZE_T size;
};

#define PORT_RESOURCE_TABLE port_resource_table
#define PORT_RESOURCE_TABLE_NAME "port_resource_table"

// What a module defines (with PORT_RESOURCE_TABLE_EXPORT in front) to carry resources.
#define PORT_RESOURCE_TABLE_EXPORT extern "C" __attribute__((visibility("default")))

// A type library as data: what a compiled type library would hold, limited to what the
// port's ITypeLib and ITypeInfo answer. Types of parameters are a VARTYPE, or VT_PTR with
// the VARTYPE pointed to, or VT_SAFEARRAY with its elements' VARTYPE. The functions of a
// dual interface's type are all those of its dispatch view, inherited ones included.
struct PortParamDesc {
    const OLECHAR *name;
    VARTYPE vt;
    VARTYPE pointee;  // for VT_PTR and VT_SAFEARRAY
    USHORT flags;     // PARAMFLAG_*
};

struct PortFuncDesc {
    const OLECHAR *name;
    MEMBERID memid;
    const OLECHAR *doc;
    INVOKEKIND invkind;
    SHORT vtable_index;  // slot in the interface's function table, IUnknown's first at 0
    VARTYPE result;      // VT_HRESULT for the methods of a dual interface
    const PortParamDesc *params;
    SHORT param_count;
    // As FUNCDESC's cParamsOpt: 0, or -1 for a [vararg] function, whose last in-parameter
    // (a SAFEARRAY(VARIANT)) receives the arguments beyond the others.
    SHORT optional_count;
};

struct PortTypeDesc {
    const OLECHAR *name;
    const GUID *guid;
    TYPEKIND kind;
    WORD flags;  // TYPEFLAG_*
    const OLECHAR *doc;
    const PortFuncDesc *funcs;
    WORD func_count;
};

struct PortTypeLibDesc {
    const OLECHAR *name;
    const GUID *libid;
    WORD major;
    WORD minor;
    LCID lcid;
    SYSKIND syskind;
    const OLECHAR *doc;
    const PortTypeDesc *types;
    UINT type_count;
};
