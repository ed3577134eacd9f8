#include "vmhost/jvm_library.h"

#include <cctype>

#include "vmhost/registry_key.h"

namespace tavlin {

namespace {

const char kProductKey[] = "Software\\Varnexa\\Tidewell";
const char kJavaKey[] = "Software\\JavaSoft\\Java Runtime Environment";

bool is_full_path(const char *path)
{
#ifdef _WIN32
    const bool drive =
        std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    const bool share = (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
    return drive || share;
#else
    return path[0] == '/';
#endif
}

// Loads a runtime library by its full path, with its own folder searched first for the
// libraries it needs (the runtime's C library and others beside it). A bare or relative
// name is never loaded: the system's search would look in the current folder and on PATH,
// where anybody may have left a library of that name.
HMODULE load_by_full_path(const char *path)
{
    if (!is_full_path(path)) return nullptr;
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The product's own override; a library that does not load is no error: the search goes on.
HMODULE load_product_override()
{
    CRegistryKey product;
    if (product.open(HKEY_LOCAL_MACHINE, kProductKey, KEY_READ) != ERROR_SUCCESS) return nullptr;
    CMallocString path = product.query_string("RuntimeLib");
    return path ? load_by_full_path(path.get()) : nullptr;
}

// The library that the Java installation's current version names, or null when it names
// none. Throws when no installation is registered or its library does not load.
HMODULE load_registered_runtime()
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
    HMODULE module = load_by_full_path(path.get());
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

void CJvmLibrary::load()
{
    module_ = load_product_override();
    if (!module_) module_ = load_registered_runtime();
    // Where neither names a library, none is looked for by its bare name (see load_by_full_path).
    if (!module_) throw new JVMDLL_Exception("No JRE is installed on this machine.");
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
