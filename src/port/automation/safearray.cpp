// SAFEARRAY: oleaut32's descriptor layout (bounds stored rightmost dimension first, the
// element type or interface id hidden in the 16 bytes before the descriptor), its feature
// flags, lock counting and element ownership.
#include <cstdlib>
#include <cstring>

#include "automation/variant_types.h"

using namespace tavlinport;

namespace {

// Flags that oleaut32 keeps for itself: the data follows the descriptor in one block, and
// that block's elements have already been released.
constexpr USHORT kCreatedAsVector = 0x2000;
constexpr USHORT kDataDeleted = 0x1000;
// Flags that say the caller, not this library, allocated the memory; a copy never has them.
constexpr USHORT kCallerOwnedMemory = FADF_AUTO | FADF_STATIC | FADF_EMBEDDED;
constexpr USHORT kNotCopiedFeatures = kCallerOwnedMemory | FADF_FIXEDSIZE | kCreatedAsVector;
// Room before the descriptor for an interface id; the element type uses its last 4 bytes.
constexpr size_t kHiddenBytes = sizeof(GUID);
constexpr ULONG kMaxLocks = 0xffff;

ULONG element_size(VARTYPE vt)
{
    switch (vt) {
    case VT_INT_PTR:
    case VT_UINT_PTR:
        return sizeof(UINT_PTR);
    case VT_VARIANT:
        return sizeof(VARIANT);
    case VT_DECIMAL:
        return sizeof(DECIMAL);
    default:
        return static_cast<ULONG>(referenced_value_size(vt));
    }
}

USHORT ownership_feature(VARTYPE vt)
{
    switch (vt) {
    case VT_BSTR:
        return FADF_BSTR;
    case VT_UNKNOWN:
        return FADF_UNKNOWN;
    case VT_DISPATCH:
        return FADF_DISPATCH;
    case VT_VARIANT:
        return FADF_VARIANT;
    default:
        return 0;
    }
}

char *hidden_area(SAFEARRAY *array) { return reinterpret_cast<char *>(array) - kHiddenBytes; }

void store_hidden_vartype(SAFEARRAY *array, VARTYPE vt)
{
    const DWORD value = vt;
    std::memcpy(hidden_area(array) + kHiddenBytes - sizeof value, &value, sizeof value);
}

VARTYPE hidden_vartype(SAFEARRAY *array)
{
    DWORD value;
    std::memcpy(&value, hidden_area(array) + kHiddenBytes - sizeof value, sizeof value);
    return static_cast<VARTYPE>(value);
}

void store_hidden_iid(SAFEARRAY *array, const GUID &iid) { std::memcpy(hidden_area(array), &iid, sizeof iid); }

// Interface arrays carry the interface id, all others the element type.
void describe_elements(SAFEARRAY *array, VARTYPE vt)
{
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        array->fFeatures = FADF_HAVEIID | ownership_feature(vt);
        store_hidden_iid(array, vt == VT_DISPATCH ? kIidIDispatch : kIidIUnknown);
    } else {
        array->fFeatures = FADF_HAVEVARTYPE | ownership_feature(vt);
        store_hidden_vartype(array, vt);
    }
    array->cbElements = element_size(vt);
}

// A zeroed descriptor for dims dimensions with extra_bytes after it, hidden area included.
SAFEARRAY *allocate_descriptor(UINT dims, size_t extra_bytes)
{
    const size_t descriptor = sizeof(SAFEARRAY) + sizeof(SAFEARRAYBOUND) * (dims - 1);
    char *block = static_cast<char *>(std::calloc(1, kHiddenBytes + descriptor + extra_bytes));
    if (!block) return nullptr;
    SAFEARRAY *array = reinterpret_cast<SAFEARRAY *>(block + kHiddenBytes);
    array->cDims = static_cast<USHORT>(dims);
    return array;
}

void free_descriptor(SAFEARRAY *array)
{
    if (!(array->fFeatures & kCallerOwnedMemory)) std::free(hidden_area(array));
}

// Number of elements, 0 when any dimension is empty; false when the data could not be
// addressed in memory.
bool count_cells(const SAFEARRAY *array, size_t *cells)
{
    size_t count = 1;
    for (USHORT d = 0; d < array->cDims; ++d) {
        const size_t elements = array->rgsabound[d].cElements;
        if (elements == 0) {
            *cells = 0;
            return true;
        }
        if (count > SIZE_MAX / elements) return false;
        count *= elements;
    }
    *cells = count;
    return true;
}

