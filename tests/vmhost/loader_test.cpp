// The runtime library loader's search order and its messages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "test_names.h"
#include "test_process.h"
#include "vmhost/jvm_library.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

const char kJavaKey[] = "Software\\JavaSoft\\Java Runtime Environment";
const char kProduct[] = "Software\\Varnexa\\Tidewell";

// The message of the JVMDLL_Exception that loading throws, or "" when it loads.
std::string load_failure()
{
    try {
        CJvmLibrary library;
        return "";
    } catch (JVMDLL_Exception *error) {
        std::string message = error->message;
        delete error;
        return message;
    }
}

std::string loaded_file()
{
    CJvmLibrary library;
    char path[4096];
    DWORD length = GetModuleFileNameA(library.module(), path, sizeof path);
    return std::string(path, length);
}

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_fresh_registry();
        unsetenv("TAVLIN_NO_MACHINE_JAVA");
    }
    static void hide_machine_java() { setenv("TAVLIN_NO_MACHINE_JAVA", "1", 1); }
    // The machine's Java is presented read-only: a test's own installation replaces it.
    static void register_java(const char *runtime_lib)
    {
        hide_machine_java();
        set_registry_string(HKEY_LOCAL_MACHINE, kJavaKey, "CurrentVersion", "17");
        std::string version_key = std::string(kJavaKey) + "\\17";
        if (runtime_lib)
            set_registry_string(HKEY_LOCAL_MACHINE, version_key.c_str(), "RuntimeLib", runtime_lib);
        else
            set_registry_string(HKEY_LOCAL_MACHINE, version_key.c_str(), "JavaHome", "/nowhere");
    }
};

}  // namespace

TEST_F(LoaderTest, MachineJavaIsFoundWithoutConfiguration)
{
    EXPECT_EQ("", load_failure());
    EXPECT_EQ(std::string(TAVLIN_TEST_LIBJVM), loaded_file());
}

TEST_F(LoaderTest, ProductOverrideIsUsedWithoutAJavaInstallation)
{
    hide_machine_java();
    set_registry_string(HKEY_LOCAL_MACHINE, kProduct, "RuntimeLib", TAVLIN_TEST_LIBJVM);
    EXPECT_EQ(std::string(TAVLIN_TEST_LIBJVM), loaded_file());
}

TEST_F(LoaderTest, MissingOverrideFallsBackToTheInstallationSilently)
{
    set_registry_string(HKEY_LOCAL_MACHINE, kProduct, "RuntimeLib", "/no/such/libjvm.so");
    register_java(TAVLIN_TEST_LIBJVM);
    EXPECT_EQ(std::string(TAVLIN_TEST_LIBJVM), loaded_file());
}

struct LoaderMessageRow {
    const char *name;
    void (*arrange)();
    const char *message;
};

class LoaderMessages : public LoaderTest, public ::testing::WithParamInterface<LoaderMessageRow> {};

TEST_P(LoaderMessages, ReportsTheFailure)
{
    GetParam().arrange();
    EXPECT_EQ(GetParam().message, load_failure());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LoaderMessages,
    ::testing::Values(LoaderMessageRow{"NoJava", [] { setenv("TAVLIN_NO_MACHINE_JAVA", "1", 1); },
                                       "No JRE is installed on this machine."},
                      LoaderMessageRow{"NoCurrentVersion",
                                       [] {
                                           setenv("TAVLIN_NO_MACHINE_JAVA", "1", 1);
                                           set_registry_string(HKEY_LOCAL_MACHINE, kJavaKey, "Other", "x");
                                       },
                                       "Unable to read the current JRE version from the NT Registry!"},
                      LoaderMessageRow{"RegisteredLibraryMissing",
                                       [] {
                                           setenv("TAVLIN_NO_MACHINE_JAVA", "1", 1);
                                           set_registry_string(HKEY_LOCAL_MACHINE, kJavaKey, "CurrentVersion", "17");
                                           set_registry_string(HKEY_LOCAL_MACHINE,
                                                               "Software\\JavaSoft\\Java Runtime Environment\\17",
                                                               "RuntimeLib", "/no/such/libjvm.so");
                                       },
                                       "Failto load DLL as specified in regkey"},
                      // Never a library by its bare name: a registered library named so does not load.
                      LoaderMessageRow{"RegisteredLibraryByBareName",
                                       [] {
                                           setenv("TAVLIN_NO_MACHINE_JAVA", "1", 1);
                                           set_registry_string(HKEY_LOCAL_MACHINE, kJavaKey, "CurrentVersion", "17");
                                           set_registry_string(HKEY_LOCAL_MACHINE,
                                                               "Software\\JavaSoft\\Java Runtime Environment\\17",
                                                               "RuntimeLib", "libm.so.6");
                                       },
                                       "Failto load DLL as specified in regkey"},
                      // A version without RuntimeLib names no library, and none is searched for.
                      LoaderMessageRow{"NoRuntimeLib",
                                       [] {
                                           setenv("TAVLIN_NO_MACHINE_JAVA", "1", 1);
                                           set_registry_string(HKEY_LOCAL_MACHINE, kJavaKey, "CurrentVersion", "17");
                                           set_registry_string(HKEY_LOCAL_MACHINE,
                                                               "Software\\JavaSoft\\Java Runtime Environment\\17",
                                                               "JavaHome", "/nowhere");
                                       },
                                       "No JRE is installed on this machine."}),
    test_names::by_field<&LoaderMessageRow::name>);

TEST_F(LoaderTest, MissingEntryPointsAreReportedWhenCalled)
{
    hide_machine_java();
    // A loadable library that exports no JNI entry point at all.
    set_registry_string(HKEY_LOCAL_MACHINE, kProduct, "RuntimeLib", library_without_jni().c_str());
    CJvmLibrary library;
    struct {
        std::function<void()> call;
        const char *message;
    } rows[] = {
        {[&] { library.JNI_GetCreatedJavaVMs(nullptr, 0, nullptr); },
         "JVM:JNI_GetCreateJavVMs - function pointer not found"},
        {[&] { library.JNI_CreateJavaVM(nullptr, nullptr, nullptr); },
         "JVM:JNI_CreateJavaVM - function pointer not found"},
        {[&] { library.JNI_GetDefaultJavaVMInitArgs(nullptr); },
         "JVM:JNI_GetDefaultJavaVMInitArgs - function pointer not found"},
        {[&] { library.JNI_OnLoad(nullptr, nullptr); }, "JVM:JNI_OnLoad - function pointer not found"},
        {[&] { library.JNI_OnUnload(nullptr, nullptr); }, "JVM:JNI_OnUnload - function pointer not found"},
    };
    for (auto &row : rows) {
        try {
            row.call();
            ADD_FAILURE() << "no failure for " << row.message;
        } catch (JVMDLL_Exception *error) {
            EXPECT_STREQ(row.message, error->message);
            delete error;
        }
    }
}

TEST_F(LoaderTest, RealRuntimeLoadsWithoutOnLoadEntryPoints)
{
    CJvmLibrary library;
    JavaVM *vms[1];
    jsize count = -1;
    EXPECT_EQ(JNI_OK, library.JNI_GetCreatedJavaVMs(vms, 1, &count));
    EXPECT_EQ(0, count);
}
