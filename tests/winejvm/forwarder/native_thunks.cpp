#include "native_thunks.h"

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <utility>

#include "abi.h"
#include "method_signatures.h"
#include "windows_env.h"

namespace winejvm {
namespace {

constexpr std::size_t kSlots = 32;
// The JNIEnv included: the class or object and up to eight words of arguments.
constexpr std::size_t kMaxWords = 10;
constexpr std::size_t kMaxArgumentWords = kMaxWords - 1;

using Word = std::uintptr_t;
#if defined(__x86_64__)
using Result = std::uintptr_t;
constexpr std::size_t kWordsOfLong = 1;
#else
// edx:eax in both conventions: a jlong result fills both, any other leaves edx unread.
using Result = std::uint64_t;
constexpr std::size_t kWordsOfLong = 2;
#endif

struct Slot {
  void* windows_function = nullptr;
  std::size_t words = 0;              // after the JNIEnv
  std::uint32_t reference_words = 0;  // bit i: argument word i is a reference
  bool returns_reference = false;
};

// Filled under the lock by RegisterNatives, before the VM can call the natives registered;
// read without it by the thunks.
std::mutex slots_lock;
std::array<Slot, kSlots> slots;
std::size_t slots_used = 0;

Result call_on_windows_thread(std::size_t slot_index, JNIEnv* env, const Word* words);

template <std::size_t>
using WordAt = Word;

// The Linux-convention entry of one slot for a native of sizeof...(Index) argument words.
template <std::size_t SlotIndex, std::size_t... Index>
Result reverse_call(JNIEnv* real, WordAt<Index>... words) {
  if (!is_windows_thread()) {
    const Word given[] = {words..., 0};
    return call_on_windows_thread(SlotIndex, real, given);
  }
  using Native = Result(WIN_JNICALL*)(JNIEnv*, WordAt<Index>...);
  return reinterpret_cast<Native>(slots[SlotIndex].windows_function)(windows_env_for(real), words...);
}

template <std::size_t SlotIndex, std::size_t... Index>
void* entry_of(std::index_sequence<Index...>) {
  return reinterpret_cast<void*>(&reverse_call<SlotIndex, Index...>);
}

template <std::size_t Words, std::size_t... SlotIndex>
std::array<void*, kSlots> entries_of_words(std::index_sequence<SlotIndex...>) {
  return {entry_of<SlotIndex>(std::make_index_sequence<Words>())...};
}

template <std::size_t... Words>
std::array<std::array<void*, kSlots>, sizeof...(Words)> entry_table(std::index_sequence<Words...>) {
  return {entries_of_words<Words>(std::make_index_sequence<kSlots>())...};
}

// entries()[argument words][slot]
const std::array<std::array<void*, kSlots>, kMaxWords>& entries() {
  static const auto table = entry_table(std::make_index_sequence<kMaxWords>());
  return table;
}

void* entry(std::size_t slot_index) { return entries()[slots[slot_index].words][slot_index]; }

// The slot's shape from a method descriptor, or false when a type is not of integer class or
// the words are too many.
bool shape_of(const char* signature, Slot& slot) {
  const char* end = signature ? std::strchr(signature, ')') : nullptr;
  if (!end || end[1] == 'F' || end[1] == 'D') return false;
  slot.returns_reference = end[1] == 'L' || end[1] == '[';
  slot.words = 1;  // the class of a static method, or the object
  slot.reference_words = 1;
  for (const char code : parameter_codes(signature)) {
    if (code == 'F' || code == 'D') return false;
    if (code == 'L') slot.reference_words |= 1u << slot.words;
    slot.words += code == 'J' ? kWordsOfLong : 1;
    if (slot.words > kMaxArgumentWords) return false;
  }
  return true;
}

// --- natives called on the VM's own threads -----------------------------------------------

struct Job {
  std::size_t slot_index = 0;
  Word words[kMaxArgumentWords] = {};
  Result result = 0;
  jobject exception = nullptr;  // a global reference
  bool done = false;
};

// The Windows threads that run natives called on the VM's own threads, one job each at a time.
// A native may be held for long (a script's callback waits for the script's apartment, which
// may wait for another Java thread's native), so one thread always stands idle for the next
// job: the thread that takes the last idle place starts another (a Windows thread can; the
// VM's threads, unknown to Wine, cannot).
class WindowsCaller {
 public:
  // On the Windows thread that registers natives: the first thread to run them.
  void start(JavaVM* vm) {
    std::call_once(started_, [&] {
      std::lock_guard guard(lock_);
      vm_ = vm;
      start_server();
    });
  }

  // False when there is no thread to run the job on.
  [[gnu::noinline]] bool run(Job& job) {
    std::unique_lock guard(lock_);
    if (servers_ == 0) return false;
    queue_.push_back(&job);
    changed_.notify_all();
    changed_.wait(guard, [&] { return job.done || servers_ == 0; });
    if (!job.done) queue_.erase(std::find(queue_.begin(), queue_.end(), &job));
    return job.done;
  }

 private:
  static DWORD WINAPI thread_main(void* self) {
    static_cast<WindowsCaller*>(self)->serve();
    return 0;
  }

