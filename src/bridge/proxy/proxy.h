// CProxy: one Java object in front of automation clients. Its method table lists every
// public method of the object's class; a method's DISPID is its table position plus one, a
// property's lies in a range of its own (see property_table.h). A class proxy
// (ITavlinUtil2::statics) stands for a class itself: its object is the java.lang.Class, its
// table that of the class it names, and only the static methods in it can be called.
#pragma once

#include <jni.h>

#include <atomic>
#include <memory>
#include <string>
#include <utility>

#include "bridge/members/method_table.h"
#include "bridge/members/overload_choice.h"
#include "com/interfaces.h"
#include "com/object.h"
#include "convert/proxies.h"
#include "vmhost/global_ref.h"

namespace tavlin {

class CProxy : public IProxy, public ISupportErrorInfo, public ComObjectRoot {
public:
    CProxy() = default;

    void *interface_for(REFIID iid);

    void set_java_object(GlobalRef<> object) { java_object_ = std::move(object); }
    jobject java_object() const { return java_object_.get(); }
    void set_class_name(const char *name) { class_name_ = name ? name : ""; }
    const std::string &class_name() const { return class_name_; }
    void set_is_class(bool is_class) { is_class_ = is_class; }
    bool is_class() const { return is_class_; }

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR *names, UINT count, LCID lcid,
                                            DISPID *dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS *params,
                                     VARIANT *result, EXCEPINFO *excep_info, UINT *arg_err) override;

    // The method table of the object's class, found on first need (null until then).
    const MethodTable *methods() const { return methods_.load(std::memory_order_acquire); }
    const MethodTable &init_methods(JNIEnv *env);
    // How For Each walks this proxy's object once its class's table is built: as the table
    // says, or not at all for a class proxy (its object is the Class) or before the table.
    Walk walk() const
    {
        const MethodTable *table = methods();
        return table && !is_class_ ? table->walk() : Walk::None;
    }
    // The name index of the proxy's class once it is built: lookups then need no Java.
    const NameIndex *built_names() const
    {
        const MethodTable *table = methods();
        return table ? table->built_name_index() : nullptr;
    }

private:
    HRESULT invoke_member(JNIEnv *env, DISPID dispid, WORD flags, DISPPARAMS *params, VARIANT *result);
    void invoke_method(JNIEnv *env, DISPID dispid, DISPPARAMS *params, VARIANT *result);
    // Calls the method at `index` of the table, or the namesake of it that takes the arguments.
    void call_namesakes(JNIEnv *env, int index, const CallArguments &arguments, VARIANT *result);

    // The DISPID of a client's name, DISPID_UNKNOWN for none.
    DISPID member_dispid(const NameIndex &index, const OLECHAR *name);
    DISPID property_dispid(const OLECHAR *name);
    // A collection's elements by key or position (element_invoke.cpp): the DISPID of `Item`
    // or of a name read as a Map's key, or DISPID_UNKNOWN; the default member with arguments;
    // a key name read.
    DISPID element_dispid(const OLECHAR *name) const;
    static bool is_key_name_dispid(DISPID dispid);
    HRESULT invoke_element(JNIEnv *env, WORD flags, DISPPARAMS *params, VARIANT *result);
    HRESULT invoke_key_name(JNIEnv *env, DISPID dispid, WORD flags, DISPPARAMS *params, VARIANT *result);
    // Calls the class's method of that name, chosen among its overloads by the arguments.
    void call_by_name(JNIEnv *env, const char *name, const CallArguments &arguments, VARIANT *result);
    // Properties (property_invoke.cpp).
    HRESULT invoke_property(JNIEnv *env, DISPID dispid, WORD flags, DISPPARAMS *params, VARIANT *result);
    const Property &property_at(DISPID dispid) const;
    jobject field_target(const Property &property) const;
    void read_property(JNIEnv *env, const Property &property, const CallArguments &arguments, VARIANT *result);
    void write_property(JNIEnv *env, const Property &property, const CallArguments &arguments);

    // Members end in reverse order: the class's last proxy gives its table back, then its
    // object, each on the releasing thread's attachment.
    GlobalRef<> java_object_;
    std::atomic<const MethodTable *> methods_{nullptr};
    MethodTableShare methods_share_;  // keeps methods_ alive; set once, by the thread that set methods_
    std::string class_name_;
    bool is_class_ = false;
};

// Whether `params` names its arguments as a call may: only a property write's value
// (DISPID_PROPERTYPUT) has a name that a Java member knows. S_OK, or the HRESULT that refuses
// the call before anything runs (property_invoke.cpp).
HRESULT named_arguments_status(const DISPPARAMS *params, WORD flags);

// A class proxy for `klass` (a local reference that stays the caller's), named in slash form.
// Returns its IDispatch with one reference. Throws TavlinEx* when memory is short.
IDispatch *new_class_proxy(JNIEnv *env, jclass klass, const char *class_name);

}  // namespace tavlin
