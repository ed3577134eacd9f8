// The runtime library loader's search order and its messages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
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
    // The machine's Java is presented read-only: a test's own installation replaces it.
    static void register_java(const char *runtime_lib)
    {
        tavlin_test::hide_machine_java();
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

// The classic search's text comes first; the places passed over follow on lines of their own.
TEST_P(LoaderMessages, ReportsTheFailure)
{
    GetParam().arrange();
    const std::string failure = load_failure();
    EXPECT_EQ(GetParam().message, failure.substr(0, failure.find('\n')));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LoaderMessages,
    ::testing::Values(LoaderMessageRow{"NoJava", [] { hide_machine_java(); }, "No JRE is installed on this machine."},
                      LoaderMessageRow{"NoCurrentVersion",
                                       [] {
                                           hide_machine_java();
                                           set_registry_string(HKEY_LOCAL_MACHINE, kJavaKey, "Other", "x");
                                       },
                                       "Unable to read the current JRE version from the NT Registry!"},
                      LoaderMessageRow{"RegisteredLibraryMissing",
                                       [] {
                                           hide_machine_java();
                                           set_registry_string(HKEY_LOCAL_MACHINE, kJavaKey, "CurrentVersion", "17");
                                           set_registry_string(HKEY_LOCAL_MACHINE,
                                                               "Software\\JavaSoft\\Java Runtime Environment\\17",
                                                               "RuntimeLib", "/no/such/libjvm.so");
                                       },
                                       "Failto load DLL as specified in regkey"},
                      // Never a library by its bare name: a registered library named so does not load.
                      LoaderMessageRow{"RegisteredLibraryByBareName",
                                       [] {
                                           hide_machine_java();
                                           set_registry_string(HKEY_LOCAL_MACHINE, kJavaKey, "CurrentVersion", "17");
                                           set_registry_string(HKEY_LOCAL_MACHINE,
                                                               "Software\\JavaSoft\\Java Runtime Environment\\17",
                                                               "RuntimeLib", "libm.so.6");
                                       },
                                       "Failto load DLL as specified in regkey"},
                      // A version without RuntimeLib names no library, and none is searched for.
                      LoaderMessageRow{"NoRuntimeLib",
                                       [] {
                                           hide_machine_java();
                                           set_registry_string(HKEY_LOCAL_MACHINE, kJavaKey, "CurrentVersion", "17");
                                           set_registry_string(HKEY_LOCAL_MACHINE,
                                                               "Software\\JavaSoft\\Java Runtime Environment\\17",
                                                               "JavaHome", "/nowhere");
                                       },
                                       "No JRE is installed on this machine."}),
    test_names::by_field<&LoaderMessageRow::name>);

namespace {

std::string jdk_home()
{
    const std::string library = TAVLIN_TEST_LIBJVM;
    return library.substr(0, library.size() - std::strlen("/lib/server/libjvm.so"));
}

// A Java home whose runtime library is a 32-bit one, as far as its header tells: it is
// passed over without being loaded.
std::string other_bitness_home()
{
    const std::string home = std::string(std::getenv("TAVLIN_REGISTRY")) + ".java32";
    std::filesystem::create_directories(home + "/lib/server");
    const char header[64] = {0x7F, 'E', 'L', 'F', 1 /* 32-bit */, 1, 1};
    std::ofstream(home + "/lib/server/libjvm.so", std::ios::binary).write(header, sizeof header);
    return home;
}

void set_user_string(const char *key, const char *name, const std::string &value)
{
    set_registry_string(HKEY_CURRENT_USER, key, name, value.c_str());
}

void set_machine_string(const char *key, const char *name, const std::string &value)
{
    set_registry_string(HKEY_LOCAL_MACHINE, key, name, value.c_str());
}

struct InstalledRow {
    const char *name;
    void (*arrange)(const std::string &home);
};

class InstalledJava : public LoaderTest, public ::testing::WithParamInterface<InstalledRow> {};

}  // namespace

// Where the classic key names no Java, the places that current installers write are searched.
TEST_P(InstalledJava, IsFoundWithoutTheClassicKey)
{
    hide_machine_java();
    GetParam().arrange(jdk_home());
    EXPECT_EQ(std::string(TAVLIN_TEST_LIBJVM), loaded_file());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, InstalledJava,
    ::testing::Values(
        InstalledRow{"JavaHome", [](const std::string &home) { set_environment("JAVA_HOME", home.c_str()); }},
        InstalledRow{"JdkKeyCurrentVersionFirst",
                     [](const std::string &home) {
                         set_machine_string("Software\\JavaSoft\\JDK", "CurrentVersion", "17");
                         set_machine_string("Software\\JavaSoft\\JDK\\17", "JavaHome", home);
                         set_machine_string("Software\\JavaSoft\\JDK\\25", "JavaHome", "/nowhere");
                     }},
        InstalledRow{"DevelopmentKitOfTheUserNewestFirst",
                     [](const std::string &home) {
                         set_user_string("Software\\JavaSoft\\Java Development Kit\\1.8", "JavaHome", "/nowhere");
                         set_user_string("Software\\JavaSoft\\Java Development Kit\\17", "JavaHome", home);
                     }},
        InstalledRow{"EclipseAdoptium",
                     [](const std::string &home) {
                         set_machine_string("Software\\Eclipse Adoptium\\JDK\\17.0.8.101\\hotspot\\MSI", "Path",
                                            home + "/");
                     }},
        InstalledRow{"AzulZulu",
                     [](const std::string &home) {
                         set_machine_string("Software\\Azul Systems\\Zulu\\zulu-17", "InstallationPath", home);
                     }},
        InstalledRow{"JavaOnPath", [](const std::string &home) { set_environment("PATH", (home + "/bin").c_str()); }},
        InstalledRow{"OtherBitnessPassedOver",
                     [](const std::string &home) {
                         set_environment("JAVA_HOME", other_bitness_home().c_str());
                         set_machine_string("Software\\JavaSoft\\JDK\\17", "JavaHome", home);
                     }}),
    test_names::by_field<&InstalledRow::name>);

TEST_F(LoaderTest, NothingFoundSaysWhatWasPassedOver)
{
    hide_machine_java();
    const std::string home = other_bitness_home();
    set_environment("JAVA_HOME", home.c_str());
    set_machine_string("Software\\Microsoft\\JDK\\21.0.1\\hotspot\\MSI", "Path", "/nowhere");
    EXPECT_EQ(
        "No JRE is installed on this machine.\n"
        "JAVA_HOME: " +
            home +
            "/lib/server/libjvm.so is a 32-bit library; this 64-bit process needs a 64-bit Java\n"
            "HKLM\\Software\\Microsoft\\JDK\\21.0.1: /nowhere holds no Java runtime library\n"
            "Looked in: RuntimeLib of HKLM\\Software\\Varnexa\\Tidewell, HKLM\\Software\\JavaSoft\\Java Runtime "
            "Environment, JAVA_HOME, the JavaSoft JDK keys and those of Eclipse Adoptium, Microsoft, IBM Semeru, Azul "
            "Zulu and BellSoft Liberica (HKLM, then HKCU), and java on PATH.",
        load_failure());
}

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
