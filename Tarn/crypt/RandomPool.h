#pragma once
// The one source of random bytes of the online library's cryptography: session keys, ElGamal
// encryption, key generation and signatures. The pool is seeded from the operating system's generator
// (never from clock or disk readings, which an attacker can guess), is made once however many threads
// ask at the same time, and serialises its use with a lock.
#include <cstddef>
#include <cstdint>

namespace CryptoPP {
class RandomNumberGenerator;
}

namespace TarnCrypt {

// The process-wide pool, made and seeded on first use.
CryptoPP::RandomNumberGenerator& GetRandomPool();
// Fills the buffer from the pool; an error of the library reaches the caller unchanged.
void GetRandomBlock(uint8_t* buffer, size_t length);
// Mixes fresh bytes of the operating system's generator into the pool.
void SeedRandomPool();

}  // namespace TarnCrypt
