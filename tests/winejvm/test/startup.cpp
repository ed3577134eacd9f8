#include "startup.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "vm_output.h"

namespace winejvm_test {
namespace {

// Asks HotSpot to print the flags it runs with once the options are parsed, which it does
// through the hook.
const char* const printing_option = "-XX:+PrintCommandLineFlags";
// Gone since Java 8: the VM must skip it, as the start-up arguments ask.
const char* const unknown_option = "-XX:MaxPermSize=64m";
// Not a path option: its Windows-looking value must reach the VM untouched.
const char* const verbatim_option = "-Dwinejvm.verbatim=C:\\kept\\as;is";

// The GC's log, in a file: HotSpot hands every line it prints to the hook, the file's too.
std::string gc_log_option(const Settings& settings) {
  return "-Xlog:gc:file=" + settings.expected_tmpdir + "/winejvm-gc.log";
}

struct StartupOption {
  std::string given;   // "" for one that jvm.dll adds
  std::string listed;  // as RuntimeMXBean.getInputArguments lists it; "" for not at all
};

// A typical host's options with a Windows class path and temporary folder, each of which the
// VM must see as Unix paths, and with everything else untouched and in order; jvm.dll adds
// its own "exit" and "abort" hooks. The output hook comes early because HotSpot only sends
// output to it from the option on.
std::vector<StartupOption> startup_options(const Settings& settings) {
  return {{"-Djava.class.path=" + settings.class_path, ""},  // HotSpot does not list it
          {"vfprintf", "vfprintf"},
          {"-Xmx256m", "-Xmx256m"},
          {"-Xrs", "-Xrs"},
          {unknown_option, unknown_option},
          {printing_option, printing_option},
          {"-Djava.io.tmpdir=" + settings.tmpdir, "-Djava.io.tmpdir=" + settings.expected_tmpdir},
          {verbatim_option, verbatim_option},
          {"-Xcheck:jni", "-Xcheck:jni"},
          {gc_log_option(settings), gc_log_option(settings)},
          {"", "exit"},
          {"", "abort"}};
}

std::string expected_input_arguments(const Settings& settings) {
  std::string expected;
  for (const StartupOption& option : startup_options(settings)) {
    if (!option.listed.empty()) expected += (expected.empty() ? "" : "\n") + option.listed;
  }
  return expected;
}

std::string call_static_string(JNIEnv* env, const char* class_name, const char* method, const char* signature,
                               const char* argument = nullptr) {
  const jclass owner = env->FindClass(class_name);
  const jmethodID id = env->GetStaticMethodID(owner, method, signature);
  const jstring java_argument = argument ? env->NewStringUTF(argument) : nullptr;
  const jobject result = env->functions->CallStaticObjectMethod(env, owner, id, java_argument);
  const std::string text = returned_text(env, result);
  env->DeleteLocalRef(result);
  env->DeleteLocalRef(java_argument);
  env->DeleteLocalRef(owner);
  return text;
}

std::string property(JNIEnv* env, const char* name) {
  return call_static_string(env, "winejvm/Startup", "property", "(Ljava/lang/String;)Ljava/lang/String;", name);
}

jlong JNICALL never_registered(JNIEnv*, jclass, jlong, jint, jdouble) { return 0; }

}  // namespace

std::optional<Settings> parse_settings(int argc, char** argv) {
  std::map<std::string, std::string> values;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const std::string::size_type equals = argument.find('=');
    if (argument.rfind("--", 0) != 0 || equals == std::string::npos) return std::nullopt;
    values[argument.substr(2, equals - 2)] = argument.substr(equals + 1);
  }
  Settings settings;
  if (values.count("child")) {
    settings.child = values["child"];
    return settings;
  }
  for (const char* name : {"class-path", "expect-class-path", "tmpdir", "expect-tmpdir"}) {
    if (!values.count(name)) return std::nullopt;
  }
  settings.class_path = values["class-path"];
  settings.expected_class_path = values["expect-class-path"];
  settings.tmpdir = values["tmpdir"];
  settings.expected_tmpdir = values["expect-tmpdir"];
  return settings;
}

std::optional<Context> start_vm(Report& report, const JavaRuntime& runtime, const Settings& settings) {
  JavaVMInitArgs defaults{};
  defaults.version = JNI_VERSION_1_8;
  report.equal("JNI_GetDefaultJavaVMInitArgs accepts JNI 1.8", runtime.get_default_java_vm_init_args(&defaults),
               jint{JNI_OK});
  JavaVM* none = nullptr;
  jsize count = -1;
  runtime.get_created_java_vms(&none, 1, &count);
  report.equal("JNI_GetCreatedJavaVMs finds no VM before one is created", count, jsize{0});

  const std::vector<StartupOption> given = startup_options(settings);
  std::vector<JavaVMOption> options;
  for (const StartupOption& option : given) {
    if (option.given.empty()) continue;
    const bool hook = option.given == "vfprintf";
    options.push_back(
        {const_cast<char*>(option.given.c_str()), hook ? reinterpret_cast<void*>(&capture_vm_output) : nullptr});
  }
  JavaVMInitArgs args{JNI_VERSION_1_2, static_cast<jint>(options.size()), options.data(), JNI_TRUE};
  JavaVM* vm = nullptr;
  JNIEnv* env = nullptr;
  const jint status = runtime.create_java_vm(&vm, reinterpret_cast<void**>(&env), &args);
  report.equal("JNI_CreateJavaVM creates the VM", status, jint{JNI_OK});
  if (status != JNI_OK) return std::nullopt;
  return Context{report, vm, env};
}

