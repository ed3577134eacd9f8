// CProxy::invoke_property: a DISPID of the property range read or written. An accessor is
// called as any method is, its name's overloads chosen among by the arguments; a public field
// is read and written through JNI, its value converted as a method's result is, and what is
// written to it as an argument for a parameter of the field's type.

#include "bridge/boundary/com_boundary.h"
#include "bridge/members/overload_choice.h"
#include "bridge/members/property_table.h"
#include "bridge/proxy/proxy.h"
#include "convert/com_to_java.h"
#include "convert/java_result.h"
#include "errors/tavlin_ex.h"
#include "javaref/jni_calls.h"

namespace tavlin {

namespace {

bool is_write(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

}  // namespace

// The only named argument a member knows is a write's value, DISPID_PROPERTYPUT, which comes
// first in rgvarg and so last in the Java order, after any index. A write whose client left
// the name out is taken as named all the same.
HRESULT named_arguments_status(const DISPPARAMS *params, WORD flags)
{
    const UINT named = params ? params->cNamedArgs : 0;
    if (named == 0) return S_OK;
    if (named > params->cArgs || !params->rgdispidNamedArgs) return E_INVALIDARG;
    if (!is_write(flags)) return DISP_E_NONAMEDARGS;
    return named == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT ? S_OK : DISP_E_PARAMNOTFOUND;
}

namespace {

// One use of a public field: the field, and where it lives (the class for a static field,
// else the target object).
struct FieldUse {
    JNIEnv *env;
    const FieldFacts &field;
    jclass klass;
    jobject target;

    // The field's value, of its JNI type R.
    template <class R> auto read() const
    {
        return field.is_static ? jni::get_static_field<R>(env, klass, field.id)
                               : jni::get_field<R>(env, target, field.id);
    }
    template <class V> void write(V value) const
    {
        if (field.is_static)
            jni::set_static_field(env, klass, field.id, value);
        else
            jni::set_field(env, target, field.id, value);
    }
};

void read_field(const FieldUse &use, VARIANT *result)
{
    switch (use.field.type_code) {
    case 'z':
        return store_java_value(use.read<jboolean>(), result);
    case 'b':
        return store_java_value(use.read<jbyte>(), result);
    case 'c':
        return store_java_value(use.read<jchar>(), result);
    case 's':
        return store_java_value(use.read<jshort>(), result);
    case 'i':
        return store_java_value(use.read<jint>(), result);
    case 'j':
        return store_java_value(use.read<jlong>(), result);
    case 'f':
        return store_java_value(use.read<jfloat>(), result);
    case 'd':
        return store_java_value(use.read<jdouble>(), result);
    default:
        return store_java_object(use.env, use.read<jobject>().release(), use.field.is_array(), result);
    }
}

// Writes the argument, converted for the field's type, into the field.
void write_field(const FieldUse &use, const VARIANT *arg)
{
    PreparedArguments converted(use.env, 1);
    convert_com_to_java(use.env, arg, converted, 0, use.field.type(), false);
    const jvalue &value = converted.value(0);
    switch (use.field.type_code) {
    case 'z':
        return use.write(value.z);
    case 'b':
        return use.write(value.b);
    case 'c':
        return use.write(value.c);
    case 's':
        return use.write(value.s);
    case 'i':
        return use.write(value.i);
    case 'j':
        return use.write(value.j);
    case 'f':
        return use.write(value.f);
    case 'd':
        return use.write(value.d);
    default:
        return use.write(value.l);
    }
}

}  // namespace

const Property &CProxy::property_at(DISPID dispid) const
{
    const MethodTable *table = methods();
    const PropertyTable *properties = table ? table->built_properties() : nullptr;
    // Properties are known once a name lookup has read them; before that no DISPID is one.
    if (!properties || dispid - kFirstPropertyDispid >= properties->count()) throw new TavlinEx("Invalid method.");
    return properties->at(dispid - kFirstPropertyDispid);
}

// The object whose field is used: none for a static field; a class proxy has no instance.
jobject CProxy::field_target(const Property &property) const
{
    if (property.field.is_static) return nullptr;
    if (is_class()) TavlinEx::raise("Instance field used on a class: %s", property.name.c_str());
    return java_object();
}

void CProxy::read_property(JNIEnv *env, const Property &property, const CallArguments &arguments, VARIANT *result)
{
    if (property.getter != Property::kNone) return call_namesakes(env, property.getter, arguments, result);
    if (!property.has_field) TavlinEx::raise("Property %s has no getter.", property.name.c_str());
    if (arguments.size() != 0) throw new TavlinEx("Invalid number of arguments.");
    jobject target = field_target(property);
    if (result) read_field(FieldUse{env, property.field, methods()->object_class(), target}, result);
}

void CProxy::write_property(JNIEnv *env, const Property &property, const CallArguments &arguments)
{
    if (property.setter != Property::kNone) return call_namesakes(env, property.setter, arguments, nullptr);
    if (!property.has_field) TavlinEx::raise("Property %s has no setter.", property.name.c_str());
    if (property.field.is_final) TavlinEx::raise("Field %s is final.", property.name.c_str());
    if (arguments.size() != 1) throw new TavlinEx("Invalid number of arguments.");
    write_field(FieldUse{env, property.field, methods()->object_class(), field_target(property)}, arguments[0]);
}

HRESULT CProxy::invoke_property(JNIEnv *env, DISPID dispid, WORD flags, DISPPARAMS *params, VARIANT *result)
{
    const Property &property = property_at(dispid);
    const bool write = is_write(flags);
    const HRESULT named = named_arguments_status(params, flags);
    if (FAILED(named)) return named;
    const CallArguments arguments = CallArguments::of(params);
    if (write)
        write_property(env, property, arguments);
    else
        read_property(env, property, arguments, result);
    return S_OK;
}

}  // namespace tavlin
