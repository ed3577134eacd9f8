// CJvmLibrary: finds, loads and forwards to the Java runtime library of the machine's Java
// installation. JVMDLL_Exception reports what went wrong, thrown by pointer.
#pragma once

#include <jni.h>

#include <string>
#include <utility>

#include "util/platform.h"

namespace tavlin {

struct JVMDLL_Exception {
    explicit JVMDLL_Exception(std::string text) : owned(std::move(text)), message(owned.c_str()) {}
    JVMDLL_Exception(const JVMDLL_Exception &) = delete;
    JVMDLL_Exception &operator=(const JVMDLL_Exception &) = delete;
    const std::string owned;
    const char *message;  // the text, owned above
};

class CJvmLibrary {
public:
    // Searches: product override, the Java installation's registry entries, then the places
    // of JavaSearch; a library is loaded only by its full path. Throws JVMDLL_Exception*,
    // whose text lists what was passed over when no Java was found.
    CJvmLibrary();
    virtual ~CJvmLibrary();
    CJvmLibrary(const CJvmLibrary &) = delete;
    CJvmLibrary &operator=(const CJvmLibrary &) = delete;

    jint JNI_GetDefaultJavaVMInitArgs(void *args) const;
    jint JNI_CreateJavaVM(JavaVM **vm, void **env, void *args) const;
    jint JNI_GetCreatedJavaVMs(JavaVM **vms, jsize capacity, jsize *count) const;
    jint JNI_OnLoad(JavaVM *vm, void *reserved) const;
    void JNI_OnUnload(JavaVM *vm, void *reserved) const;

    HMODULE module() const { return module_; }

private:
    typedef jint(JNICALL *GetDefaultJavaVMInitArgsFn)(void *);
    typedef jint(JNICALL *CreateJavaVMFn)(JavaVM **, void **, void *);
    typedef jint(JNICALL *GetCreatedJavaVMsFn)(JavaVM **, jsize, jsize *);
    typedef jint(JNICALL *OnLoadFn)(JavaVM *, void *);
    typedef void(JNICALL *OnUnloadFn)(JavaVM *, void *);

    void load();
    void resolve_entry_points();

    HMODULE module_ = nullptr;
    GetCreatedJavaVMsFn get_created_java_vms_ = nullptr;
    CreateJavaVMFn create_java_vm_ = nullptr;
    GetDefaultJavaVMInitArgsFn get_default_java_vm_init_args_ = nullptr;
    OnLoadFn on_load_ = nullptr;
    OnUnloadFn on_unload_ = nullptr;
};

}  // namespace tavlin
