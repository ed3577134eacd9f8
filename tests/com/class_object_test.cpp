// Class objects as a client gets them: hand-out and caching, refusals, instance creation,
// and the module lock count that objects, LockServer and holds on class objects keep.
#include "client.h"
#include "com/module_lock.h"
#include "com_test_support.h"

namespace com_test {
namespace {

const CLSID kUnknownClass = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

class ClassObjectTest : public ComTest {};

struct HandOutRow {
    const char *what;
    const CLSID *clsid;
    const IID *iid;
    HRESULT expected;
};

const HandOutRow hand_out_rows[] = {
    {"utility class, IClassFactory", &CLSID_TavlinUtil, &IID_IClassFactory, S_OK},
    {"utility class, IUnknown", &CLSID_TavlinUtil, &IID_IUnknown, S_OK},
    {"proxy class, IClassFactory", &CLSID_Proxy, &IID_IClassFactory, S_OK},
    {"proxy class, IUnknown", &CLSID_Proxy, &IID_IUnknown, S_OK},
    {"class objects are no dispatch objects", &CLSID_TavlinUtil, &IID_IDispatch, E_NOINTERFACE},
    {"a class outside the class map", &kUnknownClass, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
    {"an interface identifier as class", &IID_ITavlinUtil, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
};

TEST_F(ClassObjectTest, HandOutAnswersEachRequest)
{
    for (const HandOutRow &row : hand_out_rows) {
        void *object = reinterpret_cast<void *>(1);
        HRESULT hr = DllGetClassObject(*row.clsid, *row.iid, &object);
        EXPECT_EQ(row.expected, hr) << row.what;
        EXPECT_EQ(SUCCEEDED(hr), object != nullptr) << row.what;
        if (object) static_cast<IUnknown *>(object)->Release();
    }
}

TEST_F(ClassObjectTest, NullOutPointerIsRefused)
{
    EXPECT_EQ(E_POINTER, DllGetClassObject(CLSID_TavlinUtil, IID_IClassFactory, nullptr));
}

TEST_F(ClassObjectTest, SameClassGivesSameClassObject)
{
    for (const CLSID *clsid : {&CLSID_TavlinUtil, &CLSID_Proxy}) {
        ComPtr<IClassFactory> first = class_object(*clsid);
        ComPtr<IClassFactory> second = class_object(*clsid);
        EXPECT_EQ(first.get(), second.get());
    }
    EXPECT_NE(class_object(CLSID_TavlinUtil).get(), class_object(CLSID_Proxy).get());
}

TEST_F(ClassObjectTest, DllCanUnloadNowAlwaysRefuses)
{
    EXPECT_EQ(S_FALSE, DllCanUnloadNow());
    {
        ComPtr<IClassFactory> factory = class_object(CLSID_TavlinUtil);
        ComPtr<IUnknown> util;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, util.put_void()));
        EXPECT_EQ(S_FALSE, DllCanUnloadNow());
    }
    EXPECT_EQ(0, tavlin::module_lock_count());
    EXPECT_EQ(S_FALSE, DllCanUnloadNow());
}

struct CreateRow {
    const char *what;
    bool with_outer;
    const IID *iid;
    HRESULT expected;
};

const CreateRow create_rows[] = {
    {"plain, IUnknown", false, &IID_IUnknown, S_OK},
    {"plain, IDispatch", false, &IID_IDispatch, S_OK},
    {"plain, an interface the class lacks", false, &IID_IClassFactory, E_NOINTERFACE},
    {"aggregated, IUnknown", true, &IID_IUnknown, S_OK},
    {"aggregated, IDispatch", true, &IID_IDispatch, CLASS_E_NOAGGREGATION},
    {"aggregated, an interface the class lacks", true, &IID_IClassFactory, CLASS_E_NOAGGREGATION},
};

// An outer object that is never asked anything: creation alone must not call it.
struct SilentOuter : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **) override
    {
        ADD_FAILURE() << "outer object queried";
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

TEST_F(ClassObjectTest, CreateInstanceAnswersEachRequest)
{
    SilentOuter outer;
    for (const CLSID *clsid : {&CLSID_TavlinUtil, &CLSID_Proxy}) {
        ComPtr<IClassFactory> factory = class_object(*clsid);
        LONG locks = tavlin::module_lock_count();
        for (const CreateRow &row : create_rows) {
            void *object = reinterpret_cast<void *>(1);
            HRESULT hr = factory->CreateInstance(row.with_outer ? &outer : nullptr, *row.iid, &object);
            EXPECT_EQ(row.expected, hr) << row.what;
            EXPECT_EQ(SUCCEEDED(hr), object != nullptr) << row.what;
            EXPECT_EQ(locks + (object ? 1 : 0), tavlin::module_lock_count()) << row.what;
            if (object) static_cast<IUnknown *>(object)->Release();
            EXPECT_EQ(locks, tavlin::module_lock_count()) << row.what;
        }
        EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IUnknown, nullptr));
    }
}

TEST_F(ClassObjectTest, EveryLiveObjectHoldsOneLock)
{
    ComPtr<IClassFactory> factory = class_object(CLSID_TavlinUtil);
    LONG locks = tavlin::module_lock_count();
    ComPtr<IDispatch> first, second;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch, first.put_void()));
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch, second.put_void()));
    EXPECT_EQ(locks + 2, tavlin::module_lock_count());
    first->AddRef();  // more references to one object take no more locks
    EXPECT_EQ(locks + 2, tavlin::module_lock_count());
    first->Release();
    first.reset();
    EXPECT_EQ(locks + 1, tavlin::module_lock_count());
    second.reset();
    EXPECT_EQ(locks, tavlin::module_lock_count());
}

TEST_F(ClassObjectTest, LockServerCountsUpAndDown)
{
    ComPtr<IClassFactory> factory = class_object(CLSID_Proxy);
    LONG locks = tavlin::module_lock_count();
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(locks + 1, tavlin::module_lock_count());
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(locks + 2, tavlin::module_lock_count());
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(locks, tavlin::module_lock_count());
}

TEST_F(ClassObjectTest, ClientHoldOnClassObjectLocksTheModule)
{
    LONG locks = tavlin::module_lock_count();
    ComPtr<IClassFactory> factory = class_object(CLSID_TavlinUtil);
    EXPECT_EQ(locks + 1, tavlin::module_lock_count());
    {
        ComPtr<IClassFactory> again = class_object(CLSID_TavlinUtil);
        EXPECT_EQ(locks + 1, tavlin::module_lock_count()) << "one unit for all of a client's references";
    }
    factory.reset();
    EXPECT_EQ(locks, tavlin::module_lock_count());
    // The class map still holds the class object: the next request gets the same one.
    IClassFactory *cached = class_object(CLSID_TavlinUtil).get();
    EXPECT_EQ(cached, class_object(CLSID_TavlinUtil).get());
}

TEST_F(ClassObjectTest, ClassObjectAnswersOnlyItsInterfaces)
{
    ComPtr<IClassFactory> factory = class_object(CLSID_TavlinUtil);
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, unknown.put_void()));
    EXPECT_EQ(static_cast<IUnknown *>(factory.get()), unknown.get());
    void *other = reinterpret_cast<void *>(1);
    EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(IID_IDispatch, &other));
    EXPECT_EQ(nullptr, other);
    EXPECT_EQ(E_POINTER, factory->QueryInterface(IID_IUnknown, nullptr));
}

}  // namespace
}  // namespace com_test
