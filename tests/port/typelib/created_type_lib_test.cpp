// Created type libraries where only the port answers (what Wine answers alike is in the
// conformance rows): arguments Wine would crash on, what the port does not describe, copies
// of descriptions, lifetimes, reading from several threads, and where stdole2.tlb is found.
#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

#include "tavlinport/windows.h"

namespace {

const GUID kTypeGuid = {0x6A1B2C3D, 0x4E5F, 0x4061, {0x92, 0xA3, 0xB4, 0xC5, 0xD6, 0xE7, 0xF8, 0x09}};

// A parameter of type `vt` (pointing to `pointee` for VT_PTR) with `flags`.
ELEMDESC param_of(VARTYPE vt, USHORT flags, TYPEDESC *pointee = nullptr)
{
    ELEMDESC param{};
    param.tdesc.vt = vt;
    param.tdesc.lptdesc = pointee;
    param.paramdesc.wParamFlags = flags;
    return param;
}

// A library of one dispinterface based on stdole's IDispatch, with one method "size" (ID 7)
// taking one VT_VARIANT; every reference is released at the end.
class MadeType : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, CreateTypeLib2(SYS_WIN64, u"test", &lib_));
        ITypeLib *stdole = nullptr;
        ASSERT_EQ(S_OK, LoadTypeLib(u"stdole2.tlb", &stdole));
        ASSERT_EQ(S_OK, stdole->GetTypeInfoOfGuid(IID_IDispatch, &dispatch_));
        stdole->Release();
        ASSERT_EQ(S_OK, lib_->CreateTypeInfo(const_cast<LPOLESTR>(u"Sized"), TKIND_DISPATCH, &creator_));
        creator_->SetGuid(kTypeGuid);
        HREFTYPE href = 0;
        ASSERT_EQ(S_OK, creator_->AddRefTypeInfo(dispatch_, &href));
        ASSERT_EQ(S_OK, creator_->AddImplType(0, href));
        ASSERT_EQ(S_OK, creator_->AddFuncDesc(0, method(7, param_, 1)));
        LPOLESTR names[] = {const_cast<LPOLESTR>(u"size"), const_cast<LPOLESTR>(u"unit")};
        ASSERT_EQ(S_OK, creator_->SetFuncAndParamNames(0, names, 2));
        ASSERT_EQ(S_OK, creator_->LayOut());
        ASSERT_EQ(S_OK, creator_->QueryInterface(IID_ITypeInfo, reinterpret_cast<void **>(&info_)));
    }
    void TearDown() override
    {
        for (IUnknown *held : std::initializer_list<IUnknown *>{info_, creator_, dispatch_, lib_})
            if (held) held->Release();
    }

    FUNCDESC *method(MEMBERID memid, ELEMDESC *params, SHORT count)
    {
        desc_ = FUNCDESC{};
        desc_.memid = memid;
        desc_.lprgelemdescParam = params;
        desc_.funckind = FUNC_DISPATCH;
        desc_.invkind = INVOKE_FUNC;
        desc_.callconv = CC_STDCALL;
        desc_.cParams = count;
        desc_.elemdescFunc.tdesc.vt = VT_VARIANT;
        return &desc_;
    }

    ICreateTypeLib2 *lib_ = nullptr;
    ITypeInfo *dispatch_ = nullptr;
    ICreateTypeInfo *creator_ = nullptr;
    ITypeInfo *info_ = nullptr;
    ELEMDESC param_[1] = {param_of(VT_VARIANT, PARAMFLAG_FIN)};
    FUNCDESC desc_{};
};

