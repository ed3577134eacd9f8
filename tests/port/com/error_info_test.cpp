// The thread's error object where the port keeps it (what every thread sees alike is in the
// conformance rows): one slot per thread, emptied when the thread ends.
#include <gtest/gtest.h>

#include <thread>

#include "tavlinport/windows.h"

namespace {

IErrorInfo *error_described(const char16_t *description)
{
    ICreateErrorInfo *create = nullptr;
    if (FAILED(CreateErrorInfo(&create))) return nullptr;
    create->SetDescription(const_cast<LPOLESTR>(description));
    IErrorInfo *info = nullptr;
    create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void **>(&info));
    create->Release();
    return info;
}

// The object's count of references, read without changing it.
ULONG references(IUnknown *object)
{
    object->AddRef();
    return object->Release();
}

TEST(ThreadErrorObject, EachThreadHasItsOwn)
{
    IErrorInfo *mine = error_described(u"mine");
    ASSERT_NE(nullptr, mine);
    ASSERT_EQ(S_OK, SetErrorInfo(0, mine));
    HRESULT seen_elsewhere = E_UNEXPECTED;
    std::thread([&] {
        IErrorInfo *other = nullptr;
        seen_elsewhere = GetErrorInfo(0, &other);
        if (other) other->Release();
    }).join();
    EXPECT_EQ(S_FALSE, seen_elsewhere);
    IErrorInfo *taken = nullptr;
    ASSERT_EQ(S_OK, GetErrorInfo(0, &taken));
    EXPECT_EQ(mine, taken);
    taken->Release();
    mine->Release();
}

TEST(ThreadErrorObject, LeftOnAThreadThatEndsIsReleased)
{
    IErrorInfo *left = error_described(u"left");
    ASSERT_NE(nullptr, left);
    std::thread([&] { SetErrorInfo(0, left); }).join();
    EXPECT_EQ(1u, references(left)) << "only the test's own reference remains";
    left->Release();
}

TEST(ThreadErrorObject, ReplacingReleasesTheOneBefore)
{
    IErrorInfo *first = error_described(u"first"), *second = error_described(u"second");
    ASSERT_EQ(S_OK, SetErrorInfo(0, first));
    EXPECT_EQ(2u, references(first));
    ASSERT_EQ(S_OK, SetErrorInfo(0, second));
    EXPECT_EQ(1u, references(first));
    ASSERT_EQ(S_OK, SetErrorInfo(0, nullptr));
    EXPECT_EQ(1u, references(second));
    first->Release();
    second->Release();
}

}  // namespace
