// newInstance: constructs a Java object by class name and hands back a proxy for it.
#include <algorithm>
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
#include "util/text.h"
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

// The steps of newInstance that Java can refuse.
enum class Step { FindClass, FindConstructor, Construct };

std::string dotted_form(std::string name)
{
    std::replace(name.begin(), name.end(), '/', '.');
    return name;
}

// What newInstance tells of a Java exception: the exception as Java prints it ("<class>:
// <message>"), except where the raw one says less than it should. FindClass reports a missing
// class as a NoClassDefFoundError that names it in slash form, which is said as the class
// loaders say it; a missing constructor is a NoSuchMethodError that names no class at all.
TavlinEx *new_instance_error(TavlinExPtr error, Step step, const std::string &name)
{
    const OleString &java_class = error->java_class();
    if (java_class.empty()) return error.release();  // no Java exception: its description says it all
    std::string text;
    if (step == Step::FindClass && java_class == utf8_to_ole("java.lang.NoClassDefFoundError") &&
        error->description() && ole_to_utf8(error->description(), error->description_length()) == name)
        text = "java.lang.ClassNotFoundException: " + dotted_form(name);
    else if (step == Step::FindConstructor && java_class == utf8_to_ole("java.lang.NoSuchMethodError"))
        text = "java.lang.NoSuchMethodError: " + dotted_form(name) + " has no constructor without arguments";
    OleString description = text.empty() ? error->java_text() : utf8_to_ole(text.c_str());
    return new TavlinEx(description.data(), description.size(), error->source(), error->source_length());
}

// Raises the Java exception that `step` left pending, if any, as newInstance describes it.
void check_step(JNIEnv *env, Step step, const std::string &name)
{
    try {
        TavlinEx::check_exception(env);
    } catch (TavlinEx *error) {
        throw new_instance_error(TavlinExPtr(error), step, name);
    }
}

// The object made by the class's constructor without arguments, as a local reference.
jobject construct_object(JNIEnv *env, const std::string &name)
{
    const bool cacheable = attached_by_bridge();
    Constructible known;
    if (cacheable && constructible_classes().find(name, known)) return env->NewObject(known.klass, known.constructor);
    CLocalRef klass(env, env->FindClass(name.c_str()));
    check_step(env, Step::FindClass, name);
    jmethodID constructor = env->GetMethodID(klass.as<jclass>(), "<init>", "()V");
    check_step(env, Step::FindConstructor, name);
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
    check_step(env, Step::Construct, name);
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
        FailureCodes{IID_ITavlinUtil, kNewInstanceFailed, E_FAIL, kNewInstanceFailed});
}

}  // namespace tavlin
