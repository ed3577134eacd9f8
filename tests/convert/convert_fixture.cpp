#include "convert_fixture.h"

#include <cstring>
#include <string>

#include "javaref/java_reflect.h"
#include "test_process.h"
#include "util/platform.h"
#include "vmhost/vm.h"

namespace convert_test {

namespace {

// Marks the test thread so that its JNI local roots can be told from other threads'.
constexpr jlong kTestThreadTag = 0x7e57;
constexpr jint kTestReferences = 1024;

jint JNICALL count_local_root(jvmtiHeapReferenceKind kind, const jvmtiHeapReferenceInfo *info, jlong, jlong, jlong,
                              jlong *, jlong *, jint, void *user_data)
{
    if (kind == JVMTI_HEAP_REFERENCE_JNI_LOCAL && info->jni_local.thread_tag == kTestThreadTag)
        ++*static_cast<int *>(user_data);
    return 0;  // roots only: the objects' own references are not followed
}

}  // namespace

void ConvertTest::SetUp()
{
    tavlin_test::use_standard_vm_setup();
    // Local dates in a zone with daylight saving and historical offsets.
    tavlin_test::set_environment("TZ", "Europe/Berlin");
    std::string classpath = tavlin_test::fixtures_jar() + tavlin::kPathListSeparator + TAVLIN_CONVERT_FIXTURES_JAR;
    tavlin_test::set_environment("CLASSPATH", classpath.c_str());

    env_ = tavlin::get_env();
    tavlin::java_reflect.init(env_);
    // Room for the references the test itself keeps (classes, samples), so that -Xcheck:jni
    // speaks up only about the conversions.
    ASSERT_EQ(0, env_->PushLocalFrame(kTestReferences));
    frame_pushed_ = true;
    probe_ = env_->FindClass("convertfixtures/Probe");
    ASSERT_NE(nullptr, probe_);
    describe_ = env_->GetStaticMethodID(probe_, "describe", "(Ljava/lang/Object;)Ljava/lang/String;");
    sample_ = env_->GetStaticMethodID(probe_, "sample", "(Ljava/lang/String;)Ljava/lang/Object;");
    ASSERT_TRUE(describe_ && sample_);
}

void ConvertTest::TearDown()
{
    if (frame_pushed_) env_->PopLocalFrame(nullptr);
}

std::string ConvertTest::describe(jobject value)
{
    jstring text = static_cast<jstring>(env_->CallStaticObjectMethod(probe_, describe_, value));
    if (env_->ExceptionCheck()) {
        env_->ExceptionDescribe();
        return "<describe failed>";
    }
    const char *chars = env_->GetStringUTFChars(text, nullptr);
    std::string result(chars);
    env_->ReleaseStringUTFChars(text, chars);
    env_->DeleteLocalRef(text);
    return result;
}

std::string ConvertTest::describe_slot(const tavlin::PreparedArguments &args, int index, const char *type_name)
{
    const jvalue &v = args.value(index);
    std::string name(type_name);
    if (name == "boolean") return std::string("boolean:") + (v.z ? "true" : "false");
    if (name == "byte") return "byte:" + std::to_string(v.b);
    if (name == "char") return "char:" + std::to_string(v.c);
    if (name == "short") return "short:" + std::to_string(v.s);
    if (name == "int") return "int:" + std::to_string(v.i);
    if (name == "long") return "long:" + std::to_string(v.j);
    if (name == "float") return "float:" + std::to_string(v.f);
    if (name == "double") return "double:" + std::to_string(v.d);
    return describe(v.l);
}

jobject ConvertTest::sample(const char *name)
{
    jstring text = env_->NewStringUTF(name);
    jobject value = env_->CallStaticObjectMethod(probe_, sample_, text);
    env_->DeleteLocalRef(text);
    if (env_->ExceptionCheck()) {
        env_->ExceptionDescribe();
        ADD_FAILURE() << "no sample " << name;
    }
    return value;
}

tavlin::JavaType ConvertTest::parameter(const char *name)
{
    static const char *const kPrimitives[] = {"boolean", "byte", "char", "short", "int", "long", "float", "double"};
    for (const char *primitive : kPrimitives)
        if (std::strcmp(name, primitive) == 0) return tavlin::JavaType{name, nullptr};
    jclass klass = env_->FindClass(name);
    if (!klass) env_->ExceptionClear();  // a name the test makes up on purpose
    return tavlin::JavaType{name, klass};
}

// JVMTI is taken up only by the tests that count: the test-only jvm.dll of the Windows
// builds refuses it, and the other tests run there too.
jvmtiEnv *ConvertTest::counting_jvmti()
{
    if (jvmti_) return jvmti_;
    JavaVM *vm = nullptr;
    jvmtiEnv *jvmti = nullptr;
    jvmtiCapabilities wanted = {};
    wanted.can_tag_objects = 1;
    jthread self = nullptr;
    if (env_->GetJavaVM(&vm) != JNI_OK || vm->GetEnv(reinterpret_cast<void **>(&jvmti), JVMTI_VERSION_1_2) != JNI_OK ||
        jvmti->AddCapabilities(&wanted) != JVMTI_ERROR_NONE || jvmti->GetCurrentThread(&self) != JVMTI_ERROR_NONE) {
        ADD_FAILURE() << "JVMTI is needed to count local references";
        return nullptr;
    }
    EXPECT_EQ(JVMTI_ERROR_NONE, jvmti->SetTag(self, kTestThreadTag));
    env_->DeleteLocalRef(self);
    return jvmti_ = jvmti;
}

int ConvertTest::local_refs()
{
    jvmtiEnv *jvmti = counting_jvmti();
    if (!jvmti) return -1;
    jvmtiHeapCallbacks callbacks = {};
    callbacks.heap_reference_callback = count_local_root;
    int count = 0;
    EXPECT_EQ(JVMTI_ERROR_NONE, jvmti->FollowReferences(0, nullptr, nullptr, &callbacks, &count));
    return count;
}

}  // namespace convert_test
