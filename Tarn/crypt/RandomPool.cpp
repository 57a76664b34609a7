#include "Tarn/crypt/RandomPool.h"

#include <cryptopp/osrng.h>

#include <mutex>

namespace TarnCrypt {

namespace {

// Crypto++'s generators are not safe to share between threads; this one locks around each request.
class LockedPool : public CryptoPP::RandomNumberGenerator {
public:
    void GenerateBlock(CryptoPP::byte* output, size_t size) override {
        std::lock_guard<std::mutex> hold(lock_);
        pool_.GenerateBlock(output, size);
    }
    void Reseed() {
        std::lock_guard<std::mutex> hold(lock_);
        pool_.Reseed();
    }
    std::string AlgorithmName() const override { return "TarnRandomPool"; }

private:
    std::mutex lock_;
    CryptoPP::AutoSeededRandomPool pool_;  // seeded from the operating system at construction
};

LockedPool& Pool() {
    static LockedPool pool;  // made once, under the language's own initialisation lock
    return pool;
}

}  // namespace

CryptoPP::RandomNumberGenerator& GetRandomPool() { return Pool(); }

void GetRandomBlock(uint8_t* buffer, size_t length) {
    if (buffer && length) Pool().GenerateBlock(buffer, length);
}

void SeedRandomPool() { Pool().Reseed(); }

}  // namespace TarnCrypt
