// implement: an automation object behind Java interfaces, and the same made implicitly for
// an automation object passed where a functional interface is expected.
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "bridge/callbacks/implement.h"

#include "bridge/callbacks/callback_class.h"
#include "bridge/members/class_lookup.h"
#include "convert/java_class_name.h"
#include "convert/proxies.h"
#include "errors/tavlin_ex.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"

namespace tavlin {

namespace {

bool is_interface(JNIEnv *env, jclass klass)
{
    return jni::call_method<jboolean>(env, klass, java_reflect.class_isInterface);
}

// The public methods of Object that an interface may declare again without making them its
// own: a proxy answers them itself.
bool is_object_method(const std::string &name, int parameters)
{
    return (name == "equals" && parameters == 1) || ((name == "hashCode" || name == "toString") && parameters == 0);
}

// An abstract method's name and parameter types as Method.toString shows them ("compare(
// java.lang.Object,java.lang.Object)"), or empty for one of Object's methods.
std::string own_signature(JNIEnv *env, jobject method)
{
    const LocalRef<jstring> name = jni::call_method<jstring>(env, method, java_reflect.method_getName);
    const LocalRef<jobjectArray> parameters =
        jni::call_method<jobjectArray>(env, method, java_reflect.method_getParameterTypes);
    const std::string text = jni::utf8_string(env, name.get());
    if (is_object_method(text, env->GetArrayLength(parameters.get()))) return std::string();
    const LocalRef<jstring> described = jni::call_method<jstring>(env, method, java_reflect.method_toString);
    // Method.toString names the declaring interface first; the signature is what follows it.
    const std::string full = jni::utf8_string(env, described.get());
    const size_t open = full.find('(');
    return text + full.substr(open == std::string::npos ? full.size() : open);
}

// The abstract methods of the interfaces, each signature once (an interface may inherit the
// same method from two others), Object's methods left out.
size_t abstract_method_count(JNIEnv *env, const std::vector<jclass> &interfaces)
{
    std::set<std::string> signatures;
    for (jclass klass : interfaces) {
        const LocalRef<jobjectArray> methods =
            jni::call_method<jobjectArray>(env, klass, java_reflect.class_getMethods);
        const jsize count = env->GetArrayLength(methods.get());
        for (jsize i = 0; i < count; ++i) {
            const CLocalRef method = jni::get_object_array_element(env, methods.get(), i);
            if (!has_abstract_modifier(env, method.get(), java_reflect.method_getModifiers)) continue;
            std::string signature = own_signature(env, method.get());
            if (!signature.empty()) signatures.insert(std::move(signature));
        }
    }
    return signatures.size();
}

std::vector<std::string> listed_names(const std::string &names)
{
    std::vector<std::string> listed;
    size_t start = 0;
    while (start <= names.size()) {
        size_t end = names.find(',', start);
        if (end == std::string::npos) end = names.size();
        const size_t first = names.find_first_not_of(' ', start);
        const size_t last = names.find_last_not_of(' ', end == 0 ? 0 : end - 1);
        if (first == std::string::npos || first >= end) throw new TavlinEx("An interface name is empty.");
        listed.push_back(names.substr(first, last - first + 1));
        start = end + 1;
    }
    return listed;
}

// The proxy of a Java callback object, as a client receives it.
IDispatch *proxy_of(JNIEnv *env, jobject callback)
{
    CLocalRef held(env, callback);
    return new_proxy(env, held.get(), java_class_name(env, held.get()).c_str());
}

}  // namespace

bool is_functional_interface(JNIEnv *env, jclass klass)
{
    return is_interface(env, klass) && abstract_method_count(env, {klass}) == 1;
}

jobject new_callback(JNIEnv *env, jclass interface_class, IDispatch *object)
{
    const LocalRef<jobjectArray> interfaces = jni::new_object_array(env, 1, java_reflect.class_class, interface_class);
    return make_callback(env, interfaces.get(), object, true);
}

IDispatch *implement_interfaces(JNIEnv *env, BSTR interface_names, IDispatch *object)
{
    java_reflect.init(env);
    if (!object) throw new TavlinEx("No automation object to implement the interfaces.");
    const std::vector<std::string> names = listed_names(requested_class_name(interface_names));
    std::vector<std::unique_ptr<NamedClass>> classes;
    std::vector<jclass> interfaces;
    for (const std::string &name : names) {
        classes.push_back(std::make_unique<NamedClass>(env, name));
        interfaces.push_back(classes.back()->get());
        if (!is_interface(env, interfaces.back())) TavlinEx::raise("Not an interface: %s", dotted_form(name).c_str());
    }
    const LocalRef<jobjectArray> array =
        jni::new_object_array(env, static_cast<jsize>(interfaces.size()), java_reflect.class_class, nullptr);
    for (size_t i = 0; i < interfaces.size(); ++i)
        jni::set_object_array_element(env, array.get(), static_cast<jsize>(i), interfaces[i]);
    const bool functional = abstract_method_count(env, interfaces) == 1;
    return proxy_of(env, make_callback(env, array.get(), object, functional));
}

}  // namespace tavlin
