#include "bridge/callback_target.h"

#include <atomic>
#include <mutex>
#include <new>
#include <unordered_map>
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
    ThreadComScope() : status_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ThreadComScope()
    {
        if (SUCCEEDED(status_)) CoUninitialize();
    }
    ThreadComScope(const ThreadComScope &) = delete;
    ThreadComScope &operator=(const ThreadComScope &) = delete;

private:
    HRESULT status_;
};

[[noreturn]] void raise_ole(const OleString &text) { throw new TavlinEx(text.c_str(), text.size(), nullptr, 0); }

[[noreturn]] void raise_status(const char *what, HRESULT status)
{
    TavlinEx::raise("%s: 0x%08X", what, static_cast<unsigned>(status));
}

#ifdef _WIN32
// The calls waiting for a single-threaded apartment, by the apartment's thread: while there are
// any, that thread lets them in whenever it enters the bridge. No other thread lets anything in
// for them, as that would run whatever waits for its own apartment (a host's window messages,
// other programs' calls) in the middle of an unrelated call.
class WaitingCalls {
public:
    void add(DWORD apartment_thread)
    {
        std::lock_guard<std::mutex> hold(lock_);
        ++by_thread_[apartment_thread];
        ++total_;
    }
    void remove(DWORD apartment_thread)
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto found = by_thread_.find(apartment_thread);
        if (--found->second == 0) by_thread_.erase(found);
        --total_;
    }
    bool any_for(DWORD apartment_thread)
    {
        if (total_.load(std::memory_order_relaxed) == 0) return false;  // the usual case, without the lock
        std::lock_guard<std::mutex> hold(lock_);
        return by_thread_.count(apartment_thread) != 0;
    }

private:
    std::atomic<int> total_{0};
    std::mutex lock_;
    std::unordered_map<DWORD, int> by_thread_;
};

WaitingCalls &waiting_calls()
{
    static WaitingCalls *calls = new WaitingCalls;  // never destroyed: a Java thread may call at exit
    return *calls;
}

// One call counted among those waiting for the object's apartment, for its length; a call made
// on the apartment's own thread, or to an object of the multithreaded apartment, waits for
// no one.
class WaitingCall {
public:
    explicit WaitingCall(DWORD apartment_thread)
        : apartment_thread_(apartment_thread != GetCurrentThreadId() ? apartment_thread : 0)
    {
        if (apartment_thread_) waiting_calls().add(apartment_thread_);
    }
    ~WaitingCall()
    {
        if (apartment_thread_) waiting_calls().remove(apartment_thread_);
    }
    WaitingCall(const WaitingCall &) = delete;
    WaitingCall &operator=(const WaitingCall &) = delete;

private:
    DWORD apartment_thread_;
};

// The thread of the calling thread's single-threaded apartment; 0 in the multithreaded one.
DWORD single_threaded_apartment()
{
    APTTYPE type = APTTYPE_MTA;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    if (FAILED(CoGetApartmentType(&type, &qualifier))) return 0;
    return type == APTTYPE_STA || type == APTTYPE_MAINSTA ? GetCurrentThreadId() : 0;
}

// ole32's identifiers, spelled out here: mingw-w64 keeps them in the same object of its uuid
// library as an IID_IProxy of its own, which the library's IID_IProxy would collide with.
const CLSID kStdGlobalInterfaceTable = {0x00000323, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIGlobalInterfaceTable = {0x00000146, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Null when the table cannot be had on this thread (COM not initialised there), with `status`.
ComPtr<IGlobalInterfaceTable> global_interface_table(HRESULT &status)
{
    ComPtr<IGlobalInterfaceTable> table;
    status = CoCreateInstance(kStdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, kIGlobalInterfaceTable,
                              table.put_void());
    return table;
}

ComPtr<IGlobalInterfaceTable> global_interface_table()
{
    HRESULT status = S_OK;
    ComPtr<IGlobalInterfaceTable> table = global_interface_table(status);
    if (!table) raise_status("The global interface table is not available", status);
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
ApartmentReference::ApartmentReference(IDispatch *object) : apartment_thread_(single_threaded_apartment())
{
    HRESULT status = global_interface_table()->RegisterInterfaceInGlobal(object, IID_IDispatch, &cookie_);
    if (FAILED(status)) raise_status("Unable to register the automation object for calls from Java threads", status);
}

ApartmentReference::~ApartmentReference()
{
    ThreadComScope com;
    HRESULT status = S_OK;
    if (ComPtr<IGlobalInterfaceTable> table = global_interface_table(status)) table->RevokeInterfaceFromGlobal(cookie_);
}

ComPtr<IDispatch> ApartmentReference::get() const
{
    ComPtr<IDispatch> object;
    HRESULT status = global_interface_table()->GetInterfaceFromGlobal(cookie_, IID_IDispatch, object.put_void());
    if (FAILED(status)) raise_status("The automation object cannot be called from this thread", status);
    return object;
}

void let_waiting_calls_in()
{
    if (!waiting_calls().any_for(GetCurrentThreadId())) return;
    // An event nobody sets, for a wait of no time that dispatches the apartment's calls.
    static const HANDLE never_set = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE handles[] = {never_set};
    DWORD index = 0;
    if (never_set) CoWaitForMultipleHandles(0, 0, 1, handles, &index);
}
#else
ApartmentReference::ApartmentReference(IDispatch *object) : object_(object) { object->AddRef(); }

ApartmentReference::~ApartmentReference() = default;

ComPtr<IDispatch> ApartmentReference::get() const
{
    object_->AddRef();
    return ComPtr<IDispatch>(object_.get());
}

void let_waiting_calls_in() {}
#endif

CallbackTarget::CallbackTarget(IDispatch *object, bool functional) : object_(object), functional_(functional)
{
    module_lock();  // the Java class's natives are this library's code
}

CallbackTarget::~CallbackTarget() { module_unlock(); }

jobject CallbackTarget::call(JNIEnv *env, jobject method, jobjectArray args) const
{
    ThreadComScope com;
#ifdef _WIN32
    WaitingCall waiting(object_.apartment_thread());
#endif
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
