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

// Reads `field` of `target` (null for a static field) into `result`.
#define GET_AND_STORE(Type)                                                                                            \
    {                                                                                                                  \
        auto value =                                                                                                   \
            field.is_static ? env->GetStatic##Type##Field(klass, field.id) : env->Get##Type##Field(target, field.id);  \
        TavlinEx::check_exception(env);                                                                                \
        store_java_value(value, result);                                                                               \
        return;                                                                                                        \
    }

void read_field(JNIEnv *env, const FieldFacts &field, jclass klass, jobject target, VARIANT *result)
{
    switch (field.type_code) {
    case 'z':
        GET_AND_STORE(Boolean)
    case 'b':
        GET_AND_STORE(Byte)
    case 'c':
        GET_AND_STORE(Char)
    case 's':
        GET_AND_STORE(Short)
    case 'i':
        GET_AND_STORE(Int)
    case 'j':
        GET_AND_STORE(Long)
    case 'f':
        GET_AND_STORE(Float)
    case 'd':
        GET_AND_STORE(Double)
    default: {
        jobject object =
            field.is_static ? env->GetStaticObjectField(klass, field.id) : env->GetObjectField(target, field.id);
        TavlinEx::check_exception(env);
        store_java_object(env, object, field.is_array(), result);
    }
    }
}

// Writes the converted value's member `member` into `field` of `target` (null for a static field).
#define SET(Type, member)                                                                                              \
    if (field.is_static)                                                                                               \
        env->SetStatic##Type##Field(klass, field.id, value.member);                                                    \
    else                                                                                                               \
        env->Set##Type##Field(target, field.id, value.member);                                                         \
    break;

void write_field(JNIEnv *env, const FieldFacts &field, jclass klass, jobject target, const VARIANT *arg)
{
    PreparedArguments converted(env, 1);
    convert_com_to_java(env, arg, converted, 0, field.type(), false);
    const jvalue &value = converted.value(0);
    switch (field.type_code) {
    case 'z':
        SET(Boolean, z)
    case 'b':
        SET(Byte, b)
    case 'c':
        SET(Char, c)
    case 's':
        SET(Short, s)
    case 'i':
        SET(Int, i)
    case 'j':
        SET(Long, j)
    case 'f':
        SET(Float, f)
    case 'd':
        SET(Double, d)
    default:
        SET(Object, l)
    }
    TavlinEx::check_exception(env);
}

#undef GET_AND_STORE
#undef SET

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
    if (result) read_field(env, property.field, methods()->object_class(), target, result);
}

void CProxy::write_property(JNIEnv *env, const Property &property, const CallArguments &arguments)
{
    if (property.setter != Property::kNone) return call_namesakes(env, property.setter, arguments, nullptr);
    if (!property.has_field) TavlinEx::raise("Property %s has no setter.", property.name.c_str());
    if (property.field.is_final) TavlinEx::raise("Field %s is final.", property.name.c_str());
    if (arguments.size() != 1) throw new TavlinEx("Invalid number of arguments.");
    write_field(env, property.field, methods()->object_class(), field_target(property), arguments[0]);
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
