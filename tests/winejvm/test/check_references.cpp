// Global and weak global references outliving the local frame they were made in.
#include <string>

#include "checks.h"

namespace winejvm_test {

void check_references(Context& context) {
  JNIEnv* env = context.env;
  Report& report = context.report;

  report.equal("PushLocalFrame", env->PushLocalFrame(16), jint{JNI_OK});
  const jstring local = env->NewStringUTF("kept \xE2\x82\xAC");
  const jobject global = env->NewGlobalRef(local);
  const jweak weak = env->NewWeakGlobalRef(local);
  report.equal("GetObjectRefType of a local reference", env->GetObjectRefType(local), JNILocalRefType);
  env->PopLocalFrame(nullptr);

  report.equal("GetObjectRefType of a global reference", env->GetObjectRefType(global), JNIGlobalRefType);
  report.equal("GetObjectRefType of a weak global reference", env->GetObjectRefType(weak), JNIWeakGlobalRefType);
  report.equal("a global reference outlives its local frame", text_of(env, static_cast<jstring>(global)),
               std::string("kept \xE2\x82\xAC"));
  report.check("IsSameObject of the global and the weak reference", env->IsSameObject(global, weak));

  const jobject again = env->NewLocalRef(global);
  report.check("NewLocalRef of a global reference", env->IsSameObject(again, global));
  env->DeleteLocalRef(again);
  env->DeleteWeakGlobalRef(weak);
  env->DeleteGlobalRef(global);
  report.equal("EnsureLocalCapacity", env->EnsureLocalCapacity(100), jint{JNI_OK});
}

}  // namespace winejvm_test
