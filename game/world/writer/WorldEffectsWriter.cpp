// The sky and sound-map chunks, laid out as the editor's sky and sound-map plug-ins save them.
#include <cstring>

#include "editor/sound/WaveFile.h"
#include "game/world/writer/WorldWriter.h"
#include "platform/bytes/ByteIO.h"

namespace kes {

namespace {

void Put(std::vector<uint8_t>& o, const plat::ByteWriter& w) { o.insert(o.end(), w.Data().begin(), w.Data().end()); }

}  // namespace

std::vector<uint8_t> WorldWriter::SkyChunk(const SkyData& d) {
    plat::ByteWriter w;
    if (!d.oldLayout) w.U32(100);
    for (int32_t v : {d.wallTexture, d.overheadTexture, d.cloudTexture, d.activated}) w.U32(static_cast<uint32_t>(v));
    if (!d.oldLayout)
        for (float f : {d.wallTiles, d.overheadTiles, d.wallWidth, d.wallHeight, d.overheadWidth, d.horizonAdjust, d.speed})
            w.F32(f);
    std::vector<uint8_t> out;
    Put(out, w);
    AppendTextureList(out, d.textures);
    return out;
}

void WorldWriter::AppendWaveList(std::vector<uint8_t>& out, const std::vector<SoundMapWave>& waves) {
    plat::ByteWriter w;
    w.U32(ChunkTag("WAVE"));
    w.U32(0);
    w.U32(static_cast<uint32_t>(waves.size()));
    for (const SoundMapWave& s : waves) {
        qv::WaveData wave;
        wave.name = s.name;
        wave.format = qv::WaveFormat{1, 1, s.rate, s.rate * 2, 2, 16, qv::kWaveRecordFormatMark};
        wave.samples.resize(s.samples.size() * 2);
        for (size_t i = 0; i < s.samples.size(); ++i) plat::StoreU16(&wave.samples[2 * i], static_cast<uint16_t>(s.samples[i]));
        qv::WriteWaveRecord(w, wave);
    }
    w.PatchU32(4, static_cast<uint32_t>(w.Size() - 8));
    Put(out, w);
}

std::vector<uint8_t> WorldWriter::SoundMapChunk(const SoundMapData& d) {
    std::vector<uint8_t> out;
    plat::ByteWriter head;
    head.U32(1);
    Put(out, head);
    AppendWaveList(out, d.waves);
    plat::ByteWriter w;
    w.U32(static_cast<uint32_t>(d.emitters.size()));
    for (const SoundEmitterData& e : d.emitters) {
        for (float f : {e.position.x, e.position.y, e.position.z, e.innerRadius, e.outerRadius}) w.F32(f);
        w.U32(static_cast<uint32_t>(e.wave));
        w.F32(e.volume);
        w.U32(static_cast<uint32_t>(e.playMode));
        for (float f : {e.wait, e.waitFrom, e.waitTo}) w.F32(f);
        for (int32_t v : {e.pitchMode, e.frequency, e.frequencyFrom, e.frequencyTo}) w.U32(static_cast<uint32_t>(v));
    }
    Put(out, w);
    return out;
}

void WorldWriter::Sky(const SkyData& sky) { Raw(ChunkTag("SKY."), SkyChunk(sky)); }
void WorldWriter::SoundMap(const SoundMapData& sounds) { Raw(ChunkTag("SNDM"), SoundMapChunk(sounds)); }

}  // namespace kes
