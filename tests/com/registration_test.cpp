// Self-registration as the registry shows it: every key and value of both classes and of
// the type library, idempotent registration, unregistration that keeps HKCR\CLSID, the
// module path written as it is, quotes included, and DllInstall's registration for the
// machine or the user by its command line.
#include <unistd.h>

#include <filesystem>

#include "client.h"
#include "com/registration.h"
#include "com_test_support.h"

namespace com_test {
namespace {

const char kUtil[] = "CLSID\\{E5E89462-9F06-11D1-A07D-AAE6E1FA032C}";
const char kProxy[] = "CLSID\\{92E97FB8-4034-4E8D-BCB3-C2F794F526C5}";
const char kTypeLib[] = "TypeLib\\{E5E89460-9F06-11D1-A07D-AAE6E1FA032C}";
const char kModule[] = "<module>";  // stands for the library's file
const char kFolder[] = "<folder>";  // stands for the library's folder

struct EntryRow {
    std::string key;
    const char *value;  // null: the default value
    const char *data;
};

const char *const kLibrarySyskind = sizeof(void *) == 8 ? "\\1.0\\0\\win64" : "\\1.0\\0\\win32";

std::vector<EntryRow> entry_rows()
{
    return {
        {"Tavlin.TavlinUtil.1", nullptr, "TavlinUtil Class"},
        {"Tavlin.TavlinUtil.1\\CLSID", nullptr, "{E5E89462-9F06-11D1-A07D-AAE6E1FA032C}"},
        {"Tavlin.Util", nullptr, "TavlinUtil Class"},
        {"Tavlin.Util\\CLSID", nullptr, "{E5E89462-9F06-11D1-A07D-AAE6E1FA032C}"},
        {"Tavlin.TavlinUtil", nullptr, "TavlinUtil Class"},
        {"Tavlin.TavlinUtil\\CLSID", nullptr, "{E5E89462-9F06-11D1-A07D-AAE6E1FA032C}"},
        {"Tavlin.TavlinUtil\\CurVer", nullptr, "Tavlin.TavlinUtil.1"},
        {kUtil, nullptr, "TavlinUtil Class"},
        {std::string(kUtil) + "\\ProgID", nullptr, "Tavlin.TavlinUtil.1"},
        {std::string(kUtil) + "\\VersionIndependentProgID", nullptr, "Tavlin.TavlinUtil"},
        {std::string(kUtil) + "\\InprocServer32", nullptr, kModule},
        {std::string(kUtil) + "\\InprocServer32", "ThreadingModel", "Both"},
        {std::string(kUtil) + "\\TypeLib", nullptr, "{E5E89460-9F06-11D1-A07D-AAE6E1FA032C}"},
        {"Tavlin.Proxy.1", nullptr, "Proxy Class"},
        {"Tavlin.Proxy.1\\CLSID", nullptr, "{92E97FB8-4034-4E8D-BCB3-C2F794F526C5}"},
        {"Tavlin.Proxy", nullptr, "Proxy Class"},
        {"Tavlin.Proxy\\CLSID", nullptr, "{92E97FB8-4034-4E8D-BCB3-C2F794F526C5}"},
        {"Tavlin.Proxy\\CurVer", nullptr, "Tavlin.Proxy.1"},
        {kProxy, nullptr, "Proxy Class"},
        {std::string(kProxy) + "\\ProgID", nullptr, "Tavlin.Proxy.1"},
        {std::string(kProxy) + "\\VersionIndependentProgID", nullptr, "Tavlin.Proxy"},
        {std::string(kProxy) + "\\InprocServer32", nullptr, kModule},
        {std::string(kProxy) + "\\InprocServer32", "ThreadingModel", "Both"},
        {std::string(kProxy) + "\\TypeLib", nullptr, "{07E7A1AE-7AC3-4924-BBDB-8C971B1A4BA0}"},
        {std::string(kTypeLib) + "\\1.0", nullptr, "tavlin 1.0 Type Library"},
        {std::string(kTypeLib) + kLibrarySyskind, nullptr, kModule},
        {std::string(kTypeLib) + "\\1.0\\HELPDIR", nullptr, kFolder},
        {"Interface\\{E5E89461-9F06-11D1-A07D-AAE6E1FA032C}", nullptr, "ITavlinUtil"},
        {"Interface\\{E5E89461-9F06-11D1-A07D-AAE6E1FA032C}\\TypeLib", nullptr,
         "{E5E89460-9F06-11D1-A07D-AAE6E1FA032C}"},
        {"Interface\\{9A6F080F-A624-4E65-B5FB-64EB585EDD54}", nullptr, "IProxy"},
    };
}

// Keys that exist without values.
const char *const kProgrammableKeys[] = {"CLSID\\{E5E89462-9F06-11D1-A07D-AAE6E1FA032C}\\Programmable",
                                         "CLSID\\{92E97FB8-4034-4E8D-BCB3-C2F794F526C5}\\Programmable"};

class RegistrationTest : public ComTest {
protected:
    void expect_registered(const std::string &module, const ClassesRoot &root = kMachineClasses)
    {
        std::string folder = module.substr(0, module.rfind('/') + 1);
        for (const EntryRow &row : entry_rows()) {
            std::string expected = row.data == kModule ? module : row.data == kFolder ? folder : row.data;
            EXPECT_EQ(expected, class_value(row.key, row.value, root).value_or("<missing>"))
                << root.name << "\\" << row.key << " " << (row.value ? row.value : "(default)");
        }
        for (const char *key : kProgrammableKeys) {
            ASSERT_TRUE(class_key_exists(key, root)) << root.name << "\\" << key;
            EXPECT_EQ(0u, class_value_count(key, root)) << key;
            EXPECT_EQ(0u, class_subkey_count(key, root)) << key;
        }
    }

