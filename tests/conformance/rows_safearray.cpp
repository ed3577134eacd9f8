// SAFEARRAY rows: the descriptor that each element type gets (feature flags, element size,
// hidden type), bounds and index order, locking, element ownership, copies and bad input.
#include <cstring>

#include "conformance.h"
#include "objects.h"

namespace conformance {
namespace {

// Sizes that depend on the word size are named, so that the 32- and 64-bit runs agree.
std::string element_size_text(const SAFEARRAY *array, VARTYPE vt)
{
    const UINT size = array->cbElements;
    const bool pointer_sized =
        vt == VT_BSTR || vt == VT_DISPATCH || vt == VT_UNKNOWN || vt == VT_INT_PTR || vt == VT_UINT_PTR;
    if (pointer_sized && size == sizeof(void *)) return "pointer";
    if (vt == VT_VARIANT && size == sizeof(VARIANT)) return "variant";
    return std::to_string(size);
}

std::string layout(SAFEARRAY *array, VARTYPE requested)
{
    if (!array) return "null";
    VARTYPE vt = 0;
    const HRESULT hr = SafeArrayGetVartype(array, &vt);
    DWORD hidden = 0;
    std::memcpy(&hidden, reinterpret_cast<char *>(array) - 4, 4);
    std::string text = "dims=" + std::to_string(SafeArrayGetDim(array)) + " features=" + hex(array->fFeatures) +
                       " size=" + element_size_text(array, requested) + " locks=" + std::to_string(array->cLocks) +
                       " vartype=" + hresult_text(hr);
    if (SUCCEEDED(hr)) text += " " + vartype_text(vt);
    if (array->fFeatures & FADF_HAVEVARTYPE) text += " hidden=" + hex(hidden);
    return text;
}

void add_layout_rows(Rows &rows)
{
    for (VARTYPE base = 0; base <= 40; ++base) {
        for (VARTYPE modifier : {VARTYPE{0}, VARTYPE{VT_BYREF}, VARTYPE{VT_ARRAY}}) {
            const VARTYPE vt = static_cast<VARTYPE>(base | modifier);
            SAFEARRAYBOUND bound = {3, 1};
            SAFEARRAY *array = SafeArrayCreate(vt, 1, &bound);
            rows.add("safearray create " + vartype_text(vt) + " [1+3]", layout(array, vt));
            SafeArrayDestroy(array);
            SAFEARRAY *vector = SafeArrayCreateVector(vt, -2, 4);
            rows.add("safearray create vector " + vartype_text(vt) + " [-2+4]", layout(vector, vt));
            SafeArrayDestroy(vector);
        }
    }
}

std::string bounds_text(SAFEARRAY *array, UINT dims)
{
    std::string text;
    for (UINT dim = 0; dim <= dims + 1; ++dim) {
        LONG lower = 0, upper = 0;
        const HRESULT lower_hr = SafeArrayGetLBound(array, dim, &lower);
        const HRESULT upper_hr = SafeArrayGetUBound(array, dim, &upper);
        text += " dim" + std::to_string(dim) + "=";
        text += SUCCEEDED(lower_hr) ? std::to_string(lower) : hresult_text(lower_hr);
        text += "..";
        text += SUCCEEDED(upper_hr) ? std::to_string(upper) : hresult_text(upper_hr);
    }
    return text;
}

// A three-dimensional array: the stored bounds, the bounds by dimension and the offset of
// elements, leftmost index fastest.
void add_index_rows(Rows &rows)
{
    SAFEARRAYBOUND bounds[3] = {{2, 1}, {3, -1}, {4, 10}};
    SAFEARRAY *array = SafeArrayCreate(VT_I4, 3, bounds);
    std::string stored;
    for (int d = 0; d < 3; ++d)
        stored += " [" + std::to_string(array->rgsabound[d].lLbound) + "+" +
                  std::to_string(array->rgsabound[d].cElements) + "]";
    rows.add("safearray 3d stored bounds", stored);
    rows.add("safearray 3d bounds", bounds_text(array, 3));
    for (LONG i : {0, 1, 2, 3})
        for (LONG j : {-2, -1, 0, 1, 2})
            for (LONG k : {9, 10, 13, 14}) {
                LONG indices[3] = {i, j, k};
                void *element = nullptr;
                const HRESULT hr = SafeArrayPtrOfIndex(array, indices, &element);
                std::string result = hresult_text(hr);
                if (SUCCEEDED(hr))
                    result +=
                        " offset=" + std::to_string(static_cast<char *>(element) - static_cast<char *>(array->pvData));
                rows.add("safearray 3d ptr of index (" + std::to_string(i) + "," + std::to_string(j) + "," +
                             std::to_string(k) + ")",
                         result);
            }
    LONG first[3] = {1, -1, 10};
    void *element;
    rows.add("safearray ptr of index null array", hresult_text(SafeArrayPtrOfIndex(nullptr, first, &element)));
    rows.add("safearray ptr of index null indices", hresult_text(SafeArrayPtrOfIndex(array, nullptr, &element)));
    rows.add("safearray ptr of index null out", hresult_text(SafeArrayPtrOfIndex(array, first, nullptr)));
    LONG lower;
    rows.add("safearray lbound null array", hresult_text(SafeArrayGetLBound(nullptr, 1, &lower)));
    rows.add("safearray lbound null out", hresult_text(SafeArrayGetLBound(array, 1, nullptr)));
    rows.add("safearray ubound null out", hresult_text(SafeArrayGetUBound(array, 1, nullptr)));
    rows.add("safearray dim null", std::to_string(SafeArrayGetDim(nullptr)));
    rows.add("safearray elemsize null", std::to_string(SafeArrayGetElemsize(nullptr)));
    VARTYPE vt;
    rows.add("safearray vartype null array", hresult_text(SafeArrayGetVartype(nullptr, &vt)));
    rows.add("safearray vartype null out", hresult_text(SafeArrayGetVartype(array, nullptr)));
    SafeArrayDestroy(array);

    SAFEARRAYBOUND empty_bounds[2] = {{0, 0}, {5, 0}};
    SAFEARRAY *empty = SafeArrayCreate(VT_R8, 2, empty_bounds);
    rows.add("safearray create VT_R8 [0+0][0+5]", layout(empty, VT_R8) + bounds_text(empty, 2));
    LONG origin[2] = {0, 0};
    rows.add("safearray ptr of index in empty dimension", hresult_text(SafeArrayPtrOfIndex(empty, origin, &element)));
    SafeArrayDestroy(empty);
    rows.add("safearray create 0 dims", SafeArrayCreate(VT_I4, 0, bounds) ? "not null" : "null");
    rows.add("safearray create null bounds", SafeArrayCreate(VT_I4, 1, nullptr) ? "not null" : "null");
}

void add_lock_rows(Rows &rows)
{
    SAFEARRAY *array = SafeArrayCreateVector(VT_I2, 0, 2);
    std::string steps;
    auto step = [&](const char *name, HRESULT hr) {
        steps += std::string(" ") + name + "=" + hresult_text(hr) + "/" + std::to_string(array->cLocks);
    };
    void *data = nullptr;
    step("lock", SafeArrayLock(array));
    step("access", SafeArrayAccessData(array, &data));
    step("destroy", SafeArrayDestroy(array));
    step("unaccess", SafeArrayUnaccessData(array));
    step("unlock", SafeArrayUnlock(array));
    step("unlock", SafeArrayUnlock(array));
    rows.add("safearray lock sequence", steps);
    rows.add("safearray access data pointer", data == array->pvData ? "pvData" : "other");
    rows.add("safearray lock null", hresult_text(SafeArrayLock(nullptr)));
    rows.add("safearray unlock null", hresult_text(SafeArrayUnlock(nullptr)));
    rows.add("safearray access null out", hresult_text(SafeArrayAccessData(array, nullptr)));
    rows.add("safearray unaccess null", hresult_text(SafeArrayUnaccessData(nullptr)));
    rows.add("safearray destroy unlocked", hresult_text(SafeArrayDestroy(array)));
    rows.add("safearray destroy null", hresult_text(SafeArrayDestroy(nullptr)));

    SAFEARRAY *locked = SafeArrayCreateVector(VT_I4, 0, 1);
    VARIANT holder = variant_of(VT_ARRAY | VT_I4);
    V_ARRAY(&holder) = locked;
    SafeArrayLock(locked);
    const HRESULT hr = VariantClear(&holder);
    rows.add("safearray clear variant holding locked array", hresult_text(hr) + " " + vartype_text(V_VT(&holder)));
    SafeArrayUnlock(locked);
    SafeArrayDestroy(locked);
}

std::string element_rows_result(HRESULT hr, const std::string &value, SAFEARRAY *array)
{
    return hresult_text(hr) + (value.empty() ? "" : " " + value) + " locks=" + std::to_string(array->cLocks);
}

void add_element_rows(Rows &rows)
{
    SAFEARRAY *numbers = SafeArrayCreateVector(VT_R8, 5, 2);
    for (LONG index : {4, 5, 6, 7}) {
        double in = index * 1.5, out = 0;
        const HRESULT put = SafeArrayPutElement(numbers, &index, &in);
        const HRESULT get = SafeArrayGetElement(numbers, &index, &out);
        rows.add("safearray VT_R8 put/get index " + std::to_string(index),
                 hresult_text(put) + " " + element_rows_result(get, SUCCEEDED(get) ? real_text(out) : "", numbers));
    }
    LONG index = 5;
    double value = 1;
    rows.add("safearray put null indices", hresult_text(SafeArrayPutElement(numbers, nullptr, &value)));
    rows.add("safearray get null indices", hresult_text(SafeArrayGetElement(numbers, nullptr, &value)));
    rows.add("safearray get null out", hresult_text(SafeArrayGetElement(numbers, &index, nullptr)));
    rows.add("safearray put null array", hresult_text(SafeArrayPutElement(nullptr, &index, &value)));
    SafeArrayDestroy(numbers);

    SAFEARRAY *strings = SafeArrayCreateVector(VT_BSTR, 0, 2);
    LONG first = 0, second = 1;
    BSTR text = make_bstr(u"text");
    HRESULT hr = SafeArrayPutElement(strings, &first, text);
    BSTR out = nullptr;
    HRESULT got = SafeArrayGetElement(strings, &first, &out);
    rows.add("safearray VT_BSTR put/get \"text\"", hresult_text(hr) + " " + hresult_text(got) + " " + bstr_text(out) +
                                                       (out == text ? " same pointer" : " own copy"));
    SysFreeString(out);
    SysFreeString(text);
    hr = SafeArrayPutElement(strings, &second, nullptr);
    got = SafeArrayGetElement(strings, &second, &out);
    rows.add("safearray VT_BSTR put/get null", hresult_text(hr) + " " + hresult_text(got) + " " + bstr_text(out));
    SysFreeString(out);
    SafeArrayDestroy(strings);

    SAFEARRAY *variants = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    VARIANT in = variant_of(VT_BSTR);
    V_BSTR(&in) = make_bstr(u"inside");
    hr = SafeArrayPutElement(variants, &first, &in);
    VARIANT element = variant_of(VT_EMPTY);
    got = SafeArrayGetElement(variants, &first, &element);
    rows.add("safearray VT_VARIANT put/get", hresult_text(hr) + " " + hresult_text(got) + " " + describe(element) +
                                                 (V_BSTR(&element) == V_BSTR(&in) ? " same string" : " own string"));
    VariantClear(&element);
    VariantClear(&in);
    SafeArrayDestroy(variants);

    static ValueObject object("array element object", variant_of(VT_EMPTY));
    SAFEARRAY *objects = SafeArrayCreateVector(VT_DISPATCH, 0, 1);
    hr = SafeArrayPutElement(objects, &first, static_cast<IDispatch *>(&object));
    IDispatch *fetched = nullptr;
    got = SafeArrayGetElement(objects, &first, &fetched);
    rows.add("safearray VT_DISPATCH put/get",
             hresult_text(hr) + " " + hresult_text(got) + (fetched == &object ? " same object" : " other object"));
    SafeArrayDestroy(objects);
}

void add_copy_rows(Rows &rows)
{
    SAFEARRAYBOUND bounds[2] = {{2, 1}, {3, 0}};
    for (VARTYPE vt : {VT_I4, VT_BSTR, VT_VARIANT, VT_DISPATCH, VT_DECIMAL}) {
        SAFEARRAY *array = SafeArrayCreate(vt, 2, bounds);
        SAFEARRAY *copy = nullptr;
        const HRESULT hr = SafeArrayCopy(array, &copy);
        rows.add("safearray copy " + vartype_text(vt),
                 hresult_text(hr) + " " + layout(copy, vt) + bounds_text(copy, 2));
        SafeArrayDestroy(copy);
        SafeArrayDestroy(array);
        SAFEARRAY *vector = SafeArrayCreateVector(vt, 3, 2);
        const HRESULT vector_hr = SafeArrayCopy(vector, &copy);
        rows.add("safearray copy vector " + vartype_text(vt), hresult_text(vector_hr) + " " + layout(copy, vt));
        SafeArrayDestroy(copy);
        SafeArrayDestroy(vector);
    }
    SAFEARRAY *copy = reinterpret_cast<SAFEARRAY *>(1);
    rows.add("safearray copy null", hresult_text(SafeArrayCopy(nullptr, &copy)) + (copy ? " not null" : " null"));
    rows.add("safearray copy null out", hresult_text(SafeArrayCopy(nullptr, nullptr)));

    SAFEARRAY *strings = SafeArrayCreateVector(VT_BSTR, 0, 1);
    LONG index = 0;
    BSTR text = make_bstr(u"deep");
    SafeArrayPutElement(strings, &index, text);
    SysFreeString(text);
    SafeArrayCopy(strings, &copy);
    BSTR original = static_cast<BSTR *>(strings->pvData)[0];
    BSTR copied = static_cast<BSTR *>(copy->pvData)[0];
    rows.add("safearray copy duplicates strings", bstr_text(copied) + (copied == original ? " shared" : " own copy"));
    SafeArrayDestroy(copy);
    SafeArrayDestroy(strings);
}

}  // namespace

void add_safearray_rows(Rows &rows)
{
    add_layout_rows(rows);
    add_index_rows(rows);
    add_lock_rows(rows);
    add_element_rows(rows);
    add_copy_rows(rows);
}

}  // namespace conformance
