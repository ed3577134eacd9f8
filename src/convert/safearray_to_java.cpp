// Safe arrays passed as arguments, to Java arrays of the parameter's type (or, for a
// parameter of another class, of the type the safe array's elements call for).
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "convert/array_nesting.h"
#include "convert/com_to_java.h"
#include "convert/jni_arrays.h"
#include "convert/safe_array_elements.h"
#include "convert/safe_array_lock.h"
#include "convert/script_array.h"
#include "convert/type_names.h"
#include "convert/variant_refs.h"
#include "errors/tavlin_ex.h"
#include "javaref/jni_calls.h"
#include "javaref/local_ref.h"
#include "util/auto_variant.h"
#include "util/unaligned.h"

namespace tavlin {

namespace {

// One innermost row of a locked safe array: its first element and the distance between
// consecutive elements in bytes.
struct Row {
    const BYTE *first;
    size_t stride;
    jsize length;
};

// The tag of a client's VARIANT says what the array holds; the array's own description says
// what it really holds. Reading by a tag the array contradicts would take integers for
// string pointers (and free them) or read VARIANTs past the storage, so the two must agree
// before any element is read.
void require_described_as(SAFEARRAY *array, VARTYPE tag)
{
    constexpr USHORT kKinds = FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH | FADF_VARIANT | FADF_RECORD;
    const ElementDescription *expected = element_description(tag);
    bool agrees = expected && (array->fFeatures & kKinds) == expected->kind &&
                  (expected->size == 0 || SafeArrayGetElemsize(array) == expected->size);
    VARTYPE stored = VT_EMPTY;
    if (agrees && (array->fFeatures & (FADF_HAVEVARTYPE | FADF_HAVEIID | FADF_RECORD)))
        agrees = SUCCEEDED(SafeArrayGetVartype(array, &stored)) && stored == tag;
    if (!agrees) TavlinEx::raise("The safearray does not hold elements of type %u.", tag);
}

// "Ljava/lang/String;" names java/lang/String; an inner array's descriptor ("[I") is
// itself the name FindClass takes.
std::string element_class_name(const char *descriptor)
{
    if (descriptor[0] != 'L') return descriptor;
    size_t length = std::strlen(descriptor);
    return std::string(descriptor + 1, length > 2 ? length - 2 : 0);
}

// One conversion of one safe array. Level L of the Java array is dimension L + 1 of the safe
// array and position L of the index vector, so a[i][j] is element (lbound1 + i, lbound2 + j).
class SafeArrayToJava {
public:
    SafeArrayToJava(JNIEnv *env, SAFEARRAY *array, VARTYPE element_type, bool strict, VariantElements variants)
        : env_(env), array_(array), element_type_(element_type), strict_(strict), variants_(variants),
          dimensions_(static_cast<int>(SafeArrayGetDim(array))), lbounds_(dimensions_), counts_(dimensions_),
          indices_(dimensions_)
    {
        for (int d = 0; d < dimensions_; ++d) {
            LONG upper = 0;
            SafeArrayGetLBound(array, d + 1, &lbounds_[d]);
            SafeArrayGetUBound(array, d + 1, &upper);
            counts_[d] = upper - lbounds_[d] + 1;
        }
    }

    // The new Java array (a local reference). An array without elements becomes an empty
    // Java array of the type, never null: the method sees what the client passed.
    jobject convert(const char *type_name)
    {
        descriptor_ = build_array_signature(type_name, static_cast<unsigned>(dimensions_), element_type_);
        if (!descriptor_) throw new TavlinEx("Unable to allocate memory for array.");
        require_matching_depth();
        jobject result = dimension(0);
        if (code_ == ARG_NONE) code_ = ARG_LOCAL_ARRAY;
        return result;
    }

    ArgRelease release_code() const { return code_; }

private:
    // Tables are indexed by level, so the safe array must have as many dimensions as the
    // Java type has levels. A VARIANT array may have fewer: its elements hold the inner arrays.
    void require_matching_depth() const
    {
        int depth = static_cast<int>(std::strspn(descriptor_.get(), "["));
        if (dimensions_ > depth || (dimensions_ < depth && element_type_ != VT_VARIANT))
            TavlinEx::raise("Array has %d dimensions, expected %d", dimensions_, depth);
    }

    void set_code_once(ArgRelease code)
    {
        if (code_ == ARG_NONE) code_ = code;
    }

    jobject dimension(int level)
    {
        ArrayNestingLevel nesting;
        for (int d = level; d < dimensions_; ++d) indices_[d] = lbounds_[d];
        if (level < dimensions_ - 1) return outer_level(level);
        return innermost_level(level, descriptor_.get() + dimensions_);
    }

    jobject outer_level(int level)
    {
        const LocalRef<jclass> inner_class = jni::find_class(env_, descriptor_.get() + level + 1);
        LocalRef<jobjectArray> result = jni::new_object_array(env_, counts_[level], inner_class.get(), nullptr);
        for (jsize j = 0; j < counts_[level]; ++j) {
            indices_[level] = lbounds_[level] + j;
            const CLocalRef inner(env_, dimension(level + 1));
            jni::set_object_array_element(env_, result.get(), j, inner.get());
        }
        return result.release();
    }