    void expect_unregistered(const ClassesRoot &root = kMachineClasses)
    {
        for (const EntryRow &row : entry_rows())
            EXPECT_FALSE(class_key_exists(row.key, root)) << root.name << "\\" << row.key;
        EXPECT_FALSE(class_key_exists(kTypeLib, root)) << root.name;
    }
};

TEST_F(RegistrationTest, RegistersEveryKeyAndValue)
{
    ASSERT_EQ(S_OK, DllRegisterServer());
    expect_registered(library_file());
}

TEST_F(RegistrationTest, RegisteringTwiceChangesNothing)
{
    ASSERT_EQ(S_OK, DllRegisterServer());
    ASSERT_EQ(S_OK, DllRegisterServer());
    expect_registered(library_file());
    EXPECT_EQ(2u, class_subkey_count("CLSID"));
}

TEST_F(RegistrationTest, RegistrationReplacesStaleClassKeys)
{
    tavlin::RegistryKeyHandle stale;
    std::string leftover = std::string(kUtil) + "\\Leftover";
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, leftover.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, stale.put(), nullptr));
    stale.reset();
    ASSERT_EQ(S_OK, DllRegisterServer());
    EXPECT_FALSE(class_key_exists(leftover));
    expect_registered(library_file());
}

TEST_F(RegistrationTest, UnregistrationRemovesEverythingButClsid)
{
    ASSERT_EQ(S_OK, DllRegisterServer());
    EXPECT_EQ(S_OK, DllUnregisterServer());
    expect_unregistered();
    EXPECT_TRUE(class_key_exists("CLSID"));
    EXPECT_EQ(0u, class_subkey_count("CLSID"));
}

TEST_F(RegistrationTest, UnregistrationKeepsOtherClasses)
{
    tavlin::RegistryKeyHandle other;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{00000000-1111-2222-3333-444444444444}", 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, other.put(), nullptr));
    other.reset();
    ASSERT_EQ(S_OK, DllRegisterServer());
    EXPECT_EQ(S_OK, DllUnregisterServer());
    EXPECT_EQ(1u, class_subkey_count("CLSID"));
}

