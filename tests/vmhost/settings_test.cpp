// The VM's option strings as the registry and CLASSPATH make them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "test_names.h"
#include "test_process.h"
#include "vmhost/registry_key.h"
#include "vmhost/runtime_settings.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

const char kProduct[] = "Software\\Varnexa\\Tidewell";

std::string library_folder()
{
    char path[4096];
    DWORD length = GetModuleFileNameA(GetModuleHandleA("tavlin"), path, sizeof path);
    std::string file(path, length);
    return file.substr(0, file.rfind('/'));
}

std::string read_value(const char *name)
{
    CRegistryKey key;
    if (key.open(HKEY_LOCAL_MACHINE, kProduct, KEY_READ) != ERROR_SUCCESS) return "<no key>";
    CMallocString value = key.query_string(name);
    return value ? value.get() : "<no value>";
}

bool product_key_exists()
{
    CRegistryKey key;
    return key.open(HKEY_LOCAL_MACHINE, kProduct, KEY_READ) == ERROR_SUCCESS;
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_fresh_registry();
        unsetenv("CLASSPATH");
        folder_ = library_folder();
    }
    std::string in_folder(const char *file) const { return folder_ + "/" + file + ":"; }
    // The whole option, checked first for the empty entry that the VM would read as the
    // current folder.
    static std::string classpath_option()
    {
        std::string option = get_classpath().get();
        std::string list = ":" + option.substr(option.find('=') + 1) + ":";
        EXPECT_EQ(std::string::npos, list.find("::")) << "an empty entry in " << option;
        return option;
    }
    std::string folder_;
};

}  // namespace

TEST_F(SettingsTest, EmptyRegistryGivesDefaultsAndCreatesNoKey)
{
    EXPECT_STREQ("-Xmx256m", get_max_memory().get());
    EXPECT_STREQ("-XX:MaxPermSize=64m", get_max_permsize().get());
    EXPECT_FALSE(product_key_exists());
}

TEST_F(SettingsTest, DefaultsAreWrittenBackIntoAnExistingKey)
{
    set_registry_string(HKEY_LOCAL_MACHINE, kProduct, "unrelated", "x");
    EXPECT_STREQ("-Xmx256m", get_max_memory().get());
    EXPECT_STREQ("-XX:MaxPermSize=64m", get_max_permsize().get());
    EXPECT_EQ("-Xmx256m", read_value("max"));
    EXPECT_EQ("-XX:MaxPermSize=64m", read_value("maxperm"));
}

TEST_F(SettingsTest, RegistryValuesPassVerbatimAndAreWrittenBackUnchanged)
{
    set_registry_string(HKEY_LOCAL_MACHINE, kProduct, "max", "-Xmx1024m");
    set_registry_string(HKEY_LOCAL_MACHINE, kProduct, "maxperm", "512");
    EXPECT_STREQ("-Xmx1024m", get_max_memory().get());
    EXPECT_STREQ("512", get_max_permsize().get());
    EXPECT_EQ("-Xmx1024m", read_value("max"));
}

TEST_F(SettingsTest, ClassPathWithoutSettingsNamesTheLibraryFolder)
{
    EXPECT_EQ("-Djava.class.path=" + in_folder("rk.jar") + in_folder("qz.jar") + folder_, classpath_option());
}

struct ClassPathRow {
    const char *name;
    const char *classpath;
    const char *leading;  // what the option starts with after "-Djava.class.path="
    bool adds_rk;
    bool adds_qz;
};

class ClassPathVariable : public SettingsTest, public ::testing::WithParamInterface<ClassPathRow> {};

