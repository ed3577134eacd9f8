// GetIDsOfNames on a proxy: one DISPID per method name, however the client spells it.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "bridge/proxy/proxy.h"
#include "client.h"
#include "test_process.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

HRESULT lookup(IDispatch *object, std::vector<std::string> names, std::vector<DISPID> &dispids)
{
    std::vector<OleString> wide_names;
    for (const std::string &name : names) wide_names.push_back(wide(name));
    std::vector<LPOLESTR> pointers;
    for (OleString &name : wide_names) pointers.push_back(&name[0]);
    dispids.assign(names.size(), -7);
    return object->GetIDsOfNames(IID_IDispatch, pointers.data(), static_cast<UINT>(pointers.size()),
                                 LOCALE_USER_DEFAULT, dispids.data());
}

const MethodTable *table_of(IDispatch *object)
{
    ComPtr<IProxy> proxy;
    object->QueryInterface(IID_IProxy, proxy.put_void());
    return static_cast<CProxy *>(proxy.get())->methods();
}

class Names : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_standard_vm_setup();
        calculator_ = make("fixtures.Calculator");
        ASSERT_TRUE(calculator_);
    }
    ComPtr<IDispatch> calculator_;
};

}  // namespace

TEST_F(Names, AsciiCaseDoesNotMatter)
{
    DISPID first = dispid_of(calculator_.get(), "toString");
    EXPECT_GT(first, 0);
    EXPECT_EQ(first, dispid_of(calculator_.get(), "TOSTRING"));
    EXPECT_EQ(first, dispid_of(calculator_.get(), "tostring"));
}

TEST_F(Names, InheritedAndStaticMethodsAreFound)
{
    EXPECT_GT(dispid_of(calculator_.get(), "hashCode"), 0);
    EXPECT_GT(dispid_of(calculator_.get(), "twice"), 0);
}

TEST_F(Names, OverloadsShareOneDispid)
{
    DISPID describe = dispid_of(calculator_.get(), "describe");
    ASSERT_GT(describe, 0);
    const MethodTable *table = table_of(calculator_.get());
    ASSERT_NE(nullptr, table);
    EXPECT_STREQ("describe", table->at(describe - 1).name.load()) << "the DISPID is the first namesake's";
}

// Names after the first would name parameters, which Java keeps no names of: each is
// unknown, even one that is also a method's name, and the call by name is refused.
TEST_F(Names, ParameterNamesAreUnknown)
{
    std::vector<DISPID> dispids;
    for (const char *parameter : {"noSuchName", "add", "value"}) {
        EXPECT_EQ(DISP_E_UNKNOWNNAME, lookup(calculator_.get(), {"add", parameter, "size"}, dispids)) << parameter;
        EXPECT_EQ(dispid_of(calculator_.get(), "add"), dispids[0]);
        EXPECT_EQ(DISPID_UNKNOWN, dispids[1]);
        EXPECT_EQ(DISPID_UNKNOWN, dispids[2]);
    }
    EXPECT_EQ(DISP_E_UNKNOWNNAME, lookup(calculator_.get(), {"noSuchName", "add"}, dispids));
    EXPECT_EQ(DISPID_UNKNOWN, dispids[0]);
}

TEST_F(Names, ArgumentsByNameCallNothing)
{
    ComPtr<IDispatch> list = make("java.util.ArrayList");
    ScopedVariant value = ScopedVariant::string("pear");
    VARIANTARG args[] = {*value.get()};
    const DISPID names[] = {0, 1, DISPID_PROPERTYPUT};
    for (DISPID name : names) {
        DISPPARAMS params = {args, &name, 1, 1};
        ScopedVariant result;
        EXPECT_EQ(DISP_E_NONAMEDARGS, list->Invoke(dispid_of(list.get(), "add"), IID_NULL, 0, DISPATCH_METHOD, &params,
                                                   result.put(), nullptr, nullptr))
            << name;
    }
    EXPECT_EQ("[]", text_of(call(list.get(), "toString"))) << "add ran";
}

TEST_F(Names, HostileArgumentsAreRefusedCleanly)
{
    DISPID dispid = -7;
    LPOLESTR none = nullptr;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, calculator_->GetIDsOfNames(IID_IDispatch, &none, 0, 0, &dispid));
    EXPECT_EQ(E_INVALIDARG, calculator_->GetIDsOfNames(IID_IDispatch, nullptr, 1, 0, &dispid));
    OleString add = wide("add");
    LPOLESTR names[] = {&add[0]};
    EXPECT_EQ(E_INVALIDARG, calculator_->GetIDsOfNames(IID_IDispatch, names, 1, 0, nullptr));
    std::vector<DISPID> dispids;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, lookup(calculator_.get(), {std::string(100000, 'x')}, dispids));
    std::string long_prefix = std::string(600, 'a');
    EXPECT_EQ(DISP_E_UNKNOWNNAME, lookup(calculator_.get(), {long_prefix + "add"}, dispids));
}

TEST_F(Names, TableIsBuiltOnce)
{
    EXPECT_EQ(nullptr, table_of(calculator_.get()));
    dispid_of(calculator_.get(), "add");
    const MethodTable *built = table_of(calculator_.get());
    ASSERT_NE(nullptr, built);
    dispid_of(calculator_.get(), "concat");
    EXPECT_EQ(built, table_of(calculator_.get()));
}

TEST_F(Names, ProxiesOfOneClassShareOneTable)
{
    ComPtr<IDispatch> other = make("fixtures.Calculator");
    ComPtr<IDispatch> list = make("java.util.ArrayList");
    dispid_of(calculator_.get(), "add");
    dispid_of(other.get(), "add");
    dispid_of(list.get(), "add");
    EXPECT_EQ(table_of(calculator_.get()), table_of(other.get()));
    EXPECT_NE(table_of(calculator_.get()), table_of(list.get()));
}

TEST_F(Names, TypeInformationIsOfferedOnce)
{
    UINT count = 77;
    EXPECT_EQ(S_OK, calculator_->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    ITypeInfo *info = reinterpret_cast<ITypeInfo *>(1);
    EXPECT_EQ(DISP_E_BADINDEX, calculator_->GetTypeInfo(1, 0, &info));
    EXPECT_EQ(nullptr, info);
}

TEST_F(Names, ProxyWithoutJavaObjectKnowsNoName)
{
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, DllGetClassObject(CLSID_Proxy, IID_IClassFactory, factory.put_void()));
    ComPtr<IDispatch> empty;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDispatch, empty.put_void()));
    EXPECT_EQ(DISPID_UNKNOWN, dispid_of(empty.get(), "toString"));
    UINT count = 77;  // and nothing to describe
    EXPECT_EQ(S_OK, empty->GetTypeInfoCount(&count));
    EXPECT_EQ(0u, count);
}

TEST_F(Names, ConcurrentLookupsOnAFreshProxyAgree)
{
    ComPtr<IDispatch> fresh = make("java.util.ArrayList");
    const char *names[] = {"add", "size", "toString", "hashCode", "get", "clear", "isEmpty", "contains"};
    std::vector<std::vector<DISPID>> seen(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round)
                for (const char *name : names) seen[t].push_back(dispid_of(fresh.get(), name));
        });
    for (auto &thread : threads) thread.join();
    for (int t = 1; t < 8; ++t) EXPECT_EQ(seen[0], seen[t]);
    for (DISPID dispid : seen[0]) EXPECT_GT(dispid, 0);
}
