#include "jni_fault.h"

#include <jvmti.h>

#include <atomic>
#include <cstdarg>

#include "vmhost/global_ref.h"
#include "vmhost/vm.h"

namespace tavlin_test {

namespace {

// One fault at a time, in force for every thread: the VM's function table is process-wide.
struct Fault {
    jniNativeInterface *table = nullptr;  // the VM's table as it was, to restore
    tavlin::GlobalRef<> receiver;
    jmethodID method = nullptr;
    std::atomic<int> failures{0};
};
Fault fault;

jobject JNICALL failing_call(JNIEnv *env, jobject receiver, jmethodID method, va_list args)
{
    if (method == fault.method && env->IsSameObject(receiver, fault.receiver.get())) {
        ++fault.failures;
        env->ThrowNew(env->FindClass("java/lang/Error"), "injected fault");
        return nullptr;
    }
    return fault.table->CallObjectMethodV(env, receiver, method, args);
}

jvmtiEnv *jvmti_of_the_vm()
{
    jvmtiEnv *jvmti = nullptr;
    tavlin::java_vm()->GetEnv(reinterpret_cast<void **>(&jvmti), JVMTI_VERSION_1_2);
    return jvmti;
}

}  // namespace

JniFault::JniFault(JNIEnv *env, jobject receiver, jmethodID method)
{
    fault.receiver = tavlin::new_global_ref(env, receiver);
    fault.method = method;
    fault.failures = 0;
    jvmtiEnv *jvmti = jvmti_of_the_vm();
    jvmti->GetJNIFunctionTable(&fault.table);
    jniNativeInterface replaced = *fault.table;
    replaced.CallObjectMethodV = &failing_call;
    jvmti->SetJNIFunctionTable(&replaced);
    jvmti->DisposeEnvironment();
}

JniFault::~JniFault()
{
    jvmtiEnv *jvmti = jvmti_of_the_vm();
    jvmti->SetJNIFunctionTable(fault.table);
    jvmti->Deallocate(reinterpret_cast<unsigned char *>(fault.table));
    jvmti->DisposeEnvironment();
    fault.table = nullptr;
    fault.receiver.reset();
    fault.method = nullptr;
}

int JniFault::failures() const { return fault.failures.load(); }

}  // namespace tavlin_test
