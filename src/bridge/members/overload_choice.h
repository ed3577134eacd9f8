// How a call's arguments find the member they go to among namesakes: the overloads of a
// method name on a proxy, or the constructors of a class for newObject. Both choose alike,
// with the same conversions and the same errors.
#pragma once

#include <jni.h>

#include "bridge/members/method_table.h"
#include "convert/prepared_arguments.h"
#include "util/platform.h"

namespace tavlin {

// The arguments of one call in the Java parameter order, read where the client left them:
// DISPPARAMS holds them last-first, a [vararg] safe array first-first. Nothing is copied.
class CallArguments {
public:
    static CallArguments of(const DISPPARAMS *params);
    // `count` VARIANTs from `first` on, such as a locked safe array's elements.
    static CallArguments in_order(const VARIANT *first, int count);

    // The same without the first argument (which the caller reads itself).
    CallArguments after_first() const { return count_ ? CallArguments(first_ + step_, count_ - 1, step_) : *this; }

    int size() const { return count_; }
    const VARIANT *operator[](int index) const { return first_ + index * step_; }

private:
    CallArguments(const VARIANT *first, int count, int step) : first_(first), count_(count), step_(step) {}

    const VARIANT *first_;
    int count_;
    int step_;
};

// Chooses, among the member at `index` and its namesakes after it, the one that takes the
// arguments, and converts them for it into `args`; returns its index. A lone member converts
// as far as the platform's coercion allows; namesakes are chosen by closeness of fit first,
// then by specificity, as Java chooses.
// Throws TavlinEx* with the refusal ("Invalid number of arguments.", a conversion's error).
int choose_method(JNIEnv *env, const MethodTable &table, int index, const CallArguments &arguments,
                  PreparedArguments &args);

}  // namespace tavlin
