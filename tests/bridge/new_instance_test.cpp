// newInstance, seen from a client: the proxy it returns and every way it fails.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "bridge/proxy/proxy.h"
#include "client.h"
#include "com/module_lock.h"
#include "debug_output.h"
#include "javaref/local_ref.h"
#include "test_names.h"
#include "test_process.h"
#include "vmhost/vm.h"

using namespace tavlin;
using namespace tavlin_test;

namespace {

const HRESULT kFailed = static_cast<HRESULT>(0xFFFFFFFF);

CProxy *proxy_behind(IDispatch *dispatch)
{
    ComPtr<IProxy> proxy;
    if (FAILED(dispatch->QueryInterface(IID_IProxy, proxy.put_void()))) return nullptr;
    return static_cast<CProxy *>(proxy.get());
}

bool traced(const DebugOutput &output, const std::string &text)
{
    for (const std::string &line : output.lines())
        if (line.find(text) != std::string::npos) return true;
    return false;
}

class NewInstance : public ::testing::Test {
protected:
    void SetUp() override { use_standard_vm_setup(); }
};

}  // namespace

TEST_F(NewInstance, DottedAndSlashNamesGiveTheSameClass)
{
    for (const char *name : {"java.util.Date", "java/util/Date"}) {
        ComPtr<IDispatch> proxy = make(name);
        ASSERT_TRUE(proxy) << name;
        EXPECT_EQ("java/util/Date", proxy_behind(proxy.get())->class_name());
    }
}

TEST_F(NewInstance, StringIsWrappedInAProxyToo)
{
    ComPtr<IDispatch> proxy = make("java.lang.String");
    ASSERT_TRUE(proxy);
    CallResult length = call(proxy.get(), "length");
    EXPECT_EQ(S_OK, length.hr);
    EXPECT_EQ(VT_I4, length.value.type());
    EXPECT_EQ(0, length.value->lVal);
}

TEST_F(NewInstance, EmptyOrNullNameFailsButStartsTheVm)
{
    ComPtr<ITavlinUtil> util = create_util();
    ASSERT_TRUE(util);
    IDispatch *sentinel = reinterpret_cast<IDispatch *>(0x1234);
    IDispatch *out = sentinel;
    EXPECT_EQ(kFailed, util->newInstance(nullptr, &out));
    EXPECT_EQ(sentinel, out) << "the out-pointer stays as the caller passed it";
    EXPECT_NE(nullptr, java_vm());
    ScopedBstr empty(OLESTR(""));
    EXPECT_EQ(kFailed, util->newInstance(empty.get(), &out));
    EXPECT_EQ(sentinel, out);
}

struct FailureRow {
    const char *name;
    const char *class_name;
    const char *traced_text;
};

class NewInstanceFailures : public NewInstance, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(NewInstanceFailures, ReturnAllBitsSetAndTraceTheJavaError)
{
    DebugOutput output;
    ComPtr<IDispatch> proxy;
    EXPECT_EQ(kFailed, new_instance(GetParam().class_name, proxy));
    EXPECT_FALSE(proxy);
    EXPECT_TRUE(traced(output, GetParam().traced_text)) << GetParam().class_name;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NewInstanceFailures,
    ::testing::Values(FailureRow{"NoConstructorWithoutArguments", "java.lang.Integer", "java.lang.NoSuchMethodError"},
                      FailureRow{"AbstractClass", "java.util.AbstractList", "java.lang.InstantiationException"},
                      FailureRow{"Interface", "java.util.List", "java.lang.NoSuchMethodError"},
                      FailureRow{"ConstructorThrows", "fixtures.FailingConstructor", "constructor failed"},
                      FailureRow{"MissingClassTracesTheError", "no.such.Clazz", "java.lang.NoClassDefFoundError"},
                      FailureRow{"MissingClassTracesItsName", "no.such.Clazz", "no/such/Clazz"}),
    test_names::by_field<&FailureRow::name>);