TEST_F(RegistrationTest, UnregisteringNothingSucceeds)
{
    EXPECT_EQ(S_OK, DllUnregisterServer());
    expect_unregistered();
    EXPECT_EQ(S_OK, DllUnregisterServer());
}

// The registrar finds the scripts in the file a path names; a link to the library is that
// file under another name, as a folder with a quote in its name gives it.
TEST_F(RegistrationTest, ModulePathWithQuoteIsWrittenAsItIs)
{
    std::string folder = fresh_folder("it's here");
    std::string link = folder + "/libtavlin.so";
    ASSERT_EQ(0, symlink(library_file().c_str(), link.c_str()));
    ASSERT_EQ(S_OK, tavlin::register_server(tavlin_test::wide(link)));
    expect_registered(link);
}

TEST_F(RegistrationTest, TypeLibraryFileBesideTheLibraryServesWhenItsOwnDoesNot)
{
    std::string folder = fresh_folder("installed");
    std::string tlb = folder + "/tavlin.tlb";
    ASSERT_EQ(0, symlink(library_file().c_str(), tlb.c_str()));
    ASSERT_EQ(S_OK, tavlin::register_type_library(tavlin_test::wide(folder + "/tavlin.dll")));
    EXPECT_EQ(tlb, class_value(std::string(kTypeLib) + kLibrarySyskind).value_or("<missing>"));
    EXPECT_EQ(folder + "/", class_value(std::string(kTypeLib) + "\\1.0\\HELPDIR").value_or("<missing>"));
}

TEST_F(RegistrationTest, NoTypeLibraryAnywhereRegistersNothing)
{
    std::string folder = fresh_folder("empty");
    EXPECT_EQ(TYPE_E_CANTLOADLIBRARY, tavlin::register_type_library(tavlin_test::wide(folder + "/tavlin.dll")));
    EXPECT_FALSE(class_key_exists(kTypeLib));
}

TEST_F(RegistrationTest, RegisteredClassesAreCreatedThroughTheirProgIds)
{
    ASSERT_EQ(S_OK, DllRegisterServer());
    for (const char *progid : {"Tavlin.Util", "Tavlin.TavlinUtil", "Tavlin.TavlinUtil.1"}) {
        std::u16string clsid_text = tavlin_test::wide(class_value(std::string(progid) + "\\CLSID").value_or(""));
        CLSID clsid{};
        ASSERT_EQ(S_OK, CLSIDFromString(clsid_text.c_str(), &clsid)) << progid;
        ComPtr<IDispatch> object;
        ComPtr<IClassFactory> factory = class_object(clsid);
        ASSERT_TRUE(factory) << progid;
        EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch, object.put_void())) << progid;
    }
}

// DllInstall's command lines: none or an empty one registers for the machine, as
// DllRegisterServer does; "user", in any case, for the user alone; anything else is refused.
struct InstallRow {
    const char16_t *command_line;
    HRESULT expected;
    const ClassesRoot *registered;  // null: nowhere
    const ClassesRoot *untouched;
};

const InstallRow install_rows[] = {
    {nullptr, S_OK, &kMachineClasses, &kUserClasses}, {u"", S_OK, &kMachineClasses, &kUserClasses},
    {u"user", S_OK, &kUserClasses, &kMachineClasses}, {u"USER", S_OK, &kUserClasses, &kMachineClasses},
    {u"User", S_OK, &kUserClasses, &kMachineClasses}, {u"machine", E_INVALIDARG, nullptr, nullptr},
    {u"user ", E_INVALIDARG, nullptr, nullptr},       {u"users", E_INVALIDARG, nullptr, nullptr},
    {u"/i:user", E_INVALIDARG, nullptr, nullptr},
};

