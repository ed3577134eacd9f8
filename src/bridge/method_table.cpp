#include "bridge/method_table.h"

#include <cstring>
#include <mutex>

#include "convert/java_class_name.h"
#include "javaref/java_reflect.h"
#include "javaref/local_ref.h"
#include "javaref/tavlin_ex.h"

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

std::string utf8_of(JNIEnv *env, jobject object, jmethodID string_method)
{
    CLocalRef text(env, env->CallObjectMethod(object, string_method));
    TavlinEx::check_exception(env);
    const char *chars = text.utf_chars();
    TavlinEx::check_exception(env);
    return chars ? chars : "";
}

void read_parameter_types(JNIEnv *env, MethodInfo &method, MethodFacts &facts)
{
    CLocalRef types(env, env->CallObjectMethod(method.method, java_reflect.method_getParameterTypes));
    TavlinEx::check_exception(env);
    jsize count = env->GetArrayLength(types.as<jobjectArray>());
    TavlinEx::check_exception(env);
    int32_t unknown = -1;
    method.param_count.compare_exchange_strong(unknown, count);
    facts.parameters.reserve(count);
    for (jsize i = 0; i < count; ++i) {
        CLocalRef type(env, env->GetObjectArrayElement(types.as<jobjectArray>(), i));
        TavlinEx::check_exception(env);
        std::string name = slash_class_name(env, type.get());
        ParameterShape shape = parameter_shape(name.c_str());
        facts.parameters.push_back({std::move(name), static_cast<jclass>(env->NewGlobalRef(type.get())), shape});
    }
}

std::string return_type_name(JNIEnv *env, const MethodInfo &method)
{
    CLocalRef return_type(env, env->CallObjectMethod(method.method, java_reflect.method_getReturnType));
    TavlinEx::check_exception(env);
    return slash_class_name(env, return_type.get());
}

MethodFacts *gather_facts(JNIEnv *env, MethodInfo &method)
{
    std::unique_ptr<MethodFacts> facts(new MethodFacts());
    try {
        read_parameter_types(env, method, *facts);
        std::string return_type = return_type_name(env, method);
        method.return_code.store(return_type_code(return_type.c_str()));
        facts->returns_array = return_type[0] == '[';
        facts->id = env->FromReflectedMethod(method.method);
        TavlinEx::check_exception(env);
        jint modifiers = env->CallIntMethod(method.method, java_reflect.method_getModifiers);
        TavlinEx::check_exception(env);
        facts->text = utf8_of(env, method.method, java_reflect.method_toString);
        jvalue argument;
        argument.i = modifiers;
        facts->is_static = env->CallStaticBooleanMethodA(java_reflect.modifier_class, java_reflect.modifier_isStatic,
                                                         &argument) == JNI_TRUE;
        TavlinEx::check_exception(env);
    } catch (TavlinEx *) {
        facts->release(env);
        throw;
    }
    return facts.release();
}

}  // namespace

void MethodFacts::release(JNIEnv *env)
{
    for (const Parameter &parameter : parameters)
        if (parameter.klass) env->DeleteGlobalRef(parameter.klass);
    parameters.clear();
}

char return_type_code(const char *type_name)
{
    static const struct {
        const char *name;
        char code;
    } primitives[] = {{"boolean", 'z'}, {"byte", 'b'}, {"char", 'c'},   {"short", 's'}, {"int", 'i'},
                      {"long", 'j'},    {"float", 'f'}, {"double", 'd'}, {"void", 'v'}};
    for (const auto &primitive : primitives)
        if (std::strcmp(type_name, primitive.name) == 0) return primitive.code;
    return 'l';
}

bool resolve_return_type(JNIEnv *env, MethodInfo &method)
{
    method.return_code.store(return_type_code(return_type_name(env, method).c_str()));
    return true;
}

