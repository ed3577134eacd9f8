#include "bridge/members/class_lookup.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "convert/java_class_name.h"
#include "convert/type_names.h"
#include "errors/tavlin_ex.h"
#include "javaref/jni_calls.h"
#include "util/text.h"
#include "vmhost/client_thread.h"
#include "vmhost/global_ref.h"

namespace tavlin {

// A class found on a thread the bridge attached, and its constructor without arguments once
// newInstance has looked it up.
struct KnownClass {
    explicit KnownClass(GlobalRef<jclass> found) : klass(std::move(found)) {}
    GlobalRef<jclass> klass;
    std::atomic<jmethodID> no_argument_constructor{nullptr};
};

namespace {

// The class references are never given back: the table outlives every caller, and an entry,
// once made, stays where it is.
class KnownClasses {
public:
    KnownClass *find(const std::string &name)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto entry = entries_.find(name);
        return entry == entries_.end() ? nullptr : entry->second.get();
    }
    KnownClass *remember(JNIEnv *env, const std::string &name, jclass local)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::unique_ptr<KnownClass> &entry = entries_[name];
        if (!entry) entry.reset(new KnownClass(new_global_ref(env, local)));
        return entry.get();
    }

private:
    std::mutex mutex_;
    std::unordered_map<std::string, std::unique_ptr<KnownClass>> entries_;
};

KnownClasses &known_classes()
{
    static KnownClasses *classes = new KnownClasses();  // outlives every caller
    return *classes;
}

// What `lookup` finds. Its Java exception, where `is_lookup_failure` recognises it as the
// lookup's own, is said as `said` instead, where the raw one says less than it should.
template <class Lookup, class Recognise>
auto looked_up(Lookup lookup, Recognise is_lookup_failure, const std::string &said)
{
    try {
        return lookup();
    } catch (TavlinEx *caught) {
        TavlinExPtr error(caught);
        if (!is_lookup_failure(*error)) throw error.release();
        throw new TavlinEx(said.c_str(), nullptr);
    }
}

bool is_java(const TavlinEx &error, const char *class_name) { return error.java_class() == utf8_to_ole(class_name); }

// Whether FindClass left a NoClassDefFoundError pending (the name is missing), which stays pending.
bool missing_class_pending(JNIEnv *env)
{
    CLocalRef pending(env, env->ExceptionOccurred());
    if (!pending) return false;
    env->ExceptionClear();
    CLocalRef missing(env, env->FindClass("java/lang/NoClassDefFoundError"));
    const bool is_missing = missing && env->IsInstanceOf(pending.get(), missing.as<jclass>());
    env->ExceptionClear();
    env->Throw(pending.as<jthrowable>());
    return is_missing;
}

// The class of the name, or where the name is missing its binary name as Java source spells a
// nested class with dots (Row.MissingCellPolicy for Row$MissingCellPolicy): the last
// separators become '$' one by one. When none is found, what is pending is the failure of the
// name itself, as if nothing else had been tried.
jclass find_named_raw(JNIEnv *env, const std::string &slash_name)
{
    jclass found = env->FindClass(slash_name.c_str());
    if (found || !missing_class_pending(env)) return found;
    std::string binary = slash_name;
    for (size_t at = binary.rfind('/'); at != std::string::npos && at > 0; at = binary.rfind('/', at - 1)) {
        binary[at] = '$';
        env->ExceptionClear();
        if ((found = env->FindClass(binary.c_str())) != nullptr) return found;
        if (!missing_class_pending(env)) return nullptr;  // a nested class that exists but fails
    }
    env->ExceptionClear();
    return env->FindClass(slash_name.c_str());
}

// The class of the name, as find_named_raw finds it. FindClass reports a missing class as a
// NoClassDefFoundError whose message is the name in slash form; it is said as the class
// loaders say it. A missing class that the named one needs, or a class that fails to
// initialise, is raised as it is.
LocalRef<jclass> find_named(JNIEnv *env, const std::string &slash_name)
{
    return looked_up([&] { return jni::owned(env, find_named_raw(env, slash_name)); },
                     [&](const TavlinEx &error) {
                         return is_java(error, "java.lang.NoClassDefFoundError") && error.description() &&
                                ole_to_utf8(error.description(), error.description_length()) == slash_name;
                     },
                     "java.lang.ClassNotFoundException: " + dotted_form(slash_name));
}

}  // namespace

std::string dotted_form(std::string name)
{
    std::replace(name.begin(), name.end(), '/', '.');
    return name;
}

std::string requested_class_name(BSTR classname)
{
    CMallocString narrow = bstr_to_multibyte(classname, CP_ACP);
    if (!narrow) throw new TavlinEx("Invalid Java class name");
    return slash_form(narrow.get());
}

NamedClass::NamedClass(JNIEnv *env, const std::string &slash_name)
    : name_(slash_name), cacheable_(attached_by_bridge()),
      known_(cacheable_ ? known_classes().find(slash_name) : nullptr),
      local_(known_ ? LocalRef<jclass>(env, nullptr) : find_named(env, slash_name))
{
    if (!known_ && cacheable_) known_ = known_classes().remember(env, slash_name, local_.get());
}

jclass NamedClass::get() const { return known_ ? known_->klass.get() : local_.get(); }

jmethodID NamedClass::no_argument_constructor(JNIEnv *env)
{
    if (known_)
        if (jmethodID remembered = known_->no_argument_constructor.load(std::memory_order_acquire)) return remembered;
    // The raw NoSuchMethodError names no class at all.
    jmethodID constructor =
        looked_up([&] { return jni::get_method_id(env, get(), "<init>", "()V"); },
                  [](const TavlinEx &error) { return is_java(error, "java.lang.NoSuchMethodError"); },
                  "java.lang.NoSuchMethodError: " + dotted_form(name_) + " has no constructor without arguments");
    if (known_) known_->no_argument_constructor.store(constructor, std::memory_order_release);
    return constructor;
}

}  // namespace tavlin
