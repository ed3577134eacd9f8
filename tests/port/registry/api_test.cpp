// Registry behaviour particular to the port: the predefined keys, HKEY_CLASSES_ROOT as a
// view of HKEY_LOCAL_MACHINE\Software\Classes, a predefined key put in another's place for a
// while, and every bad argument answered with its Win32 error instead of a crash.
#include <thread>
#include <vector>

#include "registry/test_support.h"
#include "test_names.h"

namespace {

using namespace registry_test;

class RegistryApi : public testing::Test {
protected:
    ScratchRegistry registry;
};

TEST_F(RegistryApi, ClassesRootIsAViewOfLocalMachineClasses)
{
    Key clsid;
    ASSERT_EQ(create_key(HKEY_CLASSES_ROOT, "CLSID\\{0001}", clsid), ERROR_SUCCESS);
    ASSERT_EQ(set_text(clsid.get(), nullptr, "Tavlin.TavlinUtil"), ERROR_SUCCESS);
    EXPECT_EQ(query_text(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{0001}", ""), "Tavlin.TavlinUtil");
    EXPECT_NE(registry.contents().find("[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{0001}]"), std::string::npos);
}

// A user's registration puts the user's classes in the place of HKEY_CLASSES_ROOT.
TEST_F(RegistryApi, AnOverriddenPredefinedKeyStandsForItsReplacementUntilRestored)
{
    Key user_classes, through_root, after;
    ASSERT_EQ(create_key(HKEY_CURRENT_USER, "Software\\Classes", user_classes), ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, user_classes.get()), ERROR_SUCCESS);
    // The override holds the key itself, not the handle.
    user_classes.reset();
    ASSERT_EQ(create_key(HKEY_CLASSES_ROOT, "CLSID\\{0001}", through_root), ERROR_SUCCESS);
    ASSERT_EQ(set_text(through_root.get(), nullptr, "mine"), ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr), ERROR_SUCCESS);

    EXPECT_EQ(query_text(HKEY_CURRENT_USER, "Software\\Classes\\CLSID\\{0001}", ""), "mine");
    EXPECT_EQ(open_key(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{0001}", after), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(open_key(HKEY_CLASSES_ROOT, "CLSID\\{0001}", after), ERROR_FILE_NOT_FOUND);
    // A handle opened through the override keeps naming the key it was opened on.
    EXPECT_EQ(query_text(through_root.get(), nullptr, ""), "mine");
}

TEST_F(RegistryApi, OnlyPredefinedKeysAreOverriddenAndOnlyByOpenKeys)
{
    Key mine;
    ASSERT_EQ(create_key(HKEY_CURRENT_USER, "Software\\Mine", mine), ERROR_SUCCESS);
    EXPECT_EQ(RegOverridePredefKey(mine.get(), HKEY_CURRENT_USER), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOverridePredefKey(nullptr, mine.get()), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, reinterpret_cast<HKEY>(uintptr_t(0x1234))), ERROR_INVALID_HANDLE);
    // Restoring a key that was never overridden changes nothing.
    EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(set_text(mine.get(), "v", "x"), ERROR_SUCCESS);
    EXPECT_EQ(query_text(HKEY_CURRENT_USER, "Software\\Mine", "v"), "x");
}

TEST_F(RegistryApi, PredefinedKeysExistInAnEmptyRegistry)
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_USERS}) {
        DWORD values = 99;
        EXPECT_EQ(RegQueryInfoKeyA(root, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                   nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(values, 0u);
    }
    DWORD count = 0;
    ASSERT_EQ(RegQueryInfoKeyA(HKEY_CLASSES_ROOT, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(count, 0u);
}

TEST_F(RegistryApi, PredefinedKeysCannotBeDeleted)
{
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, ""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Classes"), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryApi, ReadingAnEmptyRegistryWritesNoFile)
{
    Key missing;
    EXPECT_EQ(open_key(HKEY_LOCAL_MACHINE, "Software\\Varnexa\\Tidewell", missing), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(registry.file()));
}

TEST_F(RegistryApi, OpeningTheKeyItselfGivesANewHandle)
{
    Key base, again;
    ASSERT_EQ(create_key(HKEY_CURRENT_USER, "Software\\Mine", base), ERROR_SUCCESS);
    ASSERT_EQ(open_key(base.get(), nullptr, again), ERROR_SUCCESS);
    EXPECT_NE(again.get(), base.get());
    set_text(base.get(), "v", "x");
    EXPECT_TRUE(query_bytes(again.get(), "v").has_value());
}

struct BadHandleRow {
    const char *call;
    LSTATUS (*invoke)(HKEY key);
};

class BadHandle : public RegistryApi, public testing::WithParamInterface<BadHandleRow> {};

TEST_P(BadHandle, IsErrorInvalidHandle)
{
    int not_a_key = 0;
    for (HKEY key : {HKEY(nullptr), reinterpret_cast<HKEY>(&not_a_key), reinterpret_cast<HKEY>(uintptr_t(0x1234))})
        EXPECT_EQ(GetParam().invoke(key), ERROR_INVALID_HANDLE) << GetParam().call;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadHandle,
    testing::Values(BadHandleRow{"RegOpenKeyExA",
                                 [](HKEY key) {
                                     HKEY out;
                                     return RegOpenKeyExA(key, "x", 0, KEY_READ, &out);
                                 }},
                    BadHandleRow{"RegCreateKeyExA",
                                 [](HKEY key) {
                                     HKEY out;
                                     return RegCreateKeyExA(key, "x", 0, nullptr, 0, KEY_READ, nullptr, &out, nullptr);
                                 }},
                    BadHandleRow{"RegCloseKey", [](HKEY key) { return RegCloseKey(key); }},
                    BadHandleRow{"RegQueryValueExA",
                                 [](HKEY key) {
                                     DWORD size = 0;
                                     return RegQueryValueExA(key, "x", nullptr, nullptr, nullptr, &size);
                                 }},
                    BadHandleRow{"RegSetValueExA",
                                 [](HKEY key) { return RegSetValueExA(key, "x", 0, REG_BINARY, nullptr, 0); }},
                    BadHandleRow{"RegDeleteValueA", [](HKEY key) { return RegDeleteValueA(key, "x"); }},
                    BadHandleRow{"RegQueryInfoKeyA",
                                 [](HKEY key) {
                                     DWORD count;
                                     return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                                                             nullptr, nullptr, nullptr, nullptr, nullptr);
                                 }},
                    BadHandleRow{"RegEnumKeyExA",
                                 [](HKEY key) {
                                     char name[8];
                                     DWORD size = sizeof name;
                                     return RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
                                 }},
                    BadHandleRow{"RegDeleteKeyA", [](HKEY key) { return RegDeleteKeyA(key, "x"); }},
                    BadHandleRow{"RegDeleteTreeA", [](HKEY key) { return RegDeleteTreeA(key, "x"); }}),
    test_names::by_field<&BadHandleRow::call>);

TEST_F(RegistryApi, NullPointersAreInvalidParameters)
{
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, nullptr, 0, KEY_READ, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    DWORD size = 8;
    EXPECT_EQ(RegEnumKeyExA(HKEY_CURRENT_USER, 0, nullptr, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    char name[8];
    EXPECT_EQ(RegEnumKeyExA(HKEY_CURRENT_USER, 0, name, nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryInfoKeyA(HKEY_CURRENT_USER, nullptr, nullptr, &reserved, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryApi, InformationNeedsTheRightToQuery)
{
    Key base, writer;
    create_key(HKEY_CURRENT_USER, "Software\\Mine", base);
    ASSERT_EQ(open_key(HKEY_CURRENT_USER, "Software\\Mine", writer, KEY_WRITE), ERROR_SUCCESS);
    DWORD count = 0;
    EXPECT_EQ(RegQueryInfoKeyA(writer.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
}

TEST_F(RegistryApi, CreatingBelowAReadOnlyHandleIsAllowed)
{
    // Windows checks creation against the key's security, not the parent handle's rights.
    Key base, reader, child;
    create_key(HKEY_CURRENT_USER, "Software\\Mine", base);
    open_key(HKEY_CURRENT_USER, "Software\\Mine", reader, KEY_READ);
    EXPECT_EQ(create_key(reader.get(), "Child", child), ERROR_SUCCESS);
}

TEST_F(RegistryApi, GenericRightsMapToRegistryRights)
{
    Key base, generic_reader;
    create_key(HKEY_CURRENT_USER, "Software\\Mine", base);
    set_text(base.get(), "v", "x");
    ASSERT_EQ(open_key(HKEY_CURRENT_USER, "Software\\Mine", generic_reader, GENERIC_READ), ERROR_SUCCESS);
    EXPECT_TRUE(query_bytes(generic_reader.get(), "v").has_value());
    EXPECT_EQ(set_text(generic_reader.get(), "v", "y"), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryApi, InvalidUtf8InAStringIsReplacedAsWindowsWouldStoreIt)
{
    Key base;
    create_key(HKEY_CURRENT_USER, "Software\\Mine", base);
    const char bad[] = "a\xFF";
    ASSERT_EQ(RegSetValueExA(base.get(), "v", 0, REG_SZ, reinterpret_cast<const BYTE *>(bad), sizeof bad),
              ERROR_SUCCESS);
    EXPECT_EQ(query_bytes(base.get(), "v"), std::string("a\xEF\xBF\xBD", 5));
}

TEST_F(RegistryApi, ThreadsWritingAtOnceLoseNothing)
{
    Key base;
    ASSERT_EQ(create_key(HKEY_CURRENT_USER, "Software\\Threads", base), ERROR_SUCCESS);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i)
                set_text(base.get(), ("t" + std::to_string(t) + "_" + std::to_string(i)).c_str(), "x");
        });
    for (auto &thread : threads) thread.join();
    DWORD values = 0;
    RegQueryInfoKeyA(base.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    EXPECT_EQ(values, 100u);
}

}  // namespace
