#!/usr/bin/env python3
"""Writes the Windows-convention thunks of the forwarding jvm.dll from the JDK's jni.h.

Every slot of the JNIEnv table (struct JNINativeInterface_) and of the JavaVM table
(struct JNIInvokeInterface_) gets a thunk in the Windows calling convention (WIN_JNICALL,
or WIN_JNICALL_VARARGS for `...`) that swaps the Windows-side wrapper for the VM's own
pointer and calls the VM in the Linux convention. Variadic and va_list calls cannot be
passed on as they are (the two conventions lay variable arguments out differently on
x86_64), so both become calls of the matching ...A slot with a jvalue array read from
the Windows argument list by the method's recorded parameter types.

Usage: gen_jni_thunks.py <jni.h> <output.cpp>
"""
import re
import sys

# Slots whose forwarding needs more than an argument swap; each calls a hand-written
# function of the same name in namespace env_slots (declared in slots.h).
HAND_WRITTEN_ENV_SLOTS = {
    "GetMethodID",          # records the parameter types for the varargs calls
    "GetStaticMethodID",    # likewise
    "FromReflectedMethod",  # likewise, from the reflected method's parameter types
    "GetJavaVM",            # hands out the Windows-side JavaVM, not the VM's own
    "RegisterNatives",      # registers a reverse thunk per native (native_thunks.h)
}


def tidy_type(text):
    return re.sub(r"\s*\*", "*", text.strip())


class Param:
    def __init__(self, text):
        match = re.match(r"^(.*?)\s*(\w+)$", text)
        if not match:
            raise SystemExit("cannot parse parameter: " + text)
        self.type = tidy_type(match.group(1))
        self.name = match.group(2)

    def windows_decl(self):
        ctype = "WinVaList" if self.type == "va_list" else self.type
        return "%s %s" % (ctype, self.name)


class Slot:
    def __init__(self, ret, name, params, variadic):
        self.ret = ret
        self.name = name
        self.params = params
        self.variadic = variadic

    @property
    def takes_va_list(self):
        return bool(self.params) and self.params[-1].type == "va_list"

    @property
    def is_void(self):
        return self.ret == "void"

    def windows_params(self):
        decls = [p.windows_decl() for p in self.params]
        if self.variadic:
            decls.append("...")
        return ", ".join(decls)


def read_slots(header_text, struct_name):
    """The function-pointer members of a jni.h table, in table order (reserved ones skipped)."""
    body = re.search(r"struct %s \{(.*?)\n\};" % struct_name, header_text, re.S)
    if not body:
        raise SystemExit("no struct %s in jni.h" % struct_name)
    text = re.sub(r"/\*.*?\*/", "", body.group(1), flags=re.S)
    slots = []
    for member in (m.strip() for m in re.sub(r"\s+", " ", text).split(";")):
        if not member or member.startswith("void *reserved"):
            continue
        match = re.match(r"^(.+?)\s*\(\s*JNICALL\s*\*\s*(\w+)\s*\)\s*\((.*)\)$", member)
        if not match:
            raise SystemExit("cannot parse %s member: %s" % (struct_name, member))
        ret, name, param_text = tidy_type(match.group(1)), match.group(2), match.group(3)
        pieces = [p.strip() for p in param_text.split(",")]
        variadic = pieces[-1] == "..."
        params = [Param(p) for p in pieces if p != "..."]
        slots.append(Slot(ret, name, params, variadic))
    return slots


def array_variant_name(slot):
    return (slot.name[:-1] if slot.takes_va_list else slot.name) + "A"


def default_return(slot):
    return "return;" if slot.is_void else "return %s();" % slot.ret


def forward_name(slot):
    return "forward_" + array_variant_name(slot)[:-1]


def emit_forward_by_jvalues(out, slot, slot_names):
    """The Linux-side half shared by a variadic slot and its va_list twin."""
    target = array_variant_name(slot)
    if target not in slot_names:
        raise SystemExit("%s has no %s slot to forward to" % (slot.name, target))
    fixed = [p for p in slot.params if p.type != "va_list"]
    if fixed[-1].type != "jmethodID":
        raise SystemExit("%s: the last fixed parameter is not the method ID" % slot.name)
    env, rest = fixed[0].name, [p.name for p in fixed[1:]]
    decls = ", ".join(p.windows_decl() for p in fixed) + ", WinVaList args"
    out.append("[[gnu::noinline]] %s %s(%s) {" % (slot.ret, forward_name(slot), decls))
    out.append("  JNIEnv* real = real_env(%s);" % env)
    out.append("  const CallArguments values(real, %s, args);" % fixed[-1].name)
    out.append("  if (!values.ready()) %s" % default_return(slot))
    call = "real->functions->%s(real, %s, values.get())" % (target, ", ".join(rest))
    out.append("  %s%s;" % ("" if slot.is_void else "return ", call))
    out.append("}")
    out.append("")


