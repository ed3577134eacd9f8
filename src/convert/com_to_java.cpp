#include "convert/com_to_java.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "convert/argument_table.h"
#include "convert/exact_decimal.h"
#include "convert/java_class_name.h"
#include "convert/java_date.h"
#include "convert/java_text.h"
#include "convert/proxies.h"
#include "convert/script_array.h"
#include "convert/script_data.h"
#include "convert/variant_refs.h"
#include "errors/tavlin_ex.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"
#include "util/auto_variant.h"

namespace tavlin {

namespace {

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

// An argument that the rule in force does not take for the parameter is refused before
// anything is converted. Only a string argument makes a Java string: turning numbers into
// text would hide a client's mistake and would pick the wrong overload.
[[noreturn]] void refuse(const ArgumentRow &row, const VARIANT &arg, const JavaType &type)
{
    if (row.conversion == Conversion::Text || row.conversion == Conversion::DecimalText)
        throw new TavlinEx("convert_com_to_java: Expecting java/lang/String, got non-string\n");
    TavlinEx::raise("CHECK_NUMERIC_VARIANT, expecting %s, got %d\n", type.name, arg.vt & ~VT_BYREF);
}

// A primitive's value as its parameter takes it: as it is, or boxed in its wrapper.
void set_scalar(JNIEnv *env, const ScalarRow &row, jvalue value, PreparedArguments &args, int index,
                const JavaType &type)
{
    if (!type.shape.boxed) {
        args.set(index, value, ARG_PLAIN);
        return;
    }
    CLocalRef boxed =
        jni::new_object_a(env, java_reflect.*row.wrapper_class, java_reflect.*row.wrapper_constructor, &value);
    args.set_object(index, boxed.release(), ARG_LOCAL);
}

// A primitive parameter and its wrapper are read from the same coerced value.
void convert_scalar(JNIEnv *env, const VARIANT &arg, Argument argument, PreparedArguments &args, int index,
                    const JavaType &type)
{
    const ScalarRow &row = *scalar_row(type.shape.kind);
    VARTYPE target = row.coerce_to;
    if (row.exact_integers && is_integer(argument)) {
        require_signed_64_bit_range(arg, type.name);
        target = VT_I8;
    }
    jvalue value;
    if (arg.vt == target) {
        value = row.read(arg);  // already of the type: a coercion would only copy it
    } else {
        AutoVariant copy(arg);
        coerce(copy, target, type.name);
        value = row.read(*copy);
    }
    set_scalar(env, row, value, args, index, type);
}

// A one-letter text is that char. Other text is a number's text, for a lone method only, as
// before a letter was a char.
[[gnu::noinline]] void convert_character(JNIEnv *env, const VARIANT &arg, const ArgumentRow &row,
                                         PreparedArguments &args, int index, const JavaType &type, bool strict)
{
    BSTR text = value_or_referenced(arg, arg.bstrVal, arg.pbstrVal);
    if (SysStringLen(text) == 1) {
        jvalue value = zero_value();
        value.c = text[0];
        set_scalar(env, *scalar_row(type.shape.kind), value, args, index, type);
        return;
    }
    if (strict) refuse(row, arg, type);
    convert_scalar(env, arg, Argument::Text, args, index, type);
}

void convert_string(JNIEnv *env, const VARIANT &arg, PreparedArguments &args, int index)
{
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

// A proxy (its Java object in `object`) whose object already is of the parameter's type is
// passed as that object before any row coerces it: a java.sql.Date from a result set is a
// java.util.Date as it stands.
bool lendable(JNIEnv *env, jobject object, const JavaType &type)
{
    return object && type.klass && env->IsInstanceOf(object, type.klass);
}

bool lent_as_instance(JNIEnv *env, jobject object, PreparedArguments &args, int index, const JavaType &type)
{
    if (!lendable(env, object, type)) return false;
    args.set_object(index, object, ARG_BORROWED);
    return true;
}

// An automation object of somebody else's (a script's function or class instance) passed for
// a functional interface is put behind it, as ITavlinUtil2::implement would, before it could
// be read as a script's array.
bool wrapped_as_callback(JNIEnv *env, const VARIANT &arg, PreparedArguments &args, int index, const JavaType &type)
{
    if (!type.klass || !is_functional_interface(env, type.klass)) return false;
    IDispatch *dispatch = value_or_referenced(arg, arg.pdispVal, arg.ppdispVal);
    args.set_object(index, new_callback(env, type.klass, dispatch), ARG_LOCAL);
    return true;
}

// Produces the object the argument's own automation type calls for, into slot 0 of `out`. A
// VARIANT by reference inside the argument is read through here as well.
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
    const Argument own = argument_of_type(static_cast<VARTYPE>(value->vt & ~VT_BYREF));
    const JavaClass &becomes = argument_row(own, ParameterKind::Reference).becomes;
    if (!becomes.name) TavlinEx::raise("Unable to determine how to coerce parameter data: %u", value->vt);
    convert_com_to_java(env, value, out, 0, JavaType{becomes.name, nullptr}, strict);
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

[[gnu::noinline]] void convert_exact_decimal(JNIEnv *env, const VARIANT &arg, PreparedArguments &args, int index,
                                             const JavaType &type)
{
    LocalRef<jobject> decimal = new_big_decimal(env, arg);
    require_assignable(env, decimal.get(), type);
    args.set_object(index, decimal.release(), ARG_LOCAL);
}

// A constructor's text parameter takes a currency's or decimal's digits (BigDecimal(String));
// a method's does not, as no number becomes text there.
[[gnu::noinline]] void convert_decimal_text(JNIEnv *env, const VARIANT &arg, const ArgumentRow &row,
                                            PreparedArguments &args, int index, const JavaType &type)
{
    if (!type.of_constructor) refuse(row, arg, type);
    args.set_object(index, jni::new_string_utf(env, exact_decimal_text(arg).c_str()).release(), ARG_LOCAL);
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

// A script's data, converted to what its row makes, then held to the parameter's class.
[[gnu::noinline]] void convert_script_data(JNIEnv *env, const VARIANT &arg, Conversion conversion,
                                           PreparedArguments &args, int index, const JavaType &type, bool strict)
{
    IDispatch *dispatch = value_or_referenced(arg, arg.pdispVal, arg.ppdispVal);
    CLocalRef made(env, conversion == Conversion::ScriptMap ? new_java_map(env, dispatch, strict)
                                                            : new_java_date_of_script(env, dispatch, type));
    require_assignable(env, made.get(), type);
    args.set_object(index, made.release(), ARG_LOCAL);
}

// An array is an Object[] where the parameter holds one, as it always was, and a List where
// only a list would do.
[[gnu::noinline]] void convert_array_or_list(JNIEnv *env, const VARIANT &arg, PreparedArguments &args, int index,
                                             const JavaType &type, bool strict)
{
    if (!type.klass || env->IsAssignableFrom(java_reflect.object_array_class, type.klass)) {
        convert_for_other_class(env, arg, args, index, type, strict);
        return;
    }
    CLocalRef list(env, new_java_list(env, arg, strict));
    require_assignable(env, list.get(), type);
    args.set_object(index, list.release(), ARG_LOCAL);
}

// What a foreign object is for the parameter (script_data.h).
Argument foreign_argument(JNIEnv *env, const VARIANT &arg, const JavaType &type)
{
    Argument known = Argument::Other;
    return script_argument(env, value_or_referenced(arg, arg.pdispVal, arg.ppdispVal), type, known);
}

}  // namespace

// What the argument is and the parameter's kind pick the row (argument_table.cpp) that says
// whether the rule in force takes it and how it converts.
void convert_com_to_java(JNIEnv *env, const VARIANT *arg, PreparedArguments &args, int index, const JavaType &type,
                         bool strict)
{
    arg = through_variant_reference(arg);
    jobject object = nullptr;
    Argument argument = argument_of(arg, object);
    if (lent_as_instance(env, object, args, index, type)) return;
    if (argument == Argument::Foreign) argument = foreign_argument(env, *arg, type);
    const ArgumentRow &row = argument_row(argument, type.shape.kind);
    if (!row.converts_under(strict)) refuse(row, *arg, type);
    switch (row.conversion) {
    case Conversion::Zero:
        args.set(index, zero_value(), ARG_PLAIN);
        return;
    case Conversion::Scalar:
        convert_scalar(env, *arg, argument, args, index, type);
        return;
    case Conversion::Text:
        convert_string(env, *arg, args, index);
        return;
    case Conversion::Date:
        convert_date(env, *arg, args, index);
        return;
    case Conversion::Array:
        convert_com_array_to_java_array(env, arg, args, index, type, strict);
        return;
    case Conversion::Callback:
        if (!wrapped_as_callback(env, *arg, args, index, type))
            convert_for_other_class(env, *arg, args, index, type, strict);
        return;
    case Conversion::OtherClass:
        convert_for_other_class(env, *arg, args, index, type, strict);
        return;
    case Conversion::Character:
        convert_character(env, *arg, row, args, index, type, strict);
        return;
    case Conversion::ExactDecimal:
        convert_exact_decimal(env, *arg, args, index, type);
        return;
    case Conversion::DecimalText:
        convert_decimal_text(env, *arg, row, args, index, type);
        return;
    case Conversion::ArrayOrList:
        convert_array_or_list(env, *arg, args, index, type, strict);
        return;
    case Conversion::ScriptMap:
    case Conversion::ScriptDate:
        convert_script_data(env, *arg, row.conversion, args, index, type, strict);
        return;
    }
}

bool refused_outright(JNIEnv *env, const VARIANT *arg, const JavaType &type, bool strict)
{
    jobject object = nullptr;
    const Argument argument = argument_of(through_variant_reference(arg), object);
    return !lendable(env, object, type) && !argument_row(argument, type.shape.kind).converts_under(strict);
}

}  // namespace tavlin
