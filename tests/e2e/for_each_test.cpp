// For Each over Java collections, as a client's engine does it: Invoke(DISPID_NEWENUM), the
// result asked for IEnumVARIANT, then Next, Skip, Reset and Clone.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "client.h"
#include "com/module_lock.h"
#include "jvm_probe.h"
#include "test_names.h"
#include "test_process.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

const IID kNullIid = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

// Invoke(DISPID_NEWENUM) with `flags` and `params`: its HRESULT and result.
CallResult new_enum(IDispatch *collection, WORD flags, DISPPARAMS *params = nullptr)
{
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    CallResult result;
    EXCEPINFO info = {};
    result.hr = collection->Invoke(DISPID_NEWENUM, kNullIid, LOCALE_USER_DEFAULT, flags, params ? params : &none,
                                   result.value.get(), &info, nullptr);
    result.description = narrow(info.bstrDescription);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    return result;
}

// The enumerator a For Each over `collection` walks: VBScript and JScript take a VT_UNKNOWN
// or VT_DISPATCH result and ask it for IEnumVARIANT.
ComPtr<IEnumVARIANT> enumerator_of(IDispatch *collection, WORD flags = DISPATCH_METHOD)
{
    CallResult made = new_enum(collection, flags);
    ComPtr<IEnumVARIANT> walker;
    EXPECT_EQ(S_OK, made.hr) << made.description;
    EXPECT_EQ(VT_UNKNOWN, made.value.type());
    if (made.value.type() == VT_UNKNOWN) {
        EXPECT_EQ(S_OK, made.value->punkVal->QueryInterface(IID_IEnumVARIANT, walker.put_void()));
    }
    return walker;
}

// A value as text, to compare: a string as it is, anything else through the platform's
// coercion, a proxy by its toString.
std::string text_of_value(const VARIANT &value)
{
    if (value.vt == VT_DISPATCH) return "proxy:" + text_of(call(value.pdispVal, "toString"));
    ScopedVariant text;
    if (FAILED(VariantChangeType(text.get(), const_cast<VARIANT *>(&value), 0, VT_BSTR)))
        return "<vt " + std::to_string(value.vt) + ">";
    return narrow(text->bstrVal);
}

// The elements left, fetched one Next(1) at a time as For Each does, until S_FALSE.
std::vector<std::string> rest_of(IEnumVARIANT *walker)
{
    std::vector<std::string> texts;
    for (;;) {
        ScopedVariant element;
        ULONG fetched = 99;
        HRESULT hr = walker->Next(1, element.get(), &fetched);
        if (hr == S_FALSE) {
            EXPECT_EQ(0u, fetched);
            EXPECT_EQ(VT_EMPTY, element.type());
            return texts;
        }
        EXPECT_EQ(S_OK, hr);
        EXPECT_EQ(1u, fetched);
        if (hr != S_OK) return texts;
        texts.push_back(text_of_value(*element.get()));
    }
}

void add_to(IDispatch *collection, const char *text)
{
    ScopedVariant item = ScopedVariant::string(text);
    ASSERT_EQ(S_OK, call(collection, "add", {item.get()}).hr);
}

ComPtr<IDispatch> filled(const char *class_name, const std::vector<std::string> &items)
{
    ComPtr<IDispatch> collection = make(class_name);
    for (const std::string &item : items) add_to(collection.get(), item.c_str());
    return collection;
}

// A map of `keys`, each to its length.
ComPtr<IDispatch> map_of(const char *class_name, const std::vector<std::string> &keys)
{
    ComPtr<IDispatch> map = make(class_name);
    for (const std::string &key : keys) {
        ScopedVariant k = ScopedVariant::string(key), v = ScopedVariant::i4(static_cast<LONG>(key.size()));
        EXPECT_EQ(S_OK, call(map.get(), "put", {k.get(), v.get()}).hr);
    }
    return map;
}

// What a method of `object` gives back, as a proxy that stays alive after the call.
ComPtr<IDispatch> result_of(IDispatch *object, const char *method, std::initializer_list<const VARIANT *> args = {})
{
    CallResult result = call(object, method, args);
    EXPECT_EQ(S_OK, result.hr) << method << ": " << result.description;
    EXPECT_EQ(VT_DISPATCH, result.value.type()) << method;
    ComPtr<IDispatch> proxy;
    if (result.value.type() == VT_DISPATCH) {
        proxy.reset(result.value->pdispVal);
        proxy->AddRef();
    }
    return proxy;
}