size_t cell_count(const SAFEARRAY *array)
{
    size_t cells = 0;
    count_cells(array, &cells);
    return cells;
}

bool data_bytes(const SAFEARRAY *array, size_t *bytes)
{
    size_t cells;
    if (!count_cells(array, &cells) || (array->cbElements && cells > SIZE_MAX / array->cbElements)) return false;
    *bytes = cells * array->cbElements;
    return true;
}

void *allocate_data(size_t bytes) { return std::calloc(1, bytes ? bytes : 1); }

bool data_is_live(const SAFEARRAY *array) { return array->pvData && !(array->fFeatures & kDataDeleted); }

// Releases what the elements own: strings, interface references, VARIANT contents.
void release_elements(SAFEARRAY *array)
{
    if (!data_is_live(array)) return;
    const size_t cells = cell_count(array);
    if (array->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        IUnknown **unknowns = static_cast<IUnknown **>(array->pvData);
        for (size_t i = 0; i < cells; ++i) release(unknowns[i]);
    } else if (array->fFeatures & FADF_BSTR) {
        BSTR *strings = static_cast<BSTR *>(array->pvData);
        for (size_t i = 0; i < cells; ++i) SysFreeString(strings[i]);
    } else if (array->fFeatures & FADF_VARIANT) {
        VARIANT *variants = static_cast<VARIANT *>(array->pvData);
        for (size_t i = 0; i < cells; ++i) VariantClear(&variants[i]);
    }
}

void destroy_data(SAFEARRAY *array)
{
    release_elements(array);
    if (!array->pvData) return;
    if (array->fFeatures & kCallerOwnedMemory) {
        std::memset(array->pvData, 0, cell_count(array) * array->cbElements);
    } else if (array->fFeatures & kCreatedAsVector) {
        array->fFeatures |= kDataDeleted;
    } else {
        std::free(array->pvData);
        array->pvData = nullptr;
    }
}

// Makes each element of dest (zeroed) a copy of the element of src, with its own string,
// reference or VARIANT contents.
HRESULT copy_elements(SAFEARRAY *src, SAFEARRAY *dest)
{
    const size_t cells = cell_count(src);
    if (src->fFeatures & FADF_VARIANT) {
        const VARIANT *from = static_cast<const VARIANT *>(src->pvData);
        VARIANT *to = static_cast<VARIANT *>(dest->pvData);
        for (size_t i = 0; i < cells; ++i) VariantCopy(&to[i], &from[i]);
        return S_OK;
    }
    if (src->fFeatures & FADF_BSTR) {
        BSTR *from = static_cast<BSTR *>(src->pvData);
        BSTR *to = static_cast<BSTR *>(dest->pvData);
        for (size_t i = 0; i < cells; ++i) {
            to[i] = from[i] ? copy_bstr(from[i]) : nullptr;
            if (from[i] && !to[i]) return E_OUTOFMEMORY;
        }
        return S_OK;
    }
    std::memcpy(dest->pvData, src->pvData, cells * src->cbElements);
    if (src->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        IUnknown **unknowns = static_cast<IUnknown **>(dest->pvData);
        for (size_t i = 0; i < cells; ++i) add_ref(unknowns[i]);
    }
    return S_OK;
}

// The descriptor of a copy: same element description, same bounds, no data yet.
SAFEARRAY *duplicate_descriptor(SAFEARRAY *src)
{
    SAFEARRAY *copy = allocate_descriptor(src->cDims, 0);
    if (!copy) return nullptr;
    std::memcpy(hidden_area(copy), hidden_area(src), kHiddenBytes);
    copy->fFeatures = src->fFeatures & ~kNotCopiedFeatures;
    copy->cbElements = src->cbElements;
    std::memcpy(copy->rgsabound, src->rgsabound, sizeof(SAFEARRAYBOUND) * src->cDims);
    return copy;
}

// Offset in elements of the element at indices (leftmost index first, varying fastest),
// or false when an index lies outside its dimension.
bool element_offset(const SAFEARRAY *array, const LONG *indices, size_t *offset)
{
    if (array->cDims == 0) return false;
    size_t position = 0;
    size_t stride = 1;
    for (USHORT d = 0; d < array->cDims; ++d) {
        const SAFEARRAYBOUND &bound = array->rgsabound[array->cDims - 1 - d];
        const long long relative = static_cast<long long>(indices[d]) - bound.lLbound;
        if (relative < 0 || relative >= static_cast<long long>(bound.cElements)) return false;
        position += static_cast<size_t>(relative) * stride;
        stride *= bound.cElements;
    }
    *offset = position;
    return true;
}

