#include "tools/contentgen/worlds/WorldBuilder.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>

#include <unistd.h>

#include "editor/core/Editor.h"
#include "plugins/camera/CameraPlugin.h"
#include "plugins/info/InfoPlugin.h"
#include "plugins/landscape/LandscapePlugin.h"
#include "plugins/morvik/TrackPlugin.h"
#include "plugins/object/ObjectPlugin.h"
#include "plugins/password/PasswordPlugin.h"
#include "plugins/physics/PhysicsPlugin.h"
#include "plugins/shadow/ShadowPlugin.h"
#include "plugins/sky/SkyPlugin.h"
#include "plugins/tessil/SoundPlugin.h"
#include "tools/contentgen/worlds/GameChunks.h"
#include "tools/contentgen/worlds/GroundShape.h"
#include "tools/contentgen/worlds/WorldAmbience.h"
#include "tools/contentgen/worlds/WorldPreview.h"
#include "tools/contentgen/worlds/WorldScenery.h"

namespace tools::worlds {

namespace {

// The plug-ins that store chunks, owned here and registered with the editor in the order the
// editor loads their libraries (file-name order), so the chunks fall in the order an edit in the
// editor itself would save them.
struct PluginSet {
    qv::CameraPlugin camera;
    qv::InfoPlugin info;
    qv::LandscapePlugin landscape;
    qv::TrackPlugin track;
    qv::ObjectPlugin object;
    qv::PasswordPlugin password;
    qv::PhysicsPlugin physics;
    qv::ShadowPlugin shadow;
    qv::SkyPlugin sky;
    qv::SoundPlugin sound;

