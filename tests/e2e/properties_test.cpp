// Properties through IDispatch: JavaBean accessors and public fields read as `x = obj.Name`
// and written as `obj.Name = v`, by DISPIDs of their own range.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/members/property_table.h"
#include "bridge/proxy/proxy.h"
#include "client.h"
#include "test_process.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

class Properties : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_standard_vm_setup();
        person_ = make("fixtures.Person");
        ASSERT_TRUE(person_);
    }
    ComPtr<IDispatch> person_;
};

std::string shown(const CallResult &result)
{
    if (FAILED(result.hr)) return "failed: " + result.description;
    ScopedVariant text;
    // Windows declares the source without const; it is only read.
    if (FAILED(VariantChangeType(text.get(), const_cast<VARIANT *>(result.value.get()), VARIANT_ALPHABOOL, VT_BSTR)))
        return "<not convertible>";
    return narrow(text->bstrVal);
}

const PropertyTable *properties_of(IDispatch *object)
{
    ComPtr<IProxy> proxy;
    object->QueryInterface(IID_IProxy, proxy.put_void());
    const MethodTable *table = static_cast<CProxy *>(proxy.get())->methods();
    return table ? table->built_properties() : nullptr;
}

}  // namespace

// Each row writes one property, then reads one (not always the same) back.
TEST_F(Properties, WritesThenReads)
{
    struct Row {
        const char *written;
        ScopedVariant value;
        const char *read;
        const char *expected;
    };
    std::vector<Row> rows;
    rows.push_back({"Name", ScopedVariant::string("Ada"), "Name", "Ada"});
    rows.push_back({"name", ScopedVariant::string("Bea"), "NAME", "Bea"});
    rows.push_back({"Active", ScopedVariant::boolean(true), "active", "True"});
    rows.push_back({"Size", ScopedVariant::i4(5), "Size", "int 5"});
    rows.push_back({"Size", ScopedVariant::string("L"), "Size", "String L"});
    rows.push_back({"Secret", ScopedVariant::string("x"), "Name", "secret x"});
    rows.push_back({"age", ScopedVariant::i4(41), "age", "41"});
    rows.push_back({"Age", ScopedVariant::string("12"), "age", "12"});
    rows.push_back({"population", ScopedVariant::i4(8), "Population", "8"});
    for (const Row &row : rows) {
        CallResult written = put(person_.get(), row.written, *row.value.get());
        EXPECT_EQ(S_OK, written.hr) << row.written << ": " << written.description;
        EXPECT_EQ(VT_EMPTY, written.value.type()) << row.written;
        EXPECT_EQ(row.expected, shown(get(person_.get(), row.read))) << row.written << " then " << row.read;
    }
}

TEST_F(Properties, ReadsKeepTheirJavaTypes)
{
    CallResult active = get(person_.get(), "Active");
    EXPECT_EQ(VT_BOOL, active.value.type());
    CallResult age = get(person_.get(), "age");
    EXPECT_EQ(VT_I4, age.value.type());
    EXPECT_EQ(30, age.value->lVal);
    EXPECT_EQ(VT_BSTR, get(person_.get(), "Greeting").value.type());
    EXPECT_EQ(VT_EMPTY, get(person_.get(), "tag").value.type()) << "a null field is Empty";
}

TEST_F(Properties, RefusalsSayWhy)
{
    struct Row {
        const char *property;
        bool write;
        const char *description;
    };
    const Row rows[] = {
        {"Secret", false, "Property Secret has no getter."},
        {"Greeting", true, "Property Greeting has no setter."},
        {"id", true, "Field id is final."},
        {"SPECIES", true, "Field SPECIES is final."},
        {"age", true, "Unable to coerce parameter data to int: 0x80020005"},
    };
    ScopedVariant text = ScopedVariant::string("text");
    for (const Row &row : rows) {
        CallResult result =
            row.write ? put(person_.get(), row.property, *text.get()) : get(person_.get(), row.property);
        EXPECT_EQ(DISP_E_EXCEPTION, result.hr) << row.property;
        EXPECT_EQ(row.description, result.description) << row.property;
        ErrorObject error = taken_error();
        EXPECT_EQ(S_OK, error.hr) << row.property;
        EXPECT_EQ(row.description, error.description) << row.property;
    }
}

TEST_F(Properties, FieldsBesideAccessors)
{
    EXPECT_EQ("P-1", shown(get(person_.get(), "id")));
    EXPECT_EQ("human", shown(get(person_.get(), "species")));
    EXPECT_EQ("getter", shown(get(person_.get(), "nickname"))) << "a getter wins over a field of its name";
}

