#include "tools/contentgen/worlds/GameChunks.h"

#include <algorithm>
#include <cmath>

#include "game/world/dynamic/DynamicObjects.h"
#include "game/world/writer/WorldWriter.h"
#include "platform/bytes/ByteIO.h"

namespace tools::worlds {

namespace {

constexpr float kPi = 3.14159265f;

// Ripples of blue, shifted a little each frame so that the water moves.
kes::DibPicture WaterFrame(int frame) {
    kes::DibPicture p = kes::DibPicture::Solid(64, 64, 0, 0, 0);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const float a = 2 * kPi * static_cast<float>(x + 2 * y + 8 * frame) / 64.0f;
            const float b = 2 * kPi * static_cast<float>(2 * x - y + 16) / 64.0f;
            const float w = 0.5f + 0.25f * std::sin(a) + 0.25f * std::sin(b);
            uint8_t* px = &p.rows[static_cast<size_t>(y * 64 + x) * 3];
            px[0] = static_cast<uint8_t>(150 + 70 * w);  // blue
            px[1] = static_cast<uint8_t>(90 + 50 * w);   // green
            px[2] = static_cast<uint8_t>(40 + 30 * w);   // red
        }
    }
    return p;
}

// Weathered boards: brown planks with dark gaps between them.
kes::DibPicture FenceBoards() {
    kes::DibPicture p = kes::DibPicture::Solid(64, 64, 0, 0, 0);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool gap = x % 16 == 0;
            const float grain = 0.85f + 0.15f * std::sin(static_cast<float>(y) * 0.7f + static_cast<float>(x / 16) * 1.3f);
            uint8_t* px = &p.rows[static_cast<size_t>(y * 64 + x) * 3];
            px[0] = static_cast<uint8_t>(gap ? 20 : 60 * grain);
            px[1] = static_cast<uint8_t>(gap ? 30 : 100 * grain);
            px[2] = static_cast<uint8_t>(gap ? 40 : 140 * grain);
        }
    }
    return p;
}

kes::WaterData PondWater(const Pond& pond) {
    kes::WaterData w;
    for (int f = 0; f < 4; ++f) w.frames.push_back({"water" + std::to_string(f + 1), WaterFrame(f)});
    kes::WaterAreaData area;
    for (int k = 0; k < 12; ++k) {
        const float a = 2 * kPi * static_cast<float>(k) / 12;
        area.outline.push_back({pond.centre.x + pond.radius * std::cos(a), pond.centre.y + pond.radius * std::sin(a), pond.level});
    }
    area.scaleX = area.scaleY = 1.0f / 64.0f;
    w.areas.push_back(area);
    return w;
}

kes::FenceData PondFence(const Pond& pond) {
    kes::FenceData f;
    f.textures = {{"boards", FenceBoards()}};
    f.materials = {{0, 0.0f, 0, "boards", "None"}};
    kes::FenceLineData line;
    // Round the pond but for a gap on its far side; the first and last points shape the ends.
    for (int k = -1; k <= 15; ++k) {
        const float a = 2 * kPi * static_cast<float>(k) / 16 + kPi / 8;
        line.curve.points.push_back({pond.centre.x + kPondFence * std::cos(a), pond.centre.y + kPondFence * std::sin(a), 0});
    }
    line.height = 4.0f;
    line.materials.assign(28, 1);
    f.lines.push_back(std::move(line));
    return f;
}

kes::CollisionMesh BonusMesh() {
    kes::CollisionMesh m;
    std::snprintf(m.name, sizeof m.name, "%s", kBonusMeshName);
    kes::MeshSphere s{};
    s.centre = {0, 0, 3};
    s.radius = 4;
    s.shapeValue = 1.0f;
    m.spheres.push_back(s);
    return m;
}

void AppendChunk(std::vector<uint8_t>& world, const char* tag, const std::vector<uint8_t>& data) {
    const size_t at = world.size();
    world.resize(at + 8);
    std::copy_n(tag, 4, world.begin() + static_cast<long>(at));
    plat::StoreU32(&world[at + 4], static_cast<uint32_t>(data.size()));
    world.insert(world.end(), data.begin(), data.end());
}

}  // namespace

Pond FindPond(const ShapedGround& ground, const CourseLine* course) {
    auto courseDistance = [course](float x, float y) {
        float d = kFar;
        const auto& samples = course->Samples();
        for (size_t k = 0; k < samples.size(); k += 4) d = std::min(d, std::hypot(samples[k].x - x, samples[k].y - y));
        return d;
    };
    Pond best;
    float bestRise = 1e9f;
    for (float y = -1200; y <= 2200; y += 50) {
        for (float x = -1200; x <= 2200; x += 50) {
            if (course) {
                const float d = courseDistance(x, y);
                if (d < 260 || d > 700) continue;
            } else {
                const float d = std::hypot(x - 10, y - 50);
                if (d < 350 || d > 800) continue;
            }
            float low = 1e9f, high = -1e9f;
            for (int k = 0; k < 16; ++k) {
                const float a = 2 * kPi * static_cast<float>(k) / 16;
                for (float r : {0.0f, 60.0f, kPondFence + 10}) {
                    const float h = HeightAtKnot(ground, x + r * std::cos(a), y + r * std::sin(a));
                    low = std::min(low, h), high = std::max(high, h);
                }
            }
            if (high - low < bestRise) {
                bestRise = high - low;
                best.centre = {x, y};
                best.level = low;
            }
        }
    }
    // The water stands a little above the lowest ground of the pond, so that it shows on a slope too.
    best.level += std::min(3.0f, 0.5f + bestRise * 0.5f);
    return best;
}

bool AddGameChunks(std::vector<uint8_t>& world, const Pond& pond, uint32_t bonusId, std::string* error) {
    if (world.size() < 8 || world[0] != 'Q' || world[1] != 'V' || world[2] != 'E' || world[3] != 'D') {
        *error = "not an editor world image";
        return false;
    }
    AppendChunk(world, "WATR", kes::WorldWriter::WaterChunk(PondWater(pond)));
    AppendChunk(world, "FENC", kes::WorldWriter::FenceChunk(PondFence(pond)));
    AppendChunk(world, "COLL", kes::WorldWriter::CollisionChunk({BonusMesh()}));
    if (bonusId != 0) {
        kes::DynamicRecord bonus;
        bonus.objectId = bonusId;
        bonus.behaviour = kes::kBonus;
        bonus.mode = 1;  // extra points
        bonus.amount = kBonusPoints;
        AppendChunk(world, "DYNO", kes::WorldWriter::DynamicChunk({&bonus}));
    }
    plat::StoreU32(&world[4], static_cast<uint32_t>(world.size() - 8));
    return true;
}

}  // namespace tools::worlds
