#include "javaref/java_exception.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "javaref/java_reflect.h"
#include "javaref/local_ref.h"
#include "util/debug_trace.h"
#include "util/text.h"

namespace tavlin {

namespace {

// A Java string read as UTF-16 (so characters outside the BMP and U+0000 survive), with a
// UTF-8 copy for the debugger output.
struct JavaText {
    OleString wide;
    bool read(JNIEnv *env, jstring text)
    {
        const jchar *chars = env->GetStringChars(text, nullptr);
        if (!chars) return false;
        wide.assign(reinterpret_cast<const OLECHAR *>(chars), static_cast<size_t>(env->GetStringLength(text)));
        env->ReleaseStringChars(text, chars);
        return true;
    }
    void trace() const { debug_trace(ole_to_utf8(wide.data(), wide.size()).c_str()); }
};

TavlinEx *error_from(const char *description, const char *source = nullptr)
{
    return new TavlinEx(description, source);
}

TavlinEx *error_from(const OleString &description, const OleString *source)
{
    return new TavlinEx(description.data(), description.size(), source ? source->data() : nullptr,
                        source ? source->size() : 0);
}

// `error` as made of a Java exception of the class `class_name`.
TavlinEx *from_java(const OleString &class_name, bool has_message, TavlinEx *error)
{
    error->set_java_origin(class_name, has_message);
    return error;
}

#define CAPTURE_STEP_FAILED(step) "Exception occurred within excpetion handling code (" step ")."

// The product exception's key, when `exception` is exactly of that class: the class that the
// reflection table holds, or before the table is filled the class of that name. A failure
// leaves the key absent, and whatever it raised is cleared: the exception was described.
bool read_product_key(JNIEnv *env, jobject exception, jclass exception_class, const OleString &class_name,
                      JavaText &key)
{
    static const OleString product_name = utf8_to_ole("varnexa.qz.api.QZException");
    const bool product = java_reflect.filled() ? java_reflect.qzexception_class &&
                                                     env->IsSameObject(exception_class, java_reflect.qzexception_class)
                                               : class_name == product_name;
    if (!product) return false;
    jmethodID get_key = env->GetMethodID(exception_class, "getKey", "()Ljava/lang/String;");
    CLocalRef key_ref(env, get_key ? env->CallObjectMethod(exception, get_key) : nullptr);
    const bool read = key_ref && !env->ExceptionCheck() && key.read(env, key_ref.as<jstring>());
    env->ExceptionClear();
    return read;
}

// The stack trace that Java would print for `exception`, sent to the debugger output. The
// process's standard error belongs to the client (a script's console, a service's log), so
// the bridge never prints there. A trace that cannot be had is left out.
void trace_stack(JNIEnv *env, jthrowable exception)
{
    if (!debug_trace_wanted()) return;
    const auto failed = [env] { return env->ExceptionCheck() ? (env->ExceptionClear(), true) : false; };
    // new PrintWriter(new StringWriter()) for exception.printStackTrace, then the writer's text.
    CLocalRef writer_class(env, env->FindClass("java/io/StringWriter"));
    if (failed()) return;
    jmethodID new_writer = env->GetMethodID(writer_class.as<jclass>(), "<init>", "()V");
    if (failed()) return;
    jmethodID writer_text = env->GetMethodID(writer_class.as<jclass>(), "toString", "()Ljava/lang/String;");
    if (failed()) return;
    CLocalRef writer(env, env->NewObject(writer_class.as<jclass>(), new_writer));
    if (failed()) return;
    CLocalRef printer_class(env, env->FindClass("java/io/PrintWriter"));
    if (failed()) return;
    jmethodID new_printer = env->GetMethodID(printer_class.as<jclass>(), "<init>", "(Ljava/io/Writer;)V");
    if (failed()) return;
    CLocalRef printer(env, env->NewObject(printer_class.as<jclass>(), new_printer, writer.get()));
    if (failed()) return;
    CLocalRef throwable_class(env, env->GetObjectClass(exception));
    jmethodID print = env->GetMethodID(throwable_class.as<jclass>(), "printStackTrace", "(Ljava/io/PrintWriter;)V");
    if (failed()) return;
    env->CallVoidMethod(exception, print, printer.get());
    if (failed()) return;
    CLocalRef text(env, env->CallObjectMethod(writer.get(), writer_text));
    if (failed()) return;
    JavaText trace;
    if (text && trace.read(env, text.as<jstring>())) trace.trace();
}

// The VirtualMachineErrors of the Java platform.
bool is_virtual_machine_error(const OleString &class_name)
{
    static const OleString names[] = {utf8_to_ole("java.lang.StackOverflowError"),
                                      utf8_to_ole("java.lang.OutOfMemoryError"), utf8_to_ole("java.lang.InternalError"),
                                      utf8_to_ole("java.lang.UnknownError")};
    return std::find(std::begin(names), std::end(names), class_name) != std::end(names);
}

// See take_undescribed_exception: a global reference, or null.
thread_local jobject undescribed = nullptr;

void keep_undescribed(JNIEnv *env, jobject exception)
{
    if (undescribed) env->DeleteGlobalRef(undescribed);
    undescribed = exception ? env->NewGlobalRef(exception) : nullptr;
}

// Reads class name, message and key of a described (no longer pending) exception.
TavlinEx *describe_exception(JNIEnv *env, jobject exception)
{
    CLocalRef exception_class(env, env->GetObjectClass(exception));
    if (env->ExceptionCheck()) return error_from(CAPTURE_STEP_FAILED("GetObjectClass"));
    if (!exception_class) return error_from("Exception occurred - but no exception class can be obtained");

    CLocalRef class_class(env, env->FindClass("java/lang/Class"));
    if (env->ExceptionCheck()) return error_from(CAPTURE_STEP_FAILED("FindClass java.lang.Class"));
    jmethodID get_name = env->GetMethodID(class_class.as<jclass>(), "getName", "()Ljava/lang/String;");
    if (env->ExceptionCheck()) return error_from(CAPTURE_STEP_FAILED("GetMethodID Class.getName"));
    CLocalRef class_name(env, env->CallObjectMethod(exception_class.get(), get_name));
    if (env->ExceptionCheck()) return error_from(CAPTURE_STEP_FAILED("CallObjectMethod Class.getName"));
    JavaText name;
    if (!class_name || !name.read(env, class_name.as<jstring>()) || env->ExceptionCheck())
        return error_from(CAPTURE_STEP_FAILED("GetStringUTFChars"));
    name.trace();

    jmethodID get_message = env->GetMethodID(exception_class.as<jclass>(), "getMessage", "()Ljava/lang/String;");
    if (env->ExceptionCheck()) return error_from(CAPTURE_STEP_FAILED("GetMethodID Exception.getMessage"));
    static const OleString no_method_id = utf8_to_ole("Exception occurred - but no getMessage methodId");
    if (!get_message) return from_java(name.wide, false, error_from(name.wide, &no_method_id));

    CLocalRef message_ref(env, env->CallObjectMethod(exception, get_message));
    if (env->ExceptionCheck()) return error_from(CAPTURE_STEP_FAILED("CallObjectMethod Exception.getMessage"));
    static const OleString no_message = utf8_to_ole("Exception occurred - no exception message");
    if (!message_ref) return from_java(name.wide, false, error_from(name.wide, &no_message));
    JavaText message;
    if (!message.read(env, message_ref.as<jstring>()) || env->ExceptionCheck())
        return error_from(CAPTURE_STEP_FAILED("GetStringUTFChars Exception message"));
    message.trace();

    JavaText key;
    bool has_key = read_product_key(env, exception, exception_class.as<jclass>(), name.wide, key);
    return from_java(name.wide, true, error_from(message.wide, has_key ? &key.wide : nullptr));
}

}  // namespace

void TavlinEx::check_exception(JNIEnv *env)
{
    jthrowable pending = env->ExceptionOccurred();
    if (!pending) return;
    CLocalRef exception(env, pending);
    env->ExceptionClear();
    trace_stack(env, exception.as<jthrowable>());
    TavlinEx *error = describe_exception(env, exception.get());
    const bool described = !env->ExceptionCheck();
    env->ExceptionClear();  // what describing itself raised
    keep_undescribed(env, described ? nullptr : exception.get());
    if (!described || is_virtual_machine_error(error->java_class())) error->set_ends_the_call();
    throw error;
}

jthrowable take_undescribed_exception(JNIEnv *env)
{
    if (!undescribed) return nullptr;
    jthrowable local = static_cast<jthrowable>(env->NewLocalRef(undescribed));
    keep_undescribed(env, nullptr);
    return local;
}

}  // namespace tavlin
