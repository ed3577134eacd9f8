#include "bridge/class_lookup.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "convert/java_class_name.h"
#include "convert/type_names.h"
#include "javaref/tavlin_ex.h"
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

// Raises the pending Java exception, if any; one that `is_lookup_failure` recognises as the
// lookup's own is said as `said` instead, where the raw one says less than it should.
template <class Recognise> void check_lookup(JNIEnv *env, Recognise is_lookup_failure, const std::string &said)
{
    try {
        TavlinEx::check_exception(env);
    } catch (TavlinEx *caught) {
        TavlinExPtr error(caught);
        if (!is_lookup_failure(*error)) throw error.release();
        throw new TavlinEx(said.c_str(), nullptr);
    }
}

bool is_java(const TavlinEx &error, const char *class_name) { return error.java_class() == utf8_to_ole(class_name); }

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
      local_(env, known_ ? nullptr : env->FindClass(slash_name.c_str()))
{
    if (known_) return;
    // FindClass reports a missing class as a NoClassDefFoundError whose message is the name in
    // slash form; it is said as the class loaders say it. A missing class that the named one
    // needs, or a class that fails to initialise, is raised as it is.
    check_lookup(
        env,
        [&](const TavlinEx &error) {
            return is_java(error, "java.lang.NoClassDefFoundError") && error.description() &&
                   ole_to_utf8(error.description(), error.description_length()) == slash_name;
        },
        "java.lang.ClassNotFoundException: " + dotted_form(slash_name));
    if (cacheable_) known_ = known_classes().remember(env, slash_name, local_.as<jclass>());
}

jclass NamedClass::get() const { return known_ ? known_->klass.get() : local_.as<jclass>(); }

jmethodID NamedClass::no_argument_constructor(JNIEnv *env)
{
    if (known_)
        if (jmethodID remembered = known_->no_argument_constructor.load(std::memory_order_acquire)) return remembered;
    jmethodID constructor = env->GetMethodID(get(), "<init>", "()V");
    // The raw NoSuchMethodError names no class at all.
    check_lookup(
        env, [](const TavlinEx &error) { return is_java(error, "java.lang.NoSuchMethodError"); },
        "java.lang.NoSuchMethodError: " + dotted_form(name_) + " has no constructor without arguments");
    if (known_) known_->no_argument_constructor.store(constructor, std::memory_order_release);
    return constructor;
}

}  // namespace tavlin
