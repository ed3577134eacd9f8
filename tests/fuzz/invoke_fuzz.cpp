// Feeds Invoke whatever a hostile client could send: any DISPID, flags and argument count,
// and arguments of every VARTYPE, by value and by reference, safe arrays of random shape and
// element type, strings with unpaired surrogates. Every call must succeed or fail with an
// HRESULT, and leave no proxy behind.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "bridge/proxy/proxy.h"
#include "client.h"
#include "com/module_lock.h"
#include "test_process.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

class Input {
public:
    Input(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return size_ ? (--size_, *data_++) : 0; }
    uint16_t u16() { return static_cast<uint16_t>(byte() | byte() << 8); }
    uint64_t u64()
    {
        uint64_t value = 0;
        for (int i = 0; i < 8; ++i) value |= uint64_t(byte()) << (8 * i);
        return value;
    }
    bool empty() const { return size_ == 0; }

private:
    const uint8_t *data_;
    size_t size_;
};

struct World {
    ComPtr<IDispatch> sink;
    ComPtr<IDispatch> other_proxy;
    ComPtr<ITavlinUtil> foreign;  // an automation object that is no proxy
    LONG baseline_locks = 0;
};

World &world()
{
    static World *w = [] {
        use_fresh_registry();
        setenv("CLASSPATH", fixtures_jar().c_str(), 1);
        auto *made = new World();
        made->sink = make("fixtures.Sink");
        made->other_proxy = make("java.util.ArrayList");
        made->foreign = create_util();
        made->baseline_locks = module_lock_count();
        return made;
    }();
    return *w;
}

const char *const kMethods[] = {
    "takeBoolean",   "takeByte",      "takeChar",         "takeShort",       "takeInt",         "takeLong",
    "takeFloat",     "takeDouble",    "takeBoxedBoolean", "takeBoxedByte",   "takeBoxedChar",   "takeBoxedShort",
    "takeBoxedInt",  "takeBoxedLong", "takeBoxedFloat",   "takeBoxedDouble", "takeString",      "takeDate",
    "takeObject",    "takeNumber",    "takeList",         "takeIntArray",    "takeLongArray",   "takeBooleanArray",
    "takeByteArray", "takeCharArray", "takeDoubleMatrix", "takeStringArray", "takeObjectArray", "takeDateArray",
    "takeTwo",       "take",          "toString",         "hashCode",        "equals",          "noSuchMethod"};

const VARTYPE kScalarTypes[] = {VT_EMPTY, VT_NULL,  VT_I1,      VT_I2,   VT_I4,      VT_I8, VT_UI1, VT_UI2,
                                VT_UI4,   VT_UI8,   VT_INT,     VT_UINT, VT_R4,      VT_R8, VT_CY,  VT_DATE,
                                VT_BOOL,  VT_ERROR, VT_DECIMAL, VT_VOID, VT_HRESULT, 15,    0x0fff};
const VARTYPE kElementTypes[] = {VT_I1,   VT_I2,      VT_I4,   VT_R4,       VT_R8, VT_BOOL, VT_UI1,     VT_UI2,
                                 VT_BSTR, VT_VARIANT, VT_DATE, VT_DISPATCH, VT_I8, VT_CY,   VT_DECIMAL, VT_UI4};

// Owns everything an argument points to, and releases it after the call.
class Arena {
public:
    ~Arena()
    {
        for (VARIANT *v : variants_) VariantClear(v);
    }
    VARIANT *variant()
    {
        storage_.emplace_back(new VARIANT);
        VARIANT *v = storage_.back().get();
        VariantInit(v);
        variants_.push_back(v);
        return v;
    }

private:
    std::vector<std::unique_ptr<VARIANT>> storage_;
    std::vector<VARIANT *> variants_;
};

BSTR random_text(Input &in)
{
    UINT length = in.byte() % 24;
    std::vector<OLECHAR> units(length);
    for (OLECHAR &unit : units) unit = static_cast<OLECHAR>(in.u16());  // unpaired surrogates included
    return SysAllocStringLen(units.data(), length);
}

IDispatch *random_object(Input &in)
{
    World &w = world();
    switch (in.byte() % 4) {
    case 0:
        return nullptr;
    case 1:
        return w.sink.get();
    case 2:
        return w.other_proxy.get();
    default:
        return w.foreign.get();
    }
}

void fill(Input &in, VARIANT *v, int depth);

