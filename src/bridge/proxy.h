// CProxy: one Java object in front of automation clients. Its method table lists every
// public method of the object's class; DISPIDs are table positions plus one.
#pragma once

#include <jni.h>

#include <atomic>
#include <memory>
#include <string>

#include "bridge/method_table.h"
#include "com/interfaces.h"
#include "com/object.h"
#include "convert/proxies.h"

namespace tavlin {

class CProxy : public IProxy, public ComObjectRoot {
public:
    CProxy() = default;
    ~CProxy();

    void *interface_for(REFIID iid);

    // Takes ownership of a global reference.
    void set_java_object(jobject global_ref) { java_object_ = global_ref; }
    jobject java_object() const { return java_object_; }
    void set_class_name(const char *name) { class_name_ = name ? name : ""; }
    const std::string &class_name() const { return class_name_; }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR *names, UINT count, LCID lcid,
                                            DISPID *dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS *params,
                                     VARIANT *result, EXCEPINFO *excep_info, UINT *arg_err) override;

    // The method table of the object's class, found on first need (null until then).
    const MethodTable *methods() const { return methods_.load(std::memory_order_acquire); }
    const MethodTable &init_methods(JNIEnv *env);
    // The name index of the proxy's class once it is built: lookups then need no Java.
    const NameIndex *built_names() const
    {
        const MethodTable *table = methods();
        return table ? table->built_name_index() : nullptr;
    }

private:
    void invoke_method(JNIEnv *env, DISPID dispid, DISPPARAMS *params, VARIANT *result);

    jobject java_object_ = nullptr;
    std::atomic<const MethodTable *> methods_{nullptr};
    MethodTableShare methods_share_;  // keeps methods_ alive; set once, by the thread that set methods_
    std::string class_name_;
};

}  // namespace tavlin
