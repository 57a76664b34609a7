#include "game/world/landscape/OrderedJobs.h"

#include <algorithm>
#include <atomic>

namespace kes {

namespace {

std::atomic<unsigned> g_loadThreads{0};

}  // namespace

unsigned LoadThreads(size_t count) {
    if (const unsigned set = g_loadThreads.load()) return set;
    if (count < 4) return 1;  // starting threads would cost more than the work
    // One hardware thread is left to the caller, which reads the file and uploads meanwhile.
    const unsigned hardware = std::max(2u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<size_t>({hardware - 1, 8u, count}));
}

void SetLoadThreads(unsigned threads) { g_loadThreads.store(threads); }

OrderedJobs::OrderedJobs(unsigned threads, size_t count, std::function<void(size_t)> job)
    : job_(std::move(job)), finished_(count, 0) {
    if (threads <= 1) return;
    for (unsigned t = 0; t < threads; ++t) {
        try {
            workers_.emplace_back([this] { Work(); });
        } catch (...) {
            break;  // fewer threads than asked for still do the work; none at all runs it inline
        }
    }
}

OrderedJobs::~OrderedJobs() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    ready_.notify_all();
    for (std::thread& w : workers_) w.join();
}

void OrderedJobs::Submit() {
    if (submitted_ >= finished_.size()) return;
    if (workers_.empty()) {
        const size_t i = submitted_++;
        job_(i);
        finished_[i] = 1;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++submitted_;
    }
    ready_.notify_one();
}

void OrderedJobs::Wait(size_t i) {
    if (workers_.empty()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    // The caller does not sit idle while jobs wait for a worker to wake: it runs them itself,
    // lowest first, so job i is run here at the latest when no worker has taken it.
    while (!finished_[i]) {
        if (taken_ < submitted_) {
            RunNext(lock);
            continue;
        }
        done_.wait(lock);
    }
}

void OrderedJobs::RunNext(std::unique_lock<std::mutex>& lock) {
    const size_t i = taken_++;
    lock.unlock();
    job_(i);
    lock.lock();
    finished_[i] = 1;
    done_.notify_all();
}

void OrderedJobs::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        ready_.wait(lock, [&] { return taken_ < submitted_ || stopping_; });
        if (taken_ == submitted_) return;  // stopping with nothing left to run
        RunNext(lock);
    }
}

}  // namespace kes
