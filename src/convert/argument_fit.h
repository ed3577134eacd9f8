// How closely one automation argument fits one Java parameter type: what an overload choice
// asks before it converts anything. A fit is a cost: 0 for an exact match (VT_R8 for double,
// VT_BSTR for String, a proxy for its own class), more for a lossless widening, more again
// for an exact narrowing, and kRefused where the argument would lose its value or change its
// kind (a boolean as a number, 2.5 as an int, a number as a boolean).
#pragma once

#include <jni.h>

#include <cstdint>

#include "convert/argument_table.h"
#include "convert/prepared_arguments.h"
#include "util/platform.h"

namespace tavlin {

// One automation argument as the choice sees it; read once per call.
struct ArgumentProfile {
    // What the argument is (see argument_table.h); Other also for a reference to nothing.
    Argument argument = Argument::Other;
    // Numbers: the value's facts.
    NumberValue number = {};
    // Text: its length in UTF-16 code units.
    uint32_t text_length = 0;
    // Proxies: the Java object of one of this bridge's proxies.
    jobject object = nullptr;
    // Any other automation object, and what it is as a script's data: learnt from the script
    // engine where a candidate's parameter first could hold that data (Other until then), and
    // kept for the call's other candidates.
    IDispatch *foreign = nullptr;
    mutable Argument script_data = Argument::Other;
};

ArgumentProfile profile_argument(const VARIANT *arg);

// The argument as the table tells it apart for a parameter of `type`: a foreign object may be
// a script's data there (script_data.h).
Argument argument_for(JNIEnv *env, const ArgumentProfile &arg, const JavaType &type);

constexpr int kRefused = -1;

// The cost of passing `arg` for a parameter of `type`; kRefused when it would not pass
// without loss or a change of kind.
int argument_fit(JNIEnv *env, const ArgumentProfile &arg, const JavaType &type);

// Whether a parameter of type `narrow` takes nothing that one of type `wide` would refuse:
// the same type, a subclass, or a primitive that Java widens into the other. What decides
// between namesakes that fit a call equally well.
bool is_subtype(JNIEnv *env, const JavaType &narrow, const JavaType &wide);

}  // namespace tavlin
