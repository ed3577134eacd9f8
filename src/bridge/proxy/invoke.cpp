// CProxy::Invoke: an automation call becomes a Java call. Among the overloads of the
// DISPID's name the closest that takes the arguments as they are is chosen (table order only
// where none does); the chosen method is called with its return type's own call family, and
// its result converted back. DISPID_NEWENUM hands out an enumerator (bridge/proxy/java_enumerator.h);
// a DISPID of the property range goes to invoke_property.

#include <new>
#include <vector>

#include "bridge/apartment/apartment_reference.h"
#include "bridge/apartment/apartment_worker.h"
#include "bridge/boundary/com_boundary.h"
#include "bridge/members/overload_choice.h"
#include "bridge/proxy/java_enumerator.h"
#include "bridge/proxy/proxy.h"
#include "convert/java_result.h"
#include "errors/tavlin_ex.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "util/debug_trace.h"
#include "util/text.h"
#include "vmhost/vm.h"

namespace tavlin {

namespace {

#ifdef _WIN32
// A call's arguments as another thread may pass them: each reference a global one of its own
// (the target and the class are global already).
class SharedArguments {
public:
    SharedArguments(JNIEnv *env, const MethodFacts &facts, const jvalue *args)
        : values_(args, args + facts.parameters.size())
    {
        refs_.reserve(values_.size());
        for (size_t i = 0; i < values_.size(); ++i) {
            if (facts.parameter_type(i).is_primitive() || !values_[i].l) continue;
            refs_.push_back(new_global_ref(env, values_[i].l));
            if (!refs_.back()) throw std::bad_alloc();
            values_[i].l = refs_.back().get();
        }
    }
    const jvalue *values() const { return values_.data(); }

private:
    std::vector<jvalue> values_;
    std::vector<GlobalRef<>> refs_;
};
#endif

// The chosen method with its arguments, and what it is called on: its class for a static
// method, else the target object.
struct MethodCall {
    JNIEnv *env;
    const MethodFacts &facts;
    jclass klass;
    jobject target;
    const jvalue *args;

    // Makes the call through the JNI family of the method's result type R: on the apartment's
    // worker where Java may call the calling thread's apartment back meanwhile, else here.
    template <class R> auto returning() const
    {
#ifdef _WIN32
        if (lets_callbacks_in()) {
            const SharedArguments shared(env, facts, args);
            return call_on_worker(env, [&](JNIEnv *worker) { return returning_on<R>(worker, shared.values()); });
        }
#endif
        return returning_on<R>(env, args);
    }

    template <class R> auto returning_on(JNIEnv *on, const jvalue *values) const
    {
        return facts.is_static ? jni::call_static_method_a<R>(on, klass, facts.id, values)
                               : jni::call_method_a<R>(on, target, facts.id, values);
    }
};

template <class R> void call_and_store(const MethodCall &call, VARIANT *result)
{
    const R value = call.returning<R>();
    if (result) store_java_value(value, result);
}

void call_method(JNIEnv *env, const MethodTable &table, int index, jobject target, const jvalue *args, VARIANT *result)
{
    const MethodFacts &facts = table.facts(env, index);
    debug_trace(facts.text.c_str());
    const MethodCall call{env, facts, table.object_class(), target, args};
    switch (table.at(index).return_code.load(std::memory_order_relaxed)) {
    case 'z':
        return call_and_store<jboolean>(call, result);
    case 'b':
        return call_and_store<jbyte>(call, result);
    case 'c':
        return call_and_store<jchar>(call, result);
    case 's':
        return call_and_store<jshort>(call, result);
    case 'i':
        return call_and_store<jint>(call, result);
    case 'j':
        return call_and_store<jlong>(call, result);
    case 'f':
        return call_and_store<jfloat>(call, result);
    case 'd':
        return call_and_store<jdouble>(call, result);
    case 'v':
        return call.returning<void>();
    case 'l':
        return store_java_object(env, call.returning<jobject>().release(), facts.returns_array, result);
    default:
        throw new TavlinEx("Unknown return type.");
    }
}

// A client reads an object's default value, with no argument, where it wants the object as a
// value: a script's string concatenation or comparison, Python's print, an object viewer.
bool reads_default_value(WORD flags, const DISPPARAMS *params)
{
    const bool no_arguments = !params || (params->cArgs == 0 && params->cNamedArgs == 0);
    return no_arguments && (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) &&
           !(flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF));
}

// The Java object's default value: its toString(), as a method result.
void store_text_of(JNIEnv *env, jobject object, VARIANT *result)
{
    jmethodID to_string = jni::get_method_id(env, java_reflect.object_class, "toString", "()Ljava/lang/String;");
    store_java_object(env, jni::call_method<jobject>(env, object, to_string).release(), false, result);
}

}  // namespace

void CProxy::call_namesakes(JNIEnv *env, int index, const CallArguments &arguments, VARIANT *result)
{
    const MethodTable &table = *methods();
    PreparedArguments args(env, arguments.size());
    int chosen = choose_method(env, table, index, arguments, args);
    if (is_class() && !table.facts(env, chosen).is_static)
        TavlinEx::raise("Instance method called on a class: %s", table.method_name(env, chosen));
    call_method(env, table, chosen, java_object(), args.values(), result);
}

void CProxy::invoke_method(JNIEnv *env, DISPID dispid, DISPPARAMS *params, VARIANT *result)
{
    const MethodTable *table = methods();
    // A DISPID is a table position plus one; anything else designates no method.
    if (!table || dispid < 1 || dispid > table->count()) throw new TavlinEx("Invalid method.");
    call_namesakes(env, dispid - 1, CallArguments::of(params), result);
}

// A method is called whatever the flags say (a script's `x = obj.size` is a call too); only a
// property's DISPID reads or writes by them.
HRESULT CProxy::invoke_member(JNIEnv *env, DISPID dispid, WORD flags, DISPPARAMS *params, VARIANT *result)
{
    try {
        if (is_key_name_dispid(dispid)) return invoke_key_name(env, dispid, flags, params, result);
        if (dispid >= kFirstPropertyDispid) return invoke_property(env, dispid, flags, params, result);
        // Java keeps no parameter names: an argument passed by name would be taken by its
        // position, so it is refused, and nothing is called. E_INVALIDARG stays itself.
        const HRESULT named = named_arguments_status(params, flags);
        if (FAILED(named)) return named == E_INVALIDARG ? named : DISP_E_NONAMEDARGS;
        invoke_method(env, dispid, params, result);
        return S_OK;
    } catch (TavlinEx *) {
        debug_trace("Exception occurred during CProxy::Invoke");
        throw;
    }
}

HRESULT STDMETHODCALLTYPE CProxy::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS *params, VARIANT *result,
                                         EXCEPINFO *excep_info, UINT *)
{
    if (params && params->cArgs && !params->rgvarg) return E_INVALIDARG;
    return com_boundary(
        [&] {
            let_waiting_calls_in();
            CThreadAttach attach;
            if (result) VariantInit(result);
            if (dispid == DISPID_VALUE) {
                if (!java_object()) return DISP_E_UNKNOWNINTERFACE;
                if (!reads_default_value(flags, params)) return invoke_element(attach.env(), flags, params, result);
                store_text_of(attach.env(), java_object(), result);
                return S_OK;
            }
            if (dispid == DISPID_NEWENUM) {
                if (java_object()) init_methods(attach.env());
                return invoke_new_enum(attach.env(), java_object(), walk(), flags, params, result);
            }
            return invoke_member(attach.env(), dispid, flags, params, result);
        },
        InvokeFailure(excep_info, result));
}

}  // namespace tavlin
