// Every Call...Method slot and NewObject, in their variadic, va_list and jvalue-array forms,
// with one argument of every Java type: the variadic and va_list forms are the ones the
// forwarder rebuilds from recorded parameter types.
#include <array>
#include <chrono>
#include <cstdarg>
#include <functional>
#include <sstream>
#include <tuple>

#include "checks.h"
#include "jni_slots.h"

namespace winejvm_test {
namespace {

const char* const parameters = "(ZBCSIJFDLjava/lang/String;[I)";
// How Calls.describe prints the Arguments below.
const char* const seen_by_java = "true,-5,8364,-300,-123456789,-1234567890123456789,3.25,-2.0E300,text,[1, 2, 3]";

// Values that each go wrong visibly when read from the wrong place, with the wrong width
// or with the wrong sign: a char above 255, a long above 32 bits, a double beyond float.
struct Arguments {
  jboolean z = JNI_TRUE;
  jbyte b = -5;
  jchar c = 0x20AC;
  jshort s = -300;
  jint i = -123456789;
  jlong j = -1234567890123456789LL;
  jfloat f = 3.25f;
  jdouble d = -2.0e300;
  jstring l = nullptr;
  jintArray a = nullptr;

  std::array<jvalue, 10> values() const {
    std::array<jvalue, 10> v{};
    v[0].z = z, v[1].b = b, v[2].c = c, v[3].s = s, v[4].i = i;
    v[5].j = j, v[6].f = f, v[7].d = d, v[8].l = l, v[9].l = a;
    return v;
  }
};

template <typename R, typename... Lead>
using ArraySlot = Slot<R, Lead..., const jvalue*>;

// The same Arguments through a slot of each form, after the slot's leading arguments.
template <typename Slot, typename... Lead>
auto pass_variadic(JNIEnv* env, Slot slot, const Arguments& a, Lead... lead) {
  return (env->functions->*slot)(env, lead..., a.z, a.b, a.c, a.s, a.i, a.j, a.f, a.d, a.l, a.a);
}

template <typename Slot, typename... Lead>
auto with_va_list(JNIEnv* env, Slot slot, const std::tuple<Lead...>* lead, ...) {
  va_list args;
  va_start(args, lead);
  const auto call = [&](Lead... leading) { return (env->functions->*slot)(env, leading..., args); };
  using Result = decltype(std::apply(call, *lead));
  if constexpr (std::is_void_v<Result>) {
    std::apply(call, *lead);
    va_end(args);
  } else {
    const Result result = std::apply(call, *lead);
    va_end(args);
    return result;
  }
}

template <typename Slot, typename... Lead>
auto pass_va_list(JNIEnv* env, Slot slot, const Arguments& a, Lead... lead) {
  const std::tuple<Lead...> leading(lead...);
  return with_va_list(env, slot, &leading, a.z, a.b, a.c, a.s, a.i, a.j, a.f, a.d, a.l, a.a);
}

template <typename Slot, typename... Lead>
auto pass_array(JNIEnv* env, Slot slot, const Arguments& a, Lead... lead) {
  const std::array<jvalue, 10> values = a.values();
  return (env->functions->*slot)(env, lead..., values.data());
}

// The nine slots of one return type.
template <typename R>
struct Family {
  const char* type;    // as in the slot names
  const char* method;  // of Calls; the static one has a '_' appended
  const char* return_descriptor;
  VariadicSlot<R, jobject, jmethodID> virtual_call;
  VaListSlot<R, jobject, jmethodID> virtual_v;
  ArraySlot<R, jobject, jmethodID> virtual_a;
  VariadicSlot<R, jobject, jclass, jmethodID> nonvirtual_call;
  VaListSlot<R, jobject, jclass, jmethodID> nonvirtual_v;
  ArraySlot<R, jobject, jclass, jmethodID> nonvirtual_a;
  VariadicSlot<R, jclass, jmethodID> static_call;
  VaListSlot<R, jclass, jmethodID> static_v;
  ArraySlot<R, jclass, jmethodID> static_a;
};

#define CALL_FAMILY(Type, method, descriptor)                                                                       \
  Family<decltype(std::declval<JNIEnv_>().Call##Type##Method(nullptr, nullptr))> {                                  \
#Type, method, descriptor, &JNINativeInterface_::Call##Type##Method, &JNINativeInterface_::Call##Type##MethodV, \
        &JNINativeInterface_::Call##Type##MethodA, &JNINativeInterface_::CallNonvirtual##Type##Method,              \
        &JNINativeInterface_::CallNonvirtual##Type##MethodV, &JNINativeInterface_::CallNonvirtual##Type##MethodA,   \
        &JNINativeInterface_::CallStatic##Type##Method, &JNINativeInterface_::CallStatic##Type##MethodV,            \
        &JNINativeInterface_::CallStatic##Type##MethodA                                                             \
  }

// What a call must return: its argument of the return type (the same object for objects).
template <typename R>
struct Expected {
  R value;
  bool matches(JNIEnv*, R actual) const { return actual == value; }
};

template <>
struct Expected<jobject> {
  jobject value;
  bool matches(JNIEnv* env, jobject actual) const { return env->IsSameObject(actual, value); }
};

template <>
struct Expected<void> {};

template <typename T>
std::string printed(const T& value) {
  std::ostringstream text;
  if constexpr (sizeof(T) < sizeof(int)) {
    text << static_cast<int>(value);
  } else {
    text << value;
  }
  return text.str();
}

class CallChecks {
 public:
  explicit CallChecks(Context& context) : report_(context.report), env_(context.env) {
    calls_ = env_->FindClass("winejvm/Calls");
    const jclass sub = env_->FindClass("winejvm/CallsSub");
    object_ = env_->AllocObject(sub);
    last_ = env_->GetFieldID(calls_, "last", "Ljava/lang/String;");
    last_static_ = env_->GetStaticFieldID(calls_, "lastStatic", "Ljava/lang/String;");
    args_.l = env_->NewStringUTF("text");
    args_.a = env_->NewIntArray(3);
    const jint elements[] = {1, 2, 3};
    env_->SetIntArrayRegion(args_.a, 0, 3, elements);
  }