    jobject innermost_level(int level, const char *element)
    {
        switch (element[0]) {
        case 'B':
            return plain_row<jbyte>(level, VT_I1, "Expected array of type I1.", "byte");
        case 'C':
            return plain_row<jchar>(level, VT_UI2, "Expected array of type UI2.", "char");
        case 'D':
            return plain_row<jdouble>(level, VT_R8, "Expected array of type R8.", "double");
        case 'F':
            return plain_row<jfloat>(level, VT_R4, "Expected array of type R4.", "float");
        case 'I':
            return plain_row<jint>(level, VT_I4, "Expected array of type I4.", "int");
        case 'S':
            return plain_row<jshort>(level, VT_I2, "Expected array of type I2.", "short");
        case 'J':
            return long_row(level);
        case 'Z':
            return boolean_row(level);
        default:
            return object_row(level, element);
        }
    }

    // A row without elements reads none, so it takes any element type: an empty array of
    // Variants is as good an empty int[] as any.
    bool has_elements(int level) const { return counts_[level] != 0; }

    void require_element_type(int level, VARTYPE accepted, const char *message) const
    {
        if (has_elements(level) && element_type_ != accepted) throw new TavlinEx(message);
    }

    // Outside an overload walk an array of Variants (what VBScript's Array() makes) fills a
    // primitive array, each element converted as an argument of the element type would be.
    // A walk keeps refusing it: the elements were not looked at when the overload was chosen.
    // Spread arguments are arguments in their own right and fill one under any rule.
    bool converts_each_variant() const
    {
        return element_type_ == VT_VARIANT && (!strict_ || variants_ == VariantElements::AsArguments);
    }

    // The rows of primitives below never nest, so they stay out of line: inlined into
    // dimension(), their locals would take stack at every level of a nested conversion.
    template <class T>
    [[gnu::noinline]] jobject plain_row(int level, VARTYPE accepted, const char *message, const char *primitive)
    {
        if (converts_each_variant()) return variant_row<T>(level, primitive);
        require_element_type(level, accepted, message);
        return primitive_row<T>(level, "Unable to access SafeArray data element", true, read_unaligned<T>);
    }

    [[gnu::noinline]] jobject long_row(int level)
    {
        if (converts_each_variant()) return variant_row<jlong>(level, "long");
        require_element_type(level, VT_R8, "Expected array of type R8.");
        return primitive_row<jlong>(level, "Unable to access SafeArray data element", false, [](const BYTE *element) {
            return double_to_long(read_unaligned<jdouble>(element));
        });
    }

    // Typed rows hold a boolean in every non-zero byte pattern (VARIANT_TRUE, 1); a VARIANT
    // element is converted as a boolean argument would be, so 1.5 is true, "False" false, and
    // an element that is no boolean at all is refused.
    [[gnu::noinline]] jobject boolean_row(int level)
    {
        if (element_type_ == VT_VARIANT) return variant_row<jboolean>(level, "boolean");
        if (has_elements(level) && element_type_ != VT_BOOL && element_type_ != VT_UI1)
            throw new TavlinEx("Expected array of type BOOL, UI1 or VARIANT");
        return primitive_row<jboolean>(level, "Unable to get safearray element.", false,
                                       [](const BYTE *element) -> jboolean { return element[0] != 0; });
    }

    template <class T> jobject variant_row(int level, const char *primitive)
    {
        const JavaType type{primitive, nullptr};
        return primitive_row<T>(level, "Unable to get safearray element.", false,
                                [this, &type](const BYTE *element) { return variant_as<T>(element, type); });
    }

    template <class T> T variant_as(const BYTE *element, const JavaType &type)
    {
        PreparedArguments converted(env_, 1);
        convert_com_to_java(env_, reinterpret_cast<const VARIANT *>(element), converted, 0, type, strict_);
        // Every member of a jvalue starts at its first byte.
        T value;
        const jvalue held = converted.value(0);
        std::memcpy(&value, &held, sizeof value);
        return value;
    }

    // Fills a new Java array from the row under one lock: a contiguous row of unchanged
    // values in a single region copy straight from the safe array's storage, any other row
    // gathered through a buffer first.
    template <class T, class Read>
    jobject primitive_row(int level, const char *missing_element, bool unchanged, Read read)
    {
        jsize length = counts_[level];
        LocalRef<jarray> result = jni::new_array<T>(env_, length);
        set_code_once(ARG_LOCAL);
        SafeArrayLockGuard lock(array_, "Unable to access SafeArray data");
        if (length == 0) return result.release();

        Row row = row_at(level, missing_element);
        if (unchanged && row.stride == sizeof(T)) {
            jni::set_array_region(env_, result.get(), 0, length, reinterpret_cast<const T *>(row.first));
        } else {
            std::vector<T> values(static_cast<size_t>(length));
            const BYTE *element = row.first;
            for (T &value : values) {
                value = read(element);
                element += row.stride;
            }
            jni::set_array_region(env_, result.get(), 0, length, values.data());
        }
        return result.release();
    }

