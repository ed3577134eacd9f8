// Java arrays of any element type and depth, to safe arrays: primitive rows copied out of
// the VM in one piece, object elements converted one by one into VARIANTs.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <vector>

#include "convert/array_nesting.h"
#include "convert/java_text.h"
#include "convert/java_to_com.h"
#include "convert/safe_array_elements.h"
#include "convert/safe_array_lock.h"
#include "errors/tavlin_ex.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"
#include "util/array_results.h"
#include "util/debug_trace.h"
#include "util/holders.h"

namespace tavlin {

namespace {

// The safe-array element type for a Java element letter. boolean becomes VT_UI1 and byte
// the signed VT_I1, the pairing the way in uses; long has no automation integer and travels
// as a double.
VARTYPE safe_array_element_type(char letter)
{
    switch (letter) {
    case 'B':
        return VT_I1;
    case 'C':
        return VT_UI2;
    case 'D':
        return VT_R8;
    case 'F':
        return VT_R4;
    case 'I':
        return VT_I4;
    case 'J':
        return VT_R8;
    case 'S':
        return VT_I2;
    case 'Z':
        return VT_UI1;
    default:
        return VT_VARIANT;
    }
}

template <class T> T unchanged(T value) { return value; }

// Every array visited, outer and inner, is traced with its length. The line goes to the
// debugger output with the bridge's other traces: the process's standard output is the
// client's own (a script writing a CSV, a program piping binary data).
void trace_length(jsize length)
{
    char line[32];
    std::snprintf(line, sizeof line, "ARRAY len = %ld\r\n", static_cast<long>(length));
    debug_trace(line);
}

// One conversion of one Java array. Dimension d of the safe array is depth d of the Java
// array (the outermost index first); every lower bound is 0. With `variants`, a primitive
// array becomes an array of Variants whose every element is tagged with the type a typed
// array would have held.
class JavaArrayToSafeArray {
public:
    JavaArrayToSafeArray(JNIEnv *env, const char *class_name, bool variants)
        : env_(env), dimensions_(static_cast<int>(std::strspn(class_name, "["))), letter_(class_name[dimensions_]),
          value_type_(safe_array_element_type(letter_)), element_type_(variants ? VARTYPE(VT_VARIANT) : value_type_),
          strings_(std::strcmp(class_name + dimensions_, "Ljava/lang/String;") == 0), counts_(dimensions_),
          indices_(dimensions_)
    {
    }

    VARTYPE element_type() const { return element_type_; }

    // A new safe array holding the whole Java array.
    SAFEARRAY *convert(jarray array)
    {
        measure(array, 0);
        std::vector<SAFEARRAYBOUND> bounds(dimensions_);
        for (int d = 0; d < dimensions_; ++d) {
            bounds[d].cElements = static_cast<ULONG>(counts_[d]);
            bounds[d].lLbound = 0;
        }
        SafeArrayHolder created = new_safe_array(element_type_, std::move(bounds));
        array_ = created.get();
        fill(array, 0);
        return created.release();
    }

private:
    // Each dimension is as long as the longest array found at its depth, so no row of a
    // ragged array is cut; shorter rows leave zeros (or VT_EMPTY) behind them. (The box that
    // results may be far larger than the Java data: new_safe_array checks what it comes to.)
    void measure(jarray array, int depth)
    {
        ArrayNestingLevel nesting;
        jsize length = env_->GetArrayLength(array);
        counts_[depth] = std::max(counts_[depth], static_cast<LONG>(length));
        if (depth == dimensions_ - 1) return;
        for (jsize k = 0; k < length; ++k) {
            const LocalRef<jarray> inner =
                jni::get_object_array_element<jarray>(env_, static_cast<jobjectArray>(array), k);
            if (inner) measure(inner.get(), depth + 1);
        }
    }

    void fill(jarray array, int depth)
    {
        ArrayNestingLevel nesting;
        jsize length = env_->GetArrayLength(array);
        trace_length(length);
        for (int d = depth; d < dimensions_; ++d) indices_[d] = 0;
        if (depth < dimensions_ - 1)
            fill_outer(static_cast<jobjectArray>(array), depth, length);
        else if (value_type_ == VT_VARIANT)
            fill_objects(static_cast<jobjectArray>(array), depth, length);
        else
            fill_primitives(array, depth, length);
    }

    // A null inner array adds nothing: its part of the safe array stays empty.
    void fill_outer(jobjectArray array, int depth, jsize length)
    {
        for (jsize k = 0; k < length; ++k) {
            const LocalRef<jarray> inner = jni::get_object_array_element<jarray>(env_, array, k);
            indices_[depth] = k;
            if (inner) fill(inner.get(), depth + 1);
        }
    }

