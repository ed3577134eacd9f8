// newObject and statics: a class named by a client, constructed with the constructor that
// takes the given arguments, or handed back itself as a class proxy for its static methods.
#include <optional>
#include <string>

#include "bridge/boundary/com_boundary.h"
#include "bridge/callbacks/implement.h"
#include "bridge/members/class_lookup.h"
#include "bridge/members/method_table.h"
#include "bridge/members/overload_choice.h"
#include "bridge/proxy/proxy.h"
#include "bridge/util_object/new_object.h"
#include "bridge/util_object/tavlin_util.h"
#include "convert/java_class_name.h"
#include "convert/java_result.h"
#include "convert/prepared_arguments.h"
#include "convert/safe_array_lock.h"
#include "errors/tavlin_ex.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"
#include "util/auto_variant.h"
#include "util/debug_trace.h"
#include "vmhost/vm.h"

namespace tavlin {

namespace {

// A [vararg] safe array's elements in order, locked while the holder lives. A null array
// holds no argument.
class VarargArguments {
public:
    explicit VarargArguments(SAFEARRAY *array)
    {
        if (!array) return;
        VARTYPE type = VT_EMPTY;
        if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetVartype(array, &type)) || type != VT_VARIANT)
            throw new TavlinEx("The arguments must be a one-dimensional safe array of VARIANTs.");
        lock_.emplace(array, "Unable to lock the arguments' safe array.");
        arguments_ = CallArguments::in_order(static_cast<const VARIANT *>(array->pvData),
                                             static_cast<int>(array->rgsabound[0].cElements));
    }
    const CallArguments &get() const { return arguments_; }

private:
    std::optional<SafeArrayLockGuard> lock_;
    CallArguments arguments_ = CallArguments::in_order(nullptr, 0);
};

}  // namespace

jobject construct_object(JNIEnv *env, BSTR classname, const CallArguments &arguments)
{
    java_reflect.init(env);
    const std::string name = requested_class_name(classname);
    NamedClass klass(env, name);
    if (has_abstract_modifier(env, klass.get(), java_reflect.class_getModifiers))
        TavlinEx::raise("Abstract class or interface: %s", dotted_form(name).c_str());
    MethodTableShare constructors = shared_method_table(env, klass.get(), name, Members::Constructors);
    if (constructors->count() == 0) TavlinEx::raise("No public constructor: %s", dotted_form(name).c_str());
    PreparedArguments args(env, arguments.size());
    const MethodFacts &chosen = constructors->facts(env, choose_method(env, *constructors, 0, arguments, args));
    debug_trace(chosen.text.c_str());
    return jni::new_object_a(env, constructors->object_class(), chosen.id, args.values()).release();
}

IDispatch *construct_with_arguments(JNIEnv *env, BSTR classname, const CallArguments &arguments)
{
    CLocalRef object(env, construct_object(env, classname, arguments));
    return new_proxy(env, object.get(), java_class_name(env, object.get()).c_str());
}

IDispatch *proxy_for_class(JNIEnv *env, BSTR classname)
{
    java_reflect.init(env);
    const std::string name = requested_class_name(classname);
    NamedClass klass(env, name);
    return new_class_proxy(env, klass.get(), name.c_str());
}

HRESULT STDMETHODCALLTYPE CTavlinUtil::newObject(BSTR class_name, SAFEARRAY *args, IDispatch **proxy)
{
    return proxy_out(proxy, [&](JNIEnv *env) {
        VarargArguments arguments(args);
        return construct_with_arguments(env, class_name, arguments.get());
    });
}

// The members that make a proxy are taken by the utility object itself through IDispatch, so
// that their failures reach a script as a proxy call's do (error 1001 of FACILITY_CONTROL with
// the Java text), where type-library dispatch would hand on the function table's E_FAIL. For
// newObject it is needed besides: type-library dispatch would pack its trailing arguments into
// its [vararg] array, but not every oleaut32 does so for every count (Wine's packs exactly one).
// The class or interface names come first, then statics' nothing, implement's object or
// newObject's constructor arguments, where the client left them.
HRESULT CTavlinUtil::invoke_maker(DISPID dispid, WORD flags, DISPPARAMS *params, VARIANT *result, EXCEPINFO *excep_info,
                                  UINT *arg_err)
{
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (!params || (params->cArgs && !params->rgvarg)) return E_INVALIDARG;
    if (params->cNamedArgs) return DISP_E_NONAMEDARGS;
    const UINT needed = dispid == kImplementDispid ? 2 : 1;
    if (params->cArgs < needed || (dispid != kNewObjectDispid && params->cArgs != needed)) return DISP_E_BADPARAMCOUNT;
    const CallArguments arguments = CallArguments::of(params);
    AutoVariant name(*arguments[0]);
    AutoVariant object(needed == 2 ? *arguments[1] : VARIANT{});
    const bool name_converts = SUCCEEDED(name.change_type(VT_BSTR));
    if (!name_converts || (needed == 2 && FAILED(object.change_type(VT_DISPATCH)))) {
        if (arg_err) *arg_err = name_converts ? params->cArgs - 2 : params->cArgs - 1;
        return DISP_E_TYPEMISMATCH;
    }
    return com_boundary(
        [&] {
            if (result) VariantInit(result);
            JNIEnv *env = get_env();
            // A script's new object comes back as a method's result would: a String as text,
            // a boxed number as a number, anything else as a proxy.
            if (dispid == kNewObjectDispid) {
                store_java_object(env, construct_object(env, name->bstrVal, arguments.after_first()), false, result);
                return S_OK;
            }
            IDispatch *made = dispid == kStaticsDispid ? proxy_for_class(env, name->bstrVal)
                                                       : implement_interfaces(env, name->bstrVal, object->pdispVal);
            if (!result) {
                made->Release();
                return S_OK;
            }
            result->vt = VT_DISPATCH;
            result->pdispVal = made;
            return S_OK;
        },
        InvokeFailure(excep_info, result));
}

HRESULT STDMETHODCALLTYPE CTavlinUtil::statics(BSTR class_name, IDispatch **proxy)
{
    return proxy_out(proxy, [&](JNIEnv *env) { return proxy_for_class(env, class_name); });
}

HRESULT STDMETHODCALLTYPE CTavlinUtil::implement(BSTR interface_names, IDispatch *object, IDispatch **proxy)
{
    return proxy_out(proxy, [&](JNIEnv *env) { return implement_interfaces(env, interface_names, object); });
}

}  // namespace tavlin
