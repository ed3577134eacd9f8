#include "vmhost/vm.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <vector>

#include "errors/tavlin_ex.h"
#include "util/array_results.h"
#include "util/platform.h"
#include "vmhost/client_thread.h"
#include "vmhost/global_ref.h"
#include "vmhost/jvm_library.h"
#include "vmhost/runtime_settings.h"

namespace tavlin {

namespace {

std::atomic<JavaVM *> the_vm{nullptr};
CJvmLibrary *runtime_library = nullptr;  // created once, never destroyed
std::atomic<bool> compatible{false};
CRITICAL_SECTION startup_lock;

class StartupLockHolder {
public:
    StartupLockHolder() { EnterCriticalSection(&startup_lock); }
    ~StartupLockHolder() { LeaveCriticalSection(&startup_lock); }
    StartupLockHolder(const StartupLockHolder &) = delete;
    StartupLockHolder &operator=(const StartupLockHolder &) = delete;
};

bool read_compatibility_switch()
{
    const char *value = std::getenv("TAVLIN1_COMPATIBLE");
    return value && _stricmp(value, "TRUE") == 0;
}

// Stored only once it loaded: a failed load is searched again by the next start-up.
const CJvmLibrary &runtime()
{
    if (!runtime_library) runtime_library = new CJvmLibrary();
    return *runtime_library;
}

JavaVMOption make_option(const char *text)
{
    JavaVMOption option;
    option.optionString = const_cast<char *>(text);
    option.extraInfo = _stricmp(text, "vfprintf") == 0 ? reinterpret_cast<void *>(&vfprintf_hook) : nullptr;
    return option;
}

void create_vm(const CJvmLibrary &library)
{
    CMallocString max_memory = get_max_memory();
    CMallocString max_permsize = get_max_permsize();
    CRegistrySettings settings;
    const std::vector<CMallocString> &free_options = settings.get_vm_options();
    CMallocString classpath = get_classpath();

    std::vector<JavaVMOption> options = {make_option(classpath.get()), make_option(max_memory.get()),
                                         make_option("-Xrs"), make_option(max_permsize.get())};
    for (const CMallocString &option : free_options) options.push_back(make_option(option.get()));

    JavaVMInitArgs args;
    args.version = JNI_VERSION_1_2;
    args.nOptions = static_cast<jint>(options.size());
    args.options = options.data();
    args.ignoreUnrecognized = JNI_TRUE;

    JavaVM *vm = nullptr;
    JNIEnv *env = nullptr;
    if (library.JNI_CreateJavaVM(&vm, reinterpret_cast<void **>(&env), &args) < 0) return;
    the_vm.store(vm, std::memory_order_release);
    TavlinEx::check_exception(env);
    // The VM attaches its creator as "main", a thread that keeps it from ending, for good. The
    // creator is a client thread like any other: detached here, it is attached again on its
    // next call as a daemon named for the bridge, and detached when it ends.
    vm->DetachCurrentThread();
}

// Runs under the start-up lock.
void start_vm()
{
    compatible.store(read_compatibility_switch());
    set_variant_array_results(variant_arrays_requested());
    try {
        const CJvmLibrary &library = runtime();
        JavaVM *existing = nullptr;
        jsize count = 0;
        if (library.JNI_GetCreatedJavaVMs(&existing, 1, &count) < 0)
            throw new TavlinEx("JNI_GetCreatedJavaVMs() failed.");
        if (count > 0) {
            the_vm.store(existing, std::memory_order_release);
            return;
        }
        create_vm(library);
    } catch (JVMDLL_Exception *failure) {
        // The loader's failures, when it loads or when an entry point is missing, reach the
        // caller like any other failure of start-up.
        std::unique_ptr<JVMDLL_Exception> owned(failure);
        throw new TavlinEx(owned->message);
    }
}

}  // namespace

bool compatibility_mode() { return compatible.load(); }
JavaVM *java_vm() { return the_vm.load(std::memory_order_acquire); }

void init_startup_lock() { InitializeCriticalSection(&startup_lock); }
void delete_startup_lock() { DeleteCriticalSection(&startup_lock); }

JNIEnv *get_env()
{
    {
        StartupLockHolder lock;
        if (!java_vm()) start_vm();
    }
    JavaVM *vm = java_vm();
    if (!vm) throw new TavlinEx("Failed to initialize VM.");
    return client_thread_env(vm);
}

CThreadAttach::CThreadAttach()
{
    JavaVM *vm = java_vm();
    if (!vm) throw new TavlinEx("VM was not initialized correctly.");
    env_ = client_thread_env(vm);
}

void delete_global_ref(jobject ref) noexcept
{
    try {
        CThreadAttach attach;
        attach.env()->DeleteGlobalRef(ref);
    } catch (TavlinEx *error) {
        delete error;  // no VM to give the reference back to: it ends with the process
    }
}

jint JNICALL vfprintf_hook(FILE *, const char *, va_list) { return 0; }

}  // namespace tavlin
