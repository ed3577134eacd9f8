// The type information a proxy gives: each member as a client that binds through it reads it
// (by name and invoke kind, at the DISPID that GetIDsOfNames gives), one row per behaviour.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "client.h"
#include "test_process.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

constexpr SHORT kAbsent = -99;

struct MemberRow {
    const char *class_name;
    bool statics;
    const char *member;
    INVOKEKIND kind;
    SHORT params;  // kAbsent: the description has no such member
    SHORT optional;
    WORD flags;
};

const MemberRow kMemberRows[] = {
    // Overloads share a function: add(E) and add(int, E), the second parameter optional.
    {"java.util.ArrayList", false, "add", INVOKE_FUNC, 2, 1, 0},
    {"java.util.ArrayList", false, "size", INVOKE_FUNC, 0, 0, 0},
    {"java.util.ArrayList", false, "toString", INVOKE_FUNC, 0, 0, 0},
    {"java.util.ArrayList", false, "_NewEnum", INVOKE_PROPERTYGET, 0, 0, FUNCFLAG_FRESTRICTED | FUNCFLAG_FHIDDEN},
    {"java.util.ArrayList", false, "Empty", INVOKE_PROPERTYGET, 0, 0, 0},
    {"java.lang.Object", false, "Class", INVOKE_PROPERTYGET, 0, 0, 0},
    {"java.lang.Object", false, "Class", INVOKE_PROPERTYPUT, kAbsent, 0, 0},
    {"fixtures.Person", false, "Name", INVOKE_PROPERTYPUT, 1, 0, 0},
    {"fixtures.Person", false, "Name", INVOKE_PROPERTYPUTREF, kAbsent, 0, 0},   // a String is a value
    {"fixtures.Person", false, "tag", INVOKE_PROPERTYPUTREF, 1, 0, 0},          // an Object may be one
    {"fixtures.Person", false, "Greeting", INVOKE_PROPERTYPUT, kAbsent, 0, 0},  // read-only
    {"fixtures.Person", false, "Secret", INVOKE_PROPERTYGET, kAbsent, 0, 0},    // write-only
    {"fixtures.Person", false, "Secret", INVOKE_PROPERTYPUT, 1, 0, 0},
    {"fixtures.Person", false, "id", INVOKE_PROPERTYPUT, kAbsent, 0, 0},     // a final field
    {"fixtures.Person", false, "Count", INVOKE_PROPERTYGET, kAbsent, 0, 0},  // the name is count()'s
    // A statics proxy shows the static members only; String.format's variable arguments make
    // it vararg after the one parameter both overloads have before them.
    {"java.lang.String", true, "format", INVOKE_FUNC, 2, -1, 0},
    {"java.lang.String", true, "length", INVOKE_FUNC, kAbsent, 0, 0},
    {"fixtures.Person", true, "population", INVOKE_PROPERTYPUT, 1, 0, 0},
    {"fixtures.Person", true, "Planet", INVOKE_PROPERTYGET, 0, 0, 0},
    {"fixtures.Person", true, "Name", INVOKE_PROPERTYGET, kAbsent, 0, 0},
    {"fixtures.Person", true, "_NewEnum", INVOKE_PROPERTYGET, kAbsent, 0, 0},
};

ComPtr<IDispatch> proxy_for(const char *class_name, bool as_statics)
{
    ComPtr<IDispatch> proxy;
    if (as_statics)
        EXPECT_EQ(S_OK, statics(class_name, proxy));
    else
        proxy = make(class_name);
    return proxy;
}

ComPtr<ITypeInfo> type_info_of(IDispatch *proxy)
{
    UINT count = 0;
    EXPECT_EQ(S_OK, proxy->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(S_OK, proxy->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()));
    return info;
}

std::string name_of(ITypeInfo *info, MEMBERID memid)
{
    ScopedBstr name;
    UINT count = 0;
    if (FAILED(info->GetNames(memid, name.put(), 1, &count)) || count == 0) return std::string();
    return narrow(name.get());
}

// The function of that name and kind, copied out, with whether there is one.
bool find_function(ITypeInfo *info, const std::string &name, INVOKEKIND kind, FUNCDESC &found)
{
    TYPEATTR *attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return false;
    const WORD functions = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (UINT i = 0; i < functions; ++i) {
        FUNCDESC *desc = nullptr;
        if (FAILED(info->GetFuncDesc(i, &desc))) continue;
        const bool match = desc->invkind == kind && name_of(info, desc->memid) == name;
        if (match) found = *desc;
        info->ReleaseFuncDesc(desc);
        if (match) return true;
    }
    return false;
}

