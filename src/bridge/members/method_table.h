// A class's member table: one descriptor per public method of the class, in the order
// getMethods reports them (a proxy's table), or per public constructor, in the order
// getConstructors reports them (what newObject chooses among; every constructor bears the
// class's name, so they are all overloads of one another). Names and per-member facts are
// filled on first need and published atomically, so concurrent callers never see half-built
// state and never release a reference twice.
#pragma once

#include <jni.h>

#include <atomic>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "bridge/members/class_type_info.h"
#include "bridge/members/indexing.h"
#include "bridge/members/name_index.h"
#include "bridge/members/property_table.h"
#include "bridge/members/walk.h"
#include "convert/argument_fit.h"
#include "convert/prepared_arguments.h"
#include "vmhost/global_ref.h"

namespace tavlin {

// What a table lists of its class.
enum class Members { Methods, Constructors };

// Facts about a method or constructor that never change, gathered from reflection once.
struct MethodFacts {
    jmethodID id = nullptr;
    bool is_static = false;
    bool is_constructor = false;
    bool takes_variable_arguments = false;  // declared with "..." (its last parameter an array)
    bool returns_array = false;             // declared return type is an array type
    std::string text;                       // Method.toString() or Constructor.toString(), traced before every call
    struct Parameter {
        std::string name;  // slash form
        GlobalRef<jclass> klass;
        ParameterShape shape;
    };
    std::vector<Parameter> parameters;
    // With variable arguments, the element type of the declared array: what each trailing
    // argument of a call that spreads them is converted to.
    Parameter spread_element;

    JavaType parameter_type(size_t index) const { return type_of(parameters[index]); }
    // The type the argument at `position` of a spreading call goes to: its fixed parameter's,
    // or the element's from the declared array on.
    JavaType spread_type(size_t position) const
    {
        return position + 1 < parameters.size() ? parameter_type(position) : type_of(spread_element);
    }

private:
    JavaType type_of(const Parameter &parameter) const
    {
        return JavaType(parameter.name.c_str(), parameter.klass.get(), parameter.shape, is_constructor);
    }
};

struct MethodInfo {
    static constexpr int32_t kNotLookedUp = -2;

    GlobalRef<> method;  // the java.lang.reflect.Method or Constructor
    int32_t index = 0;
    std::atomic<char *> name{nullptr};  // UTF-8, owned
    std::atomic<int32_t> param_count{-1};
    std::atomic<char> return_code{0};
    std::atomic<int32_t> next_overload{kNotLookedUp};  // index of the next namesake, -1 for none
    std::atomic<MethodFacts *> facts{nullptr};
};

class MethodTable {
public:
    // Builds the table of `klass`'s members of that kind. Throws TavlinEx*.
    static MethodTable *build(JNIEnv *env, jclass klass, Members members = Members::Methods);
    // Its global references go back on the deleting thread's attachment (see GlobalRef).
    ~MethodTable();

    int count() const { return count_; }
    MethodInfo &at(int index) const { return entries_[index]; }
    jclass object_class() const { return object_class_.get(); }
    Members members() const { return members_; }
    // How For Each walks the class's objects, worked out as the table is built.
    Walk walk() const { return walk_; }
    // How a default member with arguments reaches the class's elements, worked out likewise.
    Indexing indexing() const { return indexing_; }

    // The descriptor's name, read from Java on first use. Throws TavlinEx*.
    const char *method_name(JNIEnv *env, int index) const;
    // Index of the first method whose name matches (ASCII case folded), or -1. The first
    // lookup reads every name and indexes them; later ones are a hash lookup.
    int get_method_info(JNIEnv *env, const char *name) const;
    // The index of every method's name, read from Java on first use. Throws TavlinEx*.
    const NameIndex &name_index(JNIEnv *env) const;
    // The index once some lookup has built it, or null: lookups then need no Java at all.
    const NameIndex *built_name_index() const { return name_index_.load(std::memory_order_acquire); }
    // The class's properties, read from Java on first use (a table of Members::Methods only).
    // Throws TavlinEx*.
    const PropertyTable &properties(JNIEnv *env) const;
    // The properties once some lookup has read them, or null.
    const PropertyTable *built_properties() const { return properties_.load(std::memory_order_acquire); }
    // Index of the first method at or after `start` whose name matches, or -1.
    int find_next_method(JNIEnv *env, const char *name, int start) const;
    // find_next_method(name of `index`, index + 1), remembered per descriptor.
    int next_overload(JNIEnv *env, int index) const;
    // The method's facts, gathered on first use. Throws TavlinEx*.
    const MethodFacts &facts(JNIEnv *env, int index) const;

    // The class described as type information (see class_type_info.h), built on the first
    // client's request and given back with the table; no call pays for it otherwise. Throws
    // TavlinEx*.
    ITypeInfo *type_info(JNIEnv *env, Described described) const;

private:
    MethodTable() = default;
    mutable std::atomic<NameIndex *> name_index_{nullptr};
    mutable std::atomic<PropertyTable *> properties_{nullptr};
    mutable std::atomic<ITypeInfo *> type_infos_[2] = {};  // by Described
    int count_ = 0;
    std::unique_ptr<MethodInfo[]> entries_;
    GlobalRef<jclass> object_class_;  // target of static calls and of construction
    Members members_ = Members::Methods;
    Walk walk_ = Walk::None;
    Indexing indexing_ = Indexing::None;
};

// A hold on a shared table: the table lives as long as some share of it does.
using MethodTableShare = std::shared_ptr<const MethodTable>;

// How many of the tables built last the cache keeps when no proxy holds them.
constexpr size_t kRecentTablesKept = 16;

// The table of `klass`'s members of that kind, shared by every proxy of the class (and by
// every construction of it): what reflection says of a class never changes. Beyond the
// holders' shares the cache keeps only the kRecentTablesKept tables built last, so that once
// no proxy of a class lives its table soon gives its references back and a discarded class
// loader's classes can be unloaded. `class_name` (slash form) only narrows the search; the
// class itself decides. Throws TavlinEx*.
MethodTableShare shared_method_table(JNIEnv *env, jclass klass, const std::string &class_name,
                                     Members members = Members::Methods);
// How many tables the cache knows of.
size_t method_table_cache_size();

// Classifies the descriptor's return type into its code ('z' 'b' 'c' 's' 'i' 'j' 'f' 'd'
// 'v', or 'l' for every reference type), stores it in return_code and returns true.
bool resolve_return_type(JNIEnv *env, MethodInfo &method);
// The slash-form name of the method's return type. Throws TavlinEx*.
std::string return_type_name(JNIEnv *env, const MethodInfo &method);
// The code for a return type's name as Class.getName spells it.
char return_type_code(const char *type_name);

}  // namespace tavlin
