#!/usr/bin/env python3
"""Writes the port's description of a type library (tavlinport/resources.h) from the type
library file that widl compiles from the IDL.

The description is read from the compiled library rather than from the IDL so that it says
what the real library says: each name spelled as the library stores it (once, compared
without case, so a later name takes the spelling of an earlier one: the class Proxy is
"proxy" after newInstance's parameter), and the flags, member identifiers, function-table
slots, vararg counts and parameters that widl gave them. Only what the port's ITypeLib and
ITypeInfo answer is written: names, GUIDs, help strings, type flags and, for interfaces,
their functions (for a dual interface, those of its dispatch view: its parents' in this
library first). The port lists every type after the types it refers to (an interface after
its parent, a class after its interfaces), where the compiled library puts a class first.

The file is in the MSFT format (what ICreateTypeLib2 writes); what is read of it: the header,
the segment directory, the type-information records with their reference lists, and the
function records with their parameters.

Usage: describe_type_library.py <library.tlb> <output.inc>
Writes `type_library`, a PortTypeLibDesc, and the arrays it points to, for inclusion in a
C++ file that includes tavlinport/resources.h.
"""
import struct
import sys

MSFT_MAGIC = 0x5446534D
HEADER_INTS = 21  # the fixed header's fields, the last of them the number of imported types
HELP_DLL_FLAG = 0x100  # the header then holds one more field, the help DLL's name
SEGMENT_COUNT = 15
SEGMENT_SIZE = 16
SEG_TYPE_INFO, SEG_REFERENCES, SEG_GUIDS, SEG_NAMES, SEG_STRINGS, SEG_TYPE_DESCS = 0, 3, 5, 7, 8, 9
TYPE_INFO_SIZE = 0x64
FUNC_RECORD_FIXED = 24  # a function record's fields before its optional ones
PARAM_INFO_SIZE = 12
HAS_DEFAULT_VALUES = 0x1000
NO_MORE = -1

TKIND_INTERFACE, TKIND_DISPATCH, TKIND_COCLASS = 3, 4, 5
TYPEFLAG_FDUAL = 0x40
VT_TYPEMASK = 0xFFF
VT_PTR, VT_SAFEARRAY = 26, 27
POINTER_SIZE = {0: 2, 1: 4, 2: 4, 3: 8}  # by SYSKIND: Win16, Win32, Mac, Win64


class Library:
    """One MSFT file, read through its segments."""

    def __init__(self, data):
        self.data = data
        header = self.ints(0, HEADER_INTS)
        if header[0] != MSFT_MAGIC:
            raise SystemExit("not a type library in the MSFT format")
        # The library's locale is the second one; the first is the locale its names are in.
        libid, _, self.lcid, flags, version, _, type_count, doc = header[2:10]
        self.syskind = flags & 0xF
        self.major, self.minor = version & 0xFFFF, version >> 16
        segments = HEADER_INTS * 4 + (4 if flags & HELP_DLL_FLAG else 0) + type_count * 4
        self.segments = [self.ints(segments + i * SEGMENT_SIZE, 1)[0] for i in range(SEGMENT_COUNT)]
        self.guid = self.read_guid(libid)
        self.name = self.read_name(header[14])
        self.doc = self.read_string(doc)
        self.types = [TypeInfo(self, self.segments[SEG_TYPE_INFO] + i * TYPE_INFO_SIZE) for i in range(type_count)]

    def ints(self, offset, count):
        return struct.unpack_from("<%di" % count, self.data, offset)

    def read_guid(self, offset):
        return struct.unpack_from("<IHH8B", self.data, self.segments[SEG_GUIDS] + offset)

    def read_name(self, offset):
        # A name entry: its type reference, the next entry of its hash bucket and its length
        # (low byte), then the characters.
        start = self.segments[SEG_NAMES] + offset
        length = self.ints(start + 8, 1)[0] & 0xFF
        return self.data[start + 12:start + 12 + length].decode("latin-1")

    def read_string(self, offset):
        if offset == NO_MORE:
            return None
        start = self.segments[SEG_STRINGS] + offset
        length = struct.unpack_from("<H", self.data, start)[0]
        return self.data[start + 2:start + 2 + length].decode("latin-1")

    def read_type(self, encoded):
        """A parameter's or result's type as (VARTYPE, the VARTYPE pointed to or held): a
        negative number is a VARTYPE itself, else an offset in the type descriptions."""
        if encoded < 0:
            return encoded & VT_TYPEMASK, 0
        vt, _, inner, inner_kind = struct.unpack_from("<HHhh", self.data, self.segments[SEG_TYPE_DESCS] + encoded)
        if vt not in (VT_PTR, VT_SAFEARRAY) or inner_kind >= 0:
            raise SystemExit("a type other than a pointer to or safe array of a VARTYPE: %d" % vt)
        return vt, inner & VT_TYPEMASK

    def references(self, offset):
        """A class's interfaces: the chain of reference records at `offset`."""
        while offset != NO_MORE:
            reference, _, _, offset = self.ints(self.segments[SEG_REFERENCES] + offset, 4)
            yield reference

    def pointer_size(self):
        return POINTER_SIZE[self.syskind]


def type_index(reference):
    """The index of the type a reference names in this library, or None for an imported one
    (whose references have a low bit set)."""
    return reference // TYPE_INFO_SIZE if reference % 4 == 0 else None


