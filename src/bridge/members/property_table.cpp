#include "bridge/members/property_table.h"

#include <cstring>
#include <unordered_map>
#include <utility>

#include "bridge/members/method_table.h"
#include "convert/java_class_name.h"
#include "errors/tavlin_ex.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"

namespace tavlin {

namespace {

// The accessors a property is made of: a method whose name is the prefix followed by the
// property's name, taking that many arguments.
struct AccessorKind {
    const char *prefix;
    int parameters;
    int Property::*slot;
    bool boolean_only;  // isName() reads only a boolean or a Boolean
};

// getName() and isName() are both getters; where a class has both, isName() is the one read,
// as java.beans.Introspector reads it.
const AccessorKind kAccessorKinds[] = {
    {"get", 0, &Property::getter, false},
    {"is", 0, &Property::getter, true},
    {"set", 1, &Property::setter, false},
};

bool returns_boolean(JNIEnv *env, const MethodTable &methods, int index)
{
    return methods.at(index).return_code.load() == 'z' ||
           return_type_name(env, methods.at(index)) == "java/lang/Boolean";
}

// Whether the method at `index` is an accessor of that kind, read from its name first, so that
// only the accessors' reflection facts are gathered.
bool is_accessor(JNIEnv *env, const MethodTable &methods, int index, const AccessorKind &kind)
{
    const char *name = methods.method_name(env, index);
    const size_t prefix = std::strlen(kind.prefix);
    if (std::strncmp(name, kind.prefix, prefix) != 0 || name[prefix] == '\0') return false;
    const MethodFacts &facts = methods.facts(env, index);
    if (static_cast<int>(facts.parameters.size()) != kind.parameters) return false;
    if (kind.parameters == 0 && methods.at(index).return_code.load() == 'v') return false;
    return !kind.boolean_only || returns_boolean(env, methods, index);
}

jint modifiers_of(JNIEnv *env, jobject field)
{
    return jni::call_method<jint>(env, field, java_reflect.field_getModifiers);
}

bool has_modifier(JNIEnv *env, jmethodID test, jint modifiers)
{
    jvalue argument;
    argument.i = modifiers;
    return jni::call_static_method_a<jboolean>(env, java_reflect.modifier_class, test, &argument) == JNI_TRUE;
}

FieldFacts field_facts(JNIEnv *env, jobject field)
{
    FieldFacts facts;
    facts.id = jni::from_reflected_field(env, field);
    const jint modifiers = modifiers_of(env, field);
    facts.is_static = has_modifier(env, java_reflect.modifier_isStatic, modifiers);
    facts.is_final = has_modifier(env, java_reflect.modifier_isFinal, modifiers);
    const LocalRef<jclass> type = jni::call_method<jclass>(env, field, java_reflect.field_getType);
    facts.type_name = slash_class_name(env, type.get());
    facts.type_class = new_global_ref(env, type.get());
    facts.shape = parameter_shape(facts.type_name.c_str());
    facts.type_code = return_type_code(facts.type_name.c_str());
    return facts;
}

// The properties as they are gathered: one per folded name, in the order first met.
struct PropertyList {
    std::vector<Property> properties;
    std::vector<std::string> names;
    std::unordered_map<std::string, size_t> by_folded_name;

    Property &named(const std::string &name)
    {
        FoldedName folded(name);
        auto found = by_folded_name.emplace(std::string(folded.data(), folded.size()), properties.size());
        if (found.second) {
            properties.emplace_back();
            properties.back().name = name;
            names.push_back(name);
        }
        return properties[found.first->second];
    }
};

void add_accessors(JNIEnv *env, const MethodTable &methods, PropertyList &list)
{
    const NameIndex &names = methods.name_index(env);
    for (int i = 0; i < methods.count(); ++i) {
        for (const AccessorKind &kind : kAccessorKinds) {
            if (!is_accessor(env, methods, i, kind)) continue;
            const char *name = methods.method_name(env, i);
            int &slot = list.named(name + std::strlen(kind.prefix)).*kind.slot;
            // The first namesake, from which a call chooses among them all.
            if (slot == Property::kNone || kind.boolean_only) slot = names.find(FoldedName(std::string(name)));
        }
    }
}

void add_fields(JNIEnv *env, jclass klass, PropertyList &list)
{
    const LocalRef<jobjectArray> fields = jni::call_method<jobjectArray>(env, klass, java_reflect.class_getFields);
    const jsize count = env->GetArrayLength(fields.get());
    for (jsize i = 0; i < count; ++i) {
        const CLocalRef field = jni::get_object_array_element(env, fields.get(), i);
        const LocalRef<jstring> name = jni::call_method<jstring>(env, field.get(), java_reflect.field_getName);
        // A field that a subclass hides comes after the subclass's own: the first one stays.
        Property &property = list.named(jni::utf8_string(env, name.get()));
        if (property.has_field) continue;
        property.field = field_facts(env, field.get());
        property.has_field = true;
    }
}

}  // namespace

PropertyTable *PropertyTable::build(JNIEnv *env, const MethodTable &methods)
{
    PropertyList list;
    add_accessors(env, methods, list);
    add_fields(env, methods.object_class(), list);
    return new PropertyTable(std::move(list.properties), list.names);
}

}  // namespace tavlin
