// tls_probe PLUGIN touch|hold|leak: opens PLUGIN, touches its dynamic thread-local storage on the main
// thread and on a thread still running at exit, and returns 0, leaving the leak check to the runtime.
//   touch: nothing is held; hold: each thread keeps a heap block referenced only from its thread-local
//   storage (not a leak); leak: as hold, and a block no one references (a leak).
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    void* plugin = dlopen(argv[1], RTLD_NOW);
    if (!plugin) {
        std::fprintf(stderr, "tls_probe: %s\n", dlerror());
        return 2;
    }
    using Touch = void (*)();
    using Hold = void (*)(std::size_t);
    const auto touch = reinterpret_cast<Touch>(dlsym(plugin, "TouchTls"));
    const auto hold = reinterpret_cast<Hold>(dlsym(plugin, "HoldThroughTls"));
    const bool holding = std::strcmp(argv[2], "touch") != 0;
    if (holding) hold(100); else touch();
    static std::atomic<bool> ready{false};
    std::thread([&] {
        if (holding) hold(200); else touch();
        ready = true;
        for (;;) pause();
    }).detach();
    while (!ready) usleep(1000);
    if (std::strcmp(argv[2], "leak") == 0) {
        static void* volatile lost;
        lost = std::malloc(33);
        lost = nullptr;  // the only reference is gone
        return lost == nullptr ? 0 : 1;
    }
    return 0;
}
