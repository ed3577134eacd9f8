// Start-up of the one VM: the options it receives, adoption of a running VM, the
// compatibility switch, the output hook, concurrent first calls and failed start-ups.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <string>
#include <thread>

#include "errors.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"
#include "output_capture.h"
#include "test_names.h"
#include "test_process.h"
#include "vmhost/runtime_settings.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

std::string probe_string(JNIEnv *env, const char *method, const char *argument)
{
    jclass probe = env->FindClass("fixtures/VmProbe");
    if (!probe) return "<no probe class>";
    jmethodID id = env->GetStaticMethodID(probe, method, "(Ljava/lang/String;)Ljava/lang/String;");
    jstring arg = env->NewStringUTF(argument);
    CLocalRef text(env, env->CallStaticObjectMethod(probe, id, arg));
    env->DeleteLocalRef(arg);
    env->DeleteLocalRef(probe);
    const UtfChars chars = jni::utf_chars(env, text.as<jstring>());
    return chars ? chars.get() : "<null>";
}

template <class T> T probe_static(JNIEnv *env, const char *method, const char *signature);
template <> jlong probe_static<jlong>(JNIEnv *env, const char *method, const char *signature)
{
    jclass probe = env->FindClass("fixtures/VmProbe");
    jlong value = env->CallStaticLongMethod(probe, env->GetStaticMethodID(probe, method, signature));
    env->DeleteLocalRef(probe);
    return value;
}
template <> jboolean probe_static<jboolean>(JNIEnv *env, const char *method, const char *signature)
{
    jclass probe = env->FindClass("fixtures/VmProbe");
    jboolean value = env->CallStaticBooleanMethod(probe, env->GetStaticMethodID(probe, method, signature));
    env->DeleteLocalRef(probe);
    return value;
}

}  // namespace

