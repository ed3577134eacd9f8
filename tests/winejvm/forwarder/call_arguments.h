// The arguments of a variadic or va_list JNI call from Windows, read into the jvalue array
// that the VM's ...A slot takes.
#pragma once

#include <jni.h>

#include <array>

#include "abi.h"

namespace winejvm {

class CallArguments {
 public:
  // Reads one argument per recorded parameter of `method`. Without a record the call
  // cannot be made: a java.lang.InternalError is then pending on `env`.
  CallArguments(JNIEnv* env, jmethodID method, WinVaList args);

  bool ready() const { return ready_; }
  const jvalue* get() const { return values_.data(); }

 private:
  // A Java method has at most 255 parameters.
  std::array<jvalue, 255> values_;
  bool ready_ = false;
};

}  // namespace winejvm
