#include "method_signatures.h"

#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

#include "local_ref.h"

namespace winejvm {
namespace {

// The first character of a field descriptor is its type's code, except for arrays.
char code_of_type(char descriptor_start) { return descriptor_start == '[' ? 'L' : descriptor_start; }

const char* skip_type(const char* descriptor) {
  while (*descriptor == '[') ++descriptor;
  if (*descriptor != 'L') return *descriptor ? descriptor + 1 : descriptor;
  const char* end = std::strchr(descriptor, ';');
  return end ? end + 1 : descriptor + std::strlen(descriptor);
}

// Readers far outnumber writers: every variadic call reads, only method lookups write.
// Entries are never replaced or removed, so a found string may be used without the lock.
class ParameterRecord {
 public:
  void remember(jmethodID method, std::string codes) {
    std::unique_lock guard(lock_);
    codes_.emplace(method, std::move(codes));
  }

  const std::string* find(jmethodID method) const {
    std::shared_lock guard(lock_);
    const auto found = codes_.find(method);
    return found == codes_.end() ? nullptr : &found->second;
  }

 private:
  mutable std::shared_mutex lock_;
  std::unordered_map<jmethodID, std::string> codes_;
};

ParameterRecord& parameter_record() {
  static ParameterRecord record;
  return record;
}

std::optional<char> code_of_class(JNIEnv* env, jobject type, jmethodID descriptor_string) {
  LocalRef<jstring> descriptor(env, static_cast<jstring>(env->CallObjectMethod(type, descriptor_string)));
  if (env->ExceptionCheck() || !descriptor) return std::nullopt;
  const char* text = env->GetStringUTFChars(descriptor.get(), nullptr);
  if (!text) return std::nullopt;
  const char code = code_of_type(text[0]);
  env->ReleaseStringUTFChars(descriptor.get(), text);
  return code;
}

}  // namespace

std::string parameter_codes(const char* descriptor) {
  std::string codes;
  if (*descriptor == '(') ++descriptor;
  while (*descriptor && *descriptor != ')') {
    codes += code_of_type(*descriptor);
    descriptor = skip_type(descriptor);
  }
  return codes;
}

std::optional<std::string> parameter_codes_of_reflected(JNIEnv* env, jobject executable) {
  LocalRef<jclass> executable_class(env, env->FindClass("java/lang/reflect/Executable"));
  LocalRef<jclass> class_class(env, env->FindClass("java/lang/Class"));
  if (!executable_class || !class_class) return std::nullopt;
  const jmethodID get_parameter_types =
      env->GetMethodID(executable_class.get(), "getParameterTypes", "()[Ljava/lang/Class;");
  const jmethodID descriptor_string = env->GetMethodID(class_class.get(), "descriptorString", "()Ljava/lang/String;");
  if (!get_parameter_types || !descriptor_string) return std::nullopt;
  LocalRef<jobjectArray> types(env, static_cast<jobjectArray>(env->CallObjectMethod(executable, get_parameter_types)));
  // Checked JNI (-Xcheck:jni) wants every Call... followed by an exception check.
  if (env->ExceptionCheck() || !types) return std::nullopt;
  std::string codes;
  for (jsize i = 0, count = env->GetArrayLength(types.get()); i < count; ++i) {
    LocalRef<jobject> type(env, env->GetObjectArrayElement(types.get(), i));
    const std::optional<char> code = code_of_class(env, type.get(), descriptor_string);
    if (!code) return std::nullopt;
    codes += *code;
  }
  return codes;
}

void remember_parameters(jmethodID method, std::string codes) { parameter_record().remember(method, std::move(codes)); }

const std::string* recorded_parameters(jmethodID method) { return parameter_record().find(method); }

}  // namespace winejvm