ComPtr<IDispatch> numbers(int count)
{
    ComPtr<IDispatch> walks = make("fixtures.Walks");
    ScopedVariant n = ScopedVariant::i4(count);
    return result_of(walks.get(), "numbers", {n.get()});
}

const std::vector<std::string> kFruit = {"pear", "apple", "fig"};
const std::vector<std::string> kFruitSorted = {"apple", "fig", "pear"};

// A collection filled with `items` (added, or put as a map's keys) and walked itself or
// through what one of its methods gives (an Iterator, an Enumeration).
struct WalkCase {
    const char *name;
    const char *class_name;
    std::vector<std::string> items;
    bool is_map;
    const char *walked_by;  // null: the collection itself
    std::vector<std::string> expected;
    bool in_order;  // false: the collection gives no order of its own (a hash)
};

const WalkCase kWalkCases[] = {
    {"ArrayList", "java.util.ArrayList", kFruit, false, nullptr, kFruit, true},
    {"LinkedHashSet", "java.util.LinkedHashSet", {"pear", "apple", "fig", "pear"}, false, nullptr, kFruit, true},
    {"TreeSet", "java.util.TreeSet", kFruit, false, nullptr, kFruitSorted, true},
    {"HashSet", "java.util.HashSet", kFruit, false, nullptr, kFruitSorted, false},
    {"HashMapKeys", "java.util.HashMap", kFruit, true, nullptr, kFruitSorted, false},
    {"TreeMapKeys", "java.util.TreeMap", kFruit, true, nullptr, kFruitSorted, true},
    {"ListIterator", "java.util.ArrayList", kFruit, false, "iterator", kFruit, true},
    {"VectorElements", "java.util.Vector", kFruit, false, "elements", kFruit, true},
    {"HashtableKeysEnumeration", "java.util.Hashtable", kFruit, true, "keys", kFruitSorted, false},
    {"EmptyList", "java.util.ArrayList", {}, false, nullptr, {}, true},
    {"EmptyMap", "java.util.HashMap", {}, true, nullptr, {}, true},
};

ComPtr<IDispatch> walked_object(const WalkCase &row)
{
    ComPtr<IDispatch> collection = row.is_map ? map_of(row.class_name, row.items) : filled(row.class_name, row.items);
    return row.walked_by ? result_of(collection.get(), row.walked_by) : std::move(collection);
}

class ForEach : public ::testing::Test {
protected:
    void SetUp() override { use_standard_vm_setup(); }
};

class ForEachWalks : public ForEach, public ::testing::WithParamInterface<WalkCase> {};

}  // namespace

TEST_P(ForEachWalks, GiveEveryElementThenStop)
{
    ComPtr<IDispatch> collection = walked_object(GetParam());
    ASSERT_TRUE(collection);
    ComPtr<IEnumVARIANT> walker = enumerator_of(collection.get());
    ASSERT_TRUE(walker);
    std::vector<std::string> walked = rest_of(walker.get());
    if (!GetParam().in_order) std::sort(walked.begin(), walked.end());
    EXPECT_EQ(GetParam().expected, walked);
    EXPECT_EQ(DISPID_NEWENUM, dispid_of(collection.get(), "_NewEnum"));
}

INSTANTIATE_TEST_SUITE_P(Collections, ForEachWalks, ::testing::ValuesIn(kWalkCases),
                         test_names::by_field<&WalkCase::name>);

