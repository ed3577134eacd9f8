// Arrays of every primitive type and of objects, filled natively, reversed by Java and read
// back through every access path.
#include <array>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>

#include "checks.h"
#include "jni_slots.h"

namespace winejvm_test {
namespace {

template <typename T>
std::string listed(const T* values, std::size_t count) {
  std::ostringstream text;
  for (std::size_t i = 0; i < count; ++i) {
    if (i) text << ' ';
    if constexpr (sizeof(T) < sizeof(int)) {
      text << static_cast<int>(values[i]);
    } else {
      text << values[i];
    }
  }
  return text.str();
}

template <typename T, typename Array>
struct PrimitiveArray {
  const char* type;  // as in the slot names
  const char* descriptor;
  std::array<T, 4> values;
  Slot<Array, jsize> make;
  Slot<void, Array, jsize, jsize, const T*> set_region;
  Slot<void, Array, jsize, jsize, T*> get_region;
  Slot<T*, Array, jboolean*> get_elements;
  Slot<void, Array, T*, jint> release_elements;
};

#define PRIMITIVE_ARRAY(Type, T, descriptor, ...)                                                             \
  PrimitiveArray<T, T##Array> {                                                                               \
#Type, descriptor,                                                                                        \
        {__VA_ARGS__ }, &JNINativeInterface_::New##Type##Array, &JNINativeInterface_::Set##Type##ArrayRegion, \
         &JNINativeInterface_::Get##Type##ArrayRegion, &JNINativeInterface_::Get##Type##ArrayElements,        \
         &JNINativeInterface_::Release##Type##ArrayElements                                                   \
  }

class ArrayChecks {
 public:
  explicit ArrayChecks(Context& context) : report_(context.report), env_(context.env) {
    reversed_class_ = env_->FindClass("winejvm/Reversed");
  }

  template <typename T, typename Array>
  void run(const PrimitiveArray<T, Array>& kind) {
    const std::string type = kind.type;
    const std::array<T, 4>& values = kind.values;
    const std::array<T, 4> reversed_values = {values[3], values[2], values[1], values[0]};
    const auto array = (env_->functions->*kind.make)(env_, 4);
    (env_->functions->*kind.set_region)(env_, array, 0, 4, values.data());
    const auto reversed = static_cast<Array>(reversed_by_java(array, kind.descriptor));
    if (!reversed) return report_.check(type + " arrays: reversed by Java", false, take_exception(env_));

    std::array<T, 4> read{};
    (env_->functions->*kind.get_region)(env_, reversed, 0, 4, read.data());
    report_.equal(type + " arrays: New, Set and GetArrayRegion, reversed by Java", listed(read.data(), 4),
                  listed(reversed_values.data(), 4));

    T* elements = (env_->functions->*kind.get_elements)(env_, array, nullptr);
    const std::string seen = listed(elements, 4);
    elements[0] = values[3];
    (env_->functions->*kind.release_elements)(env_, array, elements, 0);
    (env_->functions->*kind.get_region)(env_, array, 0, 1, read.data());
    report_.equal(type + " arrays: Get and ReleaseArrayElements write back", seen + " / " + listed(read.data(), 1),
                  listed(values.data(), 4) + " / " + listed(&values[3], 1));

    const auto* critical = static_cast<const T*>(env_->GetPrimitiveArrayCritical(reversed, nullptr));
    const bool same = std::memcmp(critical, reversed_values.data(), sizeof reversed_values) == 0;
    env_->ReleasePrimitiveArrayCritical(reversed, const_cast<T*>(critical), JNI_ABORT);
    report_.check(type + " arrays: GetPrimitiveArrayCritical", same);

    env_->DeleteLocalRef(reversed);
    env_->DeleteLocalRef(array);
  }

  void run_objects() {
    const jclass string_class = env_->FindClass("java/lang/String");
    const jstring filler = env_->NewStringUTF("-");
    const jobjectArray array = env_->NewObjectArray(3, string_class, filler);
    const char* const texts[] = {"x", "\xC3\xA4", "z"};
    for (jsize i = 0; i < 3; ++i) {
      const jstring text = env_->NewStringUTF(texts[i]);
      env_->SetObjectArrayElement(array, i, text);
      env_->DeleteLocalRef(text);
    }
    const auto reversed = static_cast<jobjectArray>(reversed_by_java(array, "[Ljava/lang/Object;"));
    std::string seen = take_exception(env_);
    for (jsize i = 0; reversed && i < env_->GetArrayLength(reversed); ++i) {
      const auto element = static_cast<jstring>(env_->GetObjectArrayElement(reversed, i));
      seen += text_of(env_, element) + ";";
      env_->DeleteLocalRef(element);
    }
    report_.equal("Object arrays: NewObjectArray, Set and GetObjectArrayElement, reversed by Java", seen,
                  std::string("z;\xC3\xA4;x;"));
  }

 private:
  jobject reversed_by_java(jobject array, const char* descriptor) {
    const std::string signature = std::string("(") + descriptor + ")" + descriptor;
    const jmethodID of = env_->GetStaticMethodID(reversed_class_, "of", signature.c_str());
    const jobject reversed = env_->functions->CallStaticObjectMethod(env_, reversed_class_, of, array);
    return env_->ExceptionCheck() ? nullptr : reversed;
  }

  Report& report_;
  JNIEnv* env_;
  jclass reversed_class_;
};

template <typename T>
using limits = std::numeric_limits<T>;

}  // namespace

void check_arrays(Context& context) {
  ArrayChecks checks(context);
  checks.run(PRIMITIVE_ARRAY(Boolean, jboolean, "[Z", JNI_TRUE, JNI_FALSE, JNI_FALSE, JNI_TRUE));
  checks.run(PRIMITIVE_ARRAY(Byte, jbyte, "[B", limits<jbyte>::min(), -1, 0, limits<jbyte>::max()));
  checks.run(PRIMITIVE_ARRAY(Char, jchar, "[C", 0x41, 0xE4, 0x20AC, 0xFFFF));
  checks.run(PRIMITIVE_ARRAY(Short, jshort, "[S", limits<jshort>::min(), -1, 1, limits<jshort>::max()));
  checks.run(PRIMITIVE_ARRAY(Int, jint, "[I", limits<jint>::min(), -1, 1, limits<jint>::max()));
  checks.run(PRIMITIVE_ARRAY(Long, jlong, "[J", limits<jlong>::min(), -1, jlong{1} << 40, limits<jlong>::max()));
  checks.run(PRIMITIVE_ARRAY(Float, jfloat, "[F", -1.5f, 0.0f, 3.25f, 1e30f));
  checks.run(PRIMITIVE_ARRAY(Double, jdouble, "[D", -2e300, 0.0, 0.1, 1e-300));
  checks.run_objects();
}

}  // namespace winejvm_test