SAFEARRAY *random_array(Input &in, VARTYPE element, int depth)
{
    UINT dims = 1 + in.byte() % 3;
    SAFEARRAYBOUND bounds[3];
    for (UINT d = 0; d < dims; ++d)
        bounds[d] = {static_cast<ULONG>(in.byte() % 5), static_cast<LONG>(in.byte() % 5) - 2};
    SAFEARRAY *array = SafeArrayCreate(element, dims, bounds);
    if (!array) return nullptr;
    ULONG total = 1;
    for (UINT d = 0; d < dims; ++d) total *= bounds[d].cElements;
    for (ULONG i = 0; i < total; ++i) {
        LONG index[3];
        ULONG rest = i;
        for (UINT d = 0; d < dims; ++d) {
            index[d] = bounds[dims - 1 - d].lLbound + static_cast<LONG>(rest % bounds[dims - 1 - d].cElements);
            rest /= bounds[dims - 1 - d].cElements;
        }
        VARIANT value;
        VariantInit(&value);
        if (element == VT_VARIANT) {
            fill(in, &value, depth + 1);
            SafeArrayPutElement(array, index, &value);
        } else if (element == VT_BSTR) {
            BSTR text = random_text(in);
            SafeArrayPutElement(array, index, text);
            SysFreeString(text);
        } else if (element == VT_DISPATCH) {
            SafeArrayPutElement(array, index, random_object(in));
        } else {
            unsigned char raw[16];
            for (unsigned char &b : raw) b = in.byte();
            SafeArrayPutElement(array, index, raw);
        }
        VariantClear(&value);
    }
    return array;
}

// Fills `v` (empty) with a value the client owns.
void fill(Input &in, VARIANT *v, int depth)
{
    switch (in.byte() % 6) {
    case 0:
    case 1: {
        v->vt = kScalarTypes[in.byte() % (sizeof kScalarTypes / sizeof *kScalarTypes)];
        if (v->vt == VT_DECIMAL) {
            v->decVal.Hi32 = static_cast<ULONG>(in.u64());
            v->decVal.Lo64 = in.u64();
            v->decVal.scale = in.byte() % 29;
            v->decVal.sign = in.byte() & 0x80;
            v->vt = VT_DECIMAL;
        } else {
            v->llVal = static_cast<LONGLONG>(in.u64());
        }
        return;
    }
    case 2:
        v->vt = VT_BSTR;
        v->bstrVal = random_text(in);
        return;
    case 3:
        v->vt = in.byte() & 1 ? VT_DISPATCH : VT_UNKNOWN;
        v->pdispVal = random_object(in);
        if (v->pdispVal) v->pdispVal->AddRef();
        return;
    default:
        if (depth > 2) return;
        VARTYPE element = kElementTypes[in.byte() % (sizeof kElementTypes / sizeof *kElementTypes)];
        v->parray = random_array(in, element, depth);
        v->vt = v->parray ? VT_ARRAY | element : VT_EMPTY;
        return;
    }
}

// An argument, by value or by reference to a value the arena owns.
void make_argument(Input &in, Arena &arena, VARIANT *arg)
{
    VariantInit(arg);
    if (in.byte() % 3) {
        fill(in, arg, 0);
        return;
    }
    VARIANT *target = arena.variant();
    fill(in, target, 0);
    if (in.byte() & 1 || target->vt == VT_EMPTY || target->vt == VT_NULL) {
        arg->vt = VT_BYREF | VT_VARIANT;
        arg->pvarVal = target;
    } else {
        arg->vt = VT_BYREF | target->vt;
        arg->byref =
            target->vt == VT_DECIMAL ? static_cast<void *>(&target->decVal) : static_cast<void *>(&target->llVal);
    }
}

// Object.wait blocks by design (without a timeout, for ever): a made-up DISPID that lands
// on it is turned into one that designates nothing.
DISPID avoiding_wait(IDispatch *object, DISPID dispid)
{
    ComPtr<IProxy> proxy;
    object->QueryInterface(IID_IProxy, proxy.put_void());
    const MethodTable *table = static_cast<CProxy *>(proxy.get())->methods();
    if (!table || dispid < 1 || dispid > table->count()) return dispid;
    const char *name = table->at(dispid - 1).name.load();
    return name && _stricmp(name, "wait") == 0 ? -1 : dispid;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    World &w = world();
    Input in(data, size);
    Arena arena;
    DISPID dispid;
    switch (in.byte() % 4) {
    case 0:
        dispid = avoiding_wait(w.sink.get(), static_cast<DISPID>(in.u64()));
        break;
    case 1:
        dispid = 0;
        break;
    default:
        dispid = dispid_of(w.sink.get(), kMethods[in.byte() % (sizeof kMethods / sizeof *kMethods)]);
    }
    WORD flags = in.u16();
    UINT count = in.byte() % 4;
    VARIANT args[3];
    for (UINT i = 0; i < count; ++i) make_argument(in, arena, &args[i]);
    DISPPARAMS params = {count ? args : nullptr, nullptr, count, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO info = {};
    const IID null_iid = {};
    w.sink->Invoke(dispid, null_iid, 0, flags, in.byte() & 1 ? &params : nullptr, &result, &info, nullptr);
    VariantClear(&result);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    for (UINT i = 0; i < count; ++i) VariantClear(&args[i]);
    if (module_lock_count() != w.baseline_locks) std::abort();  // a proxy outlived its call
    return 0;
}