MethodTable *MethodTable::build(JNIEnv *env, jobject object)
{
    CLocalRef klass(env, env->CallObjectMethod(object, java_reflect.object_getClass));
    TavlinEx::check_exception(env);
    CLocalRef methods(env, env->CallObjectMethod(klass.get(), java_reflect.class_getMethods));
    TavlinEx::check_exception(env);
    jsize count = env->GetArrayLength(methods.as<jobjectArray>());
    TavlinEx::check_exception(env);

    std::unique_ptr<MethodTable> table(new MethodTable());
    table->entries_.reset(new MethodInfo[count]);
    try {
        for (jsize i = 0; i < count; ++i) {
            CLocalRef method(env, env->GetObjectArrayElement(methods.as<jobjectArray>(), i));
            TavlinEx::check_exception(env);
            table->entries_[i].method = env->NewGlobalRef(method.get());
            table->entries_[i].index = i;
            table->count_ = i + 1;
        }
        table->object_class_ = static_cast<jclass>(env->NewGlobalRef(klass.get()));
    } catch (TavlinEx *) {
        table->release(env);
        throw;
    }
    return table.release();
}

void MethodTable::release(JNIEnv *env)
{
    for (int i = 0; i < count_; ++i) {
        MethodInfo &entry = entries_[i];
        if (entry.method) env->DeleteGlobalRef(entry.method);
        entry.method = nullptr;
        if (MethodFacts *facts = entry.facts.exchange(nullptr)) {
            facts->release(env);
            delete facts;
        }
    }
    if (object_class_) env->DeleteGlobalRef(object_class_);
    object_class_ = nullptr;
}

MethodTable::~MethodTable()
{
    for (int i = 0; i < count_; ++i) std::free(entries_[i].name.load());
    delete name_index_.load();
}

const char *MethodTable::method_name(JNIEnv *env, int index) const
{
    MethodInfo &entry = entries_[index];
    if (char *name = entry.name.load(std::memory_order_acquire)) return name;
    std::string read = utf8_of(env, entry.method, java_reflect.method_getName);
    return publish(entry.name, strdup(read.c_str()), [](char *loser) { std::free(loser); });
}

std::string fold_ascii_case(std::string name)
{
    for (char &c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

const MethodTable::NameIndex &MethodTable::name_index(JNIEnv *env) const
{
    if (const NameIndex *index = name_index_.load(std::memory_order_acquire)) return *index;
    std::unique_ptr<NameIndex> index(new NameIndex());
    for (int i = 0; i < count_; ++i) index->emplace(fold_ascii_case(method_name(env, i)), i);  // the first stays
    return *publish(name_index_, index.release(), [](NameIndex *loser) { delete loser; });
}

int MethodTable::get_method_info(JNIEnv *env, const char *name) const
{
    return index_of_folded(env, fold_ascii_case(name));
}

int MethodTable::index_of_folded(JNIEnv *env, const std::string &folded_name) const
{
    const NameIndex &index = name_index(env);
    auto found = index.find(folded_name);
    return found == index.end() ? -1 : found->second;
}

const MethodTable &shared_method_table(JNIEnv *env, jobject object, const std::string &class_name)
{
    static std::mutex cache_mutex;
    static std::unordered_map<std::string, std::vector<std::unique_ptr<MethodTable>>> cache;

    CLocalRef klass(env, env->CallObjectMethod(object, java_reflect.object_getClass));
    TavlinEx::check_exception(env);
    std::lock_guard<std::mutex> lock(cache_mutex);
    // Classes of one name from different class loaders are different classes.
    std::vector<std::unique_ptr<MethodTable>> &tables = cache[class_name];
    for (const auto &table : tables)
        if (env->IsSameObject(table->object_class(), klass.get())) return *table;
    tables.emplace_back(MethodTable::build(env, object));
    return *tables.back();
}

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
    return *publish(entry.facts, gather_facts(env, entry), [env](MethodFacts *loser) {
        loser->release(env);
        delete loser;
    });
}

}  // namespace tavlin
