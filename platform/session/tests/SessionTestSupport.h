#pragma once
// Helpers of the session tests: a handler that records what it gets, and waiting on conditions.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/session/Session.h"

namespace plat::test {

inline SessionGuid TestApplication() {
    return {0x47, 0x52, 0x56, 0x4c, 0x4e, 0x45, 0x54, 0x54, 0x45, 0x53, 0x54, 0x41, 0x50, 0x50, 0x00, 0x01};
}

inline SessionOptions LoopbackOptions() {
    SessionOptions o;
    o.bindAddress = "127.0.0.1";
    o.gamePort = 0;
    o.discoveryPort = 0;
    return o;
}

struct Received {
    std::vector<uint8_t> bytes;
    uint32_t slot;
    bool local;
    uint8_t type() const { return bytes.size() > 1 ? bytes[1] : 0; }
};

class Recorder {
public:
    SessionHandler Handler() {
        return [this](const uint8_t* m, uint32_t n, uint32_t slot, bool local) {
            std::lock_guard lock(m_);
            got_.push_back({std::vector<uint8_t>(m, m + n), slot, local});
            cv_.notify_all();
        };
    }
    // Waits until `pred` holds over everything received so far (generous limit for loaded machines).
    bool WaitFor(const std::function<bool(const std::vector<Received>&)>& pred, int ms = 10000) {
        std::unique_lock lock(m_);
        return cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return pred(got_); });
    }
    size_t Count(uint8_t type) {
        std::lock_guard lock(m_);
        size_t n = 0;
        for (const auto& r : got_) n += r.type() == type ? 1 : 0;
        return n;
    }
    std::vector<Received> All() {
        std::lock_guard lock(m_);
        return got_;
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<Received> got_;
};

inline auto HasType(uint8_t type, size_t count = 1) {
    return [=](const std::vector<Received>& v) {
        size_t n = 0;
        for (const auto& r : v) n += r.type() == type ? 1 : 0;
        return n >= count;
    };
}

// Polls a condition until it holds or the time is up.
inline bool Eventually(const std::function<bool()>& pred, int ms = 10000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return pred();
}

}  // namespace plat::test
