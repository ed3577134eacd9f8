#include "convert/prepared_arguments.h"

#include <new>

#include "errors/tavlin_ex.h"

namespace tavlin {

namespace {

bool owns_local_reference(ArgRelease code)
{
    return code == ARG_LOCAL || code == ARG_LOCAL_ARRAY || code == ARG_LOCAL_ARRAY_BORROWED;
}

}  // namespace

PreparedArguments::PreparedArguments(JNIEnv *env, int count)
    : env_(env), count_(0), values_(inline_values_), codes_(inline_codes_)
{
    allocate(count);
}

void PreparedArguments::allocate(int count)
{
    if (count > kInlineSlots) {
        heap_values_.reset(new (std::nothrow) jvalue[count]);
        heap_codes_.reset(new (std::nothrow) ArgRelease[count]);
        if (!heap_values_ || !heap_codes_) throw new TavlinEx("Unable to allocate memory for arguments.");
        values_ = heap_values_.get();
        codes_ = heap_codes_.get();
    } else {
        values_ = inline_values_;
        codes_ = inline_codes_;
    }
    count_ = count;
    for (int i = 0; i < count_; ++i) codes_[i] = ARG_NONE;
}

void PreparedArguments::resize(int count)
{
    release();
    count_ = 0;
    allocate(count);
}

PreparedArguments::~PreparedArguments() { release(); }

void PreparedArguments::release()
{
    for (int i = 0; i < count_; ++i) {
        if (owns_local_reference(codes_[i]) && values_[i].l) env_->DeleteLocalRef(values_[i].l);
        codes_[i] = ARG_NONE;
    }
}

}  // namespace tavlin
