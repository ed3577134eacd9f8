// Scoped JNI local reference, for the forwarder's own calls into the VM.
#pragma once

#include <jni.h>

namespace winejvm {

template <typename Ref>
class LocalRef {
 public:
  LocalRef(JNIEnv* env, Ref ref) : env_(env), ref_(ref) {}
  ~LocalRef() {
    if (ref_) env_->DeleteLocalRef(ref_);
  }
  LocalRef(const LocalRef&) = delete;
  LocalRef& operator=(const LocalRef&) = delete;

  Ref get() const { return ref_; }
  explicit operator bool() const { return ref_ != nullptr; }

 private:
  JNIEnv* env_;
  Ref ref_;
};

}  // namespace winejvm
