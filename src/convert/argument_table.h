// How an automation argument passes to a Java parameter, kept where the overload choice
// (argument_fit) and the conversion (convert_com_to_java) both read it: whether the argument
// fits an overload and how closely, under which rules it converts, which class it becomes for
// a parameter of another class, and how it is converted. Neither side keeps a list of its own,
// so the two cannot disagree on what an argument's type fits, becomes or converts to; a new way
// to pass an argument is a row of kArgumentRows (argument_table.cpp).
#pragma once

#include <jni.h>

#include <cstddef>
#include <cstdint>

#include "convert/java_type.h"
#include "javaref/java_reflect.h"
#include "util/platform.h"

namespace tavlin {

// What an argument is, as the table tells arguments apart: its automation type, or what its
// VT_DISPATCH holds.
enum class Argument : uint8_t {
    Null,     // VT_EMPTY, VT_NULL, or no VARIANT at all
    Boolean,  // VT_BOOL
    I1,       // the automation number types, from here to Decimal
    UI1,
    I2,
    UI2,
    I4,
    Int,  // VT_INT
    UI4,
    UInt,  // VT_UINT
    I8,
    UI8,
    R4,
    R8,
    Currency,
    Decimal,
    Text,     // VT_BSTR
    Date,     // VT_DATE
    Nothing,  // a null VT_DISPATCH
    Proxy,    // one of this bridge's proxies
    Foreign,  // any other automation object
    // A script's data: a JScript array; a JScript object literal or a Scripting.Dictionary; a
    // JScript Date. Told apart from any other automation object only where the parameter could
    // hold what it becomes (see script_data.h); Foreign everywhere else.
    ScriptArray,
    ScriptMap,
    ScriptDate,
    Array,  // a safe array
    Other,  // anything else: an error code, an IUnknown, a VARIANT by reference inside another
    Any,    // in a row only: every argument that no row of its own names for that parameter
};

// How closely the argument fits, as argument_fit measures it.
enum class Closeness : uint8_t {
    Never,         // no fit: it would change its kind (a number for a boolean), or not convert
    Exact,         // the parameter's own type; its wrapper costs one more
    Null,          // any parameter but a primitive one
    Number,        // by the value and by where both types sit among the numbers
    OwnClass,      // by the class it becomes (the row's `becomes`) against the parameter's class
    ObjectClass,   // by the class of the proxy's object against the parameter's class
    Instance,      // when the proxy's object is an instance of the parameter's class
    ArrayClass,    // for a class that every array is: Object, Cloneable, Serializable
    Array,         // any array for an array parameter; its elements are not looked at
    Callback,      // another automation object, when the parameter is a functional interface
    OneCharacter,  // text of exactly one UTF-16 unit, for a char: just after a String's own fit
    ExactDecimal,  // a currency or decimal as a BigDecimal (`becomes`), against the parameter's class
    DecimalText,   // a currency or decimal as its digits, for a constructor's String parameter
    // A script's array for a functional interface that a list is (Iterable) as closely as a
    // callback fit it before; any other class takes it in an overload walk only, so that no
    // overload the walk reached before (an array, Object) loses the call to a List.
    ScriptList,
    // By the class it becomes, as OwnClass, after every fit of a value, a proxy or a callback:
    // an overload that took the object as a callback before keeps it.
    ScriptData,
    // A script's Date: by the class it becomes (`becomes`), else as a GregorianCalendar for a
    // parameter that holds one (Calendar).
    DateOrCalendar,
};

// Under which rules the conversion takes the argument: the strict rule of an overload walk,
// which refuses what a number parameter would only take by coercion, the lenient rule of a lone
// method, both, or neither (the conversion refuses before converting anything).
enum class Rules : uint8_t { Both, LenientOnly, Neither };

// How the conversion makes the Java value.
enum class Conversion : uint8_t {
    Zero,          // null, or 0 for a primitive
    Scalar,        // coerced to the parameter's primitive type (kScalarRows), boxed for a wrapper
    Text,          // a Java string of the text
    Date,          // coerced to an automation date, then a java.util.Date in local time
    Array,         // a Java array of the parameter's type
    OtherClass,    // the object that its own type calls for (`becomes`, a proxy's own object, an
                   // array), when the parameter can hold it
    Callback,      // behind the functional interface, calling the automation object
    Character,     // a one-letter text as that char; other text coerced as into any number
    ExactDecimal,  // a java.math.BigDecimal of the exact value, when the parameter can hold it
    DecimalText,   // a Java string of the exact value's digits, for a constructor's parameter
    // A script's array or a safe array: an Object[] where the parameter holds one, else a
    // java.util.ArrayList of its elements converted as for Object.
    ArrayOrList,
    ScriptMap,   // a java.util.LinkedHashMap of the entries, converted as for Object
    ScriptDate,  // a java.util.Date of the same instant, or a GregorianCalendar where only that fits
};

// A class that an argument becomes for a parameter of another class.
struct JavaClass {
    const char *name;  // slash form
    jclass CJavaReflect::*klass;
};

// A set of parameter kinds, one bit each.
using ParameterKinds = uint16_t;

constexpr ParameterKinds kinds_of(ParameterKind kind) { return static_cast<ParameterKinds>(1u << unsigned(kind)); }

struct ArgumentRow {
    Argument argument;
    ParameterKinds parameters;
    Closeness closeness;
    Rules rules;
    Conversion conversion;
    // For a parameter of another class: the class that the argument becomes, nulls for none.
    // Kept in the row itself, as the fit reads it for every candidate.
    JavaClass becomes;