TEST(VmStartup, CreatesTheVmWithTheAssembledOptions)
{
    use_standard_vm_setup();
    set_registry_string(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Tidewell", "max", "-Xmx300m");
    add_vm_option("-Dtavlin.probe=yes");
    std::string expected_classpath = std::string(get_classpath().get()).substr(sizeof("-Djava.class.path=") - 1);

    JNIEnv *env = get_env();
    EXPECT_EQ(expected_classpath, probe_string(env, "property", "java.class.path"));
    EXPECT_EQ("yes", probe_string(env, "property", "tavlin.probe"));
    jlong max_memory = probe_static<jlong>(env, "maxMemory", "()J");
    EXPECT_GT(max_memory, 250LL << 20);
    EXPECT_LE(max_memory, 300LL << 20);
    EXPECT_TRUE(probe_static<jboolean>(env, "reducedSignals", "()Z")) << "-Xrs is always passed";
}

TEST(VmStartup, AdoptsAVmThatTheProcessAlreadyRuns)
{
    use_standard_vm_setup();
    setenv("TAVLIN1_COMPATIBLE", "tRuE", 1);
    void *jvm = dlopen(TAVLIN_TEST_LIBJVM, RTLD_NOW);
    ASSERT_NE(nullptr, jvm);
    auto create = reinterpret_cast<jint (*)(JavaVM **, void **, void *)>(dlsym(jvm, "JNI_CreateJavaVM"));
    std::string classpath = "-Djava.class.path=" + fixtures_jar();
    JavaVMOption options[] = {{const_cast<char *>("-Dadopted=1"), nullptr}, {&classpath[0], nullptr}};
    JavaVMInitArgs args = {JNI_VERSION_1_2, 2, options, JNI_TRUE};
    JavaVM *own_vm = nullptr;
    JNIEnv *own_env = nullptr;
    ASSERT_EQ(JNI_OK, create(&own_vm, reinterpret_cast<void **>(&own_env), &args));

    JNIEnv *env = get_env();
    EXPECT_EQ(own_vm, java_vm());
    EXPECT_EQ("1", probe_string(env, "property", "adopted")) << "no options of ours reached it";
    EXPECT_TRUE(compatibility_mode()) << "the switch is read on the adoption path too";
}

struct SwitchRow {
    const char *value;  // null: unset
    bool on;
};

class CompatibilitySwitch : public ::testing::TestWithParam<SwitchRow> {};

TEST_P(CompatibilitySwitch, IsOnOnlyForTrueInAnyCase)
{
    use_fresh_registry();
    if (GetParam().value)
        setenv("TAVLIN1_COMPATIBLE", GetParam().value, 1);
    else
        unsetenv("TAVLIN1_COMPATIBLE");
    get_env();
    EXPECT_EQ(GetParam().on, compatibility_mode());
}

INSTANTIATE_TEST_SUITE_P(Rows, CompatibilitySwitch,
                         ::testing::Values(SwitchRow{"true", true}, SwitchRow{"True", true}, SwitchRow{"TRUE", true},
                                           SwitchRow{"1", false}, SwitchRow{"yes", false}, SwitchRow{"", false},
                                           SwitchRow{nullptr, false}),
                         [](const ::testing::TestParamInfo<SwitchRow> &info) {
                             const char *value = info.param.value;
                             return value ? "SetTo_" + test_names::sanitized(value, "Nothing") : std::string("Unset");
                         });

struct HookRow {
    const char *option;  // "" for none
    bool silenced;
};

class OutputHook : public ::testing::TestWithParam<HookRow> {};

// -XX:+PrintFlagsFinal makes the VM print its flag table through its console output. The
// hook goes with "vfprintf" in any case, and the option keeps the registry's spelling; the
// VM itself knows only the lower-case name, so only that spelling silences it.
TEST_P(OutputHook, VfprintfOptionInstallsTheHook)
{
    use_fresh_registry();
    add_vm_option("-XX:+PrintFlagsFinal");
    if (GetParam().option[0]) add_vm_option(GetParam().option);
    OutputCapture capture(1);
    JNIEnv *env = get_env();
    std::string output = capture.finish();
    EXPECT_NE(nullptr, env) << "the VM starts whatever the spelling";
    EXPECT_EQ(GetParam().silenced, output.find("MaxHeapSize") == std::string::npos) << output.substr(0, 200);
}

INSTANTIATE_TEST_SUITE_P(Spellings, OutputHook,
                         ::testing::Values(HookRow{"", false}, HookRow{"vfprintf", true}, HookRow{"VFPRINTF", false},
                                           HookRow{"VfPrintF", false}),
                         [](const ::testing::TestParamInfo<HookRow> &info) {
                             return test_names::sanitized(info.param.option, "NoOption");
                         });

TEST(VmStartup, ConcurrentFirstCallsCreateOneVm)
{
    use_fresh_registry();
    JNIEnv *envs[2] = {};
    std::thread first([&] { envs[0] = get_env(); });
    std::thread second([&] { envs[1] = get_env(); });
    first.join();
    second.join();
    EXPECT_NE(nullptr, envs[0]);
    EXPECT_NE(nullptr, envs[1]);
    JavaVM *vms[2];
    jsize count = 0;
    auto created = reinterpret_cast<jint (*)(JavaVM **, jsize, jsize *)>(
        dlsym(dlopen(TAVLIN_TEST_LIBJVM, RTLD_NOW | RTLD_NOLOAD), "JNI_GetCreatedJavaVMs"));
    ASSERT_EQ(JNI_OK, created(vms, 2, &count));
    EXPECT_EQ(1, count);
}

TEST(VmStartup, FailedCreationIsRetriedAndReportedEachTime)
{
    use_fresh_registry();
    add_vm_option("-Xmxabc");  // the VM refuses to start with it
    for (int attempt = 0; attempt < 2; ++attempt) {
        ThrownError error = error_of([] { get_env(); });
        EXPECT_TRUE(error.thrown);
        EXPECT_EQ("Failed to initialize VM.", error.description);
    }
}

TEST(VmStartup, RuntimeWithoutEntryPointsFailsLikeAnyStartup)
{
    use_fresh_registry();
    hide_machine_java();
    set_registry_string(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Tidewell", "RuntimeLib", library_without_jni().c_str());
    ThrownError error = error_of([] { get_env(); });
    EXPECT_EQ("JVM:JNI_GetCreateJavVMs - function pointer not found", error.description);
}

TEST(VmStartup, NoJavaIsReportedWithTheLoadersText)
{
    use_fresh_registry();
    hide_machine_java();
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::string text = error_of([] { get_env(); }).description;
        EXPECT_EQ("No JRE is installed on this machine.", text.substr(0, text.find('\n')));
        EXPECT_NE(std::string::npos, text.find("\nLooked in: ")) << "the places looked at follow: " << text;
    }
}

TEST(VmStartup, ThreadAttachNeverStartsTheVm)
{
    use_fresh_registry();
    EXPECT_EQ("VM was not initialized correctly.", error_of([] { CThreadAttach attach; }).description);
    EXPECT_EQ(nullptr, java_vm());
}