// Set obj.tag = list (DISPATCH_PROPERTYPUTREF) stores the Java object itself.
TEST_F(Properties, AnObjectWrittenByReference)
{
    ComPtr<IDispatch> list = make("java.util.ArrayList");
    ScopedVariant element = ScopedVariant::string("one");
    ASSERT_EQ(S_OK, call(list.get(), "add", {element.get()}).hr);
    ScopedVariant object = ScopedVariant::dispatch(list.get());
    CallResult written = put(person_.get(), "tag", *object.get(), DISPATCH_PROPERTYPUTREF);
    ASSERT_EQ(S_OK, written.hr) << written.description;
    CallResult back = get(person_.get(), "tag");
    ASSERT_EQ(VT_DISPATCH, back.value.type());
    EXPECT_EQ(1, call(back.value->pdispVal, "size").value->lVal);
}

TEST_F(Properties, ClassProxies)
{
    ComPtr<IDispatch> integer, person_class;
    ASSERT_EQ(S_OK, statics("java.lang.Integer", integer));
    ASSERT_EQ(S_OK, statics("fixtures.Person", person_class));
    CallResult max = get(integer.get(), "MAX_VALUE");
    ASSERT_EQ(VT_I4, max.value.type()) << max.description;
    EXPECT_EQ(2147483647, max.value->lVal);
    EXPECT_EQ("human", shown(get(person_class.get(), "SPECIES")));
    EXPECT_EQ("Earth", shown(get(person_class.get(), "Planet"))) << "a static getter";
    ScopedVariant nine = ScopedVariant::i4(9);
    ASSERT_EQ(S_OK, put(person_class.get(), "population", *nine.get()).hr);
    EXPECT_EQ("9", shown(get(person_.get(), "population"))) << "one static field for the class and its objects";
    EXPECT_EQ("failed: Instance field used on a class: age", shown(get(person_class.get(), "age")));
    EXPECT_EQ("failed: Instance method called on a class: getName", shown(get(person_class.get(), "Name")));
}

// A name that designates a method keeps the method's DISPID, and any flags call it.
TEST_F(Properties, MethodsComeFirst)
{
    const DISPID count = dispid_of(person_.get(), "Count");
    EXPECT_EQ(dispid_of(person_.get(), "count"), count);
    EXPECT_LT(count, kFirstPropertyDispid);
    EXPECT_EQ("-1", shown(get(person_.get(), "Count")));
    EXPECT_EQ(DISPID_UNKNOWN, dispid_of(person_.get(), "nothingOfThatName"));
    for (const char *none : {"", "Odd", "Label"})
        EXPECT_EQ(DISPID_UNKNOWN, dispid_of(person_.get(), none)) << none << " is no property";
}

TEST_F(Properties, DispidsOfTheirOwnRange)
{
    const DISPID name = dispid_of(person_.get(), "Name");
    EXPECT_GE(name, kFirstPropertyDispid);
    ComPtr<IDispatch> other = make("fixtures.Person");
    EXPECT_EQ(name, dispid_of(other.get(), "name")) << "stable for the class";
    const PropertyTable *properties = properties_of(person_.get());
    ASSERT_NE(nullptr, properties);
    const DISPID last = kFirstPropertyDispid + properties->count() - 1;
    EXPECT_NE("Invalid method.", get(person_.get(), last).description) << "the last property";
    for (DISPID past : {last + 1, DISPID(0x7fffffff)}) {
        CallResult refused = get(person_.get(), past);
        EXPECT_EQ(DISP_E_EXCEPTION, refused.hr) << past;
        EXPECT_EQ("Invalid method.", refused.description) << past;
    }
}

TEST_F(Properties, NoPropertyBeforeAnyNameLookup)
{
    const DISPID name = dispid_of(person_.get(), "Name");
    ComPtr<IDispatch> fresh = make("java.util.ArrayList");
    EXPECT_EQ("Invalid method.", get(fresh.get(), name).description);
}

// The value of a write is the named argument DISPID_PROPERTYPUT; a read takes no named argument.
TEST_F(Properties, NamedArguments)
{
    const DISPID name = dispid_of(person_.get(), "Name");
    ScopedVariant value = ScopedVariant::string("Cy");
    struct Row {
        WORD flags;
        UINT named;
        DISPID named_dispid;
        HRESULT expected;
    };
    const Row rows[] = {
        {DISPATCH_PROPERTYPUT, 1, DISPID_PROPERTYPUT, S_OK},
        {DISPATCH_PROPERTYPUT, 0, 0, S_OK},
        {DISPATCH_PROPERTYPUT, 1, 7, DISP_E_PARAMNOTFOUND},
        {DISPATCH_PROPERTYGET, 1, DISPID_PROPERTYPUT, DISP_E_NONAMEDARGS},
        {DISPATCH_PROPERTYPUT, 2, DISPID_PROPERTYPUT, E_INVALIDARG},
    };
    const IID null_iid = {};
    for (const Row &row : rows) {
        DISPID named[] = {row.named_dispid, row.named_dispid};
        DISPPARAMS params = {value.get(), row.named ? named : nullptr, 1, row.named};
        ScopedVariant result;
        EXPECT_EQ(row.expected, person_->Invoke(name, null_iid, 0, row.flags, &params, result.get(), nullptr, nullptr))
            << row.flags << "/" << row.named;
    }
    EXPECT_EQ("Cy", shown(get(person_.get(), "Name")));
}