    std::vector<qv::EditorPlugin*> InLoadOrder() {
        return {&camera, &info, &landscape, &track, &object, &password, &physics, &shadow, &sky, &sound};
    }
};

uint32_t AddTexture(qv::PluginHost* host, const char* name, const qv::Dib& dib) {
    uint32_t index = 0;
    host->AddTextureFromMemory(name, &dib.header, dib.pixels.data(), &index);
    return index;
}

const char* TextureName(GroundLook look) {
    switch (look) {
    case GroundLook::Grass: return "grass.bmp";
    case GroundLook::Dirt: return "dirt.bmp";
    case GroundLook::Sand: return "sand.bmp";
    case GroundLook::Rock: return "rock.bmp";
    case GroundLook::Chalk: return "chalk.bmp";
    }
    return "ground.bmp";
}

// The land texture over every cell, the track texture over the cells the course runs through.
bool PaintGround(qv::LandscapePlugin& landscape, const WorldRecipe& recipe, const ShapedGround& ground) {
    const uint32_t land = AddTexture(landscape.host, TextureName(recipe.land), GroundTexture(recipe.land, recipe.seed));
    if (land == 0) return false;
    landscape.SetCurrentTexture(land, 0, false);
    landscape.Fill(false);
    if (!recipe.loop) return true;
    const uint32_t track = AddTexture(landscape.host, TextureName(recipe.track), GroundTexture(recipe.track, recipe.seed + 100));
    if (track == 0) return false;
    qv::LandscapeGrid& grid = landscape.grid;
    const uint32_t per = grid.record.knotsPerCellX;
    for (uint32_t cy = 0; cy < grid.record.cellsY; ++cy) {
        for (uint32_t cx = 0; cx < grid.record.cellsX; ++cx) {
            // The nearest the course comes to any knot of the cell.
            float nearest = kFar;
            for (uint32_t r = cy * per; r <= std::min(kKnots - 1, (cy + 1) * per); r += 3)
                for (uint32_t c = cx * per; c <= std::min(kKnots - 1, (cx + 1) * per); c += 3)
                    nearest = std::min(nearest, ground.distance[size_t{r} * kKnots + c]);
            if (nearest < 30.0f) grid.cells[size_t{cy} * grid.record.cellsX + cx] = static_cast<uint16_t>(track);
        }
    }
    grid.RefreshPatchTextures();
    return true;
}

// Gates along the course, the start on its straightest stretch; the start gate's place and heading.
CourseSample LayTrack(qv::TrackPlugin& plugin, const CourseLine& course, const ShapedGround& ground) {
    const uint32_t n = GateCountFor(course.Length());
    qv::TrackGraph& g = plugin.graph;
    g.nodes.clear();
    std::vector<float> turn(n);
    std::vector<CourseSample> at(n);
    std::vector<float> height(n);
    const float spacing = course.Length() / static_cast<float>(n);
    for (uint32_t k = 0; k < n; ++k) {
        const float s = spacing * static_cast<float>(k);
        at[k] = course.At(s);
        const size_t sample = static_cast<size_t>(std::lround(at[k].s / course.Length() * static_cast<float>(course.Samples().size()))) %
                              course.Samples().size();
        height[k] = ground.courseHeight[sample];
    }
    for (uint32_t k = 0; k < n; ++k) {
        const CourseSample& a = at[(k + n - 1) % n];
        const CourseSample& b = at[(k + 1) % n];
        turn[k] = std::acos(std::clamp(a.hx * b.hx + a.hy * b.hy, -1.0f, 1.0f));  // radians over two spacings
    }
    for (uint32_t k = 0; k < n; ++k) {
        qv::TrackNode node;
        node.centre = {at[k].x, at[k].y, height[k]};
        node.links = {static_cast<int32_t>((k + 1) % n)};
        node.leftWidth = 30.0f;   // the distance within which a rider has passed the gate
        node.rightWidth = 30.0f;
        // Radius of the turn through the gate: tight below 150 units; no speed limit of its own.
        const float radius = turn[k] > 1e-4f ? 2 * spacing / turn[k] : 1e9f;
        node.hints = radius < 150.0f ? qv::kHintTight : 0u;
        g.nodes.push_back(node);
    }
    qv::ComputeAllEdges(g);
    // The start: the gate whose neighbours (three either side) turn least.
    float best = 1e9f;
    for (uint32_t k = 0; k < n; ++k) {
        float sum = 0;
        for (int j = -3; j <= 3; ++j) sum += turn[(k + n + static_cast<uint32_t>(j + static_cast<int>(n))) % n];
        if (sum < best) {
            best = sum;
            g.startNode = static_cast<int32_t>(k);
        }
    }
    return at[static_cast<size_t>(g.startNode)];
}

void FillInfo(qv::InfoPlugin& info, const WorldRecipe& recipe, const ShapedGround& ground) {
    info.info.id = recipe.id;
    info.info.type = recipe.kind;
    info.info.name = recipe.name;
    std::string comments;
    for (const std::string& line : recipe.description) comments += line + "\r\n";
    comments += recipe.scoreFactor;
    info.info.comments = comments;
    if (recipe.dusk) {
        info.info.sun[0] = 255, info.info.sun[1] = 170, info.info.sun[2] = 110;
        info.info.ambient[0] = 200, info.info.ambient[1] = 170, info.info.ambient[2] = 210;
        info.info.sunPosition[0] = -2000, info.info.sunPosition[1] = 500, info.info.sunPosition[2] = 900;
    } else {
        info.info.sun[0] = 255, info.info.sun[1] = 245, info.info.sun[2] = 225;
        info.info.sunPosition[0] = 1500, info.info.sunPosition[1] = -1500, info.info.sunPosition[2] = 2500;
    }
    info.info.picture = PreviewPicture(recipe, ground);
}

}  // namespace

uint32_t GateCountFor(float courseLength) {
    return static_cast<uint32_t>(std::clamp(std::lround(courseLength / 60.0f), 24L, 96L));
}

namespace {

// A folder of its own for the files the builder hands the editor (meshes, waves), removed with it.
class ScratchFolder {
public:
    ScratchFolder() {
        static std::atomic<uint32_t> counter{0};
        path_ = (std::filesystem::temp_directory_path() /
                 ("contentgen_" + std::to_string(::getpid()) + "_" + std::to_string(counter++))).string();
        std::error_code ec;
        std::filesystem::create_directories(path_, ec);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

std::vector<uint8_t> BuildWorld(const WorldRecipe& recipe, std::string* error, std::vector<uint8_t>* editorImage) {
    std::unique_ptr<CourseLine> course;
    if (recipe.loop) course = std::make_unique<CourseLine>(LoopControls(*recipe.loop));
    const ShapedGround ground = ShapeGround(course.get(), GroundFor(recipe));

    auto plugins = std::make_unique<PluginSet>();
    auto editor = std::make_unique<qv::Editor>();
    for (qv::EditorPlugin* p : plugins->InLoadOrder()) {
        if (editor->RegisterPlugin(p, p) != 0) {
            *error = recipe.fileName + ": a plug-in was refused";
            return {};
        }
    }
    for (size_t i = 0; i < editor->PluginCount(); ++i) editor->Plugin(i)->Attach();
    editor->world.Reset(true, false);
    // The world box is the ground's own, set before anything is placed: changing it later would
    // move every placed thing with it.
    const float bounds[6] = {kGroundMin, kGroundMin, 0.0f, kGroundMax, kGroundMax, 1000.0f};
    std::copy_n(bounds, 6, editor->world.bounds);

    std::vector<uint8_t> bytes;
    plugins->landscape.ApplyWholeWorld(ground.heights);
    if (plugins->landscape.grid.heights.size() != ground.heights.size()) {
        *error = recipe.fileName + ": the landscape refused the heights";
    } else if (!PaintGround(plugins->landscape, recipe, ground)) {
        *error = recipe.fileName + ": a ground texture was refused";
    } else {
        std::optional<CourseSample> start;
        if (course) start = LayTrack(plugins->track, *course, ground);
        FillInfo(plugins->info, recipe, ground);
        const Pond pond = FindPond(ground, course.get());
        const ScratchFolder scratch;
        DressingPlan plan;
        plan.start = start ? &*start : nullptr;
        plan.keepClear = pond.centre;
        plan.keepClearRadius = kPondFence + 20;
        plan.meshFolder = scratch.Path();
        uint32_t bonusId = 0;
        std::string why;
        if (!DressWorld(plugins->sky, plugins->shadow, plugins->object, recipe, course.get(), ground, plan, &bonusId, &why) ||
            !PlaceSoundEmitters(plugins->sound, recipe, ground, pond.centre, plan.start, scratch.Path(), &why)) {
            *error = recipe.fileName + ": " + why;
        } else {
            if (course) PlaceTrackCameras(plugins->camera, *course, ground);
            bytes = editor->world.Image();
            if (bytes.empty()) {
                *error = recipe.fileName + ": the editor could not write the world";
            } else {
                if (editorImage) *editorImage = bytes;
                if (!AddGameChunks(bytes, pond, bonusId, &why)) {
                    *error = recipe.fileName + ": " + why;
                    bytes.clear();
                }
            }
        }
    }
    editor->Shutdown();
    editor.reset();
    return bytes;
}

}  // namespace tools::worlds