    // The leftmost index varies fastest, so consecutive elements of a row along the last
    // dimension lie apart by the element counts of all earlier dimensions.
    Row row_at(int level, const char *missing_element)
    {
        indices_[level] = lbounds_[level];
        void *first = nullptr;
        if (FAILED(SafeArrayPtrOfIndex(array_, indices_.data(), &first))) throw new TavlinEx(missing_element);
        size_t stride = SafeArrayGetElemsize(array_);
        for (int d = 0; d < level; ++d) stride *= static_cast<size_t>(counts_[d]);
        return Row{static_cast<const BYTE *>(first), stride, counts_[level]};
    }

    jobject object_row(int level, const char *element)
    {
        if (has_elements(level) && element_type_ != VT_VARIANT && !fits_variant_value())
            TavlinEx::raise("Unable to convert safearray elements of type %u.", element_type_);
        std::string class_name = element_class_name(element);
        SafeArrayLockGuard lock(array_, "Unable to access safearray data.");
        const LocalRef<jclass> element_class = jni::find_class(env_, class_name.c_str());
        LocalRef<jobjectArray> result = jni::new_object_array(env_, counts_[level], element_class.get(), nullptr);

        const JavaType element_type{class_name.c_str(), element_class.get()};
        PreparedArguments converted(env_, 1);
        for (jsize i = 0; i < counts_[level]; ++i) {
            indices_[level] = lbounds_[level] + i;
            convert_element(converted, element_type);
            set_code_once(converted.release_code(0) == ARG_BORROWED ? ARG_LOCAL_ARRAY_BORROWED : ARG_LOCAL_ARRAY);
            jni::set_object_array_element(env_, result.get(), i, converted.value(0).l);
            converted.release();  // the array holds the element in its own right now
        }
        return result.release();
    }

    // Non-VARIANT elements are read into a VARIANT's value field, which DECIMAL and record
    // elements (and anything else wider than eight bytes) would overrun.
    bool fits_variant_value() const
    {
        return element_type_ != VT_DECIMAL && element_type_ != VT_RECORD &&
               SafeArrayGetElemsize(array_) <= sizeof(LONGLONG);
    }

    void convert_element(PreparedArguments &converted, const JavaType &type)
    {
        if (element_type_ == VT_VARIANT) {
            void *stored = nullptr;
            if (FAILED(SafeArrayPtrOfIndex(array_, indices_.data(), &stored)))
                throw new TavlinEx("Unable to get Safearray element.");
            convert_com_to_java(env_, static_cast<const VARIANT *>(stored), converted, 0, type, strict_);
            return;
        }
        AutoVariant element;
        if (FAILED(SafeArrayGetElement(array_, indices_.data(), &element.get()->llVal)))
            throw new TavlinEx("Unable to get safearray element.");
        element.get()->vt = element_type_;
        convert_com_to_java(env_, element.get(), converted, 0, type, strict_);
    }

    JNIEnv *env_;
    SAFEARRAY *array_;
    VARTYPE element_type_;
    bool strict_;
    VariantElements variants_;
    int dimensions_;
    std::vector<LONG> lbounds_;
    std::vector<LONG> counts_;
    std::vector<LONG> indices_;
    CMallocString descriptor_;
    ArgRelease code_ = ARG_NONE;
};

}  // namespace

void convert_safe_array(JNIEnv *env, SAFEARRAY *array, VARTYPE element_type, PreparedArguments &args, int index,
                        const JavaType &type, bool strict, VariantElements variants)
{
    if (!array || SafeArrayGetDim(array) == 0) {
        args.set_object(index, nullptr, ARG_PLAIN);
        return;
    }
    require_described_as(array, element_type);
    SafeArrayToJava conversion(env, array, element_type, strict, variants);
    jobject result = conversion.convert(type.name);
    args.set_object(index, result, conversion.release_code());
}

void convert_com_array_to_java_array(JNIEnv *env, const VARIANT *arg, PreparedArguments &args, int index,
                                     const JavaType &type, bool strict)
{
    arg = through_variant_reference(arg);
    if (!arg || arg->vt == VT_EMPTY || arg->vt == VT_NULL) {
        args.set_object(index, nullptr, ARG_PLAIN);
        return;
    }
    if ((arg->vt & ~VT_BYREF) == VT_DISPATCH) {
        SafeArrayHolder elements = script_array_elements(value_or_referenced(*arg, arg->pdispVal, arg->ppdispVal));
        if (!elements) throw new TavlinEx("Expected array.");
        convert_safe_array(env, elements.get(), VT_VARIANT, args, index, type, strict);
        return;
    }
    if (!(arg->vt & VT_ARRAY)) throw new TavlinEx("Expected array.");
    convert_safe_array(env, value_or_referenced(*arg, arg->parray, arg->pparray),
                       static_cast<VARTYPE>(arg->vt & ~(VT_ARRAY | VT_BYREF)), args, index, type, strict);
}

}  // namespace tavlin
