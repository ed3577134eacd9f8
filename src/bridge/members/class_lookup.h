// The classes that clients name to the utility object (newInstance, newObject, statics):
// the name as the client gave it, in slash form, and the class FindClass finds for it.
#pragma once

#include <jni.h>

#include <string>

#include "javaref/local_ref.h"
#include "util/platform.h"

namespace tavlin {

struct KnownClass;

// The client's class name in slash form (dots or slashes are both accepted). Throws
// TavlinEx* for a null name or one the process's code page cannot hold.
std::string requested_class_name(BSTR classname);

// A slash-form class name with dots, as error texts show it.
std::string dotted_form(std::string name);

// A class found by its name. On a thread that the bridge attached, no Java frame lies below
// the call, so FindClass resolves through the system class loader, whose class path never
// changes: a name found once stays that class, and the class is never unloaded, so it is
// remembered for the process. Other threads (a host's, perhaps inside a native method of a
// class of another loader) look the name up every time.
class NamedClass {
public:
    // Throws TavlinEx* when no class has the name.
    NamedClass(JNIEnv *env, const std::string &slash_name);
    NamedClass(const NamedClass &) = delete;
    NamedClass &operator=(const NamedClass &) = delete;

    // A local reference, or the remembered global one; valid while the holder lives.
    jclass get() const;
    // The class's constructor without arguments, remembered with a remembered class.
    // Throws TavlinEx* when it has none.
    jmethodID no_argument_constructor(JNIEnv *env);

private:
    const std::string name_;
    const bool cacheable_;
    KnownClass *known_;       // the remembered class, or null
    LocalRef<jclass> local_;  // the class as looked up this time, when it was not remembered before
};

}  // namespace tavlin