// Every element comes back as List.get gives it back: a string, boxed numbers, a date, an
// array, null as Empty, another object as a proxy.
TEST_F(ForEach, ElementsConvertAsMethodResultsDo)
{
    ComPtr<IDispatch> walks = make("fixtures.Walks");
    ComPtr<IDispatch> list = result_of(walks.get(), "mixed");
    ASSERT_TRUE(list);
    const LONG size = call(list.get(), "size").value->lVal;
    ComPtr<IEnumVARIANT> walker = enumerator_of(list.get());
    ASSERT_TRUE(walker);
    std::vector<VARTYPE> types;
    for (LONG i = 0; i < size; ++i) {
        SCOPED_TRACE("element " + std::to_string(i));
        ScopedVariant element;
        ASSERT_EQ(S_OK, walker->Next(1, element.get(), nullptr));
        ScopedVariant index = ScopedVariant::i4(i);
        CallResult got = call(list.get(), "get", {index.get()});
        ASSERT_EQ(S_OK, got.hr);
        EXPECT_EQ(got.value.type(), element.type());
        types.push_back(element.type());
        if (element.type() & VT_ARRAY) {
            LONG walked_upper = -1, got_upper = -2;
            SafeArrayGetUBound(element->parray, 1, &walked_upper);
            SafeArrayGetUBound(got.value->parray, 1, &got_upper);
            EXPECT_EQ(got_upper, walked_upper);
        } else {
            EXPECT_EQ(text_of_value(*got.value.get()), text_of_value(*element.get()));
        }
    }
    const std::vector<VARTYPE> expected = {
        VT_BSTR,  VT_I4,      VT_R8, VT_R8, VT_I2, VT_BOOL, VT_UI2, VT_DATE, static_cast<VARTYPE>(VT_ARRAY | VT_I4),
        VT_EMPTY, VT_DISPATCH};
    EXPECT_EQ(expected, types);
}

TEST_F(ForEach, NextInBatchesReportsWhatIsLeft)
{
    ComPtr<IDispatch> list = numbers(7);
    ComPtr<IEnumVARIANT> walker = enumerator_of(list.get());
    ASSERT_TRUE(walker);
    struct Batch {
        HRESULT hr;
        ULONG fetched;
    };
    const Batch batches[] = {{S_OK, 5}, {S_FALSE, 2}, {S_FALSE, 0}};
    LONG next_number = 0;
    for (const Batch &batch : batches) {
        ScopedVariant slots[5];
        slots[4]->vt = VT_I4;  // an [out] array: whatever the caller left there is overwritten
        ULONG fetched = 99;
        EXPECT_EQ(batch.hr, walker->Next(5, slots[0].get(), &fetched));
        EXPECT_EQ(batch.fetched, fetched);
        for (ULONG i = 0; i < 5; ++i) {
            if (i < fetched) {
                EXPECT_EQ(VT_I4, slots[i].type());
                EXPECT_EQ(next_number++, slots[i]->lVal);
            } else {
                EXPECT_EQ(VT_EMPTY, slots[i].type()) << "slot " << i;
            }
        }
    }
}

TEST_F(ForEach, NextOfNothingAsksNothing)
{
    ComPtr<IDispatch> list = numbers(2);
    ComPtr<IEnumVARIANT> walker = enumerator_of(list.get());
    ASSERT_TRUE(walker);
    ULONG fetched = 99;
    EXPECT_EQ(S_OK, walker->Next(0, nullptr, &fetched));
    EXPECT_EQ(0u, fetched);
    EXPECT_EQ(E_INVALIDARG, walker->Next(1, nullptr, &fetched));
    EXPECT_EQ((std::vector<std::string>{"0", "1"}), rest_of(walker.get())) << "nothing was passed";
}

TEST_F(ForEach, SkipPassesElements)
{
    ComPtr<IDispatch> list = numbers(7);
    ComPtr<IEnumVARIANT> walker = enumerator_of(list.get());
    ASSERT_TRUE(walker);
    EXPECT_EQ(S_OK, walker->Skip(2));
    ScopedVariant third;
    ASSERT_EQ(S_OK, walker->Next(1, third.get(), nullptr));
    EXPECT_EQ(2, third->lVal);
    EXPECT_EQ(S_OK, walker->Skip(0));
    EXPECT_EQ(S_FALSE, walker->Skip(10)) << "four were left";
    EXPECT_TRUE(rest_of(walker.get()).empty());
}

