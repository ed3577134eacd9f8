// The port's registrar component, driven with script text as the registration of any
// in-process server drives it.
#include "com/registrar.h"
#include "com_test_support.h"

namespace com_test {
namespace {

const HRESULT kScriptError = DISP_E_EXCEPTION;

class RegistrarTest : public ComTest {
protected:
    void SetUp() override
    {
        ComTest::SetUp();
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Registrar, nullptr, CLSCTX_INPROC_SERVER, IID_IRegistrar,
                                         registrar_.put_void()));
    }

    HRESULT run(const char16_t *script, bool registering)
    {
        return registering ? registrar_->StringRegister(script) : registrar_->StringUnregister(script);
    }

    ComPtr<IRegistrar> registrar_;
};

TEST_F(RegistrarTest, NeedsAnApartmentAndTheRightContext)
{
    ComPtr<IRegistrar> other;
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(CLSID_Registrar, nullptr, CLSCTX_LOCAL_SERVER, IID_IRegistrar, other.put_void()));
    CoUninitialize();
    EXPECT_EQ(static_cast<HRESULT>(0x800401F0),  // CO_E_NOTINITIALIZED
              CoCreateInstance(CLSID_Registrar, nullptr, CLSCTX_INPROC_SERVER, IID_IRegistrar, other.put_void()));
    EXPECT_FALSE(other);
    EXPECT_EQ(S_OK, CoInitialize(nullptr));
}

TEST_F(RegistrarTest, WritesKeysDefaultAndNamedValues)
{
    ASSERT_EQ(S_OK, run(u"HKCR { A = s 'first' { B = s 'it''s' { val Named = s 'v' val Number = d '42' } } }", true));
    EXPECT_EQ("first", class_value("A").value_or("<missing>"));
    EXPECT_EQ("it's", class_value("A\\B").value_or("<missing>"));
    EXPECT_EQ("v", class_value("A\\B", "Named").value_or("<missing>"));
    tavlin::RegistryKeyHandle key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, "A\\B", 0, KEY_READ, key.put()));
    DWORD number = 0, size = sizeof number, type = 0;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key.get(), "Number", nullptr, &type, reinterpret_cast<BYTE *>(&number), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(42u, number);
}

struct RemovalRow {
    const char *what;
    const char16_t *script;
    const char *kept;     // key that survives unregistration, or null
    const char *removed;  // key that unregistration removes
};

const RemovalRow removal_rows[] = {
    {"a plain key goes once empty", u"HKCR { P = s 'x' { Q = s 'y' } }", nullptr, "P"},
    {"a NoRemove key stays, its subkeys go", u"HKCR { NoRemove N { Q = s 'y' } }", "N", "N\\Q"},
    {"a ForceRemove key goes with everything", u"HKCR { ForceRemove F { Q = s 'y' } }", nullptr, "F"},
};

TEST_F(RegistrarTest, UnregistrationRemovesByKind)
{
    for (const RemovalRow &row : removal_rows) {
        ASSERT_EQ(S_OK, run(row.script, true)) << row.what;
        ASSERT_TRUE(class_key_exists(row.removed)) << row.what;
        ASSERT_EQ(S_OK, run(row.script, false)) << row.what;
        EXPECT_FALSE(class_key_exists(row.removed)) << row.what;
        if (row.kept) {
            EXPECT_TRUE(class_key_exists(row.kept)) << row.what;
        }
    }
}

TEST_F(RegistrarTest, PlainKeyWithForeignSubkeysStays)
{
    ASSERT_EQ(S_OK, run(u"HKCR { P = s 'x' }", true));
    ASSERT_EQ(S_OK, run(u"HKCR { P { Foreign = s 'z' } }", true));
    ASSERT_EQ(S_OK, run(u"HKCR { P = s 'x' }", false));
    EXPECT_TRUE(class_key_exists("P\\Foreign"));
}

TEST_F(RegistrarTest, ForceRemoveClearsTheKeyBeforeWriting)
{
    ASSERT_EQ(S_OK, run(u"HKCR { F { Old = s 'o' } }", true));
    ASSERT_EQ(S_OK, run(u"HKCR { ForceRemove F { New = s 'n' } }", true));
    EXPECT_FALSE(class_key_exists("F\\Old"));
    EXPECT_TRUE(class_key_exists("F\\New"));
}

TEST_F(RegistrarTest, ReplacementsAreSubstituted)
{
    ASSERT_EQ(S_OK, registrar_->AddReplacement(u"Module", u"C:\\it''s\\x.dll"));
    ASSERT_EQ(S_OK, run(u"HKCR { K = s '%MODULE%' { Pct = s '100%%' } }", true));
    EXPECT_EQ("C:\\it's\\x.dll", class_value("K").value_or("<missing>"));
    EXPECT_EQ("100%", class_value("K\\Pct").value_or("<missing>"));
    ASSERT_EQ(S_OK, registrar_->ClearReplacements());
    EXPECT_EQ(kScriptError, run(u"HKCR { K = s '%MODULE%' }", true));
}

const char16_t *const malformed_scripts[] = {
    u"HKXX { A = s 'x' }",  // no such root
    u"HKCR { A = s 'unterminated }",
    u"HKCR { A = q 'x' }",  // no such value type
    u"HKCR { A = d 'ten' }",
    u"HKCR { A = s 'x' ",  // missing closing brace
    u"HKCR A = s 'x'",     // missing opening brace
};

TEST_F(RegistrarTest, MalformedScriptsAreRefused)
{
    for (const char16_t *script : malformed_scripts) EXPECT_EQ(kScriptError, run(script, true));
}

TEST_F(RegistrarTest, ResourcesAreFoundInTheModuleFile)
{
    std::u16string module = tavlin_test::wide(library_file());
    ASSERT_EQ(S_OK, registrar_->AddReplacement(u"Module", module.c_str()));
    EXPECT_EQ(S_OK, registrar_->ResourceRegisterSz(module.c_str(), u"#102", u"registry"));
    EXPECT_EQ("Proxy Class", class_value("Tavlin.Proxy").value_or("<missing>"));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND),
              registrar_->ResourceRegister(module.c_str(), 999, u"REGISTRY"));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND),
              registrar_->ResourceRegisterSz(module.c_str(), u"SCRIPT", u"REGISTRY"));
    std::u16string missing = tavlin_test::wide(fresh_folder("none") + "/libmissing.so");
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), registrar_->ResourceRegister(missing.c_str(), 102, u"REGISTRY"));
}

}  // namespace
}  // namespace com_test
