#include "convert/argument_fit.h"

#include <cmath>
#include <cstring>

#include "convert/proxies.h"
#include "convert/variant_refs.h"
#include "javaref/java_reflect.h"
#include "util/unaligned.h"

namespace tavlin {

namespace {

// Widths order the numeric types so that the nearest wider type is the closest, as Java's
// own choice prefers int over long over double. Automation types without a Java counterpart
// (the unsigned ones, currency, decimal) sit between the Java types they fall between.
struct JavaNumber {
    ParameterKind kind;
    int width;
    bool integer;
    int64_t low, high;  // the range of an integer type
};

const JavaNumber kJavaNumbers[] = {
    {ParameterKind::Byte, 0, true, -128, 127},
    {ParameterKind::Short, 2, true, -32768, 32767},
    {ParameterKind::Char, 3, true, 0, 65535},
    {ParameterKind::Int, 4, true, INT32_MIN, INT32_MAX},
    {ParameterKind::Long, 6, true, INT64_MIN, INT64_MAX},
    {ParameterKind::Float, 8, false, 0, 0},
    {ParameterKind::Double, 10, false, 0, 0},
};

const JavaNumber *java_number(ParameterKind kind)
{
    for (const JavaNumber &number : kJavaNumbers)
        if (number.kind == kind) return &number;
    return nullptr;
}

struct NumberValue {
    bool integral, fits_int64;
    int64_t integer;
    double real;
    bool real_exact;
};

constexpr double kTwoTo63 = 9223372036854775808.0;

NumberValue from_integer(int64_t value)
{
    double real = static_cast<double>(value);
    bool exact = real < kTwoTo63 && static_cast<int64_t>(real) == value;
    return {true, true, value, real, exact};
}

NumberValue from_unsigned(uint64_t value)
{
    if (value <= static_cast<uint64_t>(INT64_MAX)) return from_integer(static_cast<int64_t>(value));
    double real = static_cast<double>(value);
    bool exact = real < 2 * kTwoTo63 && static_cast<uint64_t>(real) == value;
    return {true, false, 0, real, exact};
}

NumberValue from_real(double value)
{
    bool integral = std::isfinite(value) && value == std::trunc(value);
    bool fits = integral && value >= -kTwoTo63 && value < kTwoTo63;
    return {integral, fits, fits ? static_cast<int64_t>(value) : 0, value, true};
}

// Currency keeps four decimal places; a fraction is taken as its nearest double, as the
// platform's own coercion gives it.
NumberValue from_currency(int64_t units)
{
    if (units % 10000 == 0) return from_integer(units / 10000);
    return {false, false, 0, static_cast<double>(units) / 10000.0, true};
}

// A whole decimal within 64 bits is an integer; any other is taken as its nearest double.
NumberValue from_decimal(const DECIMAL &value)
{
    if (value.scale == 0 && value.Hi32 == 0 && value.Lo64 <= static_cast<uint64_t>(INT64_MAX)) {
        int64_t magnitude = static_cast<int64_t>(value.Lo64);
        return from_integer(value.sign ? -magnitude : magnitude);
    }
    VARIANT decimal, real;
    VariantInit(&real);
    decimal.decVal = value;
    decimal.vt = VT_DECIMAL;
    if (FAILED(VariantChangeType(&real, &decimal, 0, VT_R8))) return {false, false, 0, 0, false};
    return {false, false, 0, real.dblVal, true};
}

// The automation number types: the Java type each matches exactly (if any), its width, and
// how its value is read from the VARIANT's data (by value or through the reference).
struct AutomationNumber {
    VARTYPE type;
    ParameterKind exact;
    bool has_exact;
    int width;
    NumberValue (*value)(const void *data);
};

const AutomationNumber kAutomationNumbers[] = {
    {VT_I1, ParameterKind::Byte, true, 0, [](const void *d) { return from_integer(read_unaligned<CHAR>(d)); }},
    {VT_UI1, ParameterKind::Byte, false, 1, [](const void *d) { return from_integer(read_unaligned<BYTE>(d)); }},
    {VT_I2, ParameterKind::Short, true, 2, [](const void *d) { return from_integer(read_unaligned<SHORT>(d)); }},
    {VT_UI2, ParameterKind::Char, true, 3, [](const void *d) { return from_integer(read_unaligned<USHORT>(d)); }},
    {VT_I4, ParameterKind::Int, true, 4, [](const void *d) { return from_integer(read_unaligned<LONG>(d)); }},
    {VT_INT, ParameterKind::Int, true, 4, [](const void *d) { return from_integer(read_unaligned<INT>(d)); }},
    {VT_UI4, ParameterKind::Long, false, 5, [](const void *d) { return from_integer(read_unaligned<ULONG>(d)); }},
    {VT_UINT, ParameterKind::Long, false, 5, [](const void *d) { return from_integer(read_unaligned<UINT>(d)); }},
    {VT_I8, ParameterKind::Long, true, 6, [](const void *d) { return from_integer(read_unaligned<LONGLONG>(d)); }},
    {VT_UI8, ParameterKind::Long, false, 7, [](const void *d) { return from_unsigned(read_unaligned<ULONGLONG>(d)); }},
    {VT_R4, ParameterKind::Float, true, 8, [](const void *d) { return from_real(read_unaligned<float>(d)); }},
    {VT_R8, ParameterKind::Double, true, 10, [](const void *d) { return from_real(read_unaligned<double>(d)); }},
    {VT_CY, ParameterKind::Double, false, 10, [](const void *d) { return from_currency(read_unaligned<CY>(d).int64); }},
    {VT_DECIMAL, ParameterKind::Double, false, 10,
     [](const void *d) { return from_decimal(read_unaligned<DECIMAL>(d)); }},
};

int automation_number_row(VARTYPE type)
{
    for (size_t i = 0; i < sizeof kAutomationNumbers / sizeof kAutomationNumbers[0]; ++i)
        if (kAutomationNumbers[i].type == type) return static_cast<int>(i);
    return -1;
}

// Where a VARIANT keeps its value: through the reference, or in the VARIANT itself (a
// DECIMAL fills the whole of it).
const void *value_data(const VARIANT &arg)
{
    if (arg.vt & VT_BYREF) return arg.byref;
    if (arg.vt == VT_DECIMAL) return &arg.decVal;
    return &arg.cVal;
}

bool holds(const ArgumentProfile &arg, const JavaNumber &target)
{
    if (target.integer)
        return arg.integral && arg.fits_int64 && arg.integer >= target.low && arg.integer <= target.high;
    if (std::isnan(arg.real)) return true;
    if (!arg.real_exact) return false;
    return target.kind == ParameterKind::Double || static_cast<double>(static_cast<float>(arg.real)) == arg.real;
}

// The costs, cheapest first: exact, widening by the distance widened, narrowing by the
// distance narrowed, and a number taken as a char last of all. Boxing adds one.
constexpr int kExact = 0, kWidening = 10, kNarrowing = 30, kNumberAsChar = 50;
constexpr int kSubclass = 40, kAnyObject = 60, kArray = 20;

int number_fit(const ArgumentProfile &arg, const JavaNumber &target)
{
    const AutomationNumber &source = kAutomationNumbers[arg.number_row];
    if (!holds(arg, target)) return kRefused;
    if (source.has_exact && source.exact == target.kind) return kExact;
    if (target.kind == ParameterKind::Char) return kNumberAsChar;
    if (target.width >= source.width) return kWidening + (target.width - source.width);
    return kNarrowing + (source.width - target.width);
}

// The class the conversion makes of an argument for a parameter of another class; null where
// it would make none, or one of another kind (an unsigned byte becomes a Boolean there).
jclass produced_class(JNIEnv *env, const ArgumentProfile &arg, jobject &local)
{
    switch (arg.kind) {
    case ArgumentProfile::Kind::Boolean:
        return java_reflect.boolean_class;
    case ArgumentProfile::Kind::String:
        return java_reflect.string_class;
    case ArgumentProfile::Kind::Object:
        local = arg.object ? env->GetObjectClass(arg.object) : nullptr;
        return static_cast<jclass>(local);
    case ArgumentProfile::Kind::Number:
        switch (kAutomationNumbers[arg.number_row].type) {
        case VT_I1:
            return java_reflect.byte_class;
        case VT_I2:
            return java_reflect.short_class;
        case VT_I4:
            return java_reflect.integer_class;
        case VT_R4:
            return java_reflect.float_class;
        case VT_R8:
            return java_reflect.double_class;
        default:
            return nullptr;
        }
    default:
        return nullptr;
    }
}

int reference_fit(JNIEnv *env, const ArgumentProfile &arg, const JavaType &type)
{
    if (!type.klass) return kRefused;
    if (arg.kind == ArgumentProfile::Kind::Date || arg.kind == ArgumentProfile::Kind::Array)
        return env->IsSameObject(type.klass, java_reflect.object_class) ? kAnyObject : kRefused;
    jobject local = nullptr;
    jclass produced = produced_class(env, arg, local);
    int fit = kRefused;
    if (produced && env->IsSameObject(produced, type.klass))
        fit = kExact;
    else if (produced && env->IsAssignableFrom(produced, type.klass))
        fit = env->IsSameObject(type.klass, java_reflect.object_class) ? kAnyObject : kSubclass;
    if (local) env->DeleteLocalRef(local);
    return fit;
}

// A proxy fits any parameter its object is an instance of, whatever the parameter's kind.
int proxy_fit(JNIEnv *env, const ArgumentProfile &arg, const JavaType &type)
{
    if (type.shape.kind == ParameterKind::Reference) return reference_fit(env, arg, type);
    if (!arg.object || !type.klass || !env->IsInstanceOf(arg.object, type.klass)) return kRefused;
    return type.shape.kind == ParameterKind::Array ? kArray : kSubclass;
}

}  // namespace

ArgumentProfile profile_argument(const VARIANT *arg)
{
    ArgumentProfile profile;
    arg = through_variant_reference(arg);
    if (!arg || arg->vt == VT_EMPTY || arg->vt == VT_NULL) {
        profile.kind = ArgumentProfile::Kind::Null;
        return profile;
    }
    if (arg->vt & VT_ARRAY) {
        profile.kind = ArgumentProfile::Kind::Array;
        return profile;
    }
    const VARTYPE type = static_cast<VARTYPE>(arg->vt & ~VT_BYREF);
    if ((arg->vt & VT_BYREF) && !arg->byref) return profile;
    switch (type) {
    case VT_BOOL:
        profile.kind = ArgumentProfile::Kind::Boolean;
        return profile;
    case VT_BSTR:
        profile.kind = ArgumentProfile::Kind::String;
        return profile;
    case VT_DATE:
        profile.kind = ArgumentProfile::Kind::Date;
        return profile;
    case VT_DISPATCH: {
        IDispatch *object = value_or_referenced(*arg, arg->pdispVal, arg->ppdispVal);
        if (!object)
            profile.kind = ArgumentProfile::Kind::Null;
        else
            profile.kind =
                is_own_proxy(object, profile.object) ? ArgumentProfile::Kind::Object : ArgumentProfile::Kind::Foreign;
        return profile;
    }
    default:
        break;
    }
    profile.number_row = automation_number_row(type);
    if (profile.number_row < 0) return profile;
    NumberValue value = kAutomationNumbers[profile.number_row].value(value_data(*arg));
    profile.kind = ArgumentProfile::Kind::Number;
    profile.integral = value.integral;
    profile.fits_int64 = value.fits_int64;
    profile.integer = value.integer;
    profile.real = value.real;
    profile.real_exact = value.real_exact;
    return profile;
}

int argument_fit(JNIEnv *env, const ArgumentProfile &arg, const JavaType &type)
{
    using Kind = ArgumentProfile::Kind;
    const ParameterShape shape = type.shape;
    const bool primitive = type.is_primitive();
    const int boxing = shape.boxed ? 1 : 0;
    switch (arg.kind) {
    case Kind::Null:
        return primitive ? kRefused : kExact;
    case Kind::Object:
        return proxy_fit(env, arg, type);
    case Kind::Array:
        return shape.kind == ParameterKind::Array ? kArray : reference_fit(env, arg, type);
    case Kind::Boolean:
        if (shape.kind == ParameterKind::Boolean) return kExact + boxing;
        return shape.kind == ParameterKind::Reference ? reference_fit(env, arg, type) : kRefused;
    case Kind::String:
        if (shape.kind == ParameterKind::String) return kExact;
        return shape.kind == ParameterKind::Reference ? reference_fit(env, arg, type) : kRefused;
    case Kind::Date:
        if (shape.kind == ParameterKind::Date) return kExact;
        return shape.kind == ParameterKind::Reference ? reference_fit(env, arg, type) : kRefused;
    case Kind::Number: {
        if (shape.kind == ParameterKind::Reference) return reference_fit(env, arg, type);
        const JavaNumber *target = java_number(shape.kind);
        if (!target) return kRefused;
        int fit = number_fit(arg, *target);
        return fit == kRefused ? kRefused : fit + boxing;
    }
    case Kind::Foreign:
        return shape.kind == ParameterKind::Reference && type.klass && is_functional_interface(env, type.klass)
                   ? kSubclass
                   : kRefused;
    case Kind::Other:
        return kRefused;
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
    const JavaNumber *from = java_number(narrow.shape.kind), *to = java_number(wide.shape.kind);
    return from && to && to->kind != ParameterKind::Char && to->width > from->width;
}

}  // namespace tavlin
