#include "convert/com_to_java.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "convert/java_class_name.h"
#include "convert/java_date.h"
#include "convert/java_text.h"
#include "convert/jni_arrays.h"
#include "convert/proxies.h"
#include "convert/script_array.h"
#include "convert/variant_refs.h"
#include "errors/tavlin_ex.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"
#include "util/auto_variant.h"

namespace tavlin {

namespace {

jvalue zero_value()
{
    jvalue value;
    value.j = 0;
    return value;
}

// What a numeric parameter accepts when an overload walk needs exact kinds. VT_UI1 is left
// out: clients send booleans as unsigned bytes.
bool is_numeric(VARTYPE type)
{
    switch (type) {
    case VT_BOOL:
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_INT:
    case VT_UINT:
    case VT_DECIMAL:
        return true;
    default:
        return false;
    }
}

// Integers a Java long takes exactly; a detour through a double would lose bits above 2^53.
bool is_integer(VARTYPE type)
{
    switch (type) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
        return true;
    default:
        return false;
    }
}

[[noreturn]] void coercion_failed(const char *type_name, HRESULT status)
{
    TavlinEx::raise("Unable to coerce parameter data to %s: 0x%08X", type_name, static_cast<unsigned>(status));
}

void coerce(AutoVariant &value, VARTYPE target, const char *type_name)
{
    HRESULT status = value.change_type(target);
    if (FAILED(status)) coercion_failed(type_name, status);
}

// The platform copies the bits of a VT_UI8 into a VT_I8, so 2^64 - 1 would reach a Java long
// as -1; an unsigned value above the signed range is refused instead.
void require_signed_64_bit_range(const VARIANT &arg, const char *type_name)
{
    if ((arg.vt & ~VT_BYREF) != VT_UI8) return;
    ULONGLONG value = arg.vt == VT_UI8 ? arg.ullVal : (arg.pullVal ? *arg.pullVal : 0);
    if (value > static_cast<ULONGLONG>(INT64_MAX)) coercion_failed(type_name, DISP_E_OVERFLOW);
}

// A primitive parameter type and its wrapper class, read from the same coerced value.
struct ScalarRow {
    ParameterKind kind;
    bool strict_check;
    VARTYPE coerce_to;
    bool exact_integers;  // integer arguments go through VT_I8 instead of `coerce_to`
    jvalue (*read)(const VARIANT &coerced);
    jclass CJavaReflect::*wrapper_class;
    jmethodID CJavaReflect::*wrapper_constructor;
};

const ScalarRow kScalarRows[] = {
    {ParameterKind::Boolean, false, VT_BOOL, false,
     [](const VARIANT &v) {
         jvalue j = zero_value();
         j.z = (v.boolVal & 0xFF) != 0;
         return j;
     },
     &CJavaReflect::boolean_class, &CJavaReflect::boolean_init},
    {ParameterKind::Byte, true, VT_I1, false,
     [](const VARIANT &v) {
         jvalue j = zero_value();
         j.b = static_cast<jbyte>(v.cVal);
         return j;
     },
     &CJavaReflect::byte_class, &CJavaReflect::byte_init},
    {ParameterKind::Char, true, VT_UI2, false,
     [](const VARIANT &v) {
         jvalue j = zero_value();
         j.c = v.uiVal;
         return j;
     },
     &CJavaReflect::character_class, &CJavaReflect::character_init},
    {ParameterKind::Short, true, VT_I2, false,
     [](const VARIANT &v) {
         jvalue j = zero_value();
         j.s = v.iVal;
         return j;
     },
     &CJavaReflect::short_class, &CJavaReflect::short_init},
    {ParameterKind::Int, true, VT_I4, false,
     [](const VARIANT &v) {
         jvalue j = zero_value();
         j.i = v.lVal;
         return j;
     },
     &CJavaReflect::integer_class, &CJavaReflect::integer_init},
    {ParameterKind::Long, true, VT_R8, true,
     [](const VARIANT &v) {
         jvalue j;
         j.j = v.vt == VT_I8 ? v.llVal : double_to_long(v.dblVal);
         return j;
     },
     &CJavaReflect::long_class, &CJavaReflect::long_init},
    {ParameterKind::Float, true, VT_R4, false,
     [](const VARIANT &v) {
         jvalue j = zero_value();
         j.f = v.fltVal;
         return j;
     },
     &CJavaReflect::float_class, &CJavaReflect::float_init},
    {ParameterKind::Double, true, VT_R8, false,
     [](const VARIANT &v) {
         jvalue j;
         j.d = v.dblVal;
         return j;
     },
     &CJavaReflect::double_class, &CJavaReflect::double_init},
};

// The row of a primitive or wrapper type, or null.
const ScalarRow *scalar_row(const JavaType &type)
{
    for (const ScalarRow &row : kScalarRows)
        if (row.kind == type.shape.kind) return &row;
    return nullptr;
}

bool refused_by_strict_check(const ScalarRow &row, bool strict, VARTYPE type)
{
    return row.strict_check && strict && !is_numeric(type);
}

bool is_string_argument(const VARIANT &arg) { return arg.vt == VT_BSTR || arg.vt == (VT_BSTR | VT_BYREF); }

void convert_scalar(JNIEnv *env, const VARIANT &arg, PreparedArguments &args, int index, const ScalarRow &row,
                    bool wrapped, const char *type_name, bool strict)
{
    VARTYPE type = static_cast<VARTYPE>(arg.vt & ~VT_BYREF);
    if (refused_by_strict_check(row, strict, type))
        TavlinEx::raise("CHECK_NUMERIC_VARIANT, expecting %s, got %d\n", type_name, type);

    VARTYPE target = row.coerce_to;
    if (row.exact_integers && is_integer(type)) {
        require_signed_64_bit_range(arg, type_name);
        target = VT_I8;
    }
    jvalue value;
    if (arg.vt == target) {
        value = row.read(arg);  // already of the type: a coercion would only copy it
    } else {
        AutoVariant copy(arg);
        coerce(copy, target, type_name);
        value = row.read(*copy);
    }
    if (!wrapped) {
        args.set(index, value, ARG_PLAIN);
        return;
    }
    CLocalRef boxed =
        jni::new_object_a(env, java_reflect.*row.wrapper_class, java_reflect.*row.wrapper_constructor, &value);
    args.set_object(index, boxed.release(), ARG_LOCAL);
}

// Only a string argument makes a Java string: turning numbers into text would hide a
// client's mistake and would pick the wrong overload.
void convert_string(JNIEnv *env, const VARIANT &arg, PreparedArguments &args, int index)
{
    if (!is_string_argument(arg))
        throw new TavlinEx("convert_com_to_java: Expecting java/lang/String, got non-string\n");
    BSTR text = value_or_referenced(arg, arg.bstrVal, arg.pbstrVal);
    args.set_object(index, new_java_string(env, text).release(), ARG_LOCAL);
}

void convert_date(JNIEnv *env, const VARIANT &arg, PreparedArguments &args, int index)
{
    AutoVariant copy(arg);
    coerce(copy, VT_DATE, "java/util/Date");
    jobject date = new_java_date(env, copy->date);
    if (!date) coercion_failed("java/util/Date", DISP_E_OVERFLOW);
    args.set_object(index, date, ARG_LOCAL);
}

// The objects a client can hand over: a proxy this bridge gave out, whose very Java object
// the method receives, lent for the call; and a script's array, which becomes an Object[]
// (or the array its elements call for, when the parameter is an array type).
void convert_object(JNIEnv *env, const VARIANT &arg, PreparedArguments &args, int index, const JavaType &type,
                    bool strict)
{
    IDispatch *dispatch = value_or_referenced(arg, arg.pdispVal, arg.ppdispVal);
    jobject object = nullptr;
    if (!dispatch || is_own_proxy(dispatch, object)) {
        args.set_object(index, object, object ? ARG_BORROWED : ARG_PLAIN);
        return;
    }
    SafeArrayHolder elements = script_array_elements(dispatch);
    if (!elements) throw new TavlinEx("Unsupported object type.");
    convert_safe_array(env, elements.get(), VT_VARIANT, args, index, type, strict);
}

// A proxy whose object already is of the parameter's type is passed as that object before
// any row coerces it: a java.sql.Date from a result set is a java.util.Date as it stands.
bool lent_as_instance(JNIEnv *env, const VARIANT &arg, PreparedArguments &args, int index, const JavaType &type)
{
    if ((arg.vt & ~VT_BYREF) != VT_DISPATCH || !type.klass) return false;
    jobject object = nullptr;
    if (!is_own_proxy(value_or_referenced(arg, arg.pdispVal, arg.ppdispVal), object) || !object) return false;
    if (!env->IsInstanceOf(object, type.klass)) return false;
    args.set_object(index, object, ARG_BORROWED);
    return true;
}

// An automation object of somebody else's (a script's function or class instance) passed for
// a functional interface is put behind it, as ITavlinUtil2::implement would, before it could
// be read as a script's array.
bool wrapped_as_callback(JNIEnv *env, const VARIANT &arg, PreparedArguments &args, int index, const JavaType &type)
{
    if ((arg.vt & ~VT_BYREF) != VT_DISPATCH || type.shape.kind != ParameterKind::Reference || !type.klass) return false;
    IDispatch *dispatch = value_or_referenced(arg, arg.pdispVal, arg.ppdispVal);
    jobject object = nullptr;
    if (!dispatch || is_own_proxy(dispatch, object) || !is_functional_interface(env, type.klass)) return false;
    args.set_object(index, new_callback(env, type.klass, dispatch), ARG_LOCAL);
    return true;
}

// The wrapper (or String, Date) class an automation type becomes when the parameter leaves
// the choice to the argument; null for types without one.
const char *class_for_automation_type(VARTYPE full_type)
{
    if (full_type & ~(VT_BYREF | VT_TYPEMASK)) return nullptr;
    switch (full_type & VT_TYPEMASK) {
    case VT_I2:
        return "java/lang/Short";
    case VT_I4:
        return "java/lang/Integer";
    case VT_R4:
        return "java/lang/Float";
    case VT_R8:
        return "java/lang/Double";
    case VT_DATE:
        return "java/util/Date";
    case VT_BSTR:
        return "java/lang/String";
    case VT_BOOL:
        return "java/lang/Boolean";
    case VT_I1:
        return "java/lang/Byte";
    case VT_UI1:
        return "java/lang/Boolean";
    case VT_UI2:
        return "java/lang/Character";
    default:
        return nullptr;
    }
}

// Produces the object the argument's own automation type calls for, into slot 0 of `out`.
void produce_object(JNIEnv *env, const VARIANT &arg, PreparedArguments &out, const JavaType &type, bool strict)
{
    const VARIANT *value = through_variant_reference(&arg);
    if (!value) {
        out.set(0, zero_value(), ARG_PLAIN);
        return;
    }
    if (value->vt & VT_ARRAY) {
        convert_com_array_to_java_array(env, value, out, 0, type, strict);
        return;
    }
    if ((value->vt & ~VT_BYREF) == VT_DISPATCH) {
        convert_object(env, *value, out, 0, type, strict);
        return;
    }
    const char *class_name = class_for_automation_type(value->vt);
    if (!class_name) TavlinEx::raise("Unable to determine how to coerce parameter data: %u", value->vt);
    convert_com_to_java(env, value, out, 0, JavaType{class_name, nullptr}, strict);
}

// JNI must never receive an object its parameter cannot hold; refusing here also lets an
// overload walk try the next method.
void require_assignable(JNIEnv *env, jobject object, const JavaType &type)
{
    if (!object || !type.klass || std::strcmp(type.name, "java/lang/Object") == 0) return;
    if (env->IsInstanceOf(object, type.klass)) return;
    std::string actual = java_class_name(env, object);
    TavlinEx::raise("Argument of class %s cannot be passed as %s", actual.c_str(), type.name);
}

void convert_for_other_class(JNIEnv *env, const VARIANT &arg, PreparedArguments &args, int index, const JavaType &type,
                             bool strict)
{
    PreparedArguments produced(env, 1);
    produce_object(env, arg, produced, type, strict);
    require_assignable(env, produced.value(0).l, type);
    args.set(index, produced.value(0), produced.release_code(0));
    produced.set(0, produced.value(0), ARG_PLAIN);  // handed over to `args`
}

}  // namespace