    // Elements are converted straight into their slots of the locked array: the array owns
    // what they hold from the start, and nothing is copied twice.
    void fill_objects(jobjectArray array, int depth, jsize length)
    {
        SafeArrayLockGuard lock(array_, "Unable to put safearray element.");
        for (jsize j = 0; j < length; ++j) {
            CLocalRef element = jni::get_object_array_element(env_, array, j);
            if (!element) continue;
            indices_[depth] = j;
            VARIANT *slot = static_cast<VARIANT *>(element_address("Unable to put safearray element."));
            if (strings_) {
                // A String[] holds nothing but strings (the class is final), so the
                // run-time class need not be asked for each element.
                slot->bstrVal = new_bstr(env_, element.as<jstring>());
                slot->vt = VT_BSTR;
            } else {
                convert_java_to_com(env_, element.release(), slot);
            }
        }
    }

    // A row of primitives never nests, so it stays out of line: inlined into fill(), its eight
    // copies' locals would take stack at every level of a nested conversion.
    [[gnu::noinline]] void fill_primitives(jarray array, int depth, jsize length)
    {
        SafeArrayLockGuard lock(array_, "Unable to allocate safearray.");
        if (length == 0) return;
        indices_[depth] = 0;
        BYTE *first = static_cast<BYTE *>(element_address("Unable to get data pointer for safearray."));
        size_t stride = row_stride(depth);
        if (element_type_ == VT_VARIANT) {
            tag_variants(first, stride, length);
            first += offsetof(VARIANT, lVal);  // the values go into the Variants' value fields
        }
        switch (letter_) {
        case 'B':
            copy_row<jbyte>(array, first, stride, length, unchanged<jbyte>);
            break;
        case 'C':
            copy_row<jchar>(array, first, stride, length, unchanged<jchar>);
            break;
        case 'D':
            copy_row<jdouble>(array, first, stride, length, unchanged<jdouble>);
            break;
        case 'F':
            copy_row<jfloat>(array, first, stride, length, unchanged<jfloat>);
            break;
        case 'I':
            copy_row<jint>(array, first, stride, length, unchanged<jint>);
            break;
        case 'J':
            copy_row<jlong>(array, first, stride, length, [](jlong v) { return static_cast<double>(v); });
            break;
        case 'S':
            copy_row<jshort>(array, first, stride, length, unchanged<jshort>);
            break;
        case 'Z':
            copy_row<jboolean>(array, first, stride, length, unchanged<jboolean>);
            break;
        }
    }

    // A contiguous row of unchanged values is fetched by the VM straight into the safe
    // array's storage; any other row through a buffer, then placed element by element.
    template <class T, class Convert>
    void copy_row(jarray array, BYTE *first, size_t stride, jsize length, Convert convert)
    {
        using Stored = decltype(convert(T()));
        if (std::is_same<T, Stored>::value && stride == sizeof(T)) {
            jni::get_array_region(env_, array, 0, length, reinterpret_cast<T *>(first));
            return;
        }
        std::vector<T> values(static_cast<size_t>(length));
        jni::get_array_region(env_, array, 0, length, values.data());
        for (jsize j = 0; j < length; ++j) {
            Stored stored = convert(values[j]);
            std::memcpy(first + j * stride, &stored, sizeof stored);
        }
    }

    void tag_variants(BYTE *first, size_t stride, jsize length) const
    {
        for (jsize j = 0; j < length; ++j) reinterpret_cast<VARIANT *>(first + j * stride)->vt = value_type_;
    }

    void *element_address(const char *failure_message)
    {
        void *address = nullptr;
        if (FAILED(SafeArrayPtrOfIndex(array_, indices_.data(), &address))) throw new TavlinEx(failure_message);
        return address;
    }

    // The leftmost index varies fastest, so consecutive elements along the last dimension
    // lie apart by the element counts of all earlier dimensions.
    size_t row_stride(int depth) const
    {
        size_t stride = SafeArrayGetElemsize(array_);
        for (int d = 0; d < depth; ++d) stride *= static_cast<size_t>(counts_[d]);
        return stride;
    }

    JNIEnv *env_;
    int dimensions_;
    char letter_;
    VARTYPE value_type_;    // what one element holds
    VARTYPE element_type_;  // what the safe array stores: value_type_, or VT_VARIANT
    bool strings_;
    std::vector<LONG> counts_;
    std::vector<LONG> indices_;
    SAFEARRAY *array_ = nullptr;
};

}  // namespace

void convert_java_array_to_com_array(JNIEnv *env, jobject array, VARIANT *result, const char *class_name)
{
    JavaArrayToSafeArray conversion(env, class_name, variant_array_results());
    SAFEARRAY *converted = conversion.convert(static_cast<jarray>(array));
    result->parray = converted;
    result->vt = static_cast<VARTYPE>(VT_ARRAY | conversion.element_type());
}

}  // namespace tavlin
