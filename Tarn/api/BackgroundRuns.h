#pragma once
// Runs the library's asynchronous requests that have no socket operation to ride on (a whole
// directory request, a whole login) on threads of their own. A finished thread is joined by the next
// Start or by WaitAll, and the destructor waits for every run, so none outlives its owner.
#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace TarnAPI {

class BackgroundRuns {
public:
    BackgroundRuns() = default;
    BackgroundRuns(const BackgroundRuns&) = delete;
    BackgroundRuns& operator=(const BackgroundRuns&) = delete;
    ~BackgroundRuns() { WaitAll(); }

    // False when no thread could be made (the work has not run).
    bool Start(std::function<void()> work) {
        std::lock_guard<std::mutex> hold(lock_);
        ReapLocked();
        try {
            auto entry = std::make_shared<Entry>();
            running_.push_back(entry);
            entry->thread = std::thread([entry, work = std::move(work)] {
                work();
                entry->done = true;
            });
        } catch (...) {
            running_.pop_back();
            return false;
        }
        return true;
    }

    void WaitAll() {
        std::list<std::shared_ptr<Entry>> all;
        {
            std::lock_guard<std::mutex> hold(lock_);
            all.swap(running_);
        }
        for (auto& entry : all)
            if (entry->thread.joinable()) entry->thread.join();
    }

private:
    struct Entry {
        std::thread thread;
        std::atomic<bool> done{false};
    };
    void ReapLocked() {
        for (auto it = running_.begin(); it != running_.end();) {
            if ((*it)->done) {
                (*it)->thread.join();
                it = running_.erase(it);
            } else {
                ++it;
            }
        }
    }
    std::mutex lock_;
    std::list<std::shared_ptr<Entry>> running_;
};

}  // namespace TarnAPI
