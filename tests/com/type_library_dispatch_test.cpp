// The utility object's IDispatch as clients use it: served from the registered type
// library, failing while none is registered, and calling newInstance through its function
// table.
#include "client.h"
#include "com_test_support.h"
#include "test_process.h"

namespace com_test {
namespace {

const IID kNoInterface = {};
const HRESULT kNewInstanceFailed = static_cast<HRESULT>(0xFFFFFFFF);

class TypeLibraryDispatchTest : public ComTest {
protected:
    ComPtr<ITavlinUtil> util()
    {
        ComPtr<ITavlinUtil> object;
        EXPECT_EQ(S_OK, class_object(CLSID_TavlinUtil)->CreateInstance(nullptr, IID_ITavlinUtil, object.put_void()));
        return object;
    }
};

HRESULT dispid_of(IDispatch *object, const char16_t *name, DISPID *dispid)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    return object->GetIDsOfNames(kNoInterface, names, 1, LOCALE_USER_DEFAULT, dispid);
}

// An EXCEPINFO that gives back the texts Invoke put in it.
struct OwnedExcepInfo : EXCEPINFO {
    OwnedExcepInfo() : EXCEPINFO{} {}
    ~OwnedExcepInfo()
    {
        SysFreeString(bstrDescription);
        SysFreeString(bstrSource);
        SysFreeString(bstrHelpFile);
    }
    OwnedExcepInfo(const OwnedExcepInfo &) = delete;
    OwnedExcepInfo &operator=(const OwnedExcepInfo &) = delete;
};

HRESULT invoke_new_instance(IDispatch *object, VARIANT *argument, VARIANT *result, EXCEPINFO *excep_info)
{
    DISPPARAMS params = {argument, nullptr, 1, 0};
    return object->Invoke(1, kNoInterface, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, excep_info, nullptr);
}

TEST_F(TypeLibraryDispatchTest, OneTypeInformation)
{
    UINT count = 0;
    EXPECT_EQ(S_OK, util()->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
}

TEST_F(TypeLibraryDispatchTest, NothingWorksWithoutRegisteredTypeLibrary)
{
    ComPtr<ITavlinUtil> object = util();
    ITypeInfo *info = reinterpret_cast<ITypeInfo *>(1);
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info));
    EXPECT_EQ(nullptr, info);
    DISPID dispid = 0;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, dispid_of(object.get(), u"newInstance", &dispid));
    tavlin_test::ScopedVariant name = tavlin_test::ScopedVariant::string(u"java.util.Date");
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, invoke_new_instance(object.get(), name.get(), nullptr, nullptr));
}

TEST_F(TypeLibraryDispatchTest, InvokeFailsWithoutTypeLibraryWhileDirectCallWorks)
{
    tavlin_test::use_standard_vm_setup();
    ComPtr<ITavlinUtil> object = util();
    tavlin_test::ScopedVariant name = tavlin_test::ScopedVariant::string(u"java.util.Date");
    tavlin_test::ScopedVariant result;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, invoke_new_instance(object.get(), name.get(), result.get(), nullptr));
    EXPECT_EQ(VT_EMPTY, result.type());

    ComPtr<IDispatch> proxy;
    EXPECT_EQ(S_OK, object->newInstance(name->bstrVal, proxy.put()));
    EXPECT_TRUE(proxy);
}

TEST_F(TypeLibraryDispatchTest, LoadIsRetriedOnceTheLibraryIsRegistered)
{
    ComPtr<ITavlinUtil> object = util();
    DISPID dispid = 0;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, dispid_of(object.get(), u"newInstance", &dispid));
    ASSERT_EQ(S_OK, DllRegisterServer());
    EXPECT_EQ(S_OK, dispid_of(object.get(), u"newInstance", &dispid));
    EXPECT_EQ(1, dispid);
}

// A user's registration serves the type information as the machine's does.
TEST_F(TypeLibraryDispatchTest, ALibraryRegisteredForTheUserServesNames)
{
    ASSERT_EQ(S_OK, DllInstall(TRUE, u"user"));
    ComPtr<ITavlinUtil> object = util();
    DISPID dispid = 0;
    EXPECT_EQ(S_OK, dispid_of(object.get(), u"newInstance", &dispid));
    EXPECT_EQ(1, dispid);
}

