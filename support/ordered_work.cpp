#include "support/ordered_work.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "support/interrupt_guard.h"
#include "support/thread_budget.h"

namespace vandlor2 {
namespace {

/// The shared state of one run: tasks are numbered in the order taken, and task n lives in
/// slot n % slots. Taken tasks are worked in that order too, by whoever is free.
class Crew {
  public:
    Crew(std::size_t slots, std::size_t threads, const std::function<void(std::size_t)>& work)
        : slots_(slots), most_threads_(threads), work_(work), failures_(slots) {}

    ~Crew() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        work_ready_.notify_all();
        for (std::thread& thread : threads_) thread.join();
    }

    Crew(const Crew&) = delete;
    Crew& operator=(const Crew&) = delete;

    void run(const std::function<bool(std::size_t)>& take,
             const std::function<bool(std::size_t)>& give) {
        std::unique_lock<std::mutex> lock(mutex_);
        bool taking = true;
        for (;;) {
            while (taking && taken_ - given_ < slots_) {
                lock.unlock();
                const bool took = take(taken_ % slots_);
                lock.lock();
                if (!took) {
                    taking = false;
                    break;
                }
                finished_[taken_ % slots_] = false;
                failures_[taken_ % slots_] = nullptr;
                ++taken_;
                if (taken_ == 2) start_threads(lock);
                work_ready_.notify_one();
            }
            if (!taking && given_ == taken_) return;
            if (given_ < finished_in_order()) {
                const std::size_t slot = given_ % slots_;
                lock.unlock();
                if (failures_[slot]) std::rethrow_exception(failures_[slot]);
                const bool more = give(slot);
                lock.lock();
                ++given_;
                if (!more) return;
                continue;
            }
            if (worked_ < taken_) {
                work_one(lock);  // nothing to give yet: lend a hand
                continue;
            }
            work_done_.wait(lock);
        }
    }

  private:
    /// Tasks from `given_` on that are finished, counted up to the first one that is not.
    std::size_t finished_in_order() const {
        std::size_t next = given_;
        while (next < taken_ && finished_[next % slots_]) ++next;
        return next;
    }

    void work_one(std::unique_lock<std::mutex>& lock) {
        const std::size_t task = worked_++;
        const std::size_t slot = task % slots_;
        lock.unlock();
        try {
            work_(slot);
        } catch (...) {
            failures_[slot] = std::current_exception();
        }
        lock.lock();
        finished_[slot] = true;
        work_done_.notify_all();
    }

    void serve() {
        const GuardedThread guarded;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            work_ready_.wait(lock, [this] { return stopping_ || worked_ < taken_; });
            if (stopping_) return;
            work_one(lock);
        }
    }

    void start_threads(std::unique_lock<std::mutex>& lock) {
        if (most_threads_ == 0) return;
        lock.unlock();
        try {
            cap_worker_reservations();
            interrupt_guard::start_threads_uninterrupted([this] {
                threads_.reserve(most_threads_);
                while (threads_.size() < most_threads_) threads_.emplace_back([this] { serve(); });
            });
        } catch (const std::system_error&) {
            // Fewer threads, or none: the calling thread does the rest.
        } catch (const std::bad_alloc&) {
        }
        lock.lock();
    }

    const std::size_t slots_;
    const std::size_t most_threads_;
    const std::function<void(std::size_t)>& work_;

    std::mutex mutex_;
    std::condition_variable work_ready_;
    std::condition_variable work_done_;
    std::size_t taken_ = 0;   ///< tasks taken so far
    std::size_t worked_ = 0;  ///< tasks whose work has begun
    std::size_t given_ = 0;   ///< tasks given back
    std::vector<char> finished_ = std::vector<char>(slots_, 0);
    std::vector<std::exception_ptr> failures_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace

std::size_t core_count() {
    // Asked once: the C library reads it from the file system on every call.
    static const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return cores;
}

void run_in_order(std::size_t slots, std::size_t threads,
                  const std::function<bool(std::size_t)>& take,
                  const std::function<void(std::size_t)>& work,
                  const std::function<bool(std::size_t)>& give) {
    Crew crew(slots == 0 ? 1 : slots, threads, work);
    crew.run(take, give);
}

void run_in_order(std::size_t slots, const std::function<bool(std::size_t)>& take,
                  const std::function<void(std::size_t)>& work,
                  const std::function<bool(std::size_t)>& give) {
    const std::size_t cores = core_count();
    run_in_order(slots, cores > 1 ? cores : 0, take, work, give);
}

void run_parts(std::size_t parts, const std::function<void(std::size_t)>& work) {
    // With a slot for every part, part n is worked in slot n.
    std::size_t taken = 0;
    run_in_order(
        parts, [&](std::size_t) { return taken++ < parts; }, work,
        [](std::size_t) { return true; });
}

}  // namespace vandlor2