// A collection gives a fresh iterator: Reset starts again, a clone walks on from where its
// original stands, and the two go on independently.
TEST_F(ForEach, ResetAndCloneOfACollection)
{
    ComPtr<IDispatch> collections[] = {filled("java.util.ArrayList", {"pear", "apple", "fig"}),
                                       map_of("java.util.LinkedHashMap", {"pear", "apple", "fig"})};
    for (const ComPtr<IDispatch> &collection : collections) {
        ComPtr<IEnumVARIANT> walker = enumerator_of(collection.get());
        ASSERT_TRUE(walker);
        EXPECT_EQ(S_OK, walker->Skip(1));
        ComPtr<IEnumVARIANT> clone;
        ASSERT_EQ(S_OK, walker->Clone(clone.put()));
        ASSERT_TRUE(clone);
        EXPECT_EQ((std::vector<std::string>{"apple", "fig"}), rest_of(walker.get()));
        EXPECT_EQ((std::vector<std::string>{"apple", "fig"}), rest_of(clone.get()));
        EXPECT_EQ(S_OK, walker->Reset());
        EXPECT_EQ(kFruit, rest_of(walker.get()));
        EXPECT_EQ(S_OK, clone->Reset());
        ComPtr<IEnumVARIANT> clone_at_start;
        ASSERT_EQ(S_OK, clone->Clone(clone_at_start.put()));
        EXPECT_EQ(kFruit, rest_of(clone_at_start.get()));
    }
}

// A bare Iterator or Enumeration is walked once: there is no fresh one to start from.
TEST_F(ForEach, ResetAndCloneOfABareWalkerAreNotImplemented)
{
    ComPtr<IDispatch> list = filled("java.util.Vector", {"pear", "apple", "fig"});
    for (const char *method : {"iterator", "elements"}) {
        SCOPED_TRACE(method);
        ComPtr<IDispatch> bare = result_of(list.get(), method);
        ComPtr<IEnumVARIANT> walker = enumerator_of(bare.get());
        ASSERT_TRUE(walker);
        EXPECT_EQ(S_OK, walker->Skip(1));
        EXPECT_EQ(E_NOTIMPL, walker->Reset());
        IEnumVARIANT *clone = reinterpret_cast<IEnumVARIANT *>(&list);  // anything but null
        EXPECT_EQ(E_NOTIMPL, walker->Clone(&clone));
        EXPECT_EQ(nullptr, clone);
        EXPECT_EQ((std::vector<std::string>{"apple", "fig"}), rest_of(walker.get())) << "the walk went on as it was";
    }
}

// Java's ConcurrentModificationException is an automation error, and the call's slots are
// left empty.
TEST_F(ForEach, ChangingTheListMidWalkFailsTheWalk)
{
    ComPtr<IDispatch> list = filled("java.util.ArrayList", {"pear", "apple", "fig"});
    ComPtr<IEnumVARIANT> walker = enumerator_of(list.get());
    ASSERT_TRUE(walker);
    ScopedVariant first;
    ASSERT_EQ(S_OK, walker->Next(1, first.get(), nullptr));
    add_to(list.get(), "kiwi");
    ScopedVariant slots[3];
    ULONG fetched = 99;
    EXPECT_EQ(DISP_E_EXCEPTION, walker->Next(3, slots[0].get(), &fetched));
    EXPECT_EQ(0u, fetched);
    for (const ScopedVariant &slot : slots) EXPECT_EQ(VT_EMPTY, slot.type());
    EXPECT_EQ(DISP_E_EXCEPTION, walker->Skip(1));
    EXPECT_EQ(S_OK, walker->Reset()) << "a fresh iterator sees the list as it is now";
    EXPECT_EQ((std::vector<std::string>{"pear", "apple", "fig", "kiwi"}), rest_of(walker.get()));
}

// Elements converted before the failure in the same call (here two proxies) are released.
TEST_F(ForEach, AFailedNextReleasesWhatItConverted)
{
    ComPtr<IDispatch> walks = make("fixtures.Walks");
    ScopedVariant two = ScopedVariant::i4(2);
    ComPtr<IDispatch> failing = result_of(walks.get(), "failingAfter", {two.get()});
    ComPtr<IEnumVARIANT> walker = enumerator_of(failing.get());
    ASSERT_TRUE(walker);
    const LONG locks = module_lock_count();
    ScopedVariant slots[5];
    ULONG fetched = 99;
    EXPECT_EQ(DISP_E_EXCEPTION, walker->Next(5, slots[0].get(), &fetched));
    EXPECT_EQ(0u, fetched);
    for (const ScopedVariant &slot : slots) EXPECT_EQ(VT_EMPTY, slot.type());
    EXPECT_EQ(locks, module_lock_count()) << "the two proxies made before the failure are gone";
}