void convert_com_to_java(JNIEnv *env, const VARIANT *arg, PreparedArguments &args, int index, const JavaType &type,
                         bool strict)
{
    arg = through_variant_reference(arg);
    if (!arg || arg->vt == VT_EMPTY || arg->vt == VT_NULL) {
        args.set(index, zero_value(), ARG_PLAIN);
        return;
    }
    if (lent_as_instance(env, *arg, args, index, type)) return;
    if (type.shape.kind == ParameterKind::Array) {
        convert_com_array_to_java_array(env, arg, args, index, type, strict);
        return;
    }
    if (const ScalarRow *row = scalar_row(type)) {
        convert_scalar(env, *arg, args, index, *row, type.shape.boxed, type.name, strict);
        return;
    }
    if (type.shape.kind == ParameterKind::String)
        convert_string(env, *arg, args, index);
    else if (type.shape.kind == ParameterKind::Date)
        convert_date(env, *arg, args, index);
    else if (!wrapped_as_callback(env, *arg, args, index, type))
        convert_for_other_class(env, *arg, args, index, type, strict);
}

bool refused_outright(const VARIANT *arg, const JavaType &type, bool strict)
{
    arg = through_variant_reference(arg);
    if (!arg || arg->vt == VT_EMPTY || arg->vt == VT_NULL || type.shape.kind == ParameterKind::Array) return false;
    if (const ScalarRow *row = scalar_row(type))
        return refused_by_strict_check(*row, strict, static_cast<VARTYPE>(arg->vt & ~VT_BYREF));
    return type.shape.kind == ParameterKind::String && !is_string_argument(*arg);
}

}  // namespace tavlin
