// The two forms of both creatable classes: the plain form's QueryInterface identities, and
// the aggregated form's routing through the controlling outer object.
#include "client.h"
#include "com/module_lock.h"
#include "com_test_support.h"
#include "test_names.h"

namespace com_test {
namespace {

struct ClassRow {
    const char *name;
    const CLSID *clsid;
    const IID *own;    // the class's own dual interface
    const IID *other;  // the other class's interface, which this one does not answer
};

void PrintTo(const ClassRow &row, std::ostream *out) { *out << row.name; }

const ClassRow class_rows[] = {
    {"TavlinUtil", &CLSID_TavlinUtil, &IID_ITavlinUtil, &IID_IProxy},
    {"Proxy", &CLSID_Proxy, &IID_IProxy, &IID_ITavlinUtil},
};

class ObjectFormsTest : public ComTest, public ::testing::WithParamInterface<ClassRow> {
protected:
    ComPtr<IUnknown> create(IUnknown *outer)
    {
        ComPtr<IUnknown> object;
        EXPECT_EQ(S_OK, class_object(*GetParam().clsid)->CreateInstance(outer, IID_IUnknown, object.put_void()));
        return object;
    }
};

void *query(IUnknown *object, REFIID iid, HRESULT expected)
{
    void *result = reinterpret_cast<void *>(1);
    EXPECT_EQ(expected, object->QueryInterface(iid, &result));
    if (result && SUCCEEDED(expected)) static_cast<IUnknown *>(result)->Release();
    return result;
}

TEST_P(ObjectFormsTest, PlainFormAnswersItsInterfacesWithOnePointer)
{
    ComPtr<IUnknown> object = create(nullptr);
    void *unknown = query(object.get(), IID_IUnknown, S_OK);
    EXPECT_EQ(object.get(), unknown);
    EXPECT_EQ(unknown, query(object.get(), IID_IDispatch, S_OK));
    EXPECT_EQ(unknown, query(object.get(), *GetParam().own, S_OK));
    for (const IID *iid : {GetParam().other, &IID_IClassFactory, &IID_ITypeInfo})
        EXPECT_EQ(nullptr, query(object.get(), *iid, E_NOINTERFACE));
    EXPECT_EQ(E_POINTER, object->QueryInterface(IID_IUnknown, nullptr));
}

TEST_P(ObjectFormsTest, PlainFormCountsItsReferences)
{
    ComPtr<IUnknown> object = create(nullptr);
    EXPECT_EQ(2u, object->AddRef());
    EXPECT_EQ(1u, object->Release());
}

// A controlling outer object that gives only its own IUnknown and counts its references.
class Outer final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        ++queries;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = static_cast<IUnknown *>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
    ULONG STDMETHODCALLTYPE Release() override { return --count; }

    ULONG count = 1;
    int queries = 0;
};

TEST_P(ObjectFormsTest, AggregateAnswersIUnknownWithItself)
{
    Outer outer;
    ComPtr<IUnknown> inner = create(&outer);
    EXPECT_EQ(inner.get(), query(inner.get(), IID_IUnknown, S_OK));
    EXPECT_EQ(0, outer.queries);
}

TEST_P(ObjectFormsTest, AggregatedInterfacesCountOnTheOuterObject)
{
    Outer outer;
    ComPtr<IUnknown> inner = create(&outer);
    IUnknown *own = nullptr;
    ASSERT_EQ(S_OK, inner->QueryInterface(*GetParam().own, reinterpret_cast<void **>(&own)));
    EXPECT_EQ(2u, outer.count) << "the handed-out interface holds the outer object";
    own->AddRef();
    EXPECT_EQ(3u, outer.count);
    own->Release();
    own->Release();
    EXPECT_EQ(1u, outer.count);
}

TEST_P(ObjectFormsTest, AggregatedInterfacesAskTheOuterObjectFirst)
{
    Outer outer;
    ComPtr<IUnknown> inner = create(&outer);
    IUnknown *own = nullptr;
    ASSERT_EQ(S_OK, inner->QueryInterface(*GetParam().own, reinterpret_cast<void **>(&own)));

    void *result = nullptr;
    ASSERT_EQ(S_OK, own->QueryInterface(IID_IUnknown, &result));
    EXPECT_EQ(static_cast<IUnknown *>(&outer), result) << "identity is the outer object's";
    outer.Release();

    // The outer object does not give the class's own interface; the contained part's
    // table does, still counting on the outer object.
    int queries = outer.queries;
    ASSERT_EQ(S_OK, own->QueryInterface(*GetParam().own, &result));
    EXPECT_EQ(queries + 1, outer.queries);
    EXPECT_EQ(static_cast<void *>(own), result);
    EXPECT_EQ(3u, outer.count);
    own->Release();

    EXPECT_EQ(E_NOINTERFACE, own->QueryInterface(IID_IClassFactory, &result));
    EXPECT_EQ(nullptr, result);
    own->Release();
    EXPECT_EQ(1u, outer.count);
}

TEST_P(ObjectFormsTest, AggregateHoldsOneModuleLockUntilItsLastRelease)
{
    Outer outer;
    LONG locks = tavlin::module_lock_count();
    ComPtr<IUnknown> inner = create(&outer);
    EXPECT_EQ(locks + 1, tavlin::module_lock_count());
    EXPECT_EQ(2u, inner->AddRef());
    EXPECT_EQ(1u, inner->Release());
    inner.reset();
    EXPECT_EQ(locks, tavlin::module_lock_count());
}

INSTANTIATE_TEST_SUITE_P(BothClasses, ObjectFormsTest, ::testing::ValuesIn(class_rows),
                         test_names::by_field<&ClassRow::name>);

}  // namespace
}  // namespace com_test