class TypeInfo:
    def __init__(self, library, offset):
        fields = library.ints(offset, TYPE_INFO_SIZE // 4)
        self.kind = fields[0] & 0xF
        self.guid = library.read_guid(fields[11])
        self.flags = fields[12]
        self.name = library.read_name(fields[13])
        self.doc = library.read_string(fields[15])
        # An interface's parent, or where the list of a class's interfaces starts.
        refers_to = fields[21]
        if self.kind == TKIND_COCLASS:
            references = list(library.references(refers_to))
        else:
            references = [refers_to]
        self.refers_to = [index for index in map(type_index, references) if index is not None]
        self.funcs = read_functions(library, fields[1], fields[6] & 0xFFFF)

    def is_interface(self):
        return self.kind in (TKIND_INTERFACE, TKIND_DISPATCH)


def read_functions(library, offset, count):
    """The function records at `offset`: their total size, the records, then each function's
    member identifier, then each function's name."""
    if count == 0:
        return []
    records_size = library.ints(offset, 1)[0]
    ids = library.ints(offset + 4 + records_size, count)
    names = library.ints(offset + 4 + records_size + 4 * count, count)
    funcs = []
    position = offset + 4
    for memid, name in zip(ids, names):
        record_size = library.ints(position, 1)[0] & 0xFFFF
        funcs.append(Function(library, position, record_size, memid, library.read_name(name)))
        position += record_size
    return funcs


class Function:
    def __init__(self, library, offset, size, memid, name):
        self.name = name
        self.memid = memid
        _, result, _, vtable_offset, _, kinds, param_count, self.optional = struct.unpack_from(
            "<iiihhihh", library.data, offset)
        self.result = library.read_type(result)[0]
        self.slot = (vtable_offset & ~1) // library.pointer_size()  # the lowest bit is a flag
        self.invkind = (kinds >> 3) & 0xF
        # The optional fields start with the help context, then the help string.
        optional_fields = (size - FUNC_RECORD_FIXED - param_count * PARAM_INFO_SIZE) // 4
        if kinds & HAS_DEFAULT_VALUES:
            optional_fields -= param_count
        self.doc = None
        if optional_fields > 1:
            self.doc = library.read_string(library.ints(offset + FUNC_RECORD_FIXED + 4, 1)[0])
        first_param = offset + size - param_count * PARAM_INFO_SIZE
        self.params = []
        for index in range(param_count):
            encoded, param_name, flags = library.ints(first_param + index * PARAM_INFO_SIZE, 3)
            vt, inner = library.read_type(encoded)
            self.params.append((library.read_name(param_name), vt, inner, flags))


def dependency_order(types):
    """The types' indexes, each after those it refers to, otherwise in the library's order."""
    order = []

    def visit(index):
        if index not in order:
            for reference in types[index].refers_to:
                visit(reference)
            order.append(index)

    for index in range(len(types)):
        visit(index)
    return order


def dispatch_functions(types, info):
    """A dual interface's dispatch view: its parents' functions in this library, then its own."""
    inherited = []
    if info.flags & TYPEFLAG_FDUAL:
        for parent in info.refers_to:
            inherited += dispatch_functions(types, types[parent])
    return inherited + info.funcs


def text(value):
    if value is None:
        return "nullptr"
    return 'u"%s"' % value.replace("\\", "\\\\").replace('"', '\\"')


def guid_text(guid):
    return "{0x%08x, 0x%04x, 0x%04x, {%s}}" % (guid[0], guid[1], guid[2], ", ".join("0x%02x" % b for b in guid[3:]))


def write_functions(out, prefix, funcs):
    """Each function's parameters, then the array `prefix` of the functions."""
    for number, func in enumerate(funcs):
        out.write("const PortParamDesc %s_%d_params[] = {\n" % (prefix, number))
        for name, vt, inner, flags in func.params:
            out.write("    {%s, %d, %d, 0x%x},\n" % (text(name), vt, inner, flags))
        out.write("};\n")
    out.write("const PortFuncDesc %s[] = {\n" % prefix)
    for number, func in enumerate(funcs):
        out.write("    {%s, %d, %s, static_cast<INVOKEKIND>(%d), %d, %d, %s_%d_params, %d, %d},\n" %
                  (text(func.name), func.memid, text(func.doc), func.invkind, func.slot, func.result, prefix, number,
                   len(func.params), func.optional))
    out.write("};\n")


def write(library, out):
    out.write("// Generated at build time from the type library compiled from the IDL; do not edit.\n")
    entries = []
    for number, index in enumerate(dependency_order(library.types)):
        info = library.types[index]
        out.write("const GUID type_%d_guid = %s;\n" % (number, guid_text(info.guid)))
        funcs = dispatch_functions(library.types, info) if info.is_interface() else []
        funcs_name = "nullptr"
        if funcs:
            funcs_name = "type_%d_funcs" % number
            write_functions(out, funcs_name, funcs)
        entries.append("    {%s, &type_%d_guid, static_cast<TYPEKIND>(%d), 0x%x, %s, %s, %d},\n" %
                       (text(info.name), number, info.kind, info.flags, text(info.doc), funcs_name, len(funcs)))
    out.write("const PortTypeDesc types[] = {\n%s};\n" % "".join(entries))
    out.write("const GUID libid = %s;\n" % guid_text(library.guid))
    out.write("const PortTypeLibDesc type_library = {\n    %s, &libid, %d, %d, 0x%x, static_cast<SYSKIND>(%d), %s, types, %d};\n"
              % (text(library.name), library.major, library.minor, library.lcid, library.syskind, text(library.doc),
                 len(library.types)))


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    with open(sys.argv[1], "rb") as tlb:
        library = Library(tlb.read())
    with open(sys.argv[2], "w") as out:
        write(library, out)


if __name__ == "__main__":
    main()
