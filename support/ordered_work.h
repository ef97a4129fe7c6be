#pragma once

#include <cstddef>
#include <functional>

namespace vandlor2 {

/// Runs a sequence of tasks through three steps, the middle one spread over the machine's
/// cores, the other two in order on the calling thread. The caller keeps `slots` task slots of
/// its own and is called with slot numbers:
///   - `start(slot)` puts the next task in the slot; false when there is none left;
///   - `work(slot)` does the task in the slot, on a worker thread or on the calling thread; it
///     must touch nothing that another call may change, but its slot;
///   - `finish(slot)` ends the task whose work is done, in the order started; false ends the
///     run early.
/// `start` and `finish` are never called at the same time, so they may share state freely.
/// At most `slots` tasks are under way at once, which bounds the memory they hold.
///
/// An exception from any step ends the run once every worker has stopped, and is rethrown on
/// the calling thread (one from `work` when its task would have been finished). Worker threads
/// start only once a second task is, take no signals, and are gone when this returns. With
/// one core, or when no thread can be started, everything runs on the calling thread.
void run_in_order(std::size_t slots, const std::function<bool(std::size_t)>& start,
                  const std::function<void(std::size_t)>& work,
                  const std::function<bool(std::size_t)>& finish);

/// As above with `threads` worker threads at most (0: none), for tests.
void run_in_order(std::size_t slots, std::size_t threads,
                  const std::function<bool(std::size_t)>& start,
                  const std::function<void(std::size_t)>& work,
                  const std::function<bool(std::size_t)>& finish);

/// Calls `work(part)` for every part from 0 to `parts` - 1, spread over the cores, and returns
/// once all are done; `work` must touch nothing but what belongs to its part.
void run_parts(std::size_t parts, const std::function<void(std::size_t)>& work);

/// How many parts are worth splitting parallel work into: the number of cores.
std::size_t core_count();

}  // namespace vandlor2
