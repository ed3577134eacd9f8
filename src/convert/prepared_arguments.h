// The argument record of one Java call: a jvalue and a release code per parameter. The
// record owns what the conversions put into it and releases it when it ends.
#pragma once

#include <jni.h>

#include <cstdint>
#include <memory>

#include "convert/java_type.h"

namespace tavlin {

enum ArgRelease : int32_t {
    ARG_NONE = 0,                  // slot not converted (yet)
    ARG_PLAIN = 1,                 // primitive or null: nothing to release
    ARG_LOCAL = 2,                 // a new local reference (boxed value, string, date, primitive array)
    ARG_LOCAL_ARRAY = 3,           // a new local reference to an object array of the conversion's own objects
    ARG_BORROWED = 4,              // a proxy's own global reference, lent for the call
    ARG_LOCAL_ARRAY_BORROWED = 5,  // a new object array whose first element was a borrowed proxy object
};

class PreparedArguments {
public:
    PreparedArguments(JNIEnv *env, int count);
    ~PreparedArguments();
    PreparedArguments(const PreparedArguments &) = delete;
    PreparedArguments &operator=(const PreparedArguments &) = delete;

    int count() const { return count_; }
    jvalue *values() { return values_; }
    const jvalue &value(int index) const { return values_[index]; }
    ArgRelease release_code(int index) const { return codes_[index]; }

    // Stores a converted value; the record releases it according to `code`.
    void set(int index, jvalue value, ArgRelease code)
    {
        values_[index] = value;
        codes_[index] = code;
    }
    void set_object(int index, jobject object, ArgRelease code)
    {
        jvalue v;
        v.l = object;
        set(index, v, code);
    }

    // Releases every converted slot now (as the record's end would).
    void release();
    // Releases every slot and makes the record one of `count` slots, none converted.
    void resize(int count);

private:
    void allocate(int count);

    static constexpr int kInlineSlots = 8;
    JNIEnv *env_;
    int count_;
    jvalue *values_;
    ArgRelease *codes_;
    jvalue inline_values_[kInlineSlots];
    ArgRelease inline_codes_[kInlineSlots];
    std::unique_ptr<jvalue[]> heap_values_;
    std::unique_ptr<ArgRelease[]> heap_codes_;
};

}  // namespace tavlin