// Walks that end, fail, are reset and cloned give back every Java reference and module lock
// they took: their enumerators', their walkers' and their elements' proxies'.
TEST_F(ForEach, WalksLeaveNoJavaReferenceBehind)
{
    ComPtr<IDispatch> walks = make("fixtures.Walks");
    ScopedVariant two = ScopedVariant::i4(2);
    auto walk_every_way = [&] {
        ComPtr<IDispatch> mixed = result_of(walks.get(), "mixed");
        ComPtr<IEnumVARIANT> walker = enumerator_of(mixed.get());
        ASSERT_TRUE(walker);
        EXPECT_EQ(11u, rest_of(walker.get()).size());
        ComPtr<IEnumVARIANT> clone;
        EXPECT_EQ(S_OK, walker->Reset());
        EXPECT_EQ(S_OK, walker->Skip(3));
        EXPECT_EQ(S_OK, walker->Clone(clone.put()));
        EXPECT_EQ(8u, rest_of(clone.get()).size());
        ComPtr<IDispatch> failing = result_of(walks.get(), "failingAfter", {two.get()});
        ComPtr<IEnumVARIANT> failing_walker = enumerator_of(failing.get());
        ASSERT_TRUE(failing_walker);
        ScopedVariant slots[5];
        ULONG fetched = 0;
        EXPECT_EQ(DISP_E_EXCEPTION, failing_walker->Next(5, slots[0].get(), &fetched));
    };
    walk_every_way();  // the classes' tables are cached before counting
    const long references = jni_global_reference_count();
    const LONG locks = module_lock_count();
    for (int i = 0; i < 20; ++i) walk_every_way();
    EXPECT_EQ(references, jni_global_reference_count());
    EXPECT_EQ(locks, module_lock_count());
}

TEST_F(ForEach, ACollectionThatRefusesToBeWalkedIsAnAutomationError)
{
    ComPtr<IDispatch> walks = make("fixtures.Walks");
    ComPtr<IDispatch> refusing = result_of(walks.get(), "refusing");
    CallResult made = new_enum(refusing.get(), DISPATCH_METHOD);
    EXPECT_EQ(DISP_E_EXCEPTION, made.hr);
    EXPECT_EQ("not walkable", made.description);
    EXPECT_EQ(VT_EMPTY, made.value.type());
}

TEST_F(ForEach, AnObjectThatIsNoCollectionHasNoNewEnum)
{
    for (const char *class_name : {"fixtures.Calculator", "java.lang.StringBuilder"}) {
        SCOPED_TRACE(class_name);
        ComPtr<IDispatch> object = make(class_name);
        OleString name = wide("_NewEnum");
        LPOLESTR names[] = {&name[0]};
        DISPID dispid = 1;
        EXPECT_EQ(DISP_E_UNKNOWNNAME, object->GetIDsOfNames(IID_IDispatch, names, 1, LOCALE_USER_DEFAULT, &dispid));
        EXPECT_EQ(DISPID_UNKNOWN, dispid);
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND, new_enum(object.get(), DISPATCH_METHOD).hr);
    }
}

// A class proxy stands for the class, not for one of its objects: the statics of a collection
// class walk nothing.
TEST_F(ForEach, AClassProxyOfACollectionClassHasNoNewEnum)
{
    ComPtr<IDispatch> klass;
    ASSERT_EQ(S_OK, statics("java.util.ArrayList", klass));
    OleString name = wide("_NewEnum");
    LPOLESTR names[] = {&name[0]};
    DISPID dispid = 1;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, klass->GetIDsOfNames(IID_IDispatch, names, 1, LOCALE_USER_DEFAULT, &dispid));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, new_enum(klass.get(), DISPATCH_METHOD).hr);
}

TEST_F(ForEach, TheNameIsFoundInAnyCaseAndOnlyWhole)
{
    ComPtr<IDispatch> list = make("java.util.ArrayList");
    for (const char *name : {"_NewEnum", "_newenum", "_NEWENUM", "_nEwEnUm"})
        EXPECT_EQ(DISPID_NEWENUM, dispid_of(list.get(), name)) << name;
    for (const char *name : {"_NewEnu", "_NewEnumX", "NewEnum", "_New"})
        EXPECT_EQ(DISPID_UNKNOWN, dispid_of(list.get(), name)) << name;
}

