#pragma once
// The compressed container ("QZPK"): a file cut into independent 64 KB blocks, each an LZ token
// stream whose lengths, distance sizes and literal bytes are coded with two adaptive Huffman models.
// Decoder and encoder share one model implementation so that what the tools write the game reads.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "game/core/pack/PackResult.h"

namespace kes {

constexpr uint32_t kContainerMagic = 0x4B505A51;  // "QZPK" read as a little-endian u32
constexpr uint32_t kContainerBlockSize = 0x10000;
constexpr uint32_t kContainerHeaderSize = 24;
constexpr uint32_t kContainerBlockHeaderSize = 12;
constexpr uint32_t kMaxBlockDataSize = 98312;  // largest packed block the reader accepts

// The 24-byte container header, in file order.
struct ContainerHeader {
    uint32_t firstWord;     // copied, not interpreted
    uint32_t unpackedSize;  // of the whole file
    uint32_t magic;         // kContainerMagic
    uint32_t blockCount;
    uint32_t blockSize;     // kContainerBlockSize, else the file is plain
    uint32_t lastWord;      // copied, not interpreted
};

// Reads the header from 24 bytes (little-endian, field by field).
ContainerHeader ReadContainerHeader(const uint8_t* bytes);

// Decodes one block's data (which starts with the words L and P, then the bit stream) of dataSize
// bytes into out, which has room for kContainerBlockSize bytes. On success stores L in *outLength and
// returns kOk; any damage (bad L or P, token of length 0, length past the block, distance before the
// output, bit stream past its end, impossible model state) returns kPackReadFailed and writes nothing
// past out + kContainerBlockSize.
Result UnpackBlock(const uint8_t* data, size_t dataSize, uint8_t* out, uint32_t* outLength);

// Decodes a whole container held in memory. Returns a new block from std::malloc (the caller frees it
// with std::free) holding the unpacked bytes, with their count in *outSize when given; null when the
// image is damaged or memory runs out. The blocks of a large image are decoded on several threads
// (at most maxThreads, 0 = as many as the machine has); the result is the same for any count.
uint8_t* UnpackImage(const uint8_t* image, size_t imageSize, uint32_t* outSize);
uint8_t* UnpackImage(const uint8_t* image, size_t imageSize, uint32_t* outSize, unsigned maxThreads);

// Encodes one block (at most kContainerBlockSize bytes) into its block data: the words L and P, then
// the bit stream. Longest-match LZ search. Empty for 0 bytes, for more than kContainerBlockSize, and
// for a block whose data would pass kMaxBlockDataSize (which the reader refuses).
std::vector<uint8_t> PackBlock(const uint8_t* data, size_t size);

// Encodes a whole file as a container image: header, offset table (every offset filled), blocks.
// Empty when a block cannot be encoded (see PackBlock); an empty file gives the 24-byte header alone.
// The blocks are encoded on several threads (at most maxThreads, 0 = as many as the machine has);
// the image is the same for any count.
std::vector<uint8_t> PackImage(const uint8_t* data, size_t size, uint32_t firstWord = 0,
                               uint32_t lastWord = 0, unsigned maxThreads = 0);

}  // namespace kes
