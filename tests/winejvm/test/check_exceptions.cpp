// Java exceptions seen from native code: pending after a call, described, cleared, thrown
// natively; and the stack overflow that only a correctly known stack turns into one.
#include <string>

#include "checks.h"

namespace winejvm_test {
namespace {

class ExceptionChecks {
 public:
  explicit ExceptionChecks(Context& context) : report_(context.report), env_(context.env) {
    failures_ = env_->FindClass("winejvm/Failures");
    fail_ = env_->GetStaticMethodID(failures_, "fail", "(Ljava/lang/String;)V");
    message_ = env_->NewStringUTF("bad \xC3\xBC");  // "bad u-umlaut"
  }

  void pending_and_cleared() {
    call_fail();
    const bool pending = env_->ExceptionCheck();
    const jthrowable thrown = env_->ExceptionOccurred();
    env_->ExceptionClear();
    report_.check("a Java exception is pending after a varargs call", pending && thrown);
    report_.check("ExceptionClear clears it", !env_->ExceptionCheck());
    const jclass expected = env_->FindClass("java/lang/IllegalStateException");
    report_.check("ExceptionOccurred gives the thrown IllegalStateException", env_->IsInstanceOf(thrown, expected));
    report_.equal("its message arrives intact", message_of(thrown), std::string("bad \xC3\xBC"));
  }

  void described() {
    call_fail();
    env_->ExceptionDescribe();
    report_.check("ExceptionDescribe prints and clears it", !env_->ExceptionCheck());
  }

  void thrown_natively() {
    const jclass illegal_argument = env_->FindClass("java/lang/IllegalArgumentException");
    const jint status = env_->ThrowNew(illegal_argument, "from native code");
    report_.equal("ThrowNew", std::to_string(status) + " " + take_exception(env_),
                  std::string("0 java.lang.IllegalArgumentException: from native code"));

    const jmethodID constructor = env_->GetMethodID(illegal_argument, "<init>", "(Ljava/lang/String;)V");
    const auto made =
        static_cast<jthrowable>(env_->functions->NewObject(env_, illegal_argument, constructor, message_));
    const std::string construction = take_exception(env_);
    env_->Throw(made);
    const jthrowable occurred = env_->ExceptionOccurred();
    env_->ExceptionClear();
    report_.check("Throw, then ExceptionOccurred gives the same object",
                  construction.empty() && env_->IsSameObject(made, occurred), construction);
  }

  // Wine runs the main thread on a stack that glibc does not report; without the
  // forwarder's stack fix the VM would misjudge both of these.
  void deep_stacks() {
    const jmethodID depth = env_->GetStaticMethodID(failures_, "depth", "(I)I");
    const jint reached = env_->functions->CallStaticIntMethod(env_, failures_, depth, 3000);
    report_.equal("3,000 nested Java calls on the main thread", std::to_string(reached) + take_exception(env_),
                  std::string("3000"));
    const jmethodID bottomless = env_->GetStaticMethodID(failures_, "bottomless", "(I)I");
    env_->functions->CallStaticIntMethod(env_, failures_, bottomless, 0);
    const std::string exception = take_exception(env_);
    report_.equal("endless recursion on the main thread ends in StackOverflowError", exception.substr(0, 28),
                  std::string("java.lang.StackOverflowError"));
  }

 private:
  void call_fail() { env_->functions->CallStaticVoidMethod(env_, failures_, fail_, message_); }

  std::string message_of(jthrowable thrown) {
    const jclass throwable = env_->FindClass("java/lang/Throwable");
    const jmethodID get_message = env_->GetMethodID(throwable, "getMessage", "()Ljava/lang/String;");
    return returned_text(env_, env_->functions->CallObjectMethod(env_, thrown, get_message));
  }

  Report& report_;
  JNIEnv* env_;
  jclass failures_;
  jmethodID fail_;
  jstring message_;
};

}  // namespace

void check_exceptions(Context& context) {
  ExceptionChecks checks(context);
  checks.pending_and_cleared();
  checks.described();
  checks.thrown_natively();
  checks.deep_stacks();
}

}  // namespace winejvm_test
