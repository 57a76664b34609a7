// A plug-in with dynamic thread-local storage, as the GL driver's LLVM has: opened with dlopen, so that
// the C library takes each thread's block from malloc when the thread first touches it.
#include <cstddef>
#include <cstdlib>

namespace {
// Large enough that the sanitizer's allocator serves the block from its page-aligned large-block side.
thread_local char block[1 << 20];
thread_local void* held;
}  // namespace

extern "C" __attribute__((visibility("default"))) void TouchTls() { block[0] = 1; }

// Keeps a heap block whose only reference lies in this thread's dynamic thread-local storage.
extern "C" __attribute__((visibility("default"))) void HoldThroughTls(std::size_t size) {
    block[0] = 1;
    held = std::malloc(size);
}