class InstallTest : public RegistrationTest, public testing::WithParamInterface<InstallRow> {};

TEST_P(InstallTest, RegistersWhereTheCommandLineSays)
{
    const InstallRow &row = GetParam();
    ASSERT_EQ(row.expected, DllInstall(TRUE, row.command_line));
    if (!row.registered) {
        expect_unregistered(kMachineClasses);
        expect_unregistered(kUserClasses);
        return;
    }
    expect_registered(library_file(), *row.registered);
    expect_unregistered(*row.untouched);
}

TEST_P(InstallTest, UninstallsWhereTheCommandLineSaysAndNowhereElse)
{
    const InstallRow &row = GetParam();
    ASSERT_EQ(S_OK, DllInstall(TRUE, nullptr));
    ASSERT_EQ(S_OK, DllInstall(TRUE, u"user"));
    ASSERT_EQ(row.expected, DllInstall(FALSE, row.command_line));
    if (!row.registered) {
        expect_registered(library_file(), kMachineClasses);
        expect_registered(library_file(), kUserClasses);
        return;
    }
    expect_unregistered(*row.registered);
    expect_registered(library_file(), *row.untouched);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, InstallTest, testing::ValuesIn(install_rows));

// The user's registration lends HKEY_CLASSES_ROOT to the user's classes only while it runs.
TEST_F(RegistrationTest, ClassesRootIsTheMachineAgainAfterAUserRegistration)
{
    ASSERT_EQ(S_OK, DllInstall(TRUE, u"user"));
    tavlin::RegistryKeyHandle created;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "Tavlin.Later", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             created.put(), nullptr));
    created.reset();
    tavlin::RegistryKeyHandle machine;
    EXPECT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes\\Tavlin.Later", 0, KEY_READ, machine.put()));
    EXPECT_FALSE(class_key_exists("Tavlin.Later", kUserClasses));
    ASSERT_EQ(S_OK, DllInstall(FALSE, u"user"));
    EXPECT_TRUE(class_key_exists("Tavlin.Later"));
}

TEST_F(RegistrationTest, UninstallingForTheUserWhatWasNeverInstalledSucceeds)
{
    EXPECT_EQ(S_OK, DllInstall(FALSE, u"user"));
    expect_unregistered(kUserClasses);
}

struct PathRow {
    const char16_t *path;
    const char16_t *tlb;
    const char16_t *help_directory;
};

const PathRow path_rows[] = {
    {u"C:\\dir\\tavlin.dll", u"C:\\dir\\tavlin.tlb", u"C:\\dir\\"},
    {u"C:\\dir.d\\tavlin", u"C:\\dir.tlb", u"C:\\dir.d\\"},
    {u"tavlin", u"tavlin.tlb", u""},
    {u"C:tavlin.dll", u"C:tavlin.tlb", u"C:"},
    {u"lib/dir/libtavlin.so", u"lib/dir/libtavlin.tlb", u"lib/dir/"},
};

TEST(RegistrationNames, TypeLibraryFileAndHelpDirectory)
{
    for (const PathRow &row : path_rows) {
        EXPECT_EQ(tavlin::OleString(row.tlb), tavlin::type_library_file_beside(row.path));
        EXPECT_EQ(tavlin::OleString(row.help_directory), tavlin::help_directory_of(row.path));
    }
}

TEST(RegistrationNames, QuotesAreDoubledForScripts)
{
    EXPECT_EQ(tavlin::OleString(u"C:\\it''s\\tavlin.dll"), tavlin::quoted_for_script(u"C:\\it's\\tavlin.dll"));
    EXPECT_EQ(tavlin::OleString(u"''''"), tavlin::quoted_for_script(u"''"));
    EXPECT_EQ(tavlin::OleString(u"plain"), tavlin::quoted_for_script(u"plain"));
}

}  // namespace
}  // namespace com_test
