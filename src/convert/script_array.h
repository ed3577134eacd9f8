// A script engine's objects read as data. An array (a JScript array: an IDispatchEx object
// with a length and its elements as members "0", "1", ...) is read into a safe array of
// Variants, so that it converts to a Java array exactly as a VBScript array would; an object
// literal or a Scripting.Dictionary into its keys and values, likewise; a JScript Date into
// its instant.
#pragma once

#include "convert/argument_table.h"
#include "util/holders.h"
#include "util/platform.h"

namespace tavlin {

// The elements of `object` as a one-dimensional safe array of Variants (lower bound 0), or
// null when the object is no such array: it has no length, or no element at some index below
// its length. Nested arrays stay objects inside the Variants, to be read in turn where their
// elements are converted. Throws TavlinEx* when the safe array cannot be made.
SafeArrayHolder script_array_elements(IDispatch *object);

// What a script's object is as data, by the members the script engine gives it: ScriptArray
// for one with a length (a function has one too, and `apply` besides: it is no data),
// ScriptDate for one with getTime, ScriptMap for any other JScript object (hasOwnProperty)
// and for a Scripting.Dictionary (Keys and Items); Foreign for anything else. A few name
// lookups in the engine, and no value read.
Argument script_data_of(IDispatch *object);

// The entries of a ScriptMap object, in its own order: the names and values of a JScript
// object's enumerable properties, or a dictionary's Keys() and Items(); two one-dimensional
// safe arrays of Variants of one length. Throws TavlinEx* when they cannot be read.
struct ScriptEntries {
    SafeArrayHolder keys, values;
};
ScriptEntries script_map_entries(IDispatch *object);

// A ScriptDate object's getTime(): milliseconds since 1970 UTC. Throws TavlinEx* when it
// answers no number, or none a JScript Date can hold (an invalid Date's NaN).
double script_date_time(IDispatch *object);

}  // namespace tavlin