TEST_F(NewInstance, ProxyHoldsOneReferenceAndGivesEverythingBack)
{
    LONG locks_before = module_lock_count();
    ComPtr<IDispatch> proxy = make("java.util.ArrayList");
    ASSERT_TRUE(proxy);
    EXPECT_EQ(locks_before + 1, module_lock_count());
    EXPECT_EQ(2u, proxy->AddRef());
    EXPECT_EQ(1u, proxy->Release());

    CThreadAttach attach;
    JNIEnv *env = attach.env();
    jweak watch = env->NewWeakGlobalRef(proxy_behind(proxy.get())->java_object());
    proxy.reset();
    EXPECT_EQ(locks_before, module_lock_count());
    jclass system = env->FindClass("java/lang/System");
    jmethodID gc = env->GetStaticMethodID(system, "gc", "()V");
    for (int i = 0; i < 5 && !env->IsSameObject(watch, nullptr); ++i) env->CallStaticVoidMethod(system, gc);
    EXPECT_TRUE(env->IsSameObject(watch, nullptr)) << "the proxy's global reference was released";
    env->DeleteWeakGlobalRef(watch);
}

// A thread that the host attached keeps its environment through the bridge's calls: the
// bridge never detaches what it did not attach.
TEST_F(NewInstance, AHostsThreadKeepsItsEnvironment)
{
    make("java.util.ArrayList");  // starts the VM
    std::thread([] {
        JNIEnv *own = nullptr;
        java_vm()->AttachCurrentThread(reinterpret_cast<void **>(&own), nullptr);
        JNIEnv *env = nullptr;
        ComPtr<IDispatch> failed;
        EXPECT_EQ(kFailed, new_instance("no.such.Clazz", failed));
        ASSERT_EQ(JNI_OK, java_vm()->GetEnv(reinterpret_cast<void **>(&env), JNI_VERSION_1_2));
        EXPECT_EQ(own, env);
        ComPtr<IDispatch> list = make("java.util.ArrayList");
        EXPECT_EQ(S_OK, call(list.get(), "size").hr);
        ASSERT_EQ(JNI_OK, java_vm()->GetEnv(reinterpret_cast<void **>(&env), JNI_VERSION_1_2));
        EXPECT_EQ(own, env);
        list.reset();
        java_vm()->DetachCurrentThread();
    }).join();
}

// Java code that calls native code that uses the bridge: the thread has Java frames below
// the call, so it must never be detached under them.
jint JNICALL new_instance_from_java(JNIEnv *env, jclass, jstring class_name)
{
    const char *chars = env->GetStringUTFChars(class_name, nullptr);
    ComPtr<IDispatch> object;
    HRESULT hr = new_instance(chars, object);
    env->ReleaseStringUTFChars(class_name, chars);
    if (FAILED(hr)) return hr;
    CallResult size = call(object.get(), "size");
    return size.hr == S_OK && size.value->lVal == 0 ? S_OK : E_FAIL;
}

TEST_F(NewInstance, WorksFromInsideAJavaNativeMethod)
{
    make("java.util.ArrayList");  // starts the VM
    JNIEnv *env = get_env();
    CLocalRef caller(env, env->FindClass("fixtures/NativeCaller"));
    ASSERT_TRUE(caller) << "fixtures on the class path";
    JNINativeMethod native = {const_cast<char *>("fromJava"), const_cast<char *>("(Ljava/lang/String;)I"),
                              reinterpret_cast<void *>(&new_instance_from_java)};
    ASSERT_EQ(JNI_OK, env->RegisterNatives(caller.as<jclass>(), &native, 1));
    jmethodID call_method = env->GetStaticMethodID(caller.as<jclass>(), "call", "(Ljava/lang/String;)I");
    CLocalRef name(env, env->NewStringUTF("java.util.ArrayList"));
    EXPECT_EQ(S_OK, env->CallStaticIntMethod(caller.as<jclass>(), call_method, name.get()));
    EXPECT_FALSE(env->ExceptionCheck());
    JNIEnv *after = nullptr;
    EXPECT_EQ(JNI_OK, java_vm()->GetEnv(reinterpret_cast<void **>(&after), JNI_VERSION_1_2));
}

TEST_F(NewInstance, NullOutPointerIsRefused)
{
    ComPtr<ITavlinUtil> util = create_util();
    ScopedBstr name(OLESTR("java.util.ArrayList"));
    EXPECT_EQ(E_POINTER, util->newInstance(name.get(), nullptr));
}