TEST_F(TypeLibraryDispatchTest, AnyIndexGivesTheOneTypeInformation)
{
    ASSERT_EQ(S_OK, DllRegisterServer());
    ComPtr<ITavlinUtil> object = util();
    ComPtr<ITypeInfo> first, fifth;
    ASSERT_EQ(S_OK, object->GetTypeInfo(0, LOCALE_USER_DEFAULT, first.put()));
    ASSERT_EQ(S_OK, object->GetTypeInfo(5, LOCALE_USER_DEFAULT, fifth.put()));
    EXPECT_EQ(first.get(), fifth.get());
    TYPEATTR *attr = nullptr;
    ASSERT_EQ(S_OK, first->GetTypeAttr(&attr));
    EXPECT_TRUE(IsEqualIID(IID_ITavlinUtil2, attr->guid)) << "the default interface";
    first->ReleaseTypeAttr(attr);
    EXPECT_EQ(E_POINTER, object->GetTypeInfo(0, LOCALE_USER_DEFAULT, nullptr));
}

struct NameRow {
    const char16_t *name;
    HRESULT expected;
    DISPID dispid;
};

const NameRow name_rows[] = {
    {u"newInstance", S_OK, 1},  // from the name cache
    {u"NEWINSTANCE", S_OK, 1},  // the type information ignores case
    {u"newinstance", S_OK, 1},    {u"newInstanceX", DISP_E_UNKNOWNNAME, 0}, {u"toString", DISP_E_UNKNOWNNAME, 0},
    {u"", DISP_E_UNKNOWNNAME, 0},
};

TEST_F(TypeLibraryDispatchTest, NamesGiveTheirDispatchIdentifiers)
{
    ASSERT_EQ(S_OK, DllRegisterServer());
    ComPtr<ITavlinUtil> object = util();
    for (const NameRow &row : name_rows) {
        DISPID dispid = 0;
        EXPECT_EQ(row.expected, dispid_of(object.get(), row.name, &dispid)) << tavlin_test::narrow(row.name, 20);
        if (SUCCEEDED(row.expected)) {
            EXPECT_EQ(row.dispid, dispid);
        }
    }
}

TEST_F(TypeLibraryDispatchTest, SeveralNamesAtOnce)
{
    ASSERT_EQ(S_OK, DllRegisterServer());
    ComPtr<ITavlinUtil> object = util();
    LPOLESTR names[] = {const_cast<LPOLESTR>(u"newInstance"), const_cast<LPOLESTR>(u"classname")};
    DISPID dispids[2] = {};
    EXPECT_EQ(S_OK, object->GetIDsOfNames(kNoInterface, names, 2, LOCALE_USER_DEFAULT, dispids));
    EXPECT_EQ(1, dispids[0]);
    EXPECT_EQ(0, dispids[1]) << "a parameter name gives its position";
}

TEST_F(TypeLibraryDispatchTest, InvokeReachesNewInstance)
{
    tavlin_test::use_standard_vm_setup();
    ASSERT_EQ(S_OK, DllRegisterServer());
    ComPtr<ITavlinUtil> object = util();
    tavlin_test::ScopedVariant name = tavlin_test::ScopedVariant::string(u"java.util.Date");
    tavlin_test::ScopedVariant result;
    ASSERT_EQ(S_OK, invoke_new_instance(object.get(), name.get(), result.get(), nullptr));
    ASSERT_EQ(VT_DISPATCH, result.type());
    EXPECT_NE(nullptr, result->pdispVal);
}

TEST_F(TypeLibraryDispatchTest, NewInstanceFailureBecomesAnAutomationException)
{
    ASSERT_EQ(S_OK, DllRegisterServer());
    ComPtr<ITavlinUtil> object = util();
    tavlin_test::ScopedVariant empty = tavlin_test::ScopedVariant::string(u"");
    OwnedExcepInfo excep_info;
    EXPECT_EQ(DISP_E_EXCEPTION, invoke_new_instance(object.get(), empty.get(), nullptr, &excep_info));
    EXPECT_EQ(kNewInstanceFailed, excep_info.scode);
}

// The type library's Invoke reads the error object that newInstance leaves.
TEST_F(TypeLibraryDispatchTest, NewInstanceFailureIsDescribed)
{
    tavlin_test::use_standard_vm_setup();
    ASSERT_EQ(S_OK, DllRegisterServer());
    ComPtr<ITavlinUtil> object = util();
    tavlin_test::ScopedVariant missing = tavlin_test::ScopedVariant::string(u"java.util.Nope");
    OwnedExcepInfo excep_info;
    EXPECT_EQ(DISP_E_EXCEPTION, invoke_new_instance(object.get(), missing.get(), nullptr, &excep_info));
    EXPECT_EQ(kNewInstanceFailed, excep_info.scode);
    EXPECT_EQ("java.lang.ClassNotFoundException: java.util.Nope", tavlin_test::narrow(excep_info.bstrDescription));
    EXPECT_EQ(nullptr, excep_info.bstrSource);
}

}  // namespace
}  // namespace com_test
