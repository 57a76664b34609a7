// The random pool: fresh bytes on every call, safe to use from many threads at once.
#include <thread>
#include <vector>

#include "Tarn/crypt/RandomPool.h"
#include "Tarn/crypt/tests/CryptTestSupport.h"

namespace TarnCrypt::test {
namespace {

TEST(RandomPoolTest, CallsGiveDifferentBytes) {
    Bytes a(32), b(32);
    GetRandomBlock(a.data(), a.size());
    GetRandomBlock(b.data(), b.size());
    EXPECT_NE(a, b);
    EXPECT_EQ(&GetRandomPool(), &GetRandomPool());
    SeedRandomPool();
    GetRandomBlock(a.data(), a.size());
    EXPECT_NE(a, b);
    GetRandomBlock(nullptr, 8);  // nothing to fill
}

TEST(RandomPoolTest, ThreadsShareOnePoolWithoutRepeats) {
    constexpr int kThreads = 8;
    std::vector<Bytes> out(kThreads, Bytes(64 * 16));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&out, t] {
            for (int i = 0; i < 64; ++i) GetRandomBlock(out[t].data() + i * 16, 16);
        });
    for (std::thread& t : threads) t.join();
    for (int a = 0; a < kThreads; ++a)
        for (int b = a + 1; b < kThreads; ++b) EXPECT_NE(out[a], out[b]);
}

}  // namespace
}  // namespace TarnCrypt::test
