#include "bridge/callbacks/callback_target.h"

#include <functional>
#include <new>
#include <vector>

#include "com/module_lock.h"
#include "convert/com_to_java.h"
#include "convert/java_class_name.h"
#include "convert/java_text.h"
#include "convert/java_to_com.h"
#include "errors/tavlin_ex.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"
#include "util/auto_variant.h"
#include "util/text.h"

namespace tavlin {

namespace {

[[noreturn]] void raise_ole(const OleString &text) { throw new TavlinEx(text.c_str(), text.size(), nullptr, 0); }

// The EXCEPINFO of one call, its strings freed with it.
class ExcepInfo {
public:
    ExcepInfo() : info_() {}
    ~ExcepInfo()
    {
        SysFreeString(info_.bstrSource);
        SysFreeString(info_.bstrDescription);
        SysFreeString(info_.bstrHelpFile);
    }
    ExcepInfo(const ExcepInfo &) = delete;
    ExcepInfo &operator=(const ExcepInfo &) = delete;

    EXCEPINFO *get() { return &info_; }
    // The description the object gave, filled in first if it deferred it; empty when none.
    OleString description()
    {
        if (info_.pfnDeferredFillIn) info_.pfnDeferredFillIn(&info_);
        return info_.bstrDescription ? OleString(info_.bstrDescription, SysStringLen(info_.bstrDescription))
                                     : OleString();
    }
    SCODE code() const { return info_.scode ? info_.scode : static_cast<SCODE>(info_.wCode); }

private:
    EXCEPINFO info_;
};

// The Java arguments as automation arguments, last first, converted as method results are.
class AutomationArguments {
public:
    AutomationArguments(JNIEnv *env, jobjectArray args) : values_(args ? env->GetArrayLength(args) : 0)
    {
        const jsize count = static_cast<jsize>(values_.size());
        for (jsize i = 0; i < count; ++i) {
            CLocalRef element = jni::get_object_array_element(env, args, i);
            if (element) convert_java_to_com(env, element.release(), values_[count - 1 - i].get());
        }
        params_.rgvarg = values_.empty() ? nullptr : values_[0].get();
        params_.cArgs = static_cast<UINT>(count);
    }
    DISPPARAMS *params() { return &params_; }

private:
    std::vector<AutoVariant> values_;
    DISPPARAMS params_ = {nullptr, nullptr, 0, 0};
};

static_assert(sizeof(AutoVariant) == sizeof(VARIANT), "the arguments' holders are read as a VARIANT array");

OleString method_name(JNIEnv *env, jobject method)
{
    const LocalRef<jstring> name = jni::call_method<jstring>(env, method, java_reflect.method_getName);
    AutoBstr text(new_bstr(env, name.get()));
    return OleString(text.get(), SysStringLen(text.get()));
}

// A script engine's object is asked through IDispatchEx, which some engines answer alone (Wine's
// VBScript gives a class instance's names only there); any other object through IDispatch.
bool has_member(IDispatch *object, const OLECHAR *name, DISPID &dispid)
{
    ComPtr<IDispatchEx> script;
    if (SUCCEEDED(object->QueryInterface(IID_IDispatchEx, script.put_void()))) {
        AutoBstr member(SysAllocString(name));
        if (!member) throw std::bad_alloc();
        return SUCCEEDED(script->GetDispID(member.get(), fdexNameCaseInsensitive, &dispid));
    }
    OleString copy(name);
    LPOLESTR names[] = {&copy[0]};
    return SUCCEEDED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid));
}

// Where the method is called: a script function (every one has a prototype member) at
// DISPID_VALUE, whatever members it inherits (a JScript function has apply and call); any
// other object at the member of the method's name, or, for a functional interface, at
// DISPID_VALUE when it has no such member.
DISPID member_for(IDispatch *object, const OleString &name, bool functional)
{
    DISPID dispid = DISPID_UNKNOWN;
    if (functional && has_member(object, TAVLIN_WIDEN("prototype"), dispid)) return DISPID_VALUE;
    if (has_member(object, name.c_str(), dispid)) return dispid;
    if (functional) return DISPID_VALUE;
    raise_ole(utf8_to_ole("The automation object has no method ") + name);
}

// The description of a failed call that the thread's error object holds, where an engine
// leaves its error instead of in the EXCEPINFO (Wine's JScript does for a thrown exception).
OleString error_object_description()
{
    ComPtr<IErrorInfo> error;
    if (GetErrorInfo(0, error.put()) != S_OK || !error) return OleString();
    AutoBstr description;
    if (FAILED(error->GetDescription(description.put())) || !description) return OleString();
    return OleString(description.get(), SysStringLen(description.get()));
}

[[noreturn]] void raise_call_failure(HRESULT status, ExcepInfo &info, const OleString &name)
{
    OleString description = info.description();
    if (description.empty()) description = error_object_description();
    if (!description.empty()) raise_ole(description);
    if (status == DISP_E_EXCEPTION && info.code()) status = info.code();
    const std::string what = "The automation object's " + ole_to_utf8(name.c_str(), name.size()) + " failed";
    TavlinEx::raise_status(what.c_str(), status);
}

// The automation result as the method's return type: nothing for void, the wrapper object
// for a primitive type (what an InvocationHandler returns for it).
jobject returned_value(JNIEnv *env, jobject method, const VARIANT &result)
{
    const LocalRef<jclass> type = jni::call_method<jclass>(env, method, java_reflect.method_getReturnType);
    const std::string name = slash_class_name(env, type.get());
    if (name == "void") return nullptr;
    const JavaType declared(name.c_str(), type.get());
    const JavaType returned =
        declared.is_primitive() ? JavaType(name.c_str(), nullptr, ParameterShape{declared.shape.kind, true}) : declared;
    PreparedArguments converted(env, 1);
    convert_com_to_java(env, &result, converted, 0, returned, false);
    const jobject value = converted.value(0).l;
    return value ? env->NewLocalRef(value) : nullptr;  // the record releases its own reference
}

}  // namespace

CallbackTarget::CallbackTarget(IDispatch *object, bool functional) : object_(object), functional_(functional)
{
    module_lock_for_code();  // the Java class's natives are this library's code
}

CallbackTarget::~CallbackTarget() { module_unlock_for_code(); }

void CallbackTarget::invoke(const OleString &name, DISPPARAMS *arguments, AutoVariant &result) const
{
    ComPtr<IDispatch> object = object_.get();
    const DISPID dispid = member_for(object.get(), name, functional_);
    ExcepInfo info;
    UINT arg_err = 0;
    HRESULT status = object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, arguments, result.put(),
                                    info.get(), &arg_err);
    if (FAILED(status)) raise_call_failure(status, info, name);
}

jobject CallbackTarget::call(JNIEnv *env, jobject method, jobjectArray args) const
{
    ThreadComScope com;
    const OleString name = method_name(env, method);
    AutomationArguments arguments(env, args);
    AutoVariant result;
    const std::function<void()> invoke_object = [&] { invoke(name, arguments.params(), result); };
#ifdef _WIN32
    // A worker running its apartment's call into Java hands the apartment's objects to the
    // thread that waits for it; any other thread calls through the apartment.
    if (!run_in_waiting_apartment(object_.apartment_thread(), invoke_object)) {
        WaitingCall waiting(object_.apartment_thread());
        invoke_object();
    }
#else
    invoke_object();
#endif
    return returned_value(env, method, *result);
}

}  // namespace tavlin
