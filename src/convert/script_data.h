// A script's data where Java takes a collection, a map or a date: a JScript array or a
// VBScript array becomes a java.util.ArrayList, a JScript object literal or a
// Scripting.Dictionary a java.util.LinkedHashMap, a JScript Date a java.util.Date. Their
// elements, keys and values convert as arguments for Object do, so the data nests as deep as
// arrays may (array_nesting.h).
#pragma once

#include <jni.h>

#include "convert/argument_table.h"
#include "util/platform.h"

namespace tavlin {

// What a Foreign argument is for a parameter of `type`: the script's data it holds, where the
// parameter holds what that becomes (java.util.Date, or a class that an ArrayList, a
// LinkedHashMap or a Date is an instance of); Foreign otherwise. Nothing is asked of the
// script engine for a parameter that could hold none of them, where the object can only be a
// callback. `known` is what an earlier look at the same argument found (Other for none), and
// keeps what this one finds. Throws TavlinEx* when Java fails.
Argument script_argument(JNIEnv *env, IDispatch *object, const JavaType &type, Argument &known);

// A new java.util.ArrayList (a local reference) of the elements of `array`, a safe array or a
// script's array. Throws TavlinEx* when it is none, or an element does not convert.
jobject new_java_list(JNIEnv *env, const VARIANT &array, bool strict);

// A new java.util.LinkedHashMap (a local reference) of a ScriptMap object's entries.
jobject new_java_map(JNIEnv *env, IDispatch *object, bool strict);

// A new java.util.Date (a local reference) of a ScriptDate object's instant, or a
// java.util.GregorianCalendar of it for a parameter of `type` that holds no Date (Calendar).
jobject new_java_date_of_script(JNIEnv *env, IDispatch *object, const JavaType &type);

}  // namespace tavlin
