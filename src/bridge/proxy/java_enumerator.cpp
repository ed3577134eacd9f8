#include "bridge/proxy/java_enumerator.h"

#include <cstddef>
#include <iterator>
#include <new>
#include <utility>

#include "bridge/boundary/com_boundary.h"
#include "com/object.h"
#include "convert/java_to_com.h"
#include "errors/tavlin_ex.h"
#include "javaref/java_reflect.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"
#include "util/holders.h"
#include "util/text.h"
#include "vmhost/global_ref.h"
#include "vmhost/vm.h"

namespace tavlin {

namespace {

// The two methods that step a Java walker: an Iterator's or an Enumeration's.
struct Steps {
    jmethodID CJavaReflect::*has_more;
    jmethodID CJavaReflect::*next;
};

constexpr Steps kIteratorSteps = {&CJavaReflect::iterator_hasNext, &CJavaReflect::iterator_next};
constexpr Steps kEnumerationSteps = {&CJavaReflect::enumeration_hasMoreElements,
                                     &CJavaReflect::enumeration_nextElement};

CLocalRef iterator_of_iterable(JNIEnv *env, jobject iterable)
{
    return jni::call_method<jobject>(env, iterable, java_reflect.iterable_iterator);
}

CLocalRef iterator_of_keys(JNIEnv *env, jobject map)
{
    const CLocalRef keys = jni::call_method<jobject>(env, map, java_reflect.map_keySet);
    if (!keys) throw new TavlinEx("The map gave no key set to walk.");
    return iterator_of_iterable(env, keys.get());
}

// The object walked by position is its own walker, and can always start again.
CLocalRef itself(JNIEnv *env, jobject object) { return CLocalRef(env, env->NewLocalRef(object)); }

// One kind of walk: how its walker is stepped (no steps: by position), and how a fresh walker
// is had from the object (null when the object is the walker and cannot give another).
struct WalkRow {
    Walk walk;
    const Steps *steps;
    CLocalRef (*fresh_walker)(JNIEnv *env, jobject object);
};

// Each walk's row is found by its value.
constexpr WalkRow kWalkRows[] = {
    {Walk::Iterable, &kIteratorSteps, iterator_of_iterable},
    {Walk::Map, &kIteratorSteps, iterator_of_keys},
    {Walk::Iterator, &kIteratorSteps, nullptr},
    {Walk::Enumeration, &kEnumerationSteps, nullptr},
    {Walk::Indexed, nullptr, itself},
};

constexpr bool rows_follow_walks()
{
    for (size_t i = 0; i < std::size(kWalkRows); ++i)
        if (static_cast<size_t>(kWalkRows[i].walk) != i + 1) return false;
    return true;
}
static_assert(rows_follow_walks(), "the rows follow Walk's values after None");

// The row of a walk other than Walk::None.
const WalkRow &row_of(Walk walk) { return kWalkRows[static_cast<size_t>(walk) - 1]; }

// A fresh walker over `source`, as a global reference. Throws TavlinEx*.
GlobalRef<> fresh_walker(JNIEnv *env, const WalkRow &row, jobject source)
{
    const CLocalRef walker = row.fresh_walker(env, source);
    if (!walker) throw new TavlinEx("The collection gave no iterator to walk.");
    return new_global_ref(env, walker.get());
}

// Holds an object's lock for a scope: the Java walker is not safe to step from two threads
// at once, and clients may share an enumerator between threads.
class ObjectLockHolder {
public:
    explicit ObjectLockHolder(CRITICAL_SECTION &lock) : lock_(lock) { EnterCriticalSection(&lock_); }
    ~ObjectLockHolder() { LeaveCriticalSection(&lock_); }
    ObjectLockHolder(const ObjectLockHolder &) = delete;
    ObjectLockHolder &operator=(const ObjectLockHolder &) = delete;

private:
    CRITICAL_SECTION &lock_;
};

// The codes of Skip, Reset and Clone, whose failures are the Java walk's; the thread's error
// object carries the error's text (Java's message for a Java exception).
const FailureCodes kWalkFailureCodes{IID_IEnumVARIANT, DISP_E_EXCEPTION, E_FAIL, E_OUTOFMEMORY};
const IID *const kErrorInfoInterfaces[] = {&IID_IEnumVARIANT};

// Next's failures: Skip's codes, and nothing left in the client's array, whatever the call
// had converted into it before the failure (strings, safe arrays, proxies with their Java
// references).
class NextFailure {
public:
    NextFailure(VARIANT *elements, ULONG count) : elements_(elements), count_(count) {}