TEST_F(MadeType, NullArgumentsAreRefused)
{
    ITypeComp *comp = nullptr;
    ASSERT_EQ(S_OK, info_->GetTypeComp(&comp));
    BSTR name = nullptr;
    UINT count = 0;
    HREFTYPE href = 0;
    DESCKIND kind;
    BINDPTR bound;
    ITypeInfo *bound_info = nullptr;
    LPOLESTR with_null[] = {const_cast<LPOLESTR>(u"size"), nullptr};
    const std::vector<std::function<HRESULT()>> calls = {
        [&] { return info_->GetTypeAttr(nullptr); },
        [&] { return info_->GetNames(7, nullptr, 1, &count); },
        [&] { return info_->GetNames(7, &name, 1, nullptr); },
        [&] { return info_->GetIDsOfNames(nullptr, 1, nullptr); },
        [&] { return info_->GetRefTypeOfImplType(0, nullptr); },
        [&] { return info_->GetImplTypeFlags(0, nullptr); },
        [&] { return info_->GetRefTypeInfo(href, nullptr); },
        [&] { return info_->GetContainingTypeLib(nullptr, nullptr); },
        [&] { return info_->GetTypeComp(nullptr); },
        [&] { return comp->Bind(nullptr, 0, 0, &bound_info, &kind, &bound); },
        [&] { return comp->Bind(const_cast<LPOLESTR>(u"size"), 0, 0, nullptr, &kind, &bound); },
        [&] { return comp->BindType(nullptr, 0, &bound_info, &comp); },
        [&] { return creator_->SetFuncAndParamNames(0, with_null, 2); },
        [&] { return lib_->CreateTypeInfo(nullptr, TKIND_DISPATCH, &creator_); },
        [&] { return lib_->SetName(nullptr); },
        [&] { return lib_->SetDocString(nullptr); },
        [] { return CreateTypeLib2(SYS_WIN64, u"x", nullptr); },
    };
    for (size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(E_INVALIDARG, calls[i]()) << "call " << i;
    EXPECT_EQ(E_POINTER, info_->QueryInterface(IID_ITypeInfo, nullptr));
    comp->Release();
}

TEST_F(MadeType, WhatThePortDoesNotDescribeIsNotImplemented)
{
    ELEMDESC array_param[1] = {param_of(VT_CARRAY, PARAMFLAG_FIN)};
    ELEMDESC defaulted[1] = {param_of(VT_VARIANT, PARAMFLAG_FIN | PARAMFLAG_FHASDEFAULT)};
    const std::vector<std::function<HRESULT()>> calls = {
        [&] { return creator_->AddFuncDesc(1, method(8, array_param, 1)); },
        [&] { return creator_->AddFuncDesc(1, method(9, defaulted, 1)); },
        [&] { return creator_->AddVarDesc(0, nullptr); },
        [&] { return creator_->SetSchema(const_cast<LPOLESTR>(u"s")); },
        [&] { return lib_->SaveAllChanges(); },
        [&] { return lib_->SetHelpFileName(const_cast<LPOLESTR>(u"help.hlp")); },
    };
    for (size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(E_NOTIMPL, calls[i]()) << "call " << i;
    for (TYPEKIND kind : {TKIND_ENUM, TKIND_RECORD, TKIND_MODULE, TKIND_COCLASS, TKIND_ALIAS, TKIND_UNION}) {
        ICreateTypeInfo *other = nullptr;
        EXPECT_EQ(E_NOTIMPL, lib_->CreateTypeInfo(const_cast<LPOLESTR>(u"Other"), kind, &other)) << kind;
        EXPECT_EQ(nullptr, other);
    }
    TYPEATTR *attr = nullptr;
    ASSERT_EQ(S_OK, info_->GetTypeAttr(&attr));
    EXPECT_EQ(8, attr->cFuncs) << "IDispatch's seven and the one method";
    info_->ReleaseTypeAttr(attr);
}

TEST_F(MadeType, DescriptionsAreCopiesOfTheirOwn)
{
    TYPEDESC pointee{};
    pointee.vt = VT_I4;
    ELEMDESC pointer[1] = {param_of(VT_PTR, PARAMFLAG_FOUT, &pointee)};
    ASSERT_EQ(S_OK, creator_->AddFuncDesc(1, method(8, pointer, 1)));
    pointee.vt = VT_BSTR;  // the caller's description changes after it was added
    pointer[0].tdesc.vt = VT_I2;
    FUNCDESC *first = nullptr, *second = nullptr;
    ASSERT_EQ(S_OK, info_->GetFuncDesc(8, &first));
    first->lprgelemdescParam[0].tdesc.lptdesc->vt = VT_DATE;  // as does a copy handed out
    ASSERT_EQ(S_OK, info_->GetFuncDesc(8, &second));
    EXPECT_EQ(VT_PTR, second->lprgelemdescParam[0].tdesc.vt);
    EXPECT_EQ(VT_I4, second->lprgelemdescParam[0].tdesc.lptdesc->vt);
    EXPECT_NE(first->lprgelemdescParam, second->lprgelemdescParam);
    info_->ReleaseFuncDesc(first);
    info_->ReleaseFuncDesc(second);
}

TEST_F(MadeType, ABaseMustExistAndNotLeadBack)
{
    ICreateTypeInfo *first = nullptr, *second = nullptr;
    ASSERT_EQ(S_OK, lib_->CreateTypeInfo(const_cast<LPOLESTR>(u"IFirst"), TKIND_INTERFACE, &first));
    ASSERT_EQ(S_OK, lib_->CreateTypeInfo(const_cast<LPOLESTR>(u"ISecond"), TKIND_INTERFACE, &second));
    ITypeInfo *first_info = nullptr, *second_info = nullptr;
    first->QueryInterface(IID_ITypeInfo, reinterpret_cast<void **>(&first_info));
    second->QueryInterface(IID_ITypeInfo, reinterpret_cast<void **>(&second_info));
    HREFTYPE to_first = 0, to_second = 0;
    ASSERT_EQ(S_OK, first->AddRefTypeInfo(first_info, &to_first));
    ASSERT_EQ(S_OK, first->AddRefTypeInfo(second_info, &to_second));
    const struct {
        ICreateTypeInfo *type;
        HREFTYPE base;
        HRESULT expected;
    } cases[] = {
        {first, 0x999, E_FAIL},                  // names no type
        {first, 0x2bc, E_FAIL},                  // an eighth type, which the library has not
        {first, to_first, TYPE_E_CIRCULARTYPE},  // itself
        {second, to_first, S_OK},
        {first, to_second, TYPE_E_CIRCULARTYPE},  // the one based on it
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
        EXPECT_EQ(cases[i].expected, cases[i].type->AddImplType(0, cases[i].base)) << "case " << i;
    TYPEATTR *attr = nullptr;
    ASSERT_EQ(S_OK, second_info->GetTypeAttr(&attr));
    EXPECT_EQ(0, attr->cbSizeVft) << "based on a type of no functions";
    second_info->ReleaseTypeAttr(attr);
    for (IUnknown *held : std::initializer_list<IUnknown *>{first_info, second_info, first, second}) held->Release();
}

// Answers IUnknown alone.
class Plain : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        *object = IsEqualIID(iid, IID_IUnknown) ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

TEST_F(MadeType, InvokeNeedsAnObjectThatDispatches)
{
    Plain plain;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(E_NOINTERFACE, info_->Invoke(&plain, 7, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
    EXPECT_EQ(E_INVALIDARG, info_->Invoke(nullptr, 7, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
    EXPECT_EQ(E_NOTIMPL, dispatch_->Invoke(&plain, 0x60010003, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr))
        << "an interface's functions are called through function tables, which the port does not";
}

TEST_F(MadeType, ReadsAlikeFromManyThreads)
{
    auto read = [this] {
        for (int round = 0; round < 200; ++round) {
            FUNCDESC *desc = nullptr;
            if (FAILED(info_->GetFuncDesc(7, &desc)) || desc->memid != 7) return false;
            info_->ReleaseFuncDesc(desc);
            LPOLESTR names[] = {const_cast<LPOLESTR>(u"SIZE"), const_cast<LPOLESTR>(u"unit")};
            MEMBERID memids[2];
            if (info_->GetIDsOfNames(names, 2, memids) != S_OK || memids[0] != 7 || memids[1] != 0) return false;
        }
        return true;
    };
    std::vector<std::thread> threads;
    bool results[4] = {};
    for (bool &result : results) threads.emplace_back([&result, read] { result = read(); });
    for (std::thread &thread : threads) thread.join();
    for (bool result : results) EXPECT_TRUE(result);
}

TEST(CreatedTypeLifetime, AnyReferenceKeepsTheWholeLibrary)
{
    // Which of the three references is kept to the end: the library's, the creator's, the type's.
    for (int kept = 0; kept < 3; ++kept) {
        ICreateTypeLib2 *lib = nullptr;
        ICreateTypeInfo *creator = nullptr;
        ITypeInfo *info = nullptr;
        ASSERT_EQ(S_OK, CreateTypeLib2(SYS_WIN64, u"lifetime", &lib));
        ASSERT_EQ(S_OK, lib->CreateTypeInfo(const_cast<LPOLESTR>(u"Kept"), TKIND_DISPATCH, &creator));
        ASSERT_EQ(S_OK, creator->QueryInterface(IID_ITypeInfo, reinterpret_cast<void **>(&info)));
        IUnknown *held[] = {static_cast<IUnknown *>(lib), creator, info};
        for (int i = 0; i < 3; ++i)
            if (i != kept) held[i]->Release();
        ITypeLib *readable = nullptr;
        ITypeInfo *type = nullptr;
        if (SUCCEEDED(held[kept]->QueryInterface(IID_ITypeInfo, reinterpret_cast<void **>(&type)))) {
            ASSERT_EQ(S_OK, type->GetContainingTypeLib(&readable, nullptr)) << kept;
            type->Release();
        } else {
            ASSERT_EQ(S_OK, held[kept]->QueryInterface(IID_ITypeLib, reinterpret_cast<void **>(&readable))) << kept;
        }
        EXPECT_EQ(1u, readable->GetTypeInfoCount()) << kept;
        ITypeInfo *found = nullptr;
        EXPECT_EQ(S_OK, readable->GetTypeInfo(0, &found)) << kept;
        EXPECT_EQ(info, found) << kept << ": the same object as at first";
        if (found) found->Release();
        readable->Release();
        held[kept]->Release();
    }
}

TEST(Stdole, FoundByItsFileNameInAnyFolder)
{
    ITypeLib *registered = nullptr;
    ASSERT_EQ(S_OK, LoadRegTypeLib(IID_StdOle, 2, 0, LOCALE_NEUTRAL, &registered));
    const struct {
        const char16_t *file;
        bool is_stdole;
    } files[] = {
        {u"stdole2.tlb", true},   {u"folder/stdole2.tlb", true}, {u"C:\\folder\\STDOLE2.TLB", true},
        {u"stdole32.tlb", false}, {u"xstdole2.tlb", false},      {u"stdole2.tlb.old", false},
    };
    for (const auto &entry : files) {
        ITypeLib *lib = nullptr;
        const HRESULT hr = LoadTypeLib(entry.file, &lib);
        EXPECT_EQ(entry.is_stdole, lib == registered) << static_cast<int>(hr);
        if (lib) lib->Release();
    }
    registered->Release();
}

// Wine's prefixes also register stdole32.tlb as version 1.0; the port has only stdole2.tlb.
TEST(Stdole, OnlyVersion2Point0IsRegistered)
{
    const struct {
        WORD major, minor;
        HRESULT expected;
    } versions[] = {{2, 0, S_OK},
                    {1, 0, TYPE_E_LIBNOTREGISTERED},
                    {3, 0, TYPE_E_LIBNOTREGISTERED},
                    {2, 1, TYPE_E_LIBNOTREGISTERED}};
    for (const auto &version : versions) {
        ITypeLib *lib = nullptr;
        EXPECT_EQ(version.expected, LoadRegTypeLib(IID_StdOle, version.major, version.minor, 0x0409, &lib))
            << version.major << "." << version.minor;
        if (lib) lib->Release();
    }
}

}  // namespace
