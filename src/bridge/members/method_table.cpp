#include "bridge/members/method_table.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <utility>

#include "convert/java_class_name.h"
#include "errors/tavlin_ex.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"

namespace tavlin {

namespace {

// Publishes `value` into `slot` unless another thread was first; returns the winner.
template <class T, class Discard> T *publish(std::atomic<T *> &slot, T *value, Discard discard)
{
    T *expected = nullptr;
    if (slot.compare_exchange_strong(expected, value, std::memory_order_acq_rel)) return value;
    discard(value);
    return expected;
}

// The reflection calls that read the members of each kind, in Members' order.
struct MemberReflection {
    jmethodID CJavaReflect::*list;  // of the class
    jmethodID CJavaReflect::*parameter_types;
    jmethodID CJavaReflect::*modifiers;
    jmethodID CJavaReflect::*text;
    jmethodID CJavaReflect::*name;
    bool has_return_type;  // a constructor returns nothing
};

const MemberReflection kMemberReflection[] = {
    {&CJavaReflect::class_getMethods, &CJavaReflect::method_getParameterTypes, &CJavaReflect::method_getModifiers,
     &CJavaReflect::method_toString, &CJavaReflect::method_getName, true},
    {&CJavaReflect::class_getConstructors, &CJavaReflect::constructor_getParameterTypes,
     &CJavaReflect::constructor_getModifiers, &CJavaReflect::constructor_toString, &CJavaReflect::constructor_getName,
     false},
};

const MemberReflection &reflection_of(Members members) { return kMemberReflection[static_cast<int>(members)]; }

std::string utf8_of(JNIEnv *env, jobject object, jmethodID string_method)
{
    const LocalRef<jstring> text = jni::call_method<jstring>(env, object, string_method);
    return jni::utf8_string(env, text.get());
}

void read_parameter_types(JNIEnv *env, MethodInfo &method, MethodFacts &facts, jmethodID parameter_types)
{
    const LocalRef<jobjectArray> types = jni::call_method<jobjectArray>(env, method.method.get(), parameter_types);
    jsize count = env->GetArrayLength(types.get());
    int32_t unknown = -1;
    method.param_count.compare_exchange_strong(unknown, count);
    facts.parameters.reserve(count);
    for (jsize i = 0; i < count; ++i) {
        const LocalRef<jclass> type = jni::get_object_array_element<jclass>(env, types.get(), i);
        std::string name = slash_class_name(env, type.get());
        ParameterShape shape = parameter_shape(name.c_str());
        facts.parameters.push_back({std::move(name), new_global_ref(env, type.get()), shape});
    }
}

// The element type of a parameter of array type.
MethodFacts::Parameter element_of(JNIEnv *env, const MethodFacts::Parameter &array)
{
    const LocalRef<jclass> element =
        jni::call_method<jclass>(env, array.klass.get(), java_reflect.class_getComponentType);
    std::string name = slash_class_name(env, element.get());
    ParameterShape shape = parameter_shape(name.c_str());
    return {std::move(name), new_global_ref(env, element.get()), shape};
}

// The class file's ACC_VARARGS, which a method's or constructor's modifiers carry (it is what
// Executable.isVarArgs tests).
constexpr jint kVariableArgumentsModifier = 0x80;

MethodFacts *gather_facts(JNIEnv *env, MethodInfo &method, const MemberReflection &reflection)
{
    std::unique_ptr<MethodFacts> facts(new MethodFacts());
    read_parameter_types(env, method, *facts, java_reflect.*reflection.parameter_types);
    if (reflection.has_return_type) {
        std::string return_type = return_type_name(env, method);
        method.return_code.store(return_type_code(return_type.c_str()));
        facts->returns_array = return_type[0] == '[';
    } else {
        method.return_code.store('v');
        facts->is_constructor = true;
    }
    facts->id = jni::from_reflected_method(env, method.method.get());
    jint modifiers = jni::call_method<jint>(env, method.method.get(), java_reflect.*reflection.modifiers);
    facts->text = utf8_of(env, method.method.get(), java_reflect.*reflection.text);
    jvalue argument;
    argument.i = modifiers;
    facts->is_static = jni::call_static_method_a<jboolean>(env, java_reflect.modifier_class,
                                                           java_reflect.modifier_isStatic, &argument) == JNI_TRUE;
    // The flag is the class file's claim; only a last parameter of array type can be spread into.
    facts->takes_variable_arguments = (modifiers & kVariableArgumentsModifier) != 0 && !facts->parameters.empty() &&
                                      facts->parameters.back().shape.kind == ParameterKind::Array;
    if (facts->takes_variable_arguments) facts->spread_element = element_of(env, facts->parameters.back());
    return facts.release();
}

// The tables that proxies hold, by class. An entry holds no reference to its class, so that
// it never keeps the class loaded: it is recognised by its table's own class reference,
// which stays valid while the entry exists, because a table leaves the cache before it gives
// its references back.
class TableCache {
public:
    MethodTableShare share(JNIEnv *env, jclass klass, const std::string &class_name, Members members);
    void forget(const std::string &class_name, const MethodTable *table);
    size_t size();

private:
    struct Entry {
        const MethodTable *table;
        std::weak_ptr<const MethodTable> share;
    };
    // The live table of `klass`'s members of that kind, or null. The caller holds mutex_.
    MethodTableShare find(JNIEnv *env, jclass klass, const std::string &class_name, Members members) const;