void put_interface(IUnknown **slot, IUnknown *value)
{
    add_ref(value);
    release(*slot);
    *slot = value;
}

HRESULT put_element(SAFEARRAY *array, void *slot, void *value)
{
    if (array->fFeatures & FADF_VARIANT)
        return VariantCopy(static_cast<VARIANT *>(slot), static_cast<VARIANT *>(value));
    if (array->fFeatures & FADF_BSTR) {
        BSTR *string = static_cast<BSTR *>(slot);
        SysFreeString(*string);
        *string = copy_bstr(static_cast<BSTR>(value));
        return *string ? S_OK : E_OUTOFMEMORY;
    }
    if (array->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        put_interface(static_cast<IUnknown **>(slot), static_cast<IUnknown *>(value));
        return S_OK;
    }
    if (!value) return E_INVALIDARG;
    std::memcpy(slot, value, array->cbElements);
    return S_OK;
}

HRESULT get_element(SAFEARRAY *array, void *slot, void *value)
{
    if (array->fFeatures & FADF_VARIANT) {
        VARIANT *out = static_cast<VARIANT *>(value);
        V_VT(out) = VT_EMPTY;
        return VariantCopy(out, static_cast<VARIANT *>(slot));
    }
    if (array->fFeatures & FADF_BSTR) {
        BSTR stored = *static_cast<BSTR *>(slot);
        BSTR copy = stored ? copy_bstr(stored) : nullptr;
        *static_cast<BSTR *>(value) = copy;
        return stored && !copy ? E_OUTOFMEMORY : S_OK;
    }
    if (array->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        IUnknown *stored = *static_cast<IUnknown **>(slot);
        add_ref(stored);
        *static_cast<IUnknown **>(value) = stored;
        return S_OK;
    }
    std::memcpy(value, slot, array->cbElements);
    return S_OK;
}

// Dimensions are numbered from 1, leftmost first; the descriptor stores them the other way.
template <typename Read> HRESULT read_bound(SAFEARRAY *array, UINT dim, LONG *out, Read read)
{
    if (!array || !out) return E_INVALIDARG;
    if (dim == 0 || dim > array->cDims) return DISP_E_BADINDEX;
    *out = read(array->rgsabound[array->cDims - dim]);
    return S_OK;
}

// Runs an element operation with the array locked, so that it cannot be destroyed meanwhile.
template <typename Operation> HRESULT with_element(SAFEARRAY *array, LONG *indices, void *value, Operation operation)
{
    HRESULT hr = SafeArrayLock(array);
    if (FAILED(hr)) return hr;
    void *slot;
    hr = SafeArrayPtrOfIndex(array, indices, &slot);
    if (SUCCEEDED(hr)) hr = operation(array, slot, value);
    SafeArrayUnlock(array);
    return hr;
}

}  // namespace

SAFEARRAY *SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND *bounds)
{
    if (!bounds || dims == 0 || dims > 0xffff || element_size(vt) == 0) return nullptr;
    SAFEARRAY *array = allocate_descriptor(dims, 0);
    if (!array) return nullptr;
    describe_elements(array, vt);
    for (UINT d = 0; d < dims; ++d) array->rgsabound[d] = bounds[dims - 1 - d];
    size_t bytes;
    if (!data_bytes(array, &bytes) || !(array->pvData = allocate_data(bytes))) {
        free_descriptor(array);
        return nullptr;
    }
    return array;
}

SAFEARRAY *SafeArrayCreateVector(VARTYPE vt, LONG lower_bound, ULONG elements)
{
    const ULONG size = element_size(vt);
    if (size == 0 || elements > (SIZE_MAX - 256) / size) return nullptr;
    SAFEARRAY *array = allocate_descriptor(1, static_cast<size_t>(elements) * size);
    if (!array) return nullptr;
    describe_elements(array, vt);
    array->fFeatures |= kCreatedAsVector;
    array->pvData = array + 1;
    array->rgsabound[0].cElements = elements;
    array->rgsabound[0].lLbound = lower_bound;
    return array;
}

