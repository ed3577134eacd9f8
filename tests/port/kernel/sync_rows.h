// Critical section and interlocked behaviours that hold on Windows and on the port alike,
// run by the port's unit tests and, against kernel32 under Wine, by the Windows test
// program. Each row answers what went wrong, or nothing.
#pragma once

#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "util/platform.h"

namespace sync_rows {

struct Row {
    const char *behaviour;
    std::string (*check)();
};

inline std::ostream &operator<<(std::ostream &out, const Row &row) { return out << row.behaviour; }

// Runs `work` on four threads at once and waits for them.
template <typename Work> void on_four_threads(Work work)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back(work);
    for (auto &thread : threads) thread.join();
}

inline std::string problem_unless(bool holds, const char *problem) { return holds ? "" : problem; }

inline const std::vector<Row> &rows()
{
    static const std::vector<Row> table = {
        {"the owner may enter a critical section again",
         [] {
             CRITICAL_SECTION cs;
             InitializeCriticalSection(&cs);
             EnterCriticalSection(&cs);
             const BOOL again = TryEnterCriticalSection(&cs);
             if (again) LeaveCriticalSection(&cs);
             LeaveCriticalSection(&cs);
             DeleteCriticalSection(&cs);
             return problem_unless(again != FALSE, "TryEnterCriticalSection failed for the owner");
         }},
        {"another thread waits until the owner has left as often as it entered",
         [] {
             CRITICAL_SECTION cs;
             InitializeCriticalSection(&cs);
             EnterCriticalSection(&cs);
             EnterCriticalSection(&cs);
             BOOL while_owned = TRUE, after_one_leave = TRUE, after_both = FALSE;
             std::thread([&] { while_owned = TryEnterCriticalSection(&cs); }).join();
             LeaveCriticalSection(&cs);
             std::thread([&] { after_one_leave = TryEnterCriticalSection(&cs); }).join();
             LeaveCriticalSection(&cs);
             std::thread([&] {
                 after_both = TryEnterCriticalSection(&cs);
                 if (after_both) LeaveCriticalSection(&cs);
             }).join();
             DeleteCriticalSection(&cs);
             return problem_unless(!while_owned && !after_one_leave && after_both,
                                   "another thread got in while owned, or not after both leaves");
         }},
        {"a critical section guards a plain counter",
         [] {
             CRITICAL_SECTION cs;
             InitializeCriticalSection(&cs);
             long counter = 0;
             on_four_threads([&] {
                 for (int i = 0; i < 10000; ++i) {
                     EnterCriticalSection(&cs);
                     ++counter;
                     LeaveCriticalSection(&cs);
                 }
             });
             DeleteCriticalSection(&cs);
             return problem_unless(counter == 40000, "increments were lost");
         }},
        {"interlocked increment and decrement return the new value",
         [] {
             LONG volatile count = 0;
             const bool holds = InterlockedIncrement(&count) == 1 && InterlockedDecrement(&count) == 0 &&
                                InterlockedDecrement(&count) == -1 && count == -1;
             return problem_unless(holds, "wrong values returned");
         }},
        {"interlocked counts lose nothing between threads",
         [] {
             LONG volatile count = 0;
             on_four_threads([&] {
                 for (int i = 0; i < 10000; ++i) InterlockedIncrement(&count);
             });
             return problem_unless(count == 40000, "increments were lost");
         }},
    };
    return table;
}

}  // namespace sync_rows