GUID guid_of(ITypeInfo *info)
{
    TYPEATTR *attr = nullptr;
    EXPECT_EQ(S_OK, info->GetTypeAttr(&attr));
    const GUID guid = attr ? attr->guid : GUID{};
    EXPECT_EQ(TKIND_DISPATCH, attr ? attr->typekind : TKIND_MAX);
    if (attr) info->ReleaseTypeAttr(attr);
    return guid;
}

class TypeInformation : public ::testing::Test {
protected:
    void SetUp() override { use_standard_vm_setup(); }
};

}  // namespace

TEST_F(TypeInformation, DescribesEachMemberAsTheProxyAnswersIt)
{
    for (const MemberRow &row : kMemberRows) {
        SCOPED_TRACE(std::string(row.class_name) + (row.statics ? " statics " : " ") + row.member);
        ComPtr<IDispatch> proxy = proxy_for(row.class_name, row.statics);
        ASSERT_TRUE(proxy);
        ComPtr<ITypeInfo> info = type_info_of(proxy.get());
        ASSERT_TRUE(info);
        FUNCDESC desc = {};
        const bool present = find_function(info.get(), row.member, row.kind, desc);
        ASSERT_EQ(row.params != kAbsent, present);
        if (!present) continue;
        const DISPID expected =
            std::string(row.member) == "_NewEnum" ? DISPID_NEWENUM : dispid_of(proxy.get(), row.member);
        EXPECT_EQ(expected, desc.memid);
        EXPECT_EQ(FUNC_DISPATCH, desc.funckind);
        EXPECT_EQ(row.params, desc.cParams);
        EXPECT_EQ(row.optional, desc.cParamsOpt);
        EXPECT_EQ(row.flags, desc.wFuncFlags);
    }
}

TEST_F(TypeInformation, NamesTheClassAndIsSharedByItsProxiesAlone)
{
    ComPtr<IDispatch> first = make("java.util.ArrayList");
    ComPtr<IDispatch> second = make("java.util.ArrayList");
    ComPtr<IDispatch> map = make("java.util.HashMap");
    ComPtr<IDispatch> list_statics = proxy_for("java.util.ArrayList", true);
    ComPtr<ITypeInfo> info = type_info_of(first.get());
    ASSERT_TRUE(info);
    ScopedBstr name, doc;
    ASSERT_EQ(S_OK, info->GetDocumentation(MEMBERID_NIL, name.put(), doc.put(), nullptr, nullptr));
    EXPECT_EQ("java.util.ArrayList", narrow(name.get()));

    const GUID guid = guid_of(info.get());
    EXPECT_FALSE(IsEqualGUID(guid, IID_IDispatch));
    EXPECT_TRUE(IsEqualGUID(guid, guid_of(type_info_of(second.get()).get())));
    EXPECT_FALSE(IsEqualGUID(guid, guid_of(type_info_of(map.get()).get())));
    EXPECT_FALSE(IsEqualGUID(guid, guid_of(type_info_of(list_statics.get()).get())));

    ComPtr<ITypeLib> library;
    UINT index = 99;
    ASSERT_EQ(S_OK, info->GetContainingTypeLib(library.put(), &index));
    ComPtr<ITypeInfo> held;
    ASSERT_EQ(S_OK, library->GetTypeInfo(index, held.put()));
    EXPECT_TRUE(IsEqualGUID(guid, guid_of(held.get())));
}

// .NET's binder enters every member into a table that ignores case and refuses a duplicate;
// only a property's get and put functions share a name.
TEST_F(TypeInformation, NoTwoMembersDifferOnlyInCase)
{
    for (const char *class_name : {"java.util.ArrayList", "java.util.HashMap", "fixtures.Person", "java.lang.String"}) {
        SCOPED_TRACE(class_name);
        ComPtr<ITypeInfo> info = type_info_of(make(class_name).get());
        ASSERT_TRUE(info);
        TYPEATTR *attr = nullptr;
        ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
        std::set<std::string> seen;
        for (UINT i = 0; i < attr->cFuncs; ++i) {
            FUNCDESC *desc = nullptr;
            ASSERT_EQ(S_OK, info->GetFuncDesc(i, &desc));
            std::string folded = name_of(info.get(), desc->memid);
            for (char &c : folded) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
            const bool property_write = desc->invkind != INVOKE_FUNC && desc->invkind != INVOKE_PROPERTYGET;
            if (!property_write) {
                EXPECT_TRUE(seen.insert(folded).second) << folded;
            }
            info->ReleaseFuncDesc(desc);
        }
        info->ReleaseTypeAttr(attr);
    }
}