    std::mutex mutex_;
    // Classes of one name from different class loaders are different classes.
    std::unordered_map<std::string, std::vector<Entry>> by_name_;
    // The tables built last, kept with no proxy: objects of one class that are made and
    // dropped in turn (a collection's elements, a method's results) would otherwise build
    // their class's table each time. They are few, so no discarded class stays for long.
    std::array<MethodTableShare, kRecentTablesKept> recent_;
    size_t next_recent_ = 0;
};

// Never destroyed: a proxy released while the process exits may still drop its table.
TableCache &table_cache()
{
    static TableCache *cache = new TableCache();
    return *cache;
}

// Ends a shared table when its last share goes: out of the cache first, then its references
// back on the releasing thread's attachment (the releasing proxy's, when it has one).
struct DropTable {
    std::string class_name;

    void operator()(MethodTable *table) const
    {
        table_cache().forget(class_name, table);
        delete table;
    }
};

MethodTableShare TableCache::find(JNIEnv *env, jclass klass, const std::string &class_name, Members members) const
{
    auto bucket = by_name_.find(class_name);
    if (bucket == by_name_.end()) return nullptr;
    for (const Entry &entry : bucket->second)
        if (entry.table->members() == members && env->IsSameObject(entry.table->object_class(), klass))
            if (MethodTableShare live = entry.share.lock()) return live;  // else its end is under way
    return nullptr;
}

// No share is dropped while the mutex is held: the last one would take it again to leave.
MethodTableShare TableCache::share(JNIEnv *env, jclass klass, const std::string &class_name, Members members)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (MethodTableShare found = find(env, klass, class_name, members)) return found;
    }
    // Built outside the lock; when another thread's table got in first, this one ends
    // after the lock is released.
    MethodTableShare built(MethodTable::build(env, klass, members), DropTable{class_name});
    MethodTableShare evicted;  // the oldest recent table, dropped after the lock is released
    std::lock_guard<std::mutex> lock(mutex_);
    if (MethodTableShare found = find(env, klass, class_name, members)) return found;
    by_name_[class_name].push_back({built.get(), built});
    evicted = std::exchange(recent_[next_recent_++ % recent_.size()], built);
    return built;
}

void TableCache::forget(const std::string &class_name, const MethodTable *table)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto bucket = by_name_.find(class_name);
    if (bucket == by_name_.end()) return;
    std::vector<Entry> &entries = bucket->second;
    auto found =
        std::find_if(entries.begin(), entries.end(), [table](const Entry &entry) { return entry.table == table; });
    if (found != entries.end()) entries.erase(found);
    if (entries.empty()) by_name_.erase(bucket);
}

size_t TableCache::size()
{
    std::lock_guard<std::mutex> lock(mutex_);
    size_t count = 0;
    for (const auto &bucket : by_name_) count += bucket.second.size();
    return count;
}

}  // namespace

std::string return_type_name(JNIEnv *env, const MethodInfo &method)
{
    const LocalRef<jclass> return_type =
        jni::call_method<jclass>(env, method.method.get(), java_reflect.method_getReturnType);
    return slash_class_name(env, return_type.get());
}

// The primitive codes follow ParameterKind's order from Boolean to Double.
char return_type_code(const char *type_name)
{
    static_assert(static_cast<int>(ParameterKind::Double) == 7, "one code for each primitive kind");
    static const char kPrimitiveCodes[] = {'z', 'b', 's', 'c', 'i', 'j', 'f', 'd'};
    if (std::strcmp(type_name, "void") == 0) return 'v';
    const JavaType type(type_name, nullptr);
    return type.is_primitive() ? kPrimitiveCodes[static_cast<int>(type.shape.kind)] : 'l';
}

