#include "convert/argument_fit.h"

#include <cfloat>
#include <cmath>

#include "convert/proxies.h"
#include "convert/script_data.h"
#include "convert/variant_refs.h"
#include "javaref/java_reflect.h"

namespace tavlin {

namespace {

// Where a VARIANT keeps its value: through the reference, or in the VARIANT itself (a
// DECIMAL fills the whole of it).
const void *value_data(const VARIANT &arg)
{
    if (arg.vt & VT_BYREF) return arg.byref;
    if (arg.vt == VT_DECIMAL) return &arg.decVal;
    return &arg.cVal;
}

// How a number's value survives in a Java number type: as it is, only rounded to a float's
// precision, or not at all (a fraction in an integer, a value out of range).
enum class Held { Not, Exactly, Rounded };

Held held(const NumberValue &value, const ScalarRow &target)
{
    if (target.integer)
        return value.integral && value.fits_int64 && value.integer >= target.low && value.integer <= target.high
                   ? Held::Exactly
                   : Held::Not;
    if (std::isnan(value.real)) return Held::Exactly;
    if (!value.real_exact) return Held::Not;
    if (target.kind == ParameterKind::Double || std::isinf(value.real)) return Held::Exactly;
    if (std::fabs(value.real) > FLT_MAX) return Held::Not;
    return static_cast<double>(static_cast<float>(value.real)) == value.real ? Held::Exactly : Held::Rounded;
}

// The costs, cheapest first: exact, widening by the distance widened, narrowing by the
// distance narrowed, and a number taken as a char last of all. Boxing adds one. A number that
// a float only rounds (0.9) fits a float worse than anything else fits: it is taken where
// nothing would take it as it is (Color(0.9, 0.9, 0.9) is Color(float, float, float), not
// Color(int, int, int)), and nowhere else.
constexpr int kExact = 0, kWidening = 10, kNarrowing = 30, kNumberAsChar = 50;
constexpr int kSubclass = 40, kAnyObject = 60, kArray = 20, kRoundedToFloat = 70;
// A one-letter text for a char: just after a String's exact fit, so that append("x") keeps
// taking append(String), and before any class that a String is (CharSequence, Object).
constexpr int kOneCharacter = kExact + 1;
// Added to a script's data object's fit by class: more than any other fit costs, so that a
// candidate that fit the object before (as a callback) keeps the call.
constexpr int kScriptData = 70;

int number_fit(const ArgumentProfile &arg, const ScalarRow &target)
{
    const AutomationNumber &source = *automation_number(arg.argument);
    const Held how = held(arg.number, target);
    if (how == Held::Not) return kRefused;
    if (how == Held::Rounded) return kRoundedToFloat;
    if (source.exact && source.nearest == target.kind) return kExact;
    if (target.kind == ParameterKind::Char) return kNumberAsChar;
    if (target.width >= source.width) return kWidening + (target.width - source.width);
    return kNarrowing + (source.width - target.width);
}

// A class that the conversion makes of an argument, against the parameter's class.
int class_fit(JNIEnv *env, jclass produced, const JavaType &type)
{
    if (!type.klass || !produced) return kRefused;
    if (env->IsSameObject(produced, type.klass)) return kExact;
    if (!env->IsAssignableFrom(produced, type.klass)) return kRefused;
    return env->IsSameObject(type.klass, java_reflect.object_class) ? kAnyObject : kSubclass;
}

int object_class_fit(JNIEnv *env, const ArgumentProfile &arg, const JavaType &type)
{
    jobject local = arg.object ? env->GetObjectClass(arg.object) : nullptr;
    int fit = class_fit(env, static_cast<jclass>(local), type);
    if (local) env->DeleteLocalRef(local);
    return fit;
}

// A proxy fits a parameter of a primitive's wrapper, String, Date or an array type that its
// object is an instance of.
int instance_fit(JNIEnv *env, const ArgumentProfile &arg, const JavaType &type)
{
    if (!arg.object || !type.klass || !env->IsInstanceOf(arg.object, type.klass)) return kRefused;
    return type.shape.kind == ParameterKind::Array ? kArray : kSubclass;
}

int callback_fit(JNIEnv *env, const JavaType &type)
{
    return type.klass && is_functional_interface(env, type.klass) ? kSubclass : kRefused;
}

int boxed(int fit, const JavaType &type) { return fit == kRefused || !type.shape.boxed ? fit : fit + 1; }

// A currency or decimal as its BigDecimal: exact for a BigDecimal parameter, yet ranked before
// a double only where the double would change the value; a whole or binary-exact amount ranks
// after the numbers, and so goes where it went before BigDecimal took it.
int decimal_fit(JNIEnv *env, const ArgumentProfile &arg, jclass big_decimal, const JavaType &type)
{
    const int fit = class_fit(env, big_decimal, type);
    return fit == kExact && !arg.number.double_rounds ? kSubclass : fit;
}

// A currency or decimal as its digits, for a constructor's String parameter, where a double
// would change the value (BigDecimal(String) before BigDecimal(double)); otherwise the numbers
// take it as before.
int decimal_text_fit(const ArgumentProfile &arg, const JavaType &type)
{
    return type.of_constructor && arg.number.double_rounds ? kExact : kRefused;
}

// A script's array fits a functional interface that a list is (Iterable) where a callback
// fit it before, and nowhere else.
int script_list_fit(JNIEnv *env, jclass produced, const JavaType &type)
{
    return callback_fit(env, type) == kRefused ? kRefused : class_fit(env, produced, type);
}

int date_or_calendar_fit(JNIEnv *env, jclass produced, const JavaType &type)
{
    const int fit = class_fit(env, produced, type);
    return fit != kRefused ? fit : class_fit(env, java_reflect.calendar_class, type);
}

int script_data_fit(JNIEnv *env, jclass produced, const JavaType &type)
{
    const int fit = class_fit(env, produced, type);
    return fit == kRefused ? kRefused : fit + kScriptData;
}

}  // namespace

ArgumentProfile profile_argument(const VARIANT *arg)
{
    ArgumentProfile profile;
    arg = through_variant_reference(arg);
    // A reference to nothing has no value to read: it fits nothing.
    if (arg && (arg->vt & (VT_BYREF | VT_ARRAY)) == VT_BYREF && !arg->byref) return profile;
    profile.argument = argument_of(arg, profile.object);
    if (profile.argument == Argument::Foreign)
        profile.foreign = value_or_referenced(*arg, arg->pdispVal, arg->ppdispVal);
    if (const AutomationNumber *number = automation_number(profile.argument))
        profile.number = number->value(value_data(*arg));
    else if (profile.argument == Argument::Text)
        profile.text_length = SysStringLen(value_or_referenced(*arg, arg->bstrVal, arg->pbstrVal));
    return profile;
}

Argument argument_for(JNIEnv *env, const ArgumentProfile &arg, const JavaType &type)
{
    if (arg.argument != Argument::Foreign) return arg.argument;
    return script_argument(env, arg.foreign, type, arg.script_data);
}

int argument_fit(JNIEnv *env, const ArgumentProfile &arg, const JavaType &type)
{
    const ArgumentRow &row = argument_row(argument_for(env, arg, type), type.shape.kind);
    switch (row.closeness) {
    case Closeness::Never:
        return kRefused;
    case Closeness::Exact:
        return boxed(kExact, type);
    case Closeness::Null:
        return type.is_primitive() ? kRefused : kExact;
    case Closeness::Number:
        return boxed(number_fit(arg, *scalar_row(type.shape.kind)), type);
    case Closeness::OwnClass:
        return class_fit(env, java_reflect.*row.becomes.klass, type);
    case Closeness::ObjectClass:
        return object_class_fit(env, arg, type);
    case Closeness::Instance:
        return instance_fit(env, arg, type);
    case Closeness::ArrayClass:
        // Object[] stands for the array that the conversion makes: all array classes have the
        // same superclasses.
        return class_fit(env, java_reflect.object_array_class, type);
    case Closeness::Array:
        return kArray;
    case Closeness::Callback:
        return callback_fit(env, type);
    case Closeness::OneCharacter:
        return arg.text_length == 1 ? boxed(kOneCharacter, type) : kRefused;
    case Closeness::ExactDecimal:
        return decimal_fit(env, arg, java_reflect.*row.becomes.klass, type);
    case Closeness::DecimalText:
        return decimal_text_fit(arg, type);
    case Closeness::ScriptList:
        return script_list_fit(env, java_reflect.*row.becomes.klass, type);
    case Closeness::ScriptData:
        return script_data_fit(env, java_reflect.*row.becomes.klass, type);
    case Closeness::DateOrCalendar:
        return date_or_calendar_fit(env, java_reflect.*row.becomes.klass, type);
    }
    return kRefused;
}

bool is_subtype(JNIEnv *env, const JavaType &narrow, const JavaType &wide)
{
    if (!narrow.is_primitive() || !wide.is_primitive())
        return !narrow.is_primitive() && !wide.is_primitive() && narrow.klass && wide.klass &&
               env->IsAssignableFrom(narrow.klass, wide.klass);
    if (narrow.shape.kind == wide.shape.kind) return true;
    // Java widens a number into every wider number but char, and a boolean into nothing.
    const ScalarRow *from = scalar_row(narrow.shape.kind), *to = scalar_row(wide.shape.kind);
    return from->is_number() && to->is_number() && to->kind != ParameterKind::Char && to->width > from->width;
}

}  // namespace tavlin
