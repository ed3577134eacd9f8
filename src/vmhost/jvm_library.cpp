#include "vmhost/jvm_library.h"

#include <memory>
#include <string>

#include "util/debug_trace.h"
#include "vmhost/java_search.h"
#include "vmhost/registry_key.h"

namespace tavlin {

namespace {

const char kProductKey[] = "Software\\Varnexa\\Tidewell";
const char kJavaKey[] = "Software\\JavaSoft\\Java Runtime Environment";

// The product's own override; a library that does not load is no error: the search goes on.
HMODULE load_product_override(JavaSearch &search)
{
    CRegistryKey product;
    if (product.open(HKEY_LOCAL_MACHINE, kProductKey, KEY_READ) != ERROR_SUCCESS) return nullptr;
    CMallocString path = product.query_string("RuntimeLib");
    return path ? search.try_library(path.get(), std::string("HKLM\\") + kProductKey + " RuntimeLib") : nullptr;
}

// The library that the Java installation's current version names, or null when it names
// none. Throws when no installation is registered or its library does not load.
HMODULE load_registered_runtime(JavaSearch &search)
{
    CRegistryKey java;
    if (java.open(HKEY_LOCAL_MACHINE, kJavaKey, KEY_READ) != ERROR_SUCCESS)
        throw new JVMDLL_Exception("No JRE is installed on this machine.");
    CMallocString version = java.query_string("CurrentVersion");
    if (!version) throw new JVMDLL_Exception("Unable to read the current JRE version from the NT Registry!");
    CRegistryKey current;
    if (current.open(java.get(), version.get(), KEY_READ) != ERROR_SUCCESS) return nullptr;
    CMallocString path = current.query_string("RuntimeLib");
    if (!path) return nullptr;
    HMODULE module = search.try_library(path.get(), std::string("HKLM\\") + kJavaKey + "\\" + version.get());
    if (!module) throw new JVMDLL_Exception("Failto load DLL as specified in regkey");
    return module;
}

template <class Fn> Fn resolve(HMODULE module, const char *name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

// Calls an entry point, or reports the text of the one that the library lacks.
template <class Fn, class... Args> auto forward(Fn entry_point, const char *missing, Args... args)
{
    if (!entry_point) throw new JVMDLL_Exception(missing);
    return entry_point(args...);
}

}  // namespace

CJvmLibrary::CJvmLibrary()
{
    load();
    resolve_entry_points();
}

CJvmLibrary::~CJvmLibrary()
{
    if (module_) FreeLibrary(module_);
}

// The classic search comes first and keeps its texts, so that a machine that found its Java
// before finds the same one; where it ends without a library, the further places are tried,
// and a failure says what was passed over. No library is looked for by its bare name: the
// system's search would look in the current folder and on PATH, where anybody may have left
// a library of that name.
void CJvmLibrary::load()
{
    JavaSearch search;
    module_ = load_product_override(search);
    if (module_) return;
    std::string failure = "No JRE is installed on this machine.";
    try {
        module_ = load_registered_runtime(search);
    } catch (JVMDLL_Exception *classic) {
        failure = std::unique_ptr<JVMDLL_Exception>(classic)->owned;
    }
    if (!module_) module_ = search.find_installed_java();
    if (module_) return;
    const std::string text = failure + search.report();
    debug_trace(text.c_str());
    throw new JVMDLL_Exception(text);
}

void CJvmLibrary::resolve_entry_points()
{
    get_created_java_vms_ = resolve<GetCreatedJavaVMsFn>(module_, "JNI_GetCreatedJavaVMs");
    create_java_vm_ = resolve<CreateJavaVMFn>(module_, "JNI_CreateJavaVM");
    get_default_java_vm_init_args_ = resolve<GetDefaultJavaVMInitArgsFn>(module_, "JNI_GetDefaultJavaVMInitArgs");
    on_load_ = resolve<OnLoadFn>(module_, "JNI_OnLoad");
    on_unload_ = resolve<OnUnloadFn>(module_, "JNI_OnUnload");
}

jint CJvmLibrary::JNI_GetDefaultJavaVMInitArgs(void *args) const
{
    return forward(get_default_java_vm_init_args_, "JVM:JNI_GetDefaultJavaVMInitArgs - function pointer not found",
                   args);
}

jint CJvmLibrary::JNI_CreateJavaVM(JavaVM **vm, void **env, void *args) const
{
    return forward(create_java_vm_, "JVM:JNI_CreateJavaVM - function pointer not found", vm, env, args);
}

jint CJvmLibrary::JNI_GetCreatedJavaVMs(JavaVM **vms, jsize capacity, jsize *count) const
{
    return forward(get_created_java_vms_, "JVM:JNI_GetCreateJavVMs - function pointer not found", vms, capacity, count);
}

jint CJvmLibrary::JNI_OnLoad(JavaVM *vm, void *reserved) const
{
    return forward(on_load_, "JVM:JNI_OnLoad - function pointer not found", vm, reserved);
}

void CJvmLibrary::JNI_OnUnload(JavaVM *vm, void *reserved) const
{
    forward(on_unload_, "JVM:JNI_OnUnload - function pointer not found", vm, reserved);
}

}  // namespace tavlin
