// The machine's Java presented as a JRE registers itself on Windows, unless the registry
// file describes Java itself.
#include <unistd.h>

#include "registry/test_support.h"
#include "test_names.h"

namespace {

using namespace registry_test;

const char kJavaKey[] = "Software\\JavaSoft\\Java Runtime Environment";

std::string real_path(const std::string &path) { return std::filesystem::canonical(path).string(); }

// A Java installation as far as the registry cares: a VM library and, optionally, a
// release file.
std::string make_java_home(const std::string &home, const std::string &library_folder, const char *release_version)
{
    std::filesystem::create_directories(home + "/" + library_folder);
    std::filesystem::create_directories(home + "/bin");
    write_file(home + "/" + library_folder + "/libjvm.so", "");
    write_file(home + "/bin/javac", "");
    if (release_version != nullptr)
        write_file(home + "/release", std::string("IMPLEMENTOR=\"x\"\nJAVA_VERSION=\"") + release_version + "\"\n");
    return real_path(home);
}

std::optional<std::string> presented(const char *subkey, const char *value)
{
    return query_text(HKEY_LOCAL_MACHINE, (std::string(kJavaKey) + (*subkey ? "\\" : "") + subkey).c_str(), value);
}

class PresentedJava : public testing::Test {
protected:
    ScratchRegistry registry;
    ScratchFolder machine;
};

struct LayoutRow {
    const char *folder_name;
    const char *library_folder;
    const char *release_version;
    const char *current_version;
};

class JavaLayout : public PresentedJava, public testing::WithParamInterface<LayoutRow> {};

TEST_P(JavaLayout, DescribesJavaHome)
{
    const std::string home = make_java_home(machine.path() + "/" + GetParam().folder_name, GetParam().library_folder,
                                            GetParam().release_version);
    EnvironmentOverride java_home("JAVA_HOME", home.c_str());
    const std::string version = GetParam().current_version;
    EXPECT_EQ(presented("", "CurrentVersion"), version);
    EXPECT_EQ(presented(version.c_str(), "RuntimeLib"), home + "/" + GetParam().library_folder + "/libjvm.so");
    EXPECT_EQ(presented(version.c_str(), "JavaHome"), home);
}

INSTANTIATE_TEST_SUITE_P(Rows, JavaLayout,
                         testing::Values(LayoutRow{"jdk-21", "lib/server", "21.0.1", "21"},
                                         LayoutRow{"jdk8", "jre/lib/amd64/server", "1.8.0_292", "1.8"},
                                         LayoutRow{"java-11-openjdk-amd64", "lib/server", nullptr, "11"},
                                         LayoutRow{"jdk1.8.0_151", "jre/lib/amd64/server", nullptr, "1.8"},
                                         LayoutRow{"myjava", "lib/server", nullptr, "myjava"}),
                         test_names::by_field<&LayoutRow::folder_name>);

TEST_F(PresentedJava, FollowsJavacOnThePathWhenJavaHomeIsUnusable)
{
    const std::string home = make_java_home(machine.path() + "/jdk-17", "lib/server", "17.0.2");
    const std::string bin = machine.path() + "/bin";
    std::filesystem::create_directories(bin);
    std::filesystem::create_symlink(home + "/bin/javac", bin + "/javac");
    EnvironmentOverride java_home("JAVA_HOME", (machine.path() + "/not-a-jdk").c_str());
    EnvironmentOverride path("PATH", ("/nonexistent:" + bin).c_str());
    EXPECT_EQ(presented("", "CurrentVersion"), "17");
    EXPECT_EQ(presented("17", "JavaHome"), home);
}

TEST_F(PresentedJava, FallsBackToTheSystemDefault)
{
    const char *system_default = "/usr/lib/jvm/default-java";
    if (!std::filesystem::exists(std::string(system_default) + "/lib/server/libjvm.so"))
        GTEST_SKIP() << "this machine has no " << system_default;
    const auto version = presented("", "CurrentVersion");
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(presented(version->c_str(), "JavaHome"), real_path(system_default));
}

TEST_F(PresentedJava, IsReadOnlyAndNeverWritten)
{
    const std::string home = make_java_home(machine.path() + "/jdk-21", "lib/server", "21");
    EnvironmentOverride java_home("JAVA_HOME", home.c_str());
    Key key, created;
    EXPECT_EQ(open_key(HKEY_LOCAL_MACHINE, kJavaKey, key, KEY_WRITE), ERROR_ACCESS_DENIED);
    EXPECT_EQ(create_key(HKEY_LOCAL_MACHINE, (std::string(kJavaKey) + "\\21\\New").c_str(), created),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\JavaSoft"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kJavaKey) + "\\21").c_str()), ERROR_ACCESS_DENIED);

    // Its parent is an ordinary key: other products may register beside it.
    ASSERT_EQ(create_key(HKEY_LOCAL_MACHINE, "Software\\JavaSoft\\Prefs", created), ERROR_SUCCESS);
    EXPECT_EQ(presented("", "CurrentVersion"), "21");
    EXPECT_NE(registry.contents().find("[HKEY_LOCAL_MACHINE\\Software\\JavaSoft\\Prefs]"), std::string::npos);
    EXPECT_EQ(registry.contents().find("Java Runtime Environment"), std::string::npos);
}

TEST_F(PresentedJava, EnumeratesLikeAnInstalledJre)
{
    const std::string home = make_java_home(machine.path() + "/jdk-21", "lib/server", "21");
    EnvironmentOverride java_home("JAVA_HOME", home.c_str());
    Key key;
    ASSERT_EQ(open_key(HKEY_LOCAL_MACHINE, kJavaKey, key), ERROR_SUCCESS);
    DWORD sub_keys = 0, longest = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &sub_keys, &longest, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(sub_keys, 1u);
    char name[16];
    DWORD size = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(key.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "21");
    EXPECT_EQ(size, longest);
}

TEST_F(PresentedJava, TheFileWinsEvenWithAnEmptyKey)
{
    const std::string home = make_java_home(machine.path() + "/jdk-21", "lib/server", "21");
    EnvironmentOverride java_home("JAVA_HOME", home.c_str());
    registry.write("Windows Registry Editor Version 5.00\n\n"
                   "[HKEY_LOCAL_MACHINE\\Software\\JavaSoft\\Java Runtime Environment]\n");
    Key key;
    ASSERT_EQ(open_key(HKEY_LOCAL_MACHINE, kJavaKey, key), ERROR_SUCCESS);
    EXPECT_EQ(presented("", "CurrentVersion"), std::nullopt);
    Key writable;
    EXPECT_EQ(open_key(HKEY_LOCAL_MACHINE, kJavaKey, writable, KEY_WRITE), ERROR_SUCCESS);
}

TEST_F(PresentedJava, TheFilesOwnDescriptionIsUsed)
{
    const std::string home = make_java_home(machine.path() + "/jdk-21", "lib/server", "21");
    EnvironmentOverride java_home("JAVA_HOME", home.c_str());
    registry.write("Windows Registry Editor Version 5.00\n\n"
                   "[HKEY_LOCAL_MACHINE\\Software\\JavaSoft\\Java Runtime Environment]\n"
                   "\"CurrentVersion\"=\"1.6\"\n\n"
                   "[HKEY_LOCAL_MACHINE\\Software\\JavaSoft\\Java Runtime Environment\\1.6]\n"
                   "\"RuntimeLib\"=\"/opt/java6/libjvm.so\"\n");
    EXPECT_EQ(presented("", "CurrentVersion"), "1.6");
    EXPECT_EQ(presented("1.6", "RuntimeLib"), "/opt/java6/libjvm.so");
    EXPECT_EQ(presented("21", "RuntimeLib"), std::nullopt);
}

TEST_F(PresentedJava, HiddenOnRequest)
{
    const std::string home = make_java_home(machine.path() + "/jdk-21", "lib/server", "21");
    EnvironmentOverride java_home("JAVA_HOME", home.c_str());
    {
        EnvironmentOverride hidden("TAVLIN_NO_MACHINE_JAVA", "1");
        Key key;
        EXPECT_EQ(open_key(HKEY_LOCAL_MACHINE, kJavaKey, key), ERROR_FILE_NOT_FOUND);
    }
    EXPECT_EQ(presented("", "CurrentVersion"), "21");
}

TEST_F(PresentedJava, NothingIsPresentedWithoutJava)
{
    EnvironmentOverride java_home("JAVA_HOME", machine.path().c_str());
    if (std::filesystem::exists("/usr/lib/jvm/default-java")) GTEST_SKIP() << "this machine has a system default Java";
    Key key;
    EXPECT_EQ(open_key(HKEY_LOCAL_MACHINE, kJavaKey, key), ERROR_FILE_NOT_FOUND);
}

}  // namespace
