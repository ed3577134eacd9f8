// A class's members as type information, for the clients that bind through it rather than
// through GetIDsOfNames alone: .NET's and PowerShell's COM binders, pywin32, object viewers.
// Made with oleaut32's own type-library builder (CreateTypeLib2), which also gives the
// ITypeComp that pywin32 binds through: a dispatch interface implementing IDispatch, one
// function per method name (its overloads share it, so no two members differ only in case,
// which .NET's binder refuses), property get and put functions at the property DISPIDs, and
// _NewEnum for a class that For Each walks. Every member's MEMBERID is the DISPID that
// GetIDsOfNames gives for its name.
#pragma once

#include <jni.h>

#include "util/holders.h"
#include "util/platform.h"

namespace tavlin {

class MethodTable;

// Which members a description shows: those a proxy of an object calls, or those of a class
// proxy (ITavlinUtil2::statics), its static members.
enum class Described { Instances = 0, Statics = 1 };

// The description of `methods`' class, in a type library of its own; its TYPEATTR guid is new
// for each description, so no two classes (or class loaders' classes of one name) share one.
// Reads the members' facts from Java. Throws TavlinEx*.
ComPtr<ITypeInfo> describe_class(JNIEnv *env, const MethodTable &methods, Described described);

}  // namespace tavlin