    bool converts_under(bool strict) const { return rules == Rules::Both || (rules == Rules::LenientOnly && !strict); }
};

// A primitive type and its wrapper: where it sits among the numbers, for the fit, and how a
// value is coerced, read and boxed, for the conversion.
struct ScalarRow {
    ParameterKind kind;
    // Widths order the numbers so that the nearest wider type is the closest, as Java's own
    // choice prefers int over long over double; kNotANumber for boolean.
    int width;
    bool integer;
    int64_t low, high;  // the range of an integer type
    VARTYPE coerce_to;
    bool exact_integers;  // integer arguments go through VT_I8 instead of `coerce_to`
    jvalue (*read)(const VARIANT &coerced);
    jclass CJavaReflect::*wrapper_class;
    jmethodID CJavaReflect::*wrapper_constructor;

    bool is_number() const { return width != kNotANumber; }

    static constexpr int kNotANumber = -1;
};

// What the fit reads of a number argument's value.
struct NumberValue {
    bool integral, fits_int64;
    int64_t integer;
    double real;
    bool real_exact;
    // A currency or decimal that no double holds exactly (19.99): a double would change it.
    bool double_rounds = false;
};

// An automation number type: the Java type that it matches exactly, or else the one nearest
// it, with the width that places it among Java's (the unsigned types, currency and decimal
// sit between the Java types they fall between), and how its value is read from the VARIANT's
// data (by value or through the reference).
struct AutomationNumber {
    Argument argument;
    ParameterKind nearest;
    bool exact;
    int width;
    NumberValue (*value)(const void *data);
};

// The tables (argument_table.cpp), and the lookups in them that every conversion and every
// fit makes, here so that they are inlined.

constexpr size_t kArgumentCount = static_cast<size_t>(Argument::Any);
constexpr size_t kParameterKindCount = static_cast<size_t>(ParameterKind::Reference) + 1;
constexpr size_t kScalarKindCount = static_cast<size_t>(ParameterKind::Double) + 1;
constexpr size_t kAutomationNumberCount =
    static_cast<size_t>(Argument::Decimal) - static_cast<size_t>(Argument::I1) + 1;
constexpr size_t kValueTypeSlots = 32;  // every automation type that carries a value is below it

// The row of each argument for each parameter kind, worked out by the compiler.
struct ArgumentRowIndex {
    uint8_t row[kArgumentCount][kParameterKindCount];
};

// The argument of each automation type below kValueTypeSlots.
struct ValueTypeIndex {
    Argument argument[kValueTypeSlots];
};

extern const ArgumentRow kArgumentRows[];
extern const ArgumentRowIndex kArgumentRowIndex;
extern const ValueTypeIndex kValueTypeIndex;
extern const ScalarRow kScalarRows[kScalarKindCount];                      // in ParameterKind's order
extern const AutomationNumber kAutomationNumbers[kAutomationNumberCount];  // in Argument's order

// The argument of an automation type (VT_BYREF aside) that carries a value: Boolean, a number,
// Text or Date; Other for any other type.
inline Argument argument_of_type(VARTYPE type)
{
    return type < kValueTypeSlots ? kValueTypeIndex.argument[type] : Argument::Other;
}

// What a VT_DISPATCH holds: Nothing, one of this bridge's proxies (its Java object, lent by the
// proxy, in `object`), or Foreign.
Argument argument_of_object(const VARIANT &arg, jobject &object);

// What `arg` (already through a VARIANT by reference) holds.
inline Argument argument_of(const VARIANT *arg, jobject &object)
{
    if (!arg || arg->vt == VT_EMPTY || arg->vt == VT_NULL) return Argument::Null;
    if (arg->vt & VT_ARRAY) return Argument::Array;
    const VARTYPE type = static_cast<VARTYPE>(arg->vt & ~VT_BYREF);
    return type == VT_DISPATCH ? argument_of_object(*arg, object) : argument_of_type(type);
}

// The row for `argument` and a parameter of kind `parameter`: the one naming both, else the
// one for any argument.
inline const ArgumentRow &argument_row(Argument argument, ParameterKind parameter)
{
    return kArgumentRows[kArgumentRowIndex.row[static_cast<size_t>(argument)][static_cast<size_t>(parameter)]];
}

// The row of a primitive type or its wrapper; null for any other kind.
inline const ScalarRow *scalar_row(ParameterKind kind)
{
    const size_t index = static_cast<size_t>(kind);
    return index < kScalarKindCount ? &kScalarRows[index] : nullptr;
}

// The facts of a number argument; null for any other.
inline const AutomationNumber *automation_number(Argument argument)
{
    const size_t index = static_cast<size_t>(argument) - static_cast<size_t>(Argument::I1);
    return index < kAutomationNumberCount ? &kAutomationNumbers[index] : nullptr;
}

// Whether the argument is of an automation integer type, which a Java long takes exactly.
inline bool is_integer(Argument argument)
{
    const AutomationNumber *number = automation_number(argument);
    return number && scalar_row(number->nearest)->integer;
}

// A jvalue of all zero bits: null, false or 0 whatever the slot's type.
inline jvalue zero_value()
{
    jvalue value;
    value.j = 0;
    return value;
}

}  // namespace tavlin
