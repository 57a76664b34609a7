// Any bytes as a movie: decoded to its end or refused, never a fault.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/media/MediaDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto decoder = plat::MediaDecoder::Open(std::make_unique<plat::MemoryReader>(data, size), 0, true, 22050);
    if (!decoder) return 0;
    std::vector<uint8_t> pixels(static_cast<size_t>(decoder->Width()) * static_cast<size_t>(decoder->Height()) * 4);
    std::vector<int16_t> sound;
    for (int i = 0; i < 64 && decoder->NextFrame(pixels.data(), decoder->Width() * 4); ++i) decoder->TakeAudio(&sound);
    return 0;
}
