// Container decoder: block data -> bytes, and a whole container image -> bytes.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <new>
#include <thread>
#include <vector>

#include "game/core/pack/AdaptiveHuffman.h"
#include "game/core/pack/ContainerCodec.h"
#include "game/core/pack/ContainerCodecBits.h"
#include "game/core/pack/ContainerThreads.h"
#include "platform/bytes/ByteIO.h"

namespace kes {
namespace {

using container::BitReader;

// Largest distance size a block can use: distances never exceed the 64 KB block.
constexpr uint32_t kMaxDistanceSize = 16;

// Decodes one symbol. An escape brings in a new value from 8 raw bits; an escape for a value that is
// already in the tree, or with no room left, is damage (returns -1).
int DecodeSymbol(AdaptiveHuffman& model, BitReader& bits) {
    // The walk reads bits from a local copy of the window and hands back what it used.
    // A valid tree has its children after their parent, so the walk ends within kNodeCount steps;
    // the bound, checked when the window runs dry, only guards against a fault in the model.
    bits.Fill();
    uint64_t window = bits.Window();
    int avail = bits.Available();
    int used = 0;
    int steps = 0;
    int code = model.Code(0);
    while (code >= 0) {
        if (used == avail) {
            steps += used;
            if (steps > AdaptiveHuffman::kNodeCount) return -1;
            bits.Skip(used);
            bits.Fill();
            window = bits.Window();
            avail = bits.Available();
            used = 0;
        }
        code = model.Code(code + static_cast<int>(window >> 63));
        window <<= 1;
        ++used;
    }
    bits.Skip(used);
    int symbol = ~code;
    if (symbol == AdaptiveHuffman::kEscape) {
        symbol = static_cast<int>(bits.Bits(8));
        if (!model.Add(symbol)) return -1;
    }
    model.Update(symbol);
    return symbol;
}

// Decodes the token stream of one block into out[0 .. length). Every token is checked before a byte
// is written: no length 0, nothing past the block, no distance before the start of the output, no
// bits past the end of the stream.
Result DecodeTokens(BitReader& bits, uint8_t* out, uint32_t length) {
    AdaptiveHuffman sizes;     // lengths and distance sizes
    AdaptiveHuffman literals;  // literal bytes
    uint32_t covered = 0;
    while (covered < length) {
        const int count = DecodeSymbol(sizes, bits);
        const int distanceSize = DecodeSymbol(sizes, bits);
        if (count <= 0 || distanceSize < 0) return kPackReadFailed;
        if (static_cast<uint32_t>(count) > length - covered) return kPackReadFailed;
        if (static_cast<uint32_t>(distanceSize) > kMaxDistanceSize) return kPackReadFailed;
        uint8_t* dst = out + covered;
        if (distanceSize == 0) {
            for (int i = 0; i < count; ++i) {
                const int byte = DecodeSymbol(literals, bits);
                if (byte < 0 || byte > 255) return kPackReadFailed;
                dst[i] = static_cast<uint8_t>(byte);
            }
        } else {
            uint32_t distance = 1;
            if (distanceSize > 1) {
                const int raw = distanceSize - 1;
                distance = (1u << raw) | bits.Bits(raw);
            }
            if (distance > covered) return kPackReadFailed;
            const uint8_t* src = dst - distance;
            // Byte by byte: an overlapping copy repeats the last distance bytes.
            for (int i = 0; i < count; ++i) dst[i] = src[i];
        }
        if (bits.Overrun()) return kPackReadFailed;
        covered += static_cast<uint32_t>(count);
    }
    return kOk;
}

// Decodes block data of dataSize bytes whose length word must equal expectedLength (any length up to
// the block size when expectedLength is 0) into out, which has room for that length.
Result UnpackBlockChecked(const uint8_t* data, size_t dataSize, uint8_t* out, uint32_t expectedLength,
                          uint32_t* outLength) {
    if (!data || !out || dataSize < 8) return kPackReadFailed;
    const uint32_t length = plat::LoadU32(data);
    const uint32_t packed = plat::LoadU32(data + 4);
    if (length == 0 || length > kContainerBlockSize) return kPackReadFailed;
    if (expectedLength != 0 && length != expectedLength) return kPackReadFailed;
    if (packed < 8 || packed > dataSize || packed > kMaxBlockDataSize) return kPackReadFailed;
    // Only whole words carry bits; a trailing partial word could never be read in full.
    BitReader bits(data + 8, (packed - 8) / 4);
    const Result result = DecodeTokens(bits, out, length);
    if (result != kOk) return result;
    if (outLength) *outLength = length;
    return kOk;
}

}  // namespace

ContainerHeader ReadContainerHeader(const uint8_t* bytes) {
    ContainerHeader header{};
    header.firstWord = plat::LoadU32(bytes);
    header.unpackedSize = plat::LoadU32(bytes + 4);
    header.magic = plat::LoadU32(bytes + 8);
    header.blockCount = plat::LoadU32(bytes + 12);
    header.blockSize = plat::LoadU32(bytes + 16);
    header.lastWord = plat::LoadU32(bytes + 20);
    return header;
}

Result UnpackBlock(const uint8_t* data, size_t dataSize, uint8_t* out, uint32_t* outLength) {
    return UnpackBlockChecked(data, dataSize, out, 0, outLength);
}

namespace {

// One block of an image: where its data lies and where its bytes go.
struct ImageBlock {
    const uint8_t* data;
    uint32_t packed;
    uint32_t length;
    uint8_t* out;
};

// Decodes the blocks on up to maxThreads threads (0 = as many as the machine has). Each thread
// writes only its own blocks' bytes, so the result does not depend on the number of threads. True
// when every block decoded.
bool DecodeImageBlocks(const std::vector<ImageBlock>& blocks, unsigned maxThreads) {
    return container::ForEachBlock(blocks.size(), maxThreads, [&blocks](size_t k) {
        const ImageBlock& b = blocks[k];
        return UnpackBlockChecked(b.data, b.packed, b.out, b.length, nullptr) == kOk;
    });
}

}  // namespace

namespace container {

// Images smaller than this many blocks per thread are not worth a thread.
constexpr size_t kMinBlocksPerThread = 2;

bool ForEachBlock(size_t count, unsigned maxThreads, const std::function<bool(size_t)>& job) {
    size_t threads = maxThreads != 0 ? maxThreads : std::max(1u, std::thread::hardware_concurrency());
    threads = std::min(threads, count / kMinBlocksPerThread);
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        for (size_t k = next.fetch_add(1); k < count; k = next.fetch_add(1)) {
            if (failed.load(std::memory_order_relaxed)) return;
            if (!job(k)) failed = true;
        }
    };
    std::vector<std::thread> helpers;
    try {
        helpers.reserve(threads > 1 ? threads - 1 : 0);
        for (size_t t = 1; t < threads; ++t) helpers.emplace_back(work);
    } catch (const std::exception&) {
        // No more threads to be had: the ones running and this one share the work.
    }
    work();
    for (std::thread& helper : helpers) helper.join();
    return !failed;
}

}  // namespace container