  // Under the lock.
  void start_server() {
    const HANDLE thread = CreateThread(nullptr, 0, thread_main, this, 0, nullptr);
    if (!thread) {
      std::fprintf(stderr, "jvm.dll forwarder: no Windows thread for natives called on Java threads: error %lu\n",
                   static_cast<unsigned long>(GetLastError()));
      return;
    }
    CloseHandle(thread);
    ++servers_;
    ++idle_;
  }

  [[gnu::noinline]] void serve() {
    mark_windows_thread();
    JNIEnv* env = nullptr;
    JavaVMAttachArgs args{JNI_VERSION_1_6, const_cast<char*>("jvm.dll forwarder natives"), nullptr};
    const bool attached = vm_->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), &args) == JNI_OK;
    std::unique_lock guard(lock_);
    if (!attached) {
      --servers_;
      --idle_;
      changed_.notify_all();
      return;
    }
    for (;;) {
      changed_.wait(guard, [&] { return !queue_.empty(); });
      Job& job = *queue_.front();
      queue_.pop_front();
      if (--idle_ == 0) start_server();
      guard.unlock();
      perform(env, job);
      guard.lock();
      job.done = true;
      ++idle_;
      changed_.notify_all();
    }
  }

  // The native's local references end with a frame of their own: this thread never returns
  // to Java, where they would otherwise be freed.
  static void perform(JNIEnv* env, Job& job) {
    using AnyEntry = Result (*)(JNIEnv*, Word, Word, Word, Word, Word, Word, Word, Word, Word);
    static_assert(kMaxArgumentWords == 9, "AnyEntry passes every argument word");
    if (env->PushLocalFrame(16) != JNI_OK) {
      job.exception = take_exception(env);
      return;
    }
    const Word* w = job.words;
    // The entry is of the Linux convention, where the caller clears the arguments: passing
    // more words than it reads is harmless.
    Result result =
        reinterpret_cast<AnyEntry>(entry(job.slot_index))(env, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8]);
    if (env->ExceptionCheck()) {
      job.exception = take_exception(env);
      result = 0;
    } else if (slots[job.slot_index].returns_reference && result) {
      result = reinterpret_cast<Word>(env->NewGlobalRef(reinterpret_cast<jobject>(static_cast<Word>(result))));
    }
    job.result = result;
    env->PopLocalFrame(nullptr);
  }

  static jobject take_exception(JNIEnv* env) {
    jthrowable thrown = env->ExceptionOccurred();
    env->ExceptionClear();
    return thrown ? env->NewGlobalRef(thrown) : nullptr;
  }

  std::once_flag started_;
  JavaVM* vm_ = nullptr;
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<Job*> queue_;
  int servers_ = 0;  // started and not failed to attach
  int idle_ = 0;     // of them, waiting for a job
};

WindowsCaller windows_caller;

bool is_reference_word(const Slot& slot, std::size_t word) { return (slot.reference_words >> word) & 1; }

[[gnu::noinline]] Result call_on_windows_thread(std::size_t slot_index, JNIEnv* env, const Word* words) {
  const Slot& slot = slots[slot_index];
  Job job;
  job.slot_index = slot_index;
  for (std::size_t i = 0; i < slot.words; ++i)
    job.words[i] = is_reference_word(slot, i) && words[i]
                       ? reinterpret_cast<Word>(env->NewGlobalRef(reinterpret_cast<jobject>(words[i])))
                       : words[i];
  const bool ran = windows_caller.run(job);
  for (std::size_t i = 0; i < slot.words; ++i)
    if (is_reference_word(slot, i) && job.words[i]) env->DeleteGlobalRef(reinterpret_cast<jobject>(job.words[i]));
  if (!ran) {
    jclass error = env->FindClass("java/lang/IllegalStateException");
    if (error) env->ThrowNew(error, "jvm.dll forwarder: no Windows thread to run a native called on a Java thread");
    return 0;
  }
  if (job.exception) {
    jobject thrown = env->NewLocalRef(job.exception);
    env->DeleteGlobalRef(job.exception);
    env->Throw(static_cast<jthrowable>(thrown));
    return 0;
  }
  if (!slot.returns_reference || !job.result) return job.result;
  jobject global = reinterpret_cast<jobject>(static_cast<Word>(job.result));
  jobject local = env->NewLocalRef(global);
  env->DeleteGlobalRef(global);
  return reinterpret_cast<Word>(local);
}

}  // namespace

void* reverse_thunk(JavaVM* vm, void* windows_function, const char* signature) {
  Slot shape;
  if (!shape_of(signature, shape)) {
    std::fprintf(stderr, "jvm.dll forwarder: RegisterNatives: signature %s is not supported\n",
                 signature ? signature : "(null)");
    return nullptr;
  }
  shape.windows_function = windows_function;
  windows_caller.start(vm);
  std::lock_guard guard(slots_lock);
  for (std::size_t i = 0; i < slots_used; ++i)
    if (slots[i].windows_function == windows_function && slots[i].words == shape.words) return entry(i);
  if (slots_used == kSlots) {
    std::fprintf(stderr, "jvm.dll forwarder: RegisterNatives: more than %zu natives\n", kSlots);
    return nullptr;
  }
  slots[slots_used] = shape;
  return entry(slots_used++);
}

}  // namespace winejvm