HRESULT SafeArrayDestroy(SAFEARRAY *array)
{
    if (!array) return S_OK;
    if (array->cLocks) return DISP_E_ARRAYISLOCKED;
    destroy_data(array);
    free_descriptor(array);
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY *array) { return array ? array->cDims : 0; }

UINT SafeArrayGetElemsize(SAFEARRAY *array) { return array ? array->cbElements : 0; }

HRESULT SafeArrayGetLBound(SAFEARRAY *array, UINT dim, LONG *lower_bound)
{
    return read_bound(array, dim, lower_bound, [](const SAFEARRAYBOUND &bound) { return bound.lLbound; });
}

HRESULT SafeArrayGetUBound(SAFEARRAY *array, UINT dim, LONG *upper_bound)
{
    return read_bound(array, dim, upper_bound, [](const SAFEARRAYBOUND &bound) {
        return static_cast<LONG>(bound.lLbound + bound.cElements - 1);
    });
}

HRESULT SafeArrayGetVartype(SAFEARRAY *array, VARTYPE *vt)
{
    if (!array || !vt) return E_INVALIDARG;
    const USHORT features = array->fFeatures;
    if (features & FADF_RECORD)
        *vt = VT_RECORD;
    else if ((features & (FADF_HAVEIID | FADF_DISPATCH)) == (FADF_HAVEIID | FADF_DISPATCH))
        *vt = VT_DISPATCH;
    else if (features & FADF_HAVEIID)
        *vt = VT_UNKNOWN;
    else if (features & FADF_HAVEVARTYPE)
        *vt = hidden_vartype(array);
    else
        return E_INVALIDARG;
    return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY *array)
{
    if (!array) return E_INVALIDARG;
    if (__atomic_add_fetch(&array->cLocks, 1, __ATOMIC_ACQ_REL) > kMaxLocks) {
        __atomic_sub_fetch(&array->cLocks, 1, __ATOMIC_ACQ_REL);
        return E_UNEXPECTED;
    }
    return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY *array)
{
    if (!array) return E_INVALIDARG;
    ULONG locks = __atomic_load_n(&array->cLocks, __ATOMIC_ACQUIRE);
    do {
        if (locks == 0) return E_UNEXPECTED;
    } while (
        !__atomic_compare_exchange_n(&array->cLocks, &locks, locks - 1, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE));
    return S_OK;
}

HRESULT SafeArrayPtrOfIndex(SAFEARRAY *array, LONG *indices, void **data)
{
    if (!array || !indices || !data) return E_INVALIDARG;
    size_t offset;
    if (!element_offset(array, indices, &offset)) return DISP_E_BADINDEX;
    *data = static_cast<char *>(array->pvData) + offset * array->cbElements;
    return S_OK;
}

HRESULT SafeArrayPutElement(SAFEARRAY *array, LONG *indices, void *value)
{
    if (!array || !indices) return E_INVALIDARG;
    return with_element(array, indices, value, put_element);
}

HRESULT SafeArrayGetElement(SAFEARRAY *array, LONG *indices, void *value)
{
    if (!array || !indices || !value) return E_INVALIDARG;
    return with_element(array, indices, value, get_element);
}

HRESULT SafeArrayAccessData(SAFEARRAY *array, void **data)
{
    if (!array || !data) return E_INVALIDARG;
    HRESULT hr = SafeArrayLock(array);
    *data = SUCCEEDED(hr) ? array->pvData : nullptr;
    return hr;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY *array) { return SafeArrayUnlock(array); }

HRESULT SafeArrayCopy(SAFEARRAY *array, SAFEARRAY **copy)
{
    if (!copy) return E_INVALIDARG;
    *copy = nullptr;
    if (!array) return S_OK;
    if (!array->cbElements || (array->fFeatures & FADF_RECORD)) return E_INVALIDARG;
    SAFEARRAY *duplicate = duplicate_descriptor(array);
    if (!duplicate) return E_OUTOFMEMORY;
    size_t bytes;
    if (!data_bytes(array, &bytes) || !(duplicate->pvData = allocate_data(bytes))) {
        free_descriptor(duplicate);
        return E_OUTOFMEMORY;
    }
    if (data_is_live(array)) {
        HRESULT hr = copy_elements(array, duplicate);
        if (FAILED(hr)) {
            SafeArrayDestroy(duplicate);
            return hr;
        }
    } else if (array->pvData) {
        SafeArrayDestroy(duplicate);
        return E_INVALIDARG;
    }
    *copy = duplicate;
    return S_OK;
}
