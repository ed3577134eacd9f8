// Automation argument to the Java value of one declared parameter type.
#pragma once

#include <jni.h>

#include "convert/prepared_arguments.h"
#include "util/platform.h"

namespace tavlin {

// Converts `arg` (may be null) for the parameter `type` into slot `index` of `args`.
// `strict` refuses non-numeric automation types for numeric parameters, so an overload
// walk can move on. Throws TavlinEx*; a failing slot holds nothing to release.
void convert_com_to_java(JNIEnv *env, const VARIANT *arg, PreparedArguments &args, int index, const JavaType &type,
                         bool strict);

// True when convert_com_to_java would refuse `arg` before converting anything, as the rules
// of its row in the argument table say: a non-numeric automation type for a numeric parameter
// under strict rules, or anything but a string for a String parameter, unless it is a proxy
// that the conversion lends as an instance of the parameter's class. An overload walk passes
// over such a candidate without building the error that it would discard.
bool refused_outright(JNIEnv *env, const VARIANT *arg, const JavaType &type, bool strict);

// Safe array (or a script's array, or empty/null) argument to a Java array of `type` (slash
// form; for a parameter of another class the array type follows the safe array's element
// type).
void convert_com_array_to_java_array(JNIEnv *env, const VARIANT *arg, PreparedArguments &args, int index,
                                     const JavaType &type, bool strict);

// Where the elements of an array of Variants fill a primitive array: outside an overload walk
// only, for an array that a client made (the walk never looked at its elements); or always,
// for the trailing arguments of a call packed into the array that a method with variable
// arguments declares, each converted as the argument it is, under the call's rule.
enum class VariantElements { OutsideOverloadWalks, AsArguments };

// The same for a safe array already in hand whose elements are of `element_type`.
void convert_safe_array(JNIEnv *env, SAFEARRAY *array, VARTYPE element_type, PreparedArguments &args, int index,
                        const JavaType &type, bool strict,
                        VariantElements elements = VariantElements::OutsideOverloadWalks);

}  // namespace tavlin