uint8_t* UnpackImage(const uint8_t* image, size_t imageSize, uint32_t* outSize) {
    return UnpackImage(image, imageSize, outSize, 0);
}

uint8_t* UnpackImage(const uint8_t* image, size_t imageSize, uint32_t* outSize, unsigned maxThreads) {
    if (!image || imageSize < kContainerHeaderSize) return nullptr;
    const ContainerHeader header = ReadContainerHeader(image);
    if (header.magic != kContainerMagic || header.blockSize != kContainerBlockSize) return nullptr;
    const uint64_t size = header.unpackedSize;
    const uint64_t blockCount = header.blockCount;
    if (blockCount != (size + kContainerBlockSize - 1) / kContainerBlockSize) return nullptr;
    const uint64_t tableEnd = kContainerHeaderSize + 4 * blockCount;
    if (tableEnd > imageSize) return nullptr;

    // First the block headers: every block must lie inside the image and hold the bytes its index
    // says, so nothing is allocated for a size the image cannot back.
    uint64_t pos = tableEnd;
    for (uint64_t k = 0; k < blockCount; ++k) {
        const uint32_t offset = plat::LoadU32(image + kContainerHeaderSize + 4 * k);
        if (offset != 0 && (offset < tableEnd || offset > imageSize - kContainerBlockHeaderSize))
            return nullptr;
        if (pos + kContainerBlockHeaderSize > imageSize) return nullptr;
        const uint32_t length = plat::LoadU32(image + pos);
        const uint32_t packed = plat::LoadU32(image + pos + 4);
        const uint64_t expected = std::min<uint64_t>(kContainerBlockSize, size - k * kContainerBlockSize);
        if (length != expected) return nullptr;
        if (packed < 8 || packed > kMaxBlockDataSize) return nullptr;
        const uint64_t data = pos + kContainerBlockHeaderSize;
        if (packed > imageSize - data) return nullptr;
        if (plat::LoadU32(image + data) != length || plat::LoadU32(image + data + 4) != packed)
            return nullptr;
        pos = data + packed;
    }

    auto* out = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : static_cast<size_t>(size)));
    if (!out) return nullptr;
    bool decoded = false;
    try {
        std::vector<ImageBlock> blocks;
        blocks.reserve(static_cast<size_t>(blockCount));
        pos = tableEnd;
        for (uint64_t k = 0; k < blockCount; ++k) {
            const uint32_t length = plat::LoadU32(image + pos);
            const uint32_t packed = plat::LoadU32(image + pos + 4);
            blocks.push_back({image + pos + kContainerBlockHeaderSize, packed, length,
                              out + k * kContainerBlockSize});
            pos += kContainerBlockHeaderSize + packed;
        }
        decoded = DecodeImageBlocks(blocks, maxThreads);
    } catch (const std::bad_alloc&) {
        decoded = false;
    }
    if (!decoded) {
        std::free(out);
        return nullptr;
    }
    if (outSize) *outSize = static_cast<uint32_t>(size);
    return out;
}

}  // namespace kes
