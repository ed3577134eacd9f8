#include "convert_fixture.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "javaref/java_reflect.h"
#include "test_process.h"
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
    setenv("TZ", "Europe/Berlin", 1);
    std::string classpath = tavlin_test::fixtures_jar() + ":" + TAVLIN_CONVERT_FIXTURES_JAR;
    setenv("CLASSPATH", classpath.c_str(), 1);

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

    JavaVM *vm = nullptr;
    ASSERT_EQ(JNI_OK, env_->GetJavaVM(&vm));
    ASSERT_EQ(JNI_OK, vm->GetEnv(reinterpret_cast<void **>(&jvmti_), JVMTI_VERSION_1_2));
    jvmtiCapabilities wanted = {};
    wanted.can_tag_objects = 1;
    ASSERT_EQ(JVMTI_ERROR_NONE, jvmti_->AddCapabilities(&wanted));
    jthread self = nullptr;
    ASSERT_EQ(JVMTI_ERROR_NONE, jvmti_->GetCurrentThread(&self));
    ASSERT_EQ(JVMTI_ERROR_NONE, jvmti_->SetTag(self, kTestThreadTag));
    env_->DeleteLocalRef(self);
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

int ConvertTest::local_refs()
{
    jvmtiHeapCallbacks callbacks = {};
    callbacks.heap_reference_callback = count_local_root;
    int count = 0;
    EXPECT_EQ(JVMTI_ERROR_NONE, jvmti_->FollowReferences(0, nullptr, nullptr, &callbacks, &count));
    return count;
}

}  // namespace convert_test
