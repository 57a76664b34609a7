#include "tools/contentgen/worlds/WorldAmbience.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "tools/contentgen/frontend/MenuSounds.h"
#include "tools/contentgen/worldfx/WorldFxSounds.h"

namespace tools::worlds {

namespace {

enum AmbientIndex { kWind, kBirds, kCrowd, kBrook, kMachine };

// Writes the wave as a file in folder and loads it into the editor's wave list; its 0-based index
// there, or -1.
int32_t LoadWave(qv::PluginHost* host, const AmbientWave& wave, const std::string& folder) {
    const std::string path = (std::filesystem::path(folder) / wave.fileName).string();
    const std::vector<uint8_t> bytes = EncodeWave(wave.samples(), kFxRate);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    uint32_t index = 0;
    host->AddWaveFromFile(path.c_str(), &index);
    return static_cast<int32_t>(index) - 1;
}

qv::SoundEmitter Emitter(float x, float y, float z, float inner, float outer, int32_t wave, float volume) {
    qv::SoundEmitter e;
    e.position[0] = x, e.position[1] = y, e.position[2] = z;
    e.innerRadius = inner, e.outerRadius = outer;
    e.wave = wave;
    e.volume = volume;
    e.frequency = static_cast<int32_t>(kFxRate);
    return e;
}

}  // namespace

const std::vector<AmbientWave>& AmbientWaves() {
    static const std::vector<AmbientWave> waves = {
        {"wind.wav", [] { return AmbientSound(Ambience::Wind); }},
        {"birds.wav", [] { return AmbientSound(Ambience::Birds); }},
        {"crowd.wav", [] { return AmbientSound(Ambience::Crowd); }},
        {"brook.wav", [] { return AmbientSound(Ambience::Brook); }},
        {"machine.wav", [] { return AmbientSound(Ambience::Machine); }},
    };
    return waves;
}

bool PlaceSoundEmitters(qv::SoundPlugin& sounds, const WorldRecipe& recipe, const ShapedGround& ground, Point2 pond,
                        const CourseSample* start, const std::string& folder, std::string* error) {
    const bool stadium = recipe.terrain == Terrain::Arena;
    const bool quarry = recipe.terrain == Terrain::Bowl;
    // The waves this world plays, loaded in the order of the list.
    std::vector<AmbientIndex> used = {kWind, stadium ? kCrowd : kBirds};
    if (quarry) used.push_back(kMachine);
    else if (!stadium) used.push_back(kBrook);
    int32_t index[5] = {-1, -1, -1, -1, -1};
    for (AmbientIndex a : used) {
        index[a] = LoadWave(sounds.host, AmbientWaves()[a], folder);
        if (index[a] < 0) {
            *error = std::string("the wave ") + AmbientWaves()[a].fileName + " was refused";
            return false;
        }
    }
    sounds.activated = true;
    sounds.emitters.clear();
    const float cx = recipe.loop ? recipe.loop->centre.x : 10.0f, cy = recipe.loop ? recipe.loop->centre.y : 50.0f;
    sounds.emitters.push_back(Emitter(cx, cy, HeightAtKnot(ground, cx, cy) + 40, 600, 3000, index[kWind], 0.5f));
    const float sx = start ? start->x : 10.0f, sy = start ? start->y : 50.0f;
    qv::SoundEmitter near = Emitter(sx, sy, HeightAtKnot(ground, sx, sy) + 10, 120, 500, index[used[1]], stadium ? 0.8f : 0.6f);
    if (!stadium) {
        // Birds call now and then, each call at its own pitch.
        near.playMode = 2, near.waitFrom = 2, near.waitTo = 7;
        near.pitchMode = 1, near.frequencyFrom = 18000, near.frequencyTo = 26000;
    }
    sounds.emitters.push_back(near);
    if (used.size() > 2) {
        const AmbientIndex third = used[2];
        sounds.emitters.push_back(Emitter(pond.x, pond.y, HeightAtKnot(ground, pond.x, pond.y) + 5, 80, 400, index[third],
                                          third == kMachine ? 0.5f : 0.7f));
    }
    return true;
}

void PlaceTrackCameras(qv::CameraPlugin& cameras, const CourseLine& course, const ShapedGround& ground) {
    constexpr int kCameras = 8;
    const auto& samples = course.Samples();
    const size_t n = samples.size();
    cameras.cameras.clear();
    for (int k = 0; k < kCameras; ++k) {
        const size_t first = n * static_cast<size_t>(k) / kCameras, last = n * static_cast<size_t>(k + 1) / kCameras;
        const CourseSample& mid = samples[(first + last) / 2];
        // Outside: the side away from the loop's middle.
        float ox = mid.hy, oy = -mid.hx;
        const CourseSample& opposite = samples[((first + last) / 2 + n / 2) % n];
        if (ox * (opposite.x - mid.x) + oy * (opposite.y - mid.y) > 0) ox = -ox, oy = -oy;
        qv::TrackCameraRecord c;
        c.x = mid.x + ox * 120, c.y = mid.y + oy * 120;
        c.height = 30;
        c.z = HeightAtKnot(ground, c.x, c.y) + c.height;
        c.x1 = c.x2 = mid.x, c.y1 = c.y2 = mid.y;
        for (size_t i = first; i < last; ++i) {
            c.x1 = std::min(c.x1, samples[i].x), c.x2 = std::max(c.x2, samples[i].x);
            c.y1 = std::min(c.y1, samples[i].y), c.y2 = std::max(c.y2, samples[i].y);
        }
        c.x1 -= 40, c.y1 -= 40, c.x2 += 40, c.y2 += 40;
        c.zoom = 0.5f;
        c.fov = 60;
        cameras.cameras.push_back(c);
    }
}

}  // namespace tools::worlds
