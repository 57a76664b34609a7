#pragma once
// A manual-reset event: set wakes every waiter and stays set until reset.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace TarnAPI {

class Event {
public:
    explicit Event(bool initiallySet = false) : set_(initiallySet) {}
    void Set() {
        std::lock_guard<std::mutex> hold(lock_);
        set_ = true;
        wake_.notify_all();
    }
    void Reset() {
        std::lock_guard<std::mutex> hold(lock_);
        set_ = false;
    }
    bool IsSet() const {
        std::lock_guard<std::mutex> hold(lock_);
        return set_;
    }
    void Wait() {
        std::unique_lock<std::mutex> hold(lock_);
        wake_.wait(hold, [this] { return set_; });
    }
    // True when the event was set within the time.
    bool WaitFor(long milliseconds) {
        std::unique_lock<std::mutex> hold(lock_);
        return wake_.wait_for(hold, std::chrono::milliseconds(milliseconds), [this] { return set_; });
    }

private:
    mutable std::mutex lock_;
    std::condition_variable wake_;
    bool set_;
};

}  // namespace TarnAPI
