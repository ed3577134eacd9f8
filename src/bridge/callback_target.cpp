#include "bridge/callback_target.h"

#include <vector>

#include "com/module_lock.h"
#include "convert/com_to_java.h"
#include "convert/java_class_name.h"
#include "convert/java_text.h"
#include "convert/java_to_com.h"
#include "javaref/java_reflect.h"
#include "javaref/local_ref.h"
#include "javaref/tavlin_ex.h"
#include "util/auto_variant.h"
#include "util/text.h"

namespace tavlin {

namespace {

// COM on the calling thread for the length of one call: a Java thread joins the process's
// multithreaded apartment, a client thread keeps the apartment it has.
class ThreadComScope {
public:
    ThreadComScope() : joined_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~ThreadComScope()
    {
        if (joined_) CoUninitialize();
    }
    ThreadComScope(const ThreadComScope &) = delete;
    ThreadComScope &operator=(const ThreadComScope &) = delete;

private:
    bool joined_;
};

[[noreturn]] void raise_ole(const OleString &text) { throw new TavlinEx(text.c_str(), text.size(), nullptr, 0); }

[[noreturn]] void raise_status(const char *what, HRESULT status)
{
    TavlinEx::raise("%s: 0x%08X", what, static_cast<unsigned>(status));
}

#ifdef _WIN32
ComPtr<IGlobalInterfaceTable> global_interface_table()
{
    ComPtr<IGlobalInterfaceTable> table;
    HRESULT status = CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IGlobalInterfaceTable, table.put_void());
    if (FAILED(status)) raise_status("The global interface table is not available", status);
    return table;
}
#endif

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
            jobject element = env->GetObjectArrayElement(args, i);
            TavlinEx::check_exception(env);
            if (element) convert_java_to_com(env, element, values_[count - 1 - i].get());
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
    CLocalRef name(env, env->CallObjectMethod(method, java_reflect.method_getName));
    TavlinEx::check_exception(env);
    AutoBstr text(new_bstr(env, name.as<jstring>()));
    return OleString(text.get(), SysStringLen(text.get()));
}

bool has_member(IDispatch *object, const OLECHAR *name, DISPID &dispid)
{
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

[[noreturn]] void raise_call_failure(HRESULT status, ExcepInfo &info, const OleString &name)
{
    if (status == DISP_E_EXCEPTION) {
        OleString description = info.description();
        if (!description.empty()) raise_ole(description);
        status = info.code();
    }
    const std::string what = "The automation object's " + ole_to_utf8(name.c_str(), name.size()) + " failed";
    raise_status(what.c_str(), status);
}

// The automation result as the method's return type: nothing for void, the wrapper object
// for a primitive type (what an InvocationHandler returns for it).
jobject returned_value(JNIEnv *env, jobject method, const VARIANT &result)
{
    CLocalRef type(env, env->CallObjectMethod(method, java_reflect.method_getReturnType));
    TavlinEx::check_exception(env);
    const std::string name = slash_class_name(env, type.get());
    if (name == "void") return nullptr;
    const JavaType declared(name.c_str(), type.as<jclass>());
    const JavaType returned =
        declared.is_primitive() ? JavaType(name.c_str(), nullptr, ParameterShape{declared.shape.kind, true}) : declared;
    PreparedArguments converted(env, 1);
    convert_com_to_java(env, &result, converted, 0, returned, false);
    const jobject value = converted.value(0).l;
    return value ? env->NewLocalRef(value) : nullptr;  // the record releases its own reference
}

}  // namespace

#ifdef _WIN32
ApartmentReference::ApartmentReference(IDispatch *object)
{
    HRESULT status = global_interface_table()->RegisterInterfaceInGlobal(object, IID_IDispatch, &cookie_);
    if (FAILED(status)) raise_status("Unable to register the automation object for calls from Java threads", status);
}

ApartmentReference::~ApartmentReference()
{
    ThreadComScope com;
    ComPtr<IGlobalInterfaceTable> table;
    if (SUCCEEDED(CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IGlobalInterfaceTable, table.put_void())))
        table->RevokeInterfaceFromGlobal(cookie_);
}

ComPtr<IDispatch> ApartmentReference::get() const
{
    ComPtr<IDispatch> object;
    HRESULT status = global_interface_table()->GetInterfaceFromGlobal(cookie_, IID_IDispatch, object.put_void());
    if (FAILED(status)) raise_status("The automation object cannot be called from this thread", status);
    return object;
}
#else
ApartmentReference::ApartmentReference(IDispatch *object) : object_(object) { object->AddRef(); }

ApartmentReference::~ApartmentReference() = default;

ComPtr<IDispatch> ApartmentReference::get() const
{
    object_->AddRef();
    return ComPtr<IDispatch>(object_.get());
}
#endif

CallbackTarget::CallbackTarget(IDispatch *object, bool functional) : object_(object), functional_(functional)
{
    module_lock();  // the Java class's natives are this library's code
}

CallbackTarget::~CallbackTarget() { module_unlock(); }

jobject CallbackTarget::call(JNIEnv *env, jobject method, jobjectArray args) const
{
    ThreadComScope com;
    ComPtr<IDispatch> object = object_.get();
    const OleString name = method_name(env, method);
    const DISPID dispid = member_for(object.get(), name, functional_);
    AutomationArguments arguments(env, args);
    AutoVariant result;
    ExcepInfo info;
    UINT arg_err = 0;
    HRESULT status = object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, arguments.params(),
                                    result.put(), info.get(), &arg_err);
    if (FAILED(status)) raise_call_failure(status, info, name);
    return returned_value(env, method, *result);
}

}  // namespace tavlin