    HRESULT failed(TavlinExPtr error) const { return cleared(kWalkFailureCodes.failed(std::move(error))); }
    HRESULT failed(SE_ExceptionPtr error) const { return cleared(kWalkFailureCodes.failed(std::move(error))); }
    HRESULT out_of_memory() const { return cleared(kWalkFailureCodes.out_of_memory()); }

private:
    HRESULT cleared(HRESULT hr) const
    {
        for (ULONG i = 0; i < count_; ++i) VariantClear(&elements_[i]);
        return hr;
    }

    VARIANT *elements_;
    ULONG count_;
};

// The enumerator that DISPID_NEWENUM hands out. It holds its Java walker (and, where one
// can be had again, the collection that gives it) by global references, so it outlives the
// proxy it came from and works from any thread, each call on that thread's attachment.
class CJavaEnumerator : public IEnumVARIANT, public ISupportErrorInfo, public ComObjectRoot {
public:
    CJavaEnumerator(const WalkRow &row, GlobalRef<> source, GlobalRef<> walker)
        : row_(row), source_(std::move(source)), walker_(std::move(walker))
    {
    }

    void *interface_for(REFIID iid)
    {
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IEnumVARIANT))
            return static_cast<IEnumVARIANT *>(this);
        if (IsEqualGUID(iid, IID_ISupportErrorInfo)) return static_cast<ISupportErrorInfo *>(this);
        return nullptr;
    }

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override
    {
        return supports_error_info(kErrorInfoInterfaces, iid);
    }

    // Every slot of `elements` is set: the elements fetched, then VT_EMPTY. So a caller may
    // clear all `count` of them, and IEnumVARIANT's own contract lets it pass no
    // `fetched` whatever the count.
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT *elements, ULONG *fetched) override
    {
        if (fetched) *fetched = 0;
        if (count == 0) return S_OK;
        if (!elements) return E_INVALIDARG;
        for (ULONG i = 0; i < count; ++i) VariantInit(&elements[i]);
        return com_boundary(
            [&] {
                CThreadAttach attach;
                ObjectLockHolder lock(object_lock_);
                ULONG filled = 0;
                while (filled < count && step(attach.env(), &elements[filled])) ++filled;
                if (fetched) *fetched = filled;
                return filled == count ? S_OK : S_FALSE;
            },
            NextFailure(elements, count));
    }

    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        return com_boundary(
            [&] {
                CThreadAttach attach;
                ObjectLockHolder lock(object_lock_);
                return pass(attach.env(), count) == count ? S_OK : S_FALSE;
            },
            kWalkFailureCodes);
    }

    // Only a collection gives a fresh walker; a bare Iterator or Enumeration is walked once.
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        if (!source_) return E_NOTIMPL;
        return com_boundary(
            [&] {
                CThreadAttach attach;
                ObjectLockHolder lock(object_lock_);
                walker_ = fresh_walker(attach.env(), row_, source_.get());
                position_ = 0;
                return S_OK;
            },
            kWalkFailureCodes);
    }

    // A Java iterator cannot be copied: the clone walks a fresh one, advanced by as many
    // elements as this one has passed. It stands at the same place while the collection
    // stays as it was (a changed collection fails the walk of both, as Java iterators do).
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT **copy) override
    {
        if (!copy) return E_POINTER;
        *copy = nullptr;
        if (!source_) return E_NOTIMPL;
        return com_boundary(
            [&] {
                CThreadAttach attach;
                ObjectLockHolder lock(object_lock_);
                CJavaEnumerator *clone = create(attach.env(), row_, source_.get());
                ComPtr<IEnumVARIANT> held(clone);  // given back if the advance fails
                clone->pass(attach.env(), position_);
                *copy = held.release();
                return S_OK;
            },
            kWalkFailureCodes);
    }

    // A new enumerator at the start of `object`'s walk, with one reference. Throws TavlinEx*
    // and std::bad_alloc.
    static CJavaEnumerator *create(JNIEnv *env, const WalkRow &row, jobject object)
    {
        GlobalRef<> source = row.fresh_walker ? new_global_ref(env, object) : GlobalRef<>();
        GlobalRef<> walker = source ? fresh_walker(env, row, object) : new_global_ref(env, object);
        IndexedAccess indexed;
        if (!row.steps) {
            CLocalRef klass(env, env->GetObjectClass(object));
            if (!indexed_access_of(env, klass.as<jclass>(), indexed))
                throw new TavlinEx("The object has no getLength() and item(int) to walk.");
        }
        CJavaEnumerator *made = ComObject<CJavaEnumerator>::create(row, std::move(source), std::move(walker));
        if (!made) throw std::bad_alloc();
        made->indexed_ = indexed;
        static_cast<IEnumVARIANT *>(made)->AddRef();
        return made;
    }

