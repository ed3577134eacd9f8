#include "javaref/local_ref.h"

#include <utility>

namespace tavlin {

CLocalRef::~CLocalRef()
{
    if (chars_) env_->ReleaseStringUTFChars(static_cast<jstring>(ref_), chars_);
    if (ref_) env_->DeleteLocalRef(ref_);
}

const char *CLocalRef::utf_chars()
{
    if (!chars_ && ref_) chars_ = env_->GetStringUTFChars(static_cast<jstring>(ref_), nullptr);
    return chars_;
}

jobject CLocalRef::release() noexcept
{
    if (chars_) {
        env_->ReleaseStringUTFChars(static_cast<jstring>(ref_), chars_);
        chars_ = nullptr;
    }
    return std::exchange(ref_, nullptr);
}

}  // namespace tavlin
