#pragma once
// Runs a job for each block of a container on several threads. Internal to the container codec.
#include <cstddef>
#include <functional>

namespace kes::container {

// Calls job(k) for every k below count on up to maxThreads threads (0 = as many as the machine
// has), the calling thread included; fewer when the blocks are few or no more threads can be had.
// Each block is taken by exactly one thread, so a job that writes only its own block's output
// gives the same result for any thread count. Stops early and returns false once a job fails.
bool ForEachBlock(size_t count, unsigned maxThreads, const std::function<bool(size_t)>& job);

}  // namespace kes::container
