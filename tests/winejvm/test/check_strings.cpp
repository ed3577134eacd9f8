// Strings beyond ASCII and beyond the Basic Multilingual Plane, from native code to Java
// and back, in UTF-16 and in JNI's modified UTF-8.
#include <cstdio>
#include <string>
#include <vector>

#include "checks.h"

namespace winejvm_test {
namespace {

// "a", a-umlaut, the euro sign and U+1F600, as Texts.sample() builds it.
const std::u16string sample_utf16 = u"a\u00e4\u20ac\U0001F600";
// Modified UTF-8 writes each half of a surrogate pair as three bytes.
const std::string sample_modified_utf8 = "a\xC3\xA4\xE2\x82\xAC\xED\xA0\xBD\xED\xB8\x80";
const std::string sample_code_points = "61 e4 20ac 1f600";

std::string hex_units(const jchar* units, std::size_t count) {
  std::string text;
  char unit[8];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(unit, sizeof unit, i ? " %04x" : "%04x", units[i]);
    text += unit;
  }
  return text;
}

std::string hex_units(const std::u16string& text) {
  return hex_units(reinterpret_cast<const jchar*>(text.data()), text.size());
}

std::string hex_bytes(const std::string& bytes) {
  std::string text;
  char byte[4];
  for (unsigned char b : bytes) {
    std::snprintf(byte, sizeof byte, text.empty() ? "%02x" : " %02x", b);
    text += byte;
  }
  return text;
}

class StringChecks {
 public:
  explicit StringChecks(Context& context) : report_(context.report), env_(context.env) {
    texts_ = env_->FindClass("winejvm/Texts");
    code_points_ = env_->GetStaticMethodID(texts_, "codePoints", "(Ljava/lang/String;)Ljava/lang/String;");
    const jmethodID sample = env_->GetStaticMethodID(texts_, "sample", "()Ljava/lang/String;");
    sample_ = static_cast<jstring>(env_->functions->CallStaticObjectMethod(env_, texts_, sample));
    report_.equal("a string made by Java arrives", take_exception(env_) + (sample_ ? "" : "(null)"), std::string());
  }

  bool ready() const { return sample_ != nullptr; }

  void to_java() {
    const jstring from_utf16 =
        env_->NewString(reinterpret_cast<const jchar*>(sample_utf16.data()), static_cast<jsize>(sample_utf16.size()));
    report_.equal("NewString: Java sees the code points", code_points_of(from_utf16), sample_code_points);
    const jstring from_utf8 = env_->NewStringUTF(sample_modified_utf8.c_str());
    report_.equal("NewStringUTF: Java sees the code points", code_points_of(from_utf8), sample_code_points);
  }

  void from_java() {
    report_.equal("GetStringLength counts UTF-16 units", env_->GetStringLength(sample_), jsize{5});
    report_.equal("GetStringUTFLength counts modified UTF-8 bytes", env_->GetStringUTFLength(sample_), jsize{12});

    const jchar* chars = env_->GetStringChars(sample_, nullptr);
    report_.equal("GetStringChars", hex_units(chars, sample_utf16.size()), hex_units(sample_utf16));
    env_->ReleaseStringChars(sample_, chars);

    report_.equal("GetStringUTFChars", hex_bytes(text_of(env_, sample_)), hex_bytes(sample_modified_utf8));

    std::vector<jchar> region(4);
    env_->GetStringRegion(sample_, 1, 4, region.data());
    report_.equal("GetStringRegion", hex_units(region.data(), region.size()), hex_units(sample_utf16.substr(1)));

    std::vector<char> utf_region(16, '\0');
    env_->GetStringUTFRegion(sample_, 3, 2, utf_region.data());
    report_.equal("GetStringUTFRegion of a surrogate pair", hex_bytes(utf_region.data()),
                  hex_bytes(sample_modified_utf8.substr(6)));

    const jchar* critical = env_->GetStringCritical(sample_, nullptr);
    const std::string critical_units = hex_units(critical, sample_utf16.size());
    env_->ReleaseStringCritical(sample_, critical);
    report_.equal("GetStringCritical", critical_units, hex_units(sample_utf16));
  }

 private:
  std::string code_points_of(jstring text) {
    return returned_text(env_, env_->functions->CallStaticObjectMethod(env_, texts_, code_points_, text));
  }

  Report& report_;
  JNIEnv* env_;
  jclass texts_;
  jmethodID code_points_;
  jstring sample_;
};

}  // namespace

void check_strings(Context& context) {
  StringChecks checks(context);
  checks.to_java();
  if (checks.ready()) checks.from_java();
}

}  // namespace winejvm_test
