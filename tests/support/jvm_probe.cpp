#include "jvm_probe.h"

#include <jvmti.h>

#ifdef _WIN32
#include "util/platform.h"
// after platform.h, which brings windows.h
#include <psapi.h>
#else
#include <fstream>
#include <string>
#endif

#include "vmhost/vm.h"

namespace tavlin_test {

namespace {

jint JNICALL count_global_root(jvmtiHeapReferenceKind kind, const jvmtiHeapReferenceInfo *, jlong, jlong, jlong,
                               jlong *, jlong *, jint, void *user_data)
{
    if (kind == JVMTI_HEAP_REFERENCE_JNI_GLOBAL) ++*static_cast<long *>(user_data);
    return 0;  // roots only: do not follow what they reach
}

}  // namespace

long jni_global_reference_count()
{
    jvmtiEnv *jvmti = nullptr;
    if (tavlin::java_vm()->GetEnv(reinterpret_cast<void **>(&jvmti), JVMTI_VERSION_1_2) != JNI_OK) return -1;
    jvmtiCapabilities capabilities = {};
    capabilities.can_tag_objects = 1;
    jvmti->AddCapabilities(&capabilities);
    jvmtiHeapCallbacks callbacks = {};
    callbacks.heap_reference_callback = &count_global_root;
    long count = 0;
    jvmtiError error = jvmti->FollowReferences(0, nullptr, nullptr, &callbacks, &count);
    jvmti->DisposeEnvironment();
    return error == JVMTI_ERROR_NONE ? count : -1;
}

#ifdef _WIN32
long resident_kilobytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return -1;
    return static_cast<long>(counters.WorkingSetSize / 1024);
}
#else
long resident_kilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}
#endif

}  // namespace tavlin_test