def emit_varargs_thunk(out, slot):
    fixed = [p.name for p in slot.params]
    out.append("%s WIN_JNICALL_VARARGS thunk_%s(%s) {" % (slot.ret, slot.name, slot.windows_params()))
    out.append("  WinVaList args;")
    out.append("  win_va_start(args, %s);" % fixed[-1])
    call = "%s(%s, args)" % (forward_name(slot), ", ".join(fixed))
    if slot.is_void:
        out.append("  %s;" % call)
    else:
        out.append("  const %s result = %s;" % (slot.ret, call))
    out.append("  win_va_end(args);")
    if not slot.is_void:
        out.append("  return result;")
    out.append("}")
    out.append("")


def emit_simple_thunk(out, slot, body_call, prelude=()):
    out.append("%s WIN_JNICALL thunk_%s(%s) {" % (slot.ret, slot.name, slot.windows_params()))
    out.extend("  " + line for line in prelude)
    out.append("  %s%s;" % ("" if slot.is_void else "return ", body_call))
    out.append("}")
    out.append("")


def emit_env_thunks(out, slots):
    names = {s.name for s in slots}
    for slot in slots:
        env = slot.params[0].name
        rest = [p.name for p in slot.params[1:]]
        if slot.variadic:
            emit_forward_by_jvalues(out, slot, names)
            emit_varargs_thunk(out, slot)
        elif slot.takes_va_list:
            emit_simple_thunk(out, slot, "%s(%s)" % (forward_name(slot), ", ".join(p.name for p in slot.params)))
        elif slot.name in HAND_WRITTEN_ENV_SLOTS:
            emit_simple_thunk(out, slot, "env_slots::%s(%s)" % (slot.name, ", ".join(["real_env(%s)" % env] + rest)))
        else:
            emit_simple_thunk(out, slot, "real->functions->%s(%s)" % (slot.name, ", ".join(["real"] + rest)),
                              prelude=["JNIEnv* real = real_env(%s);" % env])
    missing = HAND_WRITTEN_ENV_SLOTS - names
    if missing:
        raise SystemExit("jni.h lacks the hand-written slots " + ", ".join(sorted(missing)))


def emit_vm_thunks(out, slots):
    # Every invocation slot changes which thread has a Windows-side JNIEnv, so all of them are
    # hand-written in namespace vm_slots; the thunks only swap the JavaVM pointer.
    for slot in slots:
        vm = slot.params[0].name
        rest = [p.name for p in slot.params[1:]]
        emit_simple_thunk(out, slot, "vm_slots::%s(%s)" % (slot.name, ", ".join(["real_vm(%s)" % vm] + rest)))


def emit_table(out, function, table_type, slots):
    out.append("%s %s() {" % (table_type, function))
    out.append("  %s table{};" % table_type)
    for slot in slots:
        out.append("  table.%s = reinterpret_cast<decltype(table.%s)>(&thunk_%s);" % (slot.name, slot.name, slot.name))
    out.append("  return table;")
    out.append("}")
    out.append("")


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    header_text = open(sys.argv[1], encoding="utf-8").read()
    env_slots = read_slots(header_text, "JNINativeInterface_")
    vm_slots = read_slots(header_text, "JNIInvokeInterface_")
    out = [
        "// Generated by gen_jni_thunks.py from the JDK's jni.h; do not edit.",
        "// JNIEnv: %d slots (%d variadic, %d va_list); JavaVM: %d slots." % (
            len(env_slots), sum(s.variadic for s in env_slots),
            sum(s.takes_va_list for s in env_slots), len(vm_slots)),
        '#include "call_arguments.h"',
        '#include "slots.h"',
        '#include "thunk_tables.h"',
        '#include "windows_env.h"',
        "",
        "namespace winejvm {",
        "namespace {",
        "",
    ]
    emit_env_thunks(out, env_slots)
    emit_vm_thunks(out, vm_slots)
    out.append("}  // namespace")
    out.append("")
    emit_table(out, "make_env_table", "JNINativeInterface_", env_slots)
    emit_table(out, "make_vm_table", "JNIInvokeInterface_", vm_slots)
    out.append("}  // namespace winejvm")
    with open(sys.argv[2], "w", encoding="utf-8") as output:
        output.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