void check_startup(Context& context, const JavaRuntime& runtime, const Settings& settings) {
  Report& report = context.report;
  JNIEnv* env = context.env;
  report.check("GetVersion reports JNI 1.8 or later", env->GetVersion() >= JNI_VERSION_1_8);
  report.equal("the VM is the machine's Linux VM", property(env, "os.name"), std::string("Linux"));
  report.equal("java.class.path: Windows entries became Unix paths, in order", property(env, "java.class.path"),
               settings.expected_class_path);
  report.equal("java.io.tmpdir became a Unix path", property(env, "java.io.tmpdir"), settings.expected_tmpdir);
  report.equal("options reach the VM in order, others verbatim",
               call_static_string(env, "winejvm/Startup", "inputArguments", "()Ljava/lang/String;"),
               expected_input_arguments(settings));
  report.check("the vfprintf hook receives the VM's output",
               captured_vm_output().find(printing_option) != std::string::npos, captured_vm_output());

  JavaVM* found = nullptr;
  jsize count = 0;
  runtime.get_created_java_vms(&found, 1, &count);
  report.check("JNI_GetCreatedJavaVMs finds the created VM", count == 1 && found == context.vm);
  JavaVM* owner = nullptr;
  report.check("GetJavaVM gives the same VM", env->GetJavaVM(&owner) == JNI_OK && owner == context.vm);

  void* tool_interface = &owner;
  const jint tool_status = context.vm->GetEnv(&tool_interface, 0x30010200 /* JVMTI 1.2 */);
  report.check("GetEnv refuses JVMTI with JNI_EVERSION", tool_status == JNI_EVERSION && !tool_interface);

  const jclass calls = env->FindClass("winejvm/Calls");
  JNINativeMethod native{const_cast<char*>("accumulate"), const_cast<char*>("(JID)J"),
                         reinterpret_cast<void*>(&never_registered)};
  const jint native_status = env->RegisterNatives(calls, &native, 1);
  const std::string exception = take_exception(env);
  report.check("RegisterNatives refuses a native with a double parameter, nothing thrown",
               native_status < 0 && exception.empty(), exception);
  env->DeleteLocalRef(calls);
}

void check_output_threads(Context& context, const Settings& settings) {
  JNIEnv* env = context.env;
  const jclass system = env->FindClass("java/lang/System");
  const jmethodID gc = env->GetStaticMethodID(system, "gc", "()V");
  env->functions->CallStaticVoidMethod(env, system, gc);
  const std::string exception = take_exception(env);
  env->DeleteLocalRef(system);
  const std::string hooked = captured_vm_output();
  std::ifstream log_file(settings.tmpdir + "\\winejvm-gc.log");
  const std::string logged{std::istreambuf_iterator<char>(log_file), std::istreambuf_iterator<char>()};
  const auto has = [](const std::string& text, const char* part) { return text.find(part) != std::string::npos; };
  context.report.check("the GC's start-up line, printed on the creating thread, goes to the vfprintf hook",
                       has(hooked, "[gc] Using ") && !has(logged, "Using "), logged);
  context.report.check("the GC's line for System.gc, printed on the VM thread, goes to the log file",
                       exception.empty() && has(logged, "Pause Full") && !has(hooked, "Pause Full"),
                       exception + logged);
}

void check_checked_jni(Context& context) {
  JNIEnv* env = context.env;
  const char* const warning = "WARNING in native method";
  const std::string before = captured_vm_output();
  const std::string::size_type first = before.find(warning);
  context.report.check("-Xcheck:jni found nothing to report", first == std::string::npos,
                       first == std::string::npos ? "" : before.substr(first, 300));

  // A call that may throw, followed by another call without an exception check.
  const jclass calls = env->FindClass("winejvm/Calls");
  const jmethodID accumulate = env->GetStaticMethodID(calls, "accumulate", "(JID)J");
  env->functions->CallStaticLongMethod(env, calls, accumulate, jlong{1}, jint{2}, 3.0);
  const jclass unchecked = env->FindClass("java/lang/String");
  take_exception(env);
  context.report.check("-Xcheck:jni reports a missing exception check through the vfprintf hook",
                       captured_vm_output().find(warning, before.size()) != std::string::npos);
  env->DeleteLocalRef(unchecked);
  env->DeleteLocalRef(calls);
}

}  // namespace winejvm_test
