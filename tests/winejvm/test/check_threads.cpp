// Many CreateThread threads attaching, working and detaching at once, round after round.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "checks.h"
#include "owned_handle.h"

namespace winejvm_test {
namespace {

constexpr int rounds = 20;
constexpr int threads_per_round = 8;
constexpr int steps_per_thread = 100;

// Runs `body` on a new CreateThread thread attached to the VM under `name`; the thread's
// verdict is "" when all went well.
struct Job {
  JavaVM* vm;
  std::string name;
  bool daemon;
  std::function<std::string(JNIEnv*)> body;
  std::string problem;
};

std::string attached_run(Job& job) {
  JavaVMAttachArgs attach_args{JNI_VERSION_1_2, const_cast<char*>(job.name.c_str()), nullptr};
  JNIEnv* env = nullptr;
  const jint attached = job.daemon ? job.vm->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), &attach_args)
                                   : job.vm->AttachCurrentThread(reinterpret_cast<void**>(&env), &attach_args);
  if (attached != JNI_OK) return "attaching gave " + std::to_string(attached);
  JNIEnv* current = nullptr;
  std::string problem;
  if (job.vm->GetEnv(reinterpret_cast<void**>(&current), JNI_VERSION_1_2) != JNI_OK || current != env) {
    problem = "GetEnv did not give the attached JNIEnv; ";
  }
  problem += job.body(env);
  if (job.vm->DetachCurrentThread() != JNI_OK) return problem + "DetachCurrentThread failed";
  if (job.vm->GetEnv(reinterpret_cast<void**>(&current), JNI_VERSION_1_2) != JNI_EDETACHED) {
    problem += "GetEnv after detaching did not answer JNI_EDETACHED";
  }
  return problem;
}

DWORD WINAPI run_job(void* parameter) {
  Job& job = *static_cast<Job*>(parameter);
  job.problem = attached_run(job);
  return 0;
}

// All jobs at once, each on its own thread; the first problem, or "".
std::string run_concurrently(std::vector<Job>& jobs) {
  std::vector<OwnedHandle> threads;
  for (Job& job : jobs) {
    threads.emplace_back(CreateThread(nullptr, 0, run_job, &job, 0, nullptr));
    if (!threads.back().get()) return "CreateThread failed";
  }
  for (const OwnedHandle& thread : threads) WaitForSingleObject(thread.get(), INFINITE);
  for (const Job& job : jobs) {
    if (!job.problem.empty()) return job.name + ": " + job.problem;
  }
  return {};
}

class ThreadChecks {
 public:
  explicit ThreadChecks(Context& context) : report_(context.report), vm_(context.vm), env_(context.env) {
    // Global references made on the main thread and used on all the others.
    work_ = global_class("winejvm/Work");
    failures_ = global_class("winejvm/Failures");
    step_ = env_->GetStaticMethodID(work_, "step", "(IJD)J");
    calls_ = env_->GetStaticMethodID(work_, "calls", "()J");
    fail_ = env_->GetStaticMethodID(failures_, "fail", "(Ljava/lang/String;)V");
    bottomless_ = env_->GetStaticMethodID(failures_, "bottomless", "(I)I");
  }

  void attach_work_detach() {
    for (int round = 1; round <= rounds; ++round) {
      std::vector<Job> jobs;
      for (int index = 0; index < threads_per_round; ++index) {
        jobs.push_back({vm_,
                        "worker " + std::to_string(index),
                        index == 0,
                        [this, index](JNIEnv* env) { return work(env, index); },
                        {}});
      }
      const std::string problem = run_concurrently(jobs);
      report_.check("round " + std::to_string(round) + ": " + std::to_string(threads_per_round) +
                        " threads attach, work and detach at once",
                    problem.empty(), problem);
    }
    const jlong calls = env_->functions->CallStaticLongMethod(env_, work_, calls_);
    report_.equal("every call of every thread reached Java", std::to_string(calls) + take_exception(env_),
                  std::to_string(rounds * threads_per_round * steps_per_thread));
  }

  void stack_overflow_on_a_thread() {
    std::vector<Job> jobs{{vm_,
                           "recursion",
                           false,
                           [this](JNIEnv* env) {
                             env->functions->CallStaticIntMethod(env, failures_, bottomless_, 0);
                             const std::string thrown = take_exception(env);
                             return thrown.rfind("java.lang.StackOverflowError", 0) == 0 ? ""
                                                                                         : "threw '" + thrown + "'";
                           },
                           {}}};
    const std::string problem = run_concurrently(jobs);
    report_.check("endless recursion on a CreateThread thread ends in StackOverflowError", problem.empty(), problem);
  }

 private:
  jclass global_class(const char* name) {
    const jclass local = env_->FindClass(name);
    const auto global = static_cast<jclass>(env_->NewGlobalRef(local));
    env_->DeleteLocalRef(local);
    return global;
  }

  // Calls with every kind of argument slot, a string both ways and a Java exception.
  std::string work(JNIEnv* env, int index) {
    jlong total = 0;
    for (int k = 0; k < steps_per_thread && !env->ExceptionCheck(); ++k) {
      total = env->functions->CallStaticLongMethod(env, work_, step_, index, total, 1.0);
    }
    std::string problem = take_exception(env);
    if (total != jlong{steps_per_thread} * (index + 1)) problem += "total " + std::to_string(total) + "; ";
    const std::string text = "thread " + std::to_string(index) + " \xC3\xA4";
    const jstring java_text = env->NewStringUTF(text.c_str());
    if (text_of(env, java_text) != text) problem += "string round trip; ";
    env->functions->CallStaticVoidMethod(env, failures_, fail_, java_text);
    if (take_exception(env).empty()) problem += "no exception from Failures.fail; ";
    env->DeleteLocalRef(java_text);
    return problem;
  }

  Report& report_;
  JavaVM* vm_;
  JNIEnv* env_;
  jclass work_;
  jclass failures_;
  jmethodID step_;
  jmethodID calls_;
  jmethodID fail_;
  jmethodID bottomless_;
};

}  // namespace

void check_threads(Context& context) {
  ThreadChecks checks(context);
  checks.attach_work_detach();
  checks.stack_overflow_on_a_thread();
}

}  // namespace winejvm_test
