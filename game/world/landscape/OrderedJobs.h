#pragma once
// A small fixed set of worker threads running numbered jobs that the caller hands in one by one and
// collects in the same order. Each job works only on its own slot, so the pool shares nothing with
// the jobs but the numbers. With one thread no worker is started: jobs run when they are handed in.
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kes {

class OrderedJobs {
public:
    // job(i) is run once for every i handed to Submit; count bounds the numbers.
    OrderedJobs(unsigned threads, size_t count, std::function<void(size_t)> job);
    // Runs every job handed in before returning, so slots outlive the workers that fill them.
    ~OrderedJobs();
    OrderedJobs(const OrderedJobs&) = delete;
    OrderedJobs& operator=(const OrderedJobs&) = delete;

    // Hands in the next job (0, 1, 2, ... in turn).
    void Submit();
    // Returns once job i has run; i must have been handed in. Runs jobs no worker has taken yet.
    void Wait(size_t i);

private:
    void Work();
    // Takes the lowest job not yet taken and runs it with the lock released.
    void RunNext(std::unique_lock<std::mutex>& lock);

    std::function<void(size_t)> job_;
    std::mutex mutex_;
    std::condition_variable ready_;  // a job was handed in, or the pool stops
    std::condition_variable done_;   // a job has run
    std::vector<char> finished_;
    size_t submitted_ = 0;
    size_t taken_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

// The worker threads for a load of count independent jobs: one for a few jobs, otherwise one less
// than the machine's hardware threads (at most 8). A count set by SetLoadThreads (tests) takes
// precedence.
unsigned LoadThreads(size_t count);
// 0 returns to the automatic choice.
void SetLoadThreads(unsigned threads);

}  // namespace kes