  template <typename R>
  void run(const Family<R>& f, const Expected<R>& expected) {
    const jmethodID instance = method_id(f.method, f.return_descriptor, false);
    const jmethodID statics = method_id(std::string(f.method) + "_", f.return_descriptor, true);
    const std::string type = f.type;
    // A virtual call of Calls' method reaches the override; a nonvirtual one does not.
    verify("Call" + type + "Method", "CallsSub", object_, expected,
           [&] { return pass_variadic(env_, f.virtual_call, args_, object_, instance); });
    verify("Call" + type + "MethodV", "CallsSub", object_, expected,
           [&] { return pass_va_list(env_, f.virtual_v, args_, object_, instance); });
    verify("Call" + type + "MethodA", "CallsSub", object_, expected,
           [&] { return pass_array(env_, f.virtual_a, args_, object_, instance); });
    verify("CallNonvirtual" + type + "Method", "Calls", object_, expected,
           [&] { return pass_variadic(env_, f.nonvirtual_call, args_, object_, calls_, instance); });
    verify("CallNonvirtual" + type + "MethodV", "Calls", object_, expected,
           [&] { return pass_va_list(env_, f.nonvirtual_v, args_, object_, calls_, instance); });
    verify("CallNonvirtual" + type + "MethodA", "Calls", object_, expected,
           [&] { return pass_array(env_, f.nonvirtual_a, args_, object_, calls_, instance); });
    verify("CallStatic" + type + "Method", "static", nullptr, expected,
           [&] { return pass_variadic(env_, f.static_call, args_, calls_, statics); });
    verify("CallStatic" + type + "MethodV", "static", nullptr, expected,
           [&] { return pass_va_list(env_, f.static_v, args_, calls_, statics); });
    verify("CallStatic" + type + "MethodA", "static", nullptr, expected,
           [&] { return pass_array(env_, f.static_a, args_, calls_, statics); });
  }

  void run_constructors() {
    const jmethodID constructor = method_id("<init>", "V", false);
    const std::pair<const char*, std::function<jobject()>> forms[] = {
        {"NewObject", [&] { return pass_variadic(env_, &JNINativeInterface_::NewObject, args_, calls_, constructor); }},
        {"NewObjectV",
         [&] { return pass_va_list(env_, &JNINativeInterface_::NewObjectV, args_, calls_, constructor); }},
        {"NewObjectA", [&] { return pass_array(env_, &JNINativeInterface_::NewObjectA, args_, calls_, constructor); }},
    };
    for (const auto& [slot, make] : forms) {
      const jobject made = make();
      const std::string exception = take_exception(env_);
      if (made) {
        verify_record(made, "new", exception);
      } else {
        problem_ += "no object; " + exception;
      }
      report(slot);
    }
  }

  jobject text_argument() const { return args_.l; }

