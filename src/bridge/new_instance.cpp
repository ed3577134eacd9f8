// newInstance: constructs a Java object by class name and hands back a proxy for it.
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "bridge/com_boundary.h"
#include "bridge/proxy.h"
#include "bridge/tavlin_util.h"
#include "convert/java_class_name.h"
#include "convert/type_names.h"
#include "javaref/java_reflect.h"
#include "javaref/local_ref.h"
#include "javaref/tavlin_ex.h"
#include "vmhost/client_thread.h"
#include "vmhost/global_ref.h"
#include "vmhost/vm.h"

namespace tavlin {

namespace {

// Every failure of newInstance reports this code; it is not E_FAIL.
const HRESULT kNewInstanceFailed = static_cast<HRESULT>(0xFFFFFFFF);

// A class found by name and its constructor without arguments.
struct Constructible {
    jclass klass;
    jmethodID constructor;
};

// Classes that newInstance found before. On a thread that the bridge attached, no Java frame
// lies below the call, so FindClass resolves through the system class loader, whose class
// path never changes: a name found once stays that class, and the class is never unloaded.
// Other threads (a host's, perhaps inside a native method of a class of another loader) look
// the name up every time.
class ConstructibleClasses {
public:
    bool find(const std::string &name, Constructible &found)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto entry = entries_.find(name);
        if (entry == entries_.end()) return false;
        found = Constructible{entry->second.klass.get(), entry->second.constructor};
        return true;
    }
    void remember(JNIEnv *env, const std::string &name, const Constructible &local)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (entries_.count(name)) return;
        entries_.emplace(name, Known{new_global_ref(env, local.klass), local.constructor});
    }

private:
    // The class reference is never given back: the table outlives every caller.
    struct Known {
        GlobalRef<jclass> klass;
        jmethodID constructor;
    };
    std::mutex mutex_;
    std::unordered_map<std::string, Known> entries_;
};

ConstructibleClasses &constructible_classes()
{
    static ConstructibleClasses *classes = new ConstructibleClasses();  // outlives every caller
    return *classes;
}

// The object made by the class's constructor without arguments, as a local reference.
jobject construct_object(JNIEnv *env, const std::string &name)
{
    const bool cacheable = attached_by_bridge();
    Constructible known;
    if (cacheable && constructible_classes().find(name, known)) return env->NewObject(known.klass, known.constructor);
    CLocalRef klass(env, env->FindClass(name.c_str()));
    TavlinEx::check_exception(env);
    jmethodID constructor = env->GetMethodID(klass.as<jclass>(), "<init>", "()V");
    TavlinEx::check_exception(env);
    if (cacheable) constructible_classes().remember(env, name, Constructible{klass.as<jclass>(), constructor});
    return env->NewObject(klass.as<jclass>(), constructor);
}

IDispatch *construct(JNIEnv *env, BSTR classname)
{
    java_reflect.init(env);
    CMallocString narrow = bstr_to_multibyte(classname, CP_ACP);
    if (!narrow) throw new TavlinEx("Invalid Java class name");
    const std::string name = slash_form(narrow.get());
    CLocalRef object(env, construct_object(env, name));
    TavlinEx::check_exception(env);
    return new_proxy(env, object.get(), name.c_str());
}

}  // namespace

HRESULT STDMETHODCALLTYPE CTavlinUtil::newInstance(BSTR classname, IDispatch **proxy)
{
    if (!proxy) return E_POINTER;
    return com_boundary(
        [&] {
            *proxy = construct(get_env(), classname);
            return S_OK;
        },
        FailureCodes{kNewInstanceFailed, E_FAIL, kNewInstanceFailed});
}

}  // namespace tavlin