bool resolve_return_type(JNIEnv *env, MethodInfo &method)
{
    method.return_code.store(return_type_code(return_type_name(env, method).c_str()));
    return true;
}

MethodTable *MethodTable::build(JNIEnv *env, jclass klass, Members members)
{
    const LocalRef<jobjectArray> methods =
        jni::call_method<jobjectArray>(env, klass, java_reflect.*reflection_of(members).list);
    jsize count = env->GetArrayLength(methods.get());

    std::unique_ptr<MethodTable> table(new MethodTable());
    table->entries_.reset(new MethodInfo[count]);
    for (jsize i = 0; i < count; ++i) {
        const CLocalRef method = jni::get_object_array_element(env, methods.get(), i);
        table->entries_[i].method = new_global_ref(env, method.get());
        table->entries_[i].index = i;
        table->count_ = i + 1;
    }
    table->object_class_ = new_global_ref(env, klass);
    table->members_ = members;
    table->walk_ = members == Members::Methods ? walk_of_class(env, klass) : Walk::None;
    table->indexing_ = members == Members::Methods ? indexing_of_class(env, klass) : Indexing::None;
    return table.release();
}

MethodTable::~MethodTable()
{
    for (int i = 0; i < count_; ++i) {
        std::free(entries_[i].name.load());
        delete entries_[i].facts.load();
    }
    delete name_index_.load();
    delete properties_.load();
    for (std::atomic<ITypeInfo *> &info : type_infos_)
        if (ITypeInfo *built = info.load()) built->Release();
}

const char *MethodTable::method_name(JNIEnv *env, int index) const
{
    MethodInfo &entry = entries_[index];
    if (char *name = entry.name.load(std::memory_order_acquire)) return name;
    std::string read = utf8_of(env, entry.method.get(), java_reflect.*reflection_of(members_).name);
    return publish(entry.name, strdup(read.c_str()), [](char *loser) { std::free(loser); });
}

const NameIndex &MethodTable::name_index(JNIEnv *env) const
{
    if (const NameIndex *index = built_name_index()) return *index;
    std::vector<std::string> names;
    names.reserve(count_);
    for (int i = 0; i < count_; ++i) names.emplace_back(method_name(env, i));
    return *publish(name_index_, new NameIndex(names), [](NameIndex *loser) { delete loser; });
}

const PropertyTable &MethodTable::properties(JNIEnv *env) const
{
    if (const PropertyTable *properties = built_properties()) return *properties;
    return *publish(properties_, PropertyTable::build(env, *this), [](PropertyTable *loser) { delete loser; });
}

ITypeInfo *MethodTable::type_info(JNIEnv *env, Described described) const
{
    std::atomic<ITypeInfo *> &slot = type_infos_[static_cast<int>(described)];
    if (ITypeInfo *built = slot.load(std::memory_order_acquire)) return built;
    return publish(slot, describe_class(env, *this, described).release(), [](ITypeInfo *loser) { loser->Release(); });
}

int MethodTable::get_method_info(JNIEnv *env, const char *name) const
{
    return name_index(env).find(FoldedName(std::string(name)));
}

MethodTableShare shared_method_table(JNIEnv *env, jclass klass, const std::string &class_name, Members members)
{
    return table_cache().share(env, klass, class_name, members);
}

size_t method_table_cache_size() { return table_cache().size(); }

int MethodTable::find_next_method(JNIEnv *env, const char *name, int start) const
{
    for (int i = start; i < count_; ++i)
        if (_stricmp(method_name(env, i), name) == 0) return i;
    return -1;
}

int MethodTable::next_overload(JNIEnv *env, int index) const
{
    MethodInfo &entry = entries_[index];
    int32_t next = entry.next_overload.load(std::memory_order_acquire);
    if (next != MethodInfo::kNotLookedUp) return next;
    next = find_next_method(env, method_name(env, index), index + 1);
    entry.next_overload.store(next, std::memory_order_release);
    return next;
}

const MethodFacts &MethodTable::facts(JNIEnv *env, int index) const
{
    MethodInfo &entry = entries_[index];
    if (MethodFacts *facts = entry.facts.load(std::memory_order_acquire)) return *facts;
    return *publish(entry.facts, gather_facts(env, entry, reflection_of(members_)),
                    [](MethodFacts *loser) { delete loser; });
}

}  // namespace tavlin