  // A method ID that reaches Windows code only through FromReflectedMethod.
  void run_reflected() {
    const jmethodID getter = env_->GetStaticMethodID(calls_, "mixedMethod", "()Ljava/lang/reflect/Method;");
    const jobject reflected = env_->functions->CallStaticObjectMethod(env_, calls_, getter);
    std::string exception = take_exception(env_);
    const jmethodID mixed = reflected ? env_->FromReflectedMethod(reflected) : nullptr;
    const jobject result = mixed ? env_->functions->CallStaticObjectMethod(env_, calls_, mixed, jbyte{-7}, 0.125,
                                                                           jlong{1} << 40, 0.5f, args_.l)
                                 : nullptr;
    report_.equal("FromReflectedMethod, then CallStaticObjectMethod", exception + returned_text(env_, result),
                  std::string("-7,0.125,1099511627776,0.5,text"));
  }

 private:
  jmethodID method_id(const std::string& name, const char* return_descriptor, bool is_static) {
    const std::string signature = parameters + std::string(return_descriptor);
    return is_static ? env_->GetStaticMethodID(calls_, name.c_str(), signature.c_str())
                     : env_->GetMethodID(calls_, name.c_str(), signature.c_str());
  }

  // Checked JNI wants the exception check right after the call, before anything else.
  template <typename R, typename Call>
  void verify(const std::string& slot, const char* who, jobject target, const Expected<R>& expected, Call call) {
    env_->SetObjectField(object_, last_, nullptr);
    env_->SetStaticObjectField(calls_, last_static_, nullptr);
    if constexpr (std::is_void_v<R>) {
      call();
      verify_record(target, who, take_exception(env_));
    } else {
      const R result = call();
      verify_record(target, who, take_exception(env_));
      if (!expected.matches(env_, result)) problem_ += "returned " + printed(result) + "; ";
    }
    report(slot);
  }

  void verify_record(jobject target, const char* who, const std::string& exception) {
    if (!exception.empty()) problem_ += "threw " + exception + "; ";
    const jobject record =
        target ? env_->GetObjectField(target, last_) : env_->GetStaticObjectField(calls_, last_static_);
    const std::string seen = text_of(env_, static_cast<jstring>(record));
    const std::string wanted = std::string(who) + ":" + seen_by_java;
    if (seen != wanted) problem_ += "Java saw " + seen;
    env_->DeleteLocalRef(record);
  }

  void report(const std::string& slot) {
    report_.check(slot, problem_.empty(), problem_);
    problem_.clear();
  }

  Report& report_;
  JNIEnv* env_;
  jclass calls_;
  jobject object_;
  jfieldID last_;
  jfieldID last_static_;
  Arguments args_;
  std::string problem_;
};

}  // namespace

void check_call_families(Context& context) {
  CallChecks checks(context);
  const Arguments a;
  checks.run(CALL_FAMILY(Boolean, "z", "Z"), Expected<jboolean>{a.z});
  checks.run(CALL_FAMILY(Byte, "b", "B"), Expected<jbyte>{a.b});
  checks.run(CALL_FAMILY(Char, "c", "C"), Expected<jchar>{a.c});
  checks.run(CALL_FAMILY(Short, "s", "S"), Expected<jshort>{a.s});
  checks.run(CALL_FAMILY(Int, "i", "I"), Expected<jint>{a.i});
  checks.run(CALL_FAMILY(Long, "j", "J"), Expected<jlong>{a.j});
  checks.run(CALL_FAMILY(Float, "f", "F"), Expected<jfloat>{a.f});
  checks.run(CALL_FAMILY(Double, "d", "D"), Expected<jdouble>{a.d});
  checks.run(CALL_FAMILY(Object, "l", "Ljava/lang/Object;"), Expected<jobject>{checks.text_argument()});
  checks.run(CALL_FAMILY(Void, "v", "V"), Expected<void>{});
  checks.run_constructors();
  checks.run_reflected();
}

}  // namespace winejvm_test

namespace winejvm_test {

// Enough calls for the JIT to compile the callee, through the varargs path of the forwarder.
void check_hot_loop(Context& context) {
  JNIEnv* env = context.env;
  const jclass calls = env->FindClass("winejvm/Calls");
  const jmethodID accumulate = env->GetStaticMethodID(calls, "accumulate", "(JID)J");
  constexpr jint count = 1000000;
  const auto start = std::chrono::steady_clock::now();
  jlong total = 0;
  for (jint step = 0; step < count && !env->ExceptionCheck(); ++step) {
    total = env->functions->CallStaticLongMethod(env, calls, accumulate, total, step, 2.0);
  }
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  const std::string exception = take_exception(env);
  context.report.equal("1,000,000 CallStaticLongMethod calls in a loop (" + std::to_string(elapsed.count()) + " ms)",
                       std::to_string(total) + exception, std::to_string(jlong{999999000000LL}));
  env->DeleteLocalRef(calls);
}

}  // namespace winejvm_test
