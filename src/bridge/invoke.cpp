// CProxy::Invoke: an automation call becomes a Java call. Among the overloads of the
// DISPID's name the closest that takes the arguments as they are is chosen (table order only
// where none does); the chosen method is called with its return type's own call family, and
// its result converted back.
#include <algorithm>
#include <vector>

#include "bridge/com_boundary.h"
#include "bridge/proxy.h"
#include "convert/argument_fit.h"
#include "convert/com_to_java.h"
#include "convert/java_to_com.h"
#include "javaref/tavlin_ex.h"
#include "util/debug_trace.h"
#include "util/text.h"
#include "vmhost/vm.h"

namespace tavlin {

namespace {

UINT argument_count(const DISPPARAMS *params) { return params ? params->cArgs : 0; }

// Whether the method takes `count` arguments; once its count is known, without asking Java.
bool takes(JNIEnv *env, const MethodTable &table, int index, int count)
{
    int32_t known = table.at(index).param_count.load(std::memory_order_relaxed);
    if (known >= 0) return known == count;
    return static_cast<int>(table.facts(env, index).parameters.size()) == count;
}

// Converts the client's arguments (which arrive last-first) for one candidate method.
void prepare_arguments(JNIEnv *env, const MethodTable &table, int index, const DISPPARAMS *params, bool strict,
                       PreparedArguments &args)
{
    const int count = static_cast<int>(argument_count(params));
    if (!takes(env, table, index, count)) throw new TavlinEx("Invalid number of arguments.");
    const MethodFacts &facts = table.facts(env, index);
    try {
        for (int i = 0; i < count; ++i)
            convert_com_to_java(env, &params->rgvarg[count - 1 - i], args, i, facts.parameter_type(i), strict);
    } catch (TavlinEx *) {
        args.release();
        throw;
    }
}

// A candidate that cannot take the arguments, seen without converting any: the wrong
// number of them, or one that the conversion refuses outright.
bool passed_over(JNIEnv *env, const MethodTable &table, int index, const DISPPARAMS *params, bool strict)
{
    const int count = static_cast<int>(argument_count(params));
    if (!takes(env, table, index, count)) return true;
    const MethodFacts &facts = table.facts(env, index);
    for (int i = 0; i < count; ++i)
        if (refused_outright(&params->rgvarg[count - 1 - i], facts.parameter_type(i), strict)) return true;
    return false;
}

// Prepares the arguments for one candidate of a walk. Anything that fails for it, reading
// its reflection facts included, is that candidate's refusal, kept in `refusal`. With
// `look_first`, a candidate that the conversion would plainly refuse is passed over without
// building the error; the walk's last candidate is always converted, so that its error is
// the one reported, and the closest candidates were looked at already.
bool accepted(JNIEnv *env, const MethodTable &table, int index, bool look_first, bool strict, const DISPPARAMS *params,
              PreparedArguments &args, TavlinExPtr &refusal)
{
    try {
        if (look_first && passed_over(env, table, index, params, strict)) return false;
        prepare_arguments(env, table, index, params, strict, args);
        return true;
    } catch (TavlinEx *error) {
        refusal.reset(error);
        return false;
    }
}

// A candidate of an overloaded name and how closely the call's arguments fit it: the worst
// single fit first, then their sum; ties go to table order.
struct Candidate {
    int index;
    int worst;
    int total;
    // The fits already vouch for every scalar, so they are converted as a lone method's
    // would be (a currency into a double); the elements of an array were not looked at.
    bool strict;
    bool operator<(const Candidate &other) const
    {
        if (worst != other.worst) return worst < other.worst;
        if (total != other.total) return total < other.total;
        return index < other.index;
    }
};

// Whether every argument fits the candidate without loss or a change of kind, and how closely.
bool fits(JNIEnv *env, const MethodTable &table, int index, const std::vector<ArgumentProfile> &arguments,
          Candidate &candidate)
{
    const int count = static_cast<int>(arguments.size());
    if (!takes(env, table, index, count)) return false;
    const MethodFacts &facts = table.facts(env, index);
    candidate = Candidate{index, 0, 0, false};
    for (int i = 0; i < count; ++i) {
        int fit = argument_fit(env, arguments[i], facts.parameter_type(i));
        if (fit == kRefused) return false;
        if (arguments[i].kind == ArgumentProfile::Kind::Array) candidate.strict = true;
        candidate.worst = std::max(candidate.worst, fit);
        candidate.total += fit;
    }
    return true;
}

// The overloads from `index` on that take every argument as it is, closest first.
std::vector<Candidate> closest_candidates(JNIEnv *env, const MethodTable &table, int index, const DISPPARAMS *params)
{
    const int count = static_cast<int>(argument_count(params));
    std::vector<ArgumentProfile> arguments;
    arguments.reserve(count);
    for (int i = count - 1; i >= 0; --i) arguments.push_back(profile_argument(&params->rgvarg[i]));
    std::vector<Candidate> candidates;
    for (; index != -1; index = table.next_overload(env, index)) {
        Candidate candidate{};
        try {
            if (fits(env, table, index, arguments, candidate)) candidates.push_back(candidate);
        } catch (TavlinEx *error) {
            delete error;  // this candidate could not be looked at: it is not among the closest
        }
    }
    std::sort(candidates.begin(), candidates.end());
    return candidates;
}

// An overloaded name is resolved by closeness first: the candidate that takes every
// argument without loss and without changing its kind, the closest of them (so Math.max(2.5,
// 1.5) is max(double, double) whatever the table order). Only when none qualifies are the
// overloads walked in table order, each converted under the strict rule, and the first that
// accepts is taken; then only the last candidate's error is reported.
int choose_overload(JNIEnv *env, const MethodTable &table, int index, const DISPPARAMS *params, PreparedArguments &args)
{
    TavlinExPtr refusal;
    for (const Candidate &candidate : closest_candidates(env, table, index, params))
        if (accepted(env, table, candidate.index, false, candidate.strict, params, args, refusal))
            return candidate.index;
    for (int next = table.next_overload(env, index);; index = next, next = table.next_overload(env, index)) {
        if (accepted(env, table, index, next != -1, true, params, args, refusal)) return index;
        if (next == -1) throw refusal.release();
    }
}

// A name with a single method converts as far as the platform's coercion allows.
int choose_method(JNIEnv *env, const MethodTable &table, int index, const DISPPARAMS *params, PreparedArguments &args)
{
    if (table.next_overload(env, index) != -1) return choose_overload(env, table, index, params, args);
    prepare_arguments(env, table, index, params, false, args);
    return index;
}

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

// The scode that an automation controller makes of an error number: FACILITY_CONTROL with the
// number as its code (so that VBScript's Err.Number is the number itself). The EXCEPINFO carries
// it as its scode rather than its wCode, which engines that read only the scode (Wine's) take
// for no error at all.
SCODE scode_of(WORD number) { return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number); }

// Java exceptions and the bridge's own errors, as the clients of the earlier bridge numbered them.
constexpr WORD kBridgeErrorNumber = 1001;

void fill_exception_info(EXCEPINFO *info, WORD number, const TavlinEx &error)
{
    if (!info) return;
    info->wCode = 0;
    info->scode = scode_of(number);
    info->bstrSource =
        error.source() ? SysAllocStringLen(error.source(), static_cast<UINT>(error.source_length())) : nullptr;
    info->bstrDescription = error.description()
                                ? SysAllocStringLen(error.description(), static_cast<UINT>(error.description_length()))
                                : nullptr;
}

// Invoke's failures: a bridge error or a Win32 exception is described to the client in the
// EXCEPINFO and in the thread's error object alike. After a failure the result holds nothing:
// whatever was stored before the failure (a string, a safe array, a proxy with its Java
// reference) is released, not dropped.
class InvokeFailure {
public:
    InvokeFailure(EXCEPINFO *info, VARIANT *result) : info_(info), result_(result) {}

