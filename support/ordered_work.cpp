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

/// The shared state of one run: tasks are numbered in the order started, and task n lives in
/// slot n % slots. Started tasks are worked in that order too, by whoever is free.
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

    void run(const std::function<bool(std::size_t)>& start,
             const std::function<bool(std::size_t)>& finish) {
        std::unique_lock<std::mutex> lock(mutex_);
        bool starting = true;
        for (;;) {
            while (starting && started_ - finished_ < slots_) {
                lock.unlock();
                const bool started = start(started_ % slots_);
                lock.lock();
                if (!started) {
                    starting = false;
                    break;
                }
                worked_out_[started_ % slots_] = false;
                failures_[started_ % slots_] = nullptr;
                ++started_;
                if (started_ == 2) start_threads(lock);
                work_ready_.notify_one();
            }
            if (!starting && finished_ == started_) return;
            if (finished_ < worked_out_in_order()) {
                const std::size_t slot = finished_ % slots_;
                lock.unlock();
                if (failures_[slot]) std::rethrow_exception(failures_[slot]);
                const bool more = finish(slot);
                lock.lock();
                ++finished_;
                if (!more) return;
                continue;
            }
            if (worked_ < started_) {
                work_one(lock);  // nothing to finish yet: lend a hand
                continue;
            }
            work_done_.wait(lock);
        }
    }

  private:
    /// Tasks from `finished_` on whose work is done, counted up to the first one whose is not.
    std::size_t worked_out_in_order() const {
        std::size_t next = finished_;
        while (next < started_ && worked_out_[next % slots_]) ++next;
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
        worked_out_[slot] = true;
        work_done_.notify_all();
    }

    void serve() {
        const GuardedThread guarded;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            work_ready_.wait(lock, [this] { return stopping_ || worked_ < started_; });
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
    std::size_t started_ = 0;                                      ///< tasks started so far
    std::size_t worked_ = 0;                                       ///< tasks whose work has begun
    std::size_t finished_ = 0;                                     ///< tasks finished, in order
    std::vector<char> worked_out_ = std::vector<char>(slots_, 0);  ///< each slot's work done
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
                  const std::function<bool(std::size_t)>& start,
                  const std::function<void(std::size_t)>& work,
                  const std::function<bool(std::size_t)>& finish) {
    Crew crew(slots == 0 ? 1 : slots, threads, work);
    crew.run(start, finish);
}

void run_in_order(std::size_t slots, const std::function<bool(std::size_t)>& start,
                  const std::function<void(std::size_t)>& work,
                  const std::function<bool(std::size_t)>& finish) {
    const std::size_t cores = core_count();
    run_in_order(slots, cores - 1, start, work, finish);
}

void run_parts(std::size_t parts, const std::function<void(std::size_t)>& work) {
    // With a slot for every part, part n is worked in slot n.
    std::size_t started = 0;
    run_in_order(
        parts, [&](std::size_t) { return started++ < parts; }, work,
        [](std::size_t) { return true; });
}

}  // namespace vandlor2