TEST_P(ClassPathVariable, LeadsTheClassPathAndDecidesTheArchives)
{
    const ClassPathRow &row = GetParam();
    setenv("CLASSPATH", row.classpath, 1);
    std::string expected = std::string("-Djava.class.path=") + row.leading;
    if (row.adds_rk) expected += in_folder("rk.jar");
    if (row.adds_qz) expected += in_folder("qz.jar");
    expected += folder_;
    EXPECT_EQ(expected, classpath_option());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ClassPathVariable,
    ::testing::Values(ClassPathRow{"OneArchive", "/lib/a.jar", "/lib/a.jar:", true, true},
                      ClassPathRow{"BlanksSkippedNoSecondColon", "  \t/lib/a.jar:", "/lib/a.jar:", true, true},
                      ClassPathRow{"Empty", "", "", true, true}, ClassPathRow{"OnlyBlanks", "   ", "", true, true},
                      ClassPathRow{"EmptyEntriesDropped", ":/lib/a.jar::/lib/b.jar:", "/lib/a.jar:/lib/b.jar:", true,
                                   true},
                      ClassPathRow{"RkInAnyCase", "/lib/RK.jar", "/lib/RK.jar:", false, true},
                      ClassPathRow{"RkAsPartOfAName", "/lib/work.jar", "/lib/work.jar:", false, true},
                      ClassPathRow{"QzInAnyCase", "/lib/qz.JAR", "/lib/qz.JAR:", true, false},
                      ClassPathRow{"BothArchives", "/a/rk.jar:/b/qz.jar", "/a/rk.jar:/b/qz.jar:", false, false}),
    test_names::by_field<&ClassPathRow::name>);

TEST_F(SettingsTest, ExtrasFolderAndProductSubkeysJoinTheClassPath)
{
    set_registry_string(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Orvalis Tidewell Services - Web Lanthra\\Extras",
                        nullptr, "/extras");
    set_registry_string(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Tidewell\\lib1", nullptr, "/one.jar");
    set_registry_string(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Tidewell\\MyVMOptionsBackup", nullptr, "/no.jar");
    set_registry_string(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Tidewell\\vmoptions", nullptr, "/lower.jar");
    std::string option = classpath_option();
    std::string expected_start = "-Djava.class.path=/extras/rk.jar:";
    EXPECT_EQ(0u, option.find(expected_start)) << option;
    EXPECT_NE(std::string::npos, option.find("/one.jar:")) << option;
    EXPECT_NE(std::string::npos, option.find("/lower.jar:")) << "vmoptions in lower case is a class-path entry";
    EXPECT_EQ(std::string::npos, option.find("/no.jar")) << option;
}

TEST_F(SettingsTest, OnlyVmOptionsSubkeyAddsNothing)
{
    set_registry_string(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Tidewell\\VMOptions\\a", nullptr, "-Dx=1");
    EXPECT_EQ("-Djava.class.path=" + in_folder("rk.jar") + in_folder("qz.jar") + folder_, classpath_option());
}

TEST_F(SettingsTest, VmOptionsComeFromReadableDefaultValuesOnly)
{
    set_registry_string(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Tidewell\\VMOptions\\1", nullptr, "-Dfirst=1");
    set_registry_string(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Tidewell\\VMOptions\\2", "named", "ignored");
    set_registry_string(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Tidewell\\VMOptions\\3", nullptr, "-Dthird=3");
    CRegistrySettings settings;
    const auto &options = settings.get_vm_options();
    ASSERT_EQ(2u, options.size());
    EXPECT_STREQ("-Dfirst=1", options[0].get());
    EXPECT_STREQ("-Dthird=3", options[1].get());
}

TEST_F(SettingsTest, NoProductKeyMeansNoOptionsAndNoExtraClassPath)
{
    CRegistrySettings settings;
    EXPECT_TRUE(settings.get_vm_options().empty());
    EXPECT_EQ(nullptr, settings.get_extra_classpath());
}

TEST_F(SettingsTest, LongClassPathIsKeptWhole)
{
    std::string long_path(100000, 'a');
    setenv("CLASSPATH", long_path.c_str(), 1);
    std::string option = get_classpath().get();
    EXPECT_EQ(0u, option.find("-Djava.class.path=" + long_path + ":"));
}
