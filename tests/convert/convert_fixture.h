// What every conversion test starts from: a VM (with -Xcheck:jni) that sees the conversion
// fixtures, the Probe class that reports Java values as text, and a count of the JNI local
// references the test thread holds.
#pragma once

#include <gtest/gtest.h>
#include <jni.h>
#include <jvmti.h>

#include <string>

#include "convert/prepared_arguments.h"
#include "util/platform.h"

namespace convert_test {

class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    JNIEnv *env() const { return env_; }

    // Probe.describe: "java.lang.Integer:7", "[I{1,2,3}", "null", ... in ASCII.
    std::string describe(jobject value);
    // What a converted slot holds, in the same words: primitives as "int:7".
    std::string describe_slot(const tavlin::PreparedArguments &args, int index, const char *type_name);
    // Probe.sample(name): a new local reference.
    jobject sample(const char *name);
    // A parameter type as the invocation path hands it over: its slash-form name and, for
    // classes and arrays, the class (kept alive for the whole test).
    tavlin::JavaType parameter(const char *name);

    // JNI local references the test thread holds now (counted through JVMTI's roots).
    int local_refs();

private:
    jvmtiEnv *counting_jvmti();

    JNIEnv *env_ = nullptr;
    jclass probe_ = nullptr;
    jmethodID describe_ = nullptr;
    jmethodID sample_ = nullptr;
    jvmtiEnv *jvmti_ = nullptr;
    bool frame_pushed_ = false;
};

}  // namespace convert_test
