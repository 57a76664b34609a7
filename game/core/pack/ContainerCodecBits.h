#pragma once
// Bit stream of a container block: u32 words stored little-endian, bits taken from the most
// significant end of each word. Internal to the container codec.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/bytes/ByteIO.h"

namespace kes::container {

// Reads bits from a bounded run of whole words. Past the last word it yields zeros and remembers
// the overrun, so the caller checks Overrun() once per token instead of once per bit.
class BitReader {
public:
    BitReader(const uint8_t* words, size_t wordCount) : words_(words), wordCount_(wordCount) {}

    uint32_t Bit() {
        if (avail_ == 0) Refill();
        const uint32_t bit = static_cast<uint32_t>(acc_ >> 63);
        acc_ <<= 1;
        --avail_;
        return bit;
    }

    // n in 0..32, most significant bit first.
    uint32_t Bits(int n) {
        if (n == 0) return 0;
        if (avail_ < n) Refill();
        const uint32_t value = static_cast<uint32_t>(acc_ >> (64 - n));
        acc_ <<= n;
        avail_ -= n;
        return value;
    }

    // Bulk access for the tree walk: after Fill() at least 33 bits are in the window, left-aligned.
    void Fill() {
        if (avail_ <= 32) Refill();
    }
    uint64_t Window() const { return acc_; }
    int Available() const { return avail_; }
    // Drops n (<= Available()) bits that were read from the window.
    void Skip(int n) {
        acc_ = n == 64 ? 0 : acc_ << n;
        avail_ -= n;
    }

    bool Overrun() const { return next_ * 32 - static_cast<size_t>(avail_) > wordCount_ * 32; }

private:
    void Refill() {
        while (avail_ <= 32) {
            const uint32_t word = next_ < wordCount_ ? plat::LoadU32(words_ + 4 * next_) : 0;
            ++next_;
            acc_ |= static_cast<uint64_t>(word) << (32 - avail_);
            avail_ += 32;
        }
    }

    const uint8_t* words_;
    size_t wordCount_;
    size_t next_ = 0;
    uint64_t acc_ = 0;  // unread bits, left-aligned
    int avail_ = 0;
};

// Collects bits into words and appends them little-endian to a byte vector.
class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}

    // The low n bits of value (n in 0..32), most significant first.
    void Bits(uint32_t value, int n) {
        if (n <= 0) return;
        if (n < 32) value &= (1u << n) - 1;
        const int room = 32 - count_;
        if (n < room) {
            word_ = (word_ << n) | value;
            count_ += n;
            return;
        }
        // Fill the word with the high bits, then keep the rest.
        const int rest = n - room;
        word_ = (room == 32 ? 0 : word_ << room) | (value >> rest);
        Flush();
        word_ = rest ? value & ((1u << rest) - 1) : 0;
        count_ = rest;
    }

    void Bit(uint32_t bit) {
        word_ = (word_ << 1) | bit;
        if (++count_ == 32) Flush();
    }

    // Writes a last partial word padded with zero bits.
    void Finish() {
        if (count_ == 0) return;
        word_ <<= 32 - count_;
        Flush();
    }

private:
    void Flush() {
        for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(word_ >> (8 * i)));
        word_ = 0;
        count_ = 0;
    }

    std::vector<uint8_t>& out_;
    uint32_t word_ = 0;
    int count_ = 0;
};

}  // namespace kes::container
