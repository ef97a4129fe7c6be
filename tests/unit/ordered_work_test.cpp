#include "support/ordered_work.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#endif

namespace vandlor2 {
namespace {

struct Tasks {
    std::vector<std::size_t> finished;  ///< the task numbers in the order finished
    std::size_t most_under_way = 0;
};

/// Runs `tasks` tasks whose work takes longer for lower numbers, so that threads finish them
/// out of order; `stop_after` ends the run early, `throw_at` makes that task's work throw.
Tasks run_tasks(std::size_t tasks, std::size_t slots, std::size_t threads,
                std::size_t stop_after = SIZE_MAX, std::size_t throw_at = SIZE_MAX) {
    std::vector<std::size_t> task_of(slots);
    std::vector<std::size_t> result(slots);
    std::size_t started = 0;
    Tasks run;
    run_in_order(
        slots, threads,
        [&](std::size_t slot) {
            if (started == tasks) return false;
            task_of[slot] = started++;
            run.most_under_way = std::max(run.most_under_way, started - run.finished.size());
            return true;
        },
        [&](std::size_t slot) {
            if (task_of[slot] == throw_at) throw std::runtime_error("task failed");
            std::this_thread::sleep_for(std::chrono::microseconds(50 * (8 - task_of[slot] % 8)));
            result[slot] = task_of[slot] * 10;
        },
        [&](std::size_t slot) {
            EXPECT_EQ(result[slot], task_of[slot] * 10);
            run.finished.push_back(task_of[slot]);
            return run.finished.size() < stop_after;
        });
    return run;
}

std::vector<std::size_t> first(std::size_t count) {
    std::vector<std::size_t> numbers(count);
    for (std::size_t i = 0; i < count; ++i) numbers[i] = i;
    return numbers;
}

TEST(OrderedWork, GivesEveryTaskInOrderWithAnyNumberOfThreads) {
    for (const std::size_t threads : {0, 1, 2, 5}) {
        for (const std::size_t tasks : {0, 1, 2, 37}) {
            const Tasks run = run_tasks(tasks, 4, threads);
            EXPECT_EQ(run.finished, first(tasks)) << threads << " threads, " << tasks << " tasks";
            EXPECT_LE(run.most_under_way, 4u);
        }
    }
}

TEST(OrderedWork, StopsTakingWhenAGiveSaysSo) {
    for (const std::size_t threads : {0, 3}) {
        EXPECT_EQ(run_tasks(37, 4, threads, 5).finished, first(5));
    }
}

TEST(OrderedWork, RethrowsAFailedTaskWhenItsTurnComes) {
    for (const std::size_t threads : {0, 3}) {
        EXPECT_THROW(run_tasks(37, 4, threads, SIZE_MAX, 6), std::runtime_error);
    }
}

/// The threads of this process, or 0 where the system does not list them.
std::size_t threads_in_process() {
    std::error_code error;
    std::size_t count = 0;
    for (std::filesystem::directory_iterator task("/proc/self/task", error), end;
         !error && task != end; task.increment(error)) {
        ++count;
    }
    return count;
}

TEST(OrderedWork, StartsWorkersForASecondTaskAndSharesTheWorkWithThem) {
    const std::size_t alone = threads_in_process();
    if (alone == 0) GTEST_SKIP() << "the system does not list a process's threads";
    // One task, as for a listing of one block: no worker is started for it.
    std::size_t threads_at_work = 0;
    std::size_t started = 0;
    run_in_order(
        4, 3, [&](std::size_t) { return started++ < 1; },
        [&](std::size_t) { threads_at_work = threads_in_process(); },
        [](std::size_t) { return true; });
    EXPECT_EQ(threads_at_work, alone);

    // Two tasks, the first waiting for the second: only a worker can do the second meanwhile.
    // The worker takes no signals, so that an interruption reaches the calling thread.
    std::mutex mutex;
    std::condition_variable second_done;
    bool second = false;
    bool waited_in_vain = false;
    bool worker_takes_signals = false;
    std::size_t most_threads = 0;
    const std::thread::id caller = std::this_thread::get_id();
    started = 0;
    run_in_order(
        4, 1, [&](std::size_t) { return started++ < 2; },
        [&](std::size_t slot) {
            std::unique_lock<std::mutex> lock(mutex);
            most_threads = std::max(most_threads, threads_in_process());
#ifndef _WIN32
            sigset_t blocked;
            pthread_sigmask(SIG_BLOCK, nullptr, &blocked);
            for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
                if (std::this_thread::get_id() != caller && !sigismember(&blocked, signal_number))
                    worker_takes_signals = true;
            }
#endif
            if (slot == 1) {
                second = true;
                second_done.notify_all();
            } else if (!second_done.wait_for(lock, std::chrono::seconds(10),
                                             [&] { return second; })) {
                waited_in_vain = true;
            }
        },
        [](std::size_t) { return true; });
    EXPECT_FALSE(waited_in_vain);
    EXPECT_FALSE(worker_takes_signals);
    // The one worker asked for, beside what stays after it (a sanitizer's own thread). A
    // joined worker can still be listed for a moment as the system takes it down.
    std::size_t threads_after = threads_in_process();
    for (int waits = 0; waits < 1000 && threads_after >= most_threads; ++waits) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        threads_after = threads_in_process();
    }
    EXPECT_EQ(most_threads, threads_after + 1);
}

TEST(OrderedWork, RunsEveryPart) {
    std::vector<int> done(100, 0);
    run_parts(done.size(), [&](std::size_t part) { ++done[part]; });
    EXPECT_EQ(done, std::vector<int>(100, 1));
    run_parts(0, [](std::size_t) { ADD_FAILURE() << "no part to run"; });
}

}  // namespace
}  // namespace vandlor2
