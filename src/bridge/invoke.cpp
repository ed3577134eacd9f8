// CProxy::Invoke: an automation call becomes a Java call. Among the overloads of the
// DISPID's name the closest that takes the arguments as they are is chosen (table order only
// where none does); the chosen method is called with its return type's own call family, and
// its result converted back. DISPID_NEWENUM hands out an enumerator (bridge/java_enumerator.h).

#include "bridge/com_boundary.h"
#include "bridge/java_enumerator.h"
#include "bridge/overload_choice.h"
#include "bridge/proxy.h"
#include "convert/java_to_com.h"
#include "javaref/tavlin_ex.h"
#include "util/debug_trace.h"
#include "util/text.h"
#include "vmhost/vm.h"

namespace tavlin {

namespace {

void store_null_result(const MethodFacts &facts, VARIANT *result)
{
    if (!compatibility_mode() || !facts.returns_array) return;
    SAFEARRAYBOUND bound = {0, 0};
    SAFEARRAY *empty = SafeArrayCreate(VT_VARIANT, 1, &bound);
    if (!empty) throw new TavlinEx("Unable to allocate safearray.");
    result->vt = VT_ARRAY | VT_VARIANT;
    result->parray = empty;
}

void store_object_result(JNIEnv *env, jobject object, const MethodFacts &facts, VARIANT *result)
{
    if (!result) {
        if (object) env->DeleteLocalRef(object);
    } else if (object) {
        convert_java_to_com(env, object, result);
    } else {
        store_null_result(facts, result);
    }
}

// Calls `call` as instance or static method, then stores a primitive result with `store`.
#define CALL_AND_STORE(Type, store_statement)                                                                          \
    {                                                                                                                  \
        auto value = facts.is_static ? env->CallStatic##Type##MethodA(table.object_class(), facts.id, args)            \
                                     : env->Call##Type##MethodA(target, facts.id, args);                               \
        TavlinEx::check_exception(env);                                                                                \
        if (result) {                                                                                                  \
            store_statement;                                                                                           \
        }                                                                                                              \
        return;                                                                                                        \
    }

void call_method(JNIEnv *env, const MethodTable &table, int index, jobject target, const jvalue *args, VARIANT *result)
{
    const MethodFacts &facts = table.facts(env, index);
    debug_trace(facts.text.c_str());
    switch (table.at(index).return_code.load(std::memory_order_relaxed)) {
    case 'z':
        CALL_AND_STORE(Boolean, (result->vt = VT_BOOL, result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE))
    case 'b':
        CALL_AND_STORE(Byte, (result->vt = VT_I1, result->cVal = static_cast<CHAR>(value)))
    case 'c':
        CALL_AND_STORE(Char, (result->vt = VT_UI2, result->uiVal = value))
    case 's':
        CALL_AND_STORE(Short, (result->vt = VT_I2, result->iVal = value))
    case 'i':
        CALL_AND_STORE(Int, (result->vt = VT_I4, result->lVal = value))
    case 'j':
        CALL_AND_STORE(Long, (result->vt = VT_R8, result->dblVal = static_cast<double>(value)))
    case 'f':
        CALL_AND_STORE(Float, (result->vt = VT_R4, result->fltVal = value))
    case 'd':
        CALL_AND_STORE(Double, (result->vt = VT_R8, result->dblVal = value))
    case 'v':
        if (facts.is_static)
            env->CallStaticVoidMethodA(table.object_class(), facts.id, args);
        else
            env->CallVoidMethodA(target, facts.id, args);
        TavlinEx::check_exception(env);
        return;
    case 'l': {
        jobject object = facts.is_static ? env->CallStaticObjectMethodA(table.object_class(), facts.id, args)
                                         : env->CallObjectMethodA(target, facts.id, args);
        TavlinEx::check_exception(env);
        store_object_result(env, object, facts, result);
        return;
    }
    default:
        throw new TavlinEx("Unknown return type.");
    }
}

}  // namespace

void CProxy::invoke_method(JNIEnv *env, DISPID dispid, DISPPARAMS *params, VARIANT *result)
{
    try {
        const MethodTable *table = methods();
        // A DISPID is a table position plus one; anything else designates no method.
        if (!table || dispid < 1 || dispid > table->count()) throw new TavlinEx("Invalid method.");
        const CallArguments arguments = CallArguments::of(params);
        PreparedArguments args(env, arguments.size());
        int chosen = choose_method(env, *table, dispid - 1, arguments, args);
        if (is_class() && !table->facts(env, chosen).is_static)
            TavlinEx::raise("Instance method called on a class: %s", table->method_name(env, chosen));
        call_method(env, *table, chosen, java_object(), args.values(), result);
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
            CThreadAttach attach;
            if (result) VariantInit(result);
            if (dispid == 0) return DISP_E_UNKNOWNINTERFACE;
            if (dispid == DISPID_NEWENUM) {
                const Walk walk = java_object() && !is_class() ? init_methods(attach.env()).walk() : Walk::None;
                return invoke_new_enum(attach.env(), java_object(), walk, flags, params, result);
            }
            invoke_method(attach.env(), dispid, params, result);
            return S_OK;
        },
        InvokeFailure(excep_info, result));
}

}  // namespace tavlin