TEST_F(ForEach, AJavaMethodNamedNewEnumKeepsItsOwnDispid)
{
    ComPtr<IDispatch> own = make("fixtures.OwnNewEnum");
    const DISPID dispid = dispid_of(own.get(), "_newenum");
    EXPECT_GT(dispid, 0);
    EXPECT_EQ("own method", text_of(call(own.get(), dispid)));
    ComPtr<IEnumVARIANT> walker = enumerator_of(own.get());
    ASSERT_TRUE(walker);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), rest_of(walker.get()));
}

TEST_F(ForEach, TheEnumeratorIsAMethodAndAPropertyWithoutArguments)
{
    ComPtr<IDispatch> list = filled("java.util.ArrayList", {"pear", "apple", "fig"});
    ComPtr<IEnumVARIANT> read = enumerator_of(list.get(), DISPATCH_PROPERTYGET);
    ASSERT_TRUE(read);
    EXPECT_EQ(kFruit, rest_of(read.get()));
    ComPtr<IEnumVARIANT> both = enumerator_of(list.get(), DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    ASSERT_TRUE(both);
    EXPECT_EQ(kFruit, rest_of(both.get()));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, new_enum(list.get(), DISPATCH_PROPERTYPUT).hr);
    ScopedVariant argument = ScopedVariant::i4(1);
    DISPPARAMS one = {argument.get(), nullptr, 1, 0};
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, new_enum(list.get(), DISPATCH_METHOD, &one).hr);
}

TEST_F(ForEach, TheEnumeratorOutlivesItsProxy)
{
    ComPtr<IDispatch> list = filled("java.util.ArrayList", {"pear", "apple", "fig"});
    ComPtr<IEnumVARIANT> walker = enumerator_of(list.get());
    ASSERT_TRUE(walker);
    list.reset();
    EXPECT_EQ(kFruit, rest_of(walker.get()));
    EXPECT_EQ(S_OK, walker->Reset());
    EXPECT_EQ(kFruit, rest_of(walker.get()));
}

TEST_F(ForEach, TheEnumeratorHoldsTheModuleWhileItLives)
{
    ComPtr<IDispatch> list = make("java.util.ArrayList");
    const LONG locks = module_lock_count();
    ComPtr<IEnumVARIANT> walker = enumerator_of(list.get());
    ASSERT_TRUE(walker);
    EXPECT_EQ(locks + 1, module_lock_count());
    walker.reset();
    EXPECT_EQ(locks, module_lock_count());
}

TEST_F(ForEach, TheEnumeratorWorksFromAnotherThread)
{
    ComPtr<IDispatch> list = filled("java.util.ArrayList", {"pear", "apple", "fig"});
    ComPtr<IEnumVARIANT> walker = enumerator_of(list.get());
    ASSERT_TRUE(walker);
    std::vector<std::string> walked;
    std::thread([&] { walked = rest_of(walker.get()); }).join();
    EXPECT_EQ(kFruit, walked);
    EXPECT_EQ(S_OK, walker->Reset());
    EXPECT_EQ(kFruit, rest_of(walker.get())) << "and again from this one";
}

// Two threads drawing from one enumerator share its walk: every element comes out once.
TEST_F(ForEach, ThreadsSharingAnEnumeratorGetEachElementOnce)
{
    const int count = 2000;
    ComPtr<IDispatch> list = numbers(count);
    ComPtr<IEnumVARIANT> walker = enumerator_of(list.get());
    ASSERT_TRUE(walker);
    std::vector<std::atomic<int>> seen(count);
    std::atomic<int> failures{0};
    auto draw = [&] {
        for (;;) {
            ScopedVariant element;
            HRESULT hr = walker->Next(1, element.get(), nullptr);
            if (hr != S_OK) {
                if (hr != S_FALSE) ++failures;
                return;
            }
            if (element.type() == VT_I4 && element->lVal >= 0 && element->lVal < count)
                ++seen[element->lVal];
            else
                ++failures;
        }
    };
    std::thread other(draw);
    draw();
    other.join();
    EXPECT_EQ(0, failures.load());
    for (int i = 0; i < count; ++i) EXPECT_EQ(1, seen[i].load()) << i;
}
