// Feeds arbitrary bytes to the sound-map reader as one chunk, with a sound system rendering into
// memory, then runs a few frames and frees it.
#include <cstdint>
#include <memory>
#include <vector>

#include "game/core/audio/AudioSystem.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/soundmap/SoundMap.h"
#include "platform/audio/AudioOutput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::unique_ptr<kes::AudioSystem> audio = [] {
        plat::SetAudioLoopbackForTests(22050);
        auto a = std::make_unique<kes::AudioSystem>();
        a->Open(nullptr, 0, kes::kPrimaryFormat22k16Stereo);
        kes::SetTheAudioSystem(a.get());
        return a;
    }();
    kes::MemoryPack pack(std::vector<uint8_t>(data, data + size));
    kes::ChunkStream s(pack, static_cast<uint32_t>(size));
    kes::SoundEmittersLoad(s, static_cast<uint32_t>(size));
    for (int i = 0; i < 4; ++i) {
        kes::SoundEmittersTick(450);
        kes::SoundEmittersUpdate(kes::WorldView{}, nullptr);
        audio->Update();
    }
    kes::SoundEmittersFree();
    return 0;
}