    HRESULT failed(TavlinExPtr error) const { return reported(kBridgeErrorNumber, *error); }
    HRESULT failed(SE_ExceptionPtr error) const
    {
        return reported(static_cast<WORD>(error->code & 0xFFFF), *described(*error));
    }
    HRESULT out_of_memory() const
    {
        set_out_of_memory_info(IID_IDispatch);
        return cleared(E_OUTOFMEMORY);
    }

private:
    HRESULT reported(WORD number, const TavlinEx &error) const
    {
        fill_exception_info(info_, number, error);
        set_error_info(IID_IDispatch, error);
        return cleared(DISP_E_EXCEPTION);
    }
    HRESULT cleared(HRESULT hr) const
    {
        if (result_) VariantClear(result_);
        return hr;
    }

    EXCEPINFO *info_;
    VARIANT *result_;
};

}  // namespace

void CProxy::invoke_method(JNIEnv *env, DISPID dispid, DISPPARAMS *params, VARIANT *result)
{
    try {
        const MethodTable *table = methods();
        // A DISPID is a table position plus one; anything else designates no method.
        if (!table || dispid < 1 || dispid > table->count()) throw new TavlinEx("Invalid method.");
        PreparedArguments args(env, static_cast<int>(argument_count(params)));
        int chosen = choose_method(env, *table, dispid - 1, params, args);
        call_method(env, *table, chosen, java_object(), args.values(), result);
    } catch (TavlinEx *) {
        debug_trace("Exception occurred during CProxy::Invoke");
        throw;
    }
}

HRESULT STDMETHODCALLTYPE CProxy::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS *params, VARIANT *result,
                                         EXCEPINFO *excep_info, UINT *)
{
    if (params && params->cArgs && !params->rgvarg) return E_INVALIDARG;
    return com_boundary(
        [&] {
            CThreadAttach attach;
            if (result) VariantInit(result);
            if (dispid == 0) return DISP_E_UNKNOWNINTERFACE;
            invoke_method(attach.env(), dispid, params, result);
            return S_OK;
        },
        InvokeFailure(excep_info, result));
}

}  // namespace tavlin
