#include "parallel_replays.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace cabkit::sim {
namespace {

TimedOutcome timed(const SupervisedReplay& request) {
    const auto began = std::chrono::steady_clock::now();
    TimedOutcome result;
    result.outcome = superviseReplay(request);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return result;
}

}  // namespace

void superviseInOrder(std::vector<SupervisedReplay> requests, int32_t jobs,
                      const std::function<bool(std::size_t, const TimedOutcome&)>& take) {
    const std::size_t workers =
        std::min<std::size_t>(static_cast<std::size_t>(std::clamp(jobs, 1, kMostJobs)), requests.size());
    if (workers <= 1) {
        for (std::size_t i = 0; i < requests.size(); ++i) {
            if (!take(i, timed(requests[i]))) return;
        }
        return;
    }
    for (SupervisedReplay& request : requests) request.captureOutput = true;

    std::mutex mutex;
    std::condition_variable done;
    std::vector<std::optional<TimedOutcome>> results(requests.size());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    // Each worker waits for its child before it ends, so no child outlives
    // the thread that started it.
    const auto work = [&] {
        for (;;) {
            if (stop.load()) return;
            const std::size_t index = next.fetch_add(1);
            if (index >= requests.size()) return;
            TimedOutcome result = timed(requests[index]);
            const std::lock_guard<std::mutex> lock(mutex);
            results[index] = std::move(result);
            done.notify_all();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(workers);
    for (std::size_t i = 0; i < workers; ++i) threads.emplace_back(work);

    for (std::size_t i = 0; i < requests.size() && !stop.load(); ++i) {
        std::unique_lock<std::mutex> lock(mutex);
        done.wait(lock, [&] { return results[i].has_value(); });
        TimedOutcome result = std::move(*results[i]);
        results[i].reset();
        lock.unlock();
        if (!take(i, result)) stop.store(true);
    }
    for (std::thread& thread : threads) thread.join();
}

}  // namespace cabkit::sim