private:
    // Takes the walker's next element into `element` (converted as a method's result is), or
    // drops it when `element` is null; false at the end. Throws TavlinEx*.
    bool step(JNIEnv *env, VARIANT *element)
    {
        jobject walker = walker_.get();
        CLocalRef next(env, nullptr);
        if (row_.steps) {
            if (!jni::call_method<jboolean>(env, walker, java_reflect.*row_.steps->has_more)) return false;
            next = jni::call_method<jobject>(env, walker, java_reflect.*row_.steps->next);
        } else {
            // The length is asked at each step, as a live NodeList changes under its walk.
            if (static_cast<jlong>(position_) >= jni::call_method<jint>(env, walker, indexed_.length)) return false;
            next = jni::call_method<jobject>(env, walker, indexed_.item, static_cast<jint>(position_));
        }
        ++position_;
        // A null element stays VT_EMPTY, as a null result of a method declared to return an
        // object does; the compatibility rule for arrays is for methods that declare one.
        if (element && next) convert_java_to_com(env, next.release(), element);
        return true;
    }

    // Passes up to `count` elements; returns how many there were.
    ULONG pass(JNIEnv *env, ULONG count)
    {
        ULONG passed = 0;
        while (passed < count && step(env, nullptr)) ++passed;
        return passed;
    }

    const WalkRow &row_;
    GlobalRef<> source_;     // the Iterable or Map; null for a bare Iterator or Enumeration
    GlobalRef<> walker_;     // the Iterator or Enumeration being walked
    ULONG position_ = 0;     // elements passed since the walker was had
    IndexedAccess indexed_;  // a walk by position's methods
};

}  // namespace

bool is_new_enum_name(const OLECHAR *name) { return is_name_folded(name, "_newenum"); }

HRESULT invoke_new_enum(JNIEnv *env, jobject object, Walk walk, WORD flags, const DISPPARAMS *params, VARIANT *result)
{
    if (walk == Walk::None || !(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    if (params && params->cArgs) return DISP_E_BADPARAMCOUNT;
    if (!result) return S_OK;  // nothing to hand the enumerator to
    result->punkVal = static_cast<IEnumVARIANT *>(CJavaEnumerator::create(env, row_of(walk), object));
    result->vt = VT_UNKNOWN;
    return S_OK;
}

}  // namespace tavlin
