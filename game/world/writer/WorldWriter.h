#pragma once
// Writes world files byte for byte as the editor and its plug-ins lay them out: the outer "QVED"
// chunk, the header chunk, "FOG ", the landscape "SLND" with its "TXDB" texture list, "TINF",
// "PHYS", "LMAP" and "CAMR", and any other chunk as raw bytes. Used by tests and by the tools that
// make the default content.
#include <cstdint>
#include <string>
#include <vector>

#include "game/core/render/RenderInterface.h"
#include "game/world/chunk/WorldTypes.h"
#include "game/world/collision/CollisionMeshes.h"
#include "game/world/dynamic/DynamicObjects.h"
#include "game/world/path/MotionPath.h"

namespace kes {

// A device-independent picture: rows bottom row first, each width x bytes per pixel long (no
// padding; the writer pads rows to four bytes as the editor does).
struct DibPicture {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bits = 24;
    std::vector<uint32_t> table;  // 256 entries (blue, green, red, 0) for 8 bits per pixel
    std::vector<uint8_t> rows;

    uint32_t PackedRowBytes() const { return (bits + 7u) / 8u * static_cast<uint32_t>(width); }
    uint32_t PaddedRowBytes() const { return ((bits * static_cast<uint32_t>(width) + 31u) / 32u) * 4u; }
    static DibPicture Grey(int32_t width, int32_t height, uint8_t level);
    static DibPicture Solid(int32_t width, int32_t height, uint8_t red, uint8_t green, uint8_t blue);
};

// Written as "TXTR", or as "TXTA" followed by the alpha picture when one is given.
struct TextureRecordData {
    std::string name;
    DibPicture colour;
    bool hasAlpha = false;
    DibPicture alpha;
};

struct FogData {
    uint32_t mode = 1, enabled = 0, colour = 0x00FFE6D7, start = 500, end = 1900;
    uint32_t custom[16] = {};
};

struct LandscapeData {
    uint16_t displayFlags = 6;
    uint16_t version = 1;          // 0 writes the 52-byte record without bounds
    uint32_t lodEnabled = 1;
    float lodFactor = 0.5f;
    uint32_t knotsX = 0, knotsY = 0;
    float baseHeight = 0;
    uint32_t knotsPerCellX = 18, knotsPerCellY = 18;
    WorldBounds bounds;
    std::vector<float> heights;    // knotsY rows of knotsX
    std::vector<uint16_t> cells;   // cellsY rows of cellsX: 0 none, n = n-th texture
    std::vector<TextureRecordData> textures;

    uint32_t CellsX() const { return (knotsX + knotsPerCellX - 2) / knotsPerCellX; }
    uint32_t CellsY() const { return (knotsY + knotsPerCellY - 2) / knotsPerCellY; }
    // The editor's new landscape: 721 x 721 knots, 18 per cell, all heights 0, no textures.
    static LandscapeData EditorDefault(const WorldBounds& bounds);
};

struct InfoData {
    std::vector<TextureRecordData> textures;
    uint32_t activated = 1, id = 0, kind = 0;
    std::string name = "A track";
    std::string comments;
    uint32_t sun[3] = {255, 200, 200};
    float sunIntensity = 1.0f;
    uint32_t ambient[3] = {255, 255, 255};
    float ambientIntensity = 0.4f;
    float sunPosition[3] = {0, 0, 2500};
    bool hasPicture = false;
    DibPicture picture;
};

struct PhysicsData {
    uint32_t tileMaps = 0;
    bool hasPhysicsMap = false, hasParticleMap = false;
    DibPicture physicsMap, particleMap;
};

struct LightMapData {
    bool hasMap1 = false, hasMap2 = false;
    DibPicture map1, map2;
};

struct CameraRecordData {
    float x = 0, y = 0, z = 0, heightAboveGround = 0;
    float corner1X = 0, corner1Y = 0, corner2X = 0, corner2Y = 0;
    float zoom = 0, range = 0;
    uint32_t rangeOn = 0;
    float minDistance = 0;
    uint32_t minOn = 0;
    float maxDistance = 0;
    uint32_t maxOn = 0;
    float cut = 0.1f, fov = 90.0f;
};

// One water area: a flat polygon of the ground plane with its texture scales.
struct WaterAreaData {
    std::vector<Vec3> outline;
    float scaleX = 0.01f, scaleY = 0.01f;
    uint32_t firstFrame = 1;
};

struct WaterData {
    std::vector<TextureRecordData> frames;
    std::vector<WaterAreaData> areas;
};

struct FenceMaterialData {
    uint32_t breakable = 0;
    float breakThreshold = 0;
    int32_t brokenMaterial = 0;
    std::string name;
    std::string soundName = "None";
};

struct FenceLineData {
    PointList curve;                  // knots rebuilt by the writer
    float height = 2.0f;
    std::vector<uint32_t> materials;  // one per panel: 0 not drawn, k = material k - 1
};

struct FenceData {
    uint32_t version = 1002;  // or 1000: materials without sound names
    std::vector<TextureRecordData> textures;  // one per material
    std::vector<FenceMaterialData> materials;
    std::vector<FenceLineData> lines;
};

// One object type as a mesh record of a single frame and a single material group.
struct ObjectMeshData {
    std::string name;
    std::vector<SourceVertex> vertices;
    std::vector<uint16_t> faces;  // index triples
    uint32_t texture = 0;         // 1-based index into the chunk's texture list, 0 none
    uint32_t colour = 0xFFFFFF;
    uint16_t flags = 0;
};

// A placed object as the editor's object placer stores it.
struct ObjectInstanceData {
    float x = 0, y = 0, groundHeight = 0;
    float rotX = 0, rotY = 0, rotZ = 0;
    float scale = 1;
    float heightAbove = 0;
    uint32_t type = 0;
    Vec3 up{0, 0, 1};
    uint32_t flags = 2;
    uint32_t id = 0;
};

struct ObjectsData {
    std::vector<TextureRecordData> textures;
    std::vector<ObjectMeshData> types;
    uint32_t showObjects = 1;
    std::vector<ObjectInstanceData> instances;
    // Two sound names per type ("None" when the list is shorter).
    std::vector<std::string> sounds1, sounds2;
    bool writeSounds = true;  // false ends the chunk after the instances, as older files do
};

// The sky as the editor's sky plug-in keeps it ("SKY.", current layout unless oldLayout).
struct SkyData {
    bool oldLayout = false;  // the four words and the list only
    int32_t wallTexture = -1, overheadTexture = 0, cloudTexture = -1;  // 0-based, -1 none
    int32_t activated = 1;
    float wallTiles = 2.0f, overheadTiles = 2.0f, wallWidth = 512.0f, wallHeight = 64.0f;
    float overheadWidth = 512.0f, horizonAdjust = 20.0f, speed = 0.0f;
    std::vector<TextureRecordData> textures;
};

// One ambient sound source of the sound map, as the editor's sound-map plug-in stores it.
struct SoundEmitterData {
    Vec3 position{};
    float innerRadius = 0, outerRadius = 0;
    int32_t wave = -1;  // 0-based index into the wave list, -1 none
    float volume = 1.0f;
    int32_t playMode = 0;  // 0 loop, 1 after a fixed wait, 2 after a random wait
    float wait = 0, waitFrom = 0, waitTo = 0;
    int32_t pitchMode = 0;  // 0 constant, 1 random
    int32_t frequency = 44100, frequencyFrom = 22050, frequencyTo = 44100;
};

// A wave of the list: its name and mono 16-bit samples at a rate.
struct SoundMapWave {
    std::string name;
    uint32_t rate = 22050;
    std::vector<int16_t> samples;
};

struct SoundMapData {
    std::vector<SoundMapWave> waves;
    std::vector<SoundEmitterData> emitters;
};

// One node of the AI track as the editor's AI-track plug-in stores it (the game reads it as a gate:
// centre = reference point, left and right edge = end points A and B, left width = radius).
struct AiNodeData {
    Vec3 centre{0, 0, 0};
    Vec3 leftEdge{0, 0, 0}, rightEdge{0, 0, 0};
    float leftWidth = 10, rightWidth = 10;
    uint8_t sequence = 0;     // hint byte 0: renumbered along the main path when numberPath is set
    uint8_t tightTurn = 0;    // hint byte 1: 2 for a tight turn
    uint8_t stunt = 0;        // hint byte 2: 1 for a stunt
    uint8_t topSpeed = 255;   // hint byte 3: km/h
    std::vector<int32_t> links;  // first link = successor on the main path
};

struct AiTrackData {
    std::vector<AiNodeData> nodes;
    int32_t startNode = 0;
    bool currentLayout = true;  // false: the older layout (node count first, no map)
    // As the editor saves: every sequence byte cleared, then the main path numbered 0, 1, 2 ... from
    // the start node along first links.
    bool numberPath = true;
    bool hasMap = false;
    uint32_t mapWidth = 0, mapHeight = 0;
    std::vector<uint8_t> mapBits;  // ((mapWidth + 7) / 8) x mapHeight bytes, bottom row first
};

class WorldWriter {
public:
    WorldWriter();
    // The header chunk: bounds and the editor's two mouse sensitivities.
    void Header(const WorldBounds& bounds, float rotational = 0.05f, float translational = 1.0f);
    void Fog(const FogData& fog);
    void Landscape(const LandscapeData& land);
    void Info(const InfoData& info);
    void Physics(const PhysicsData& physics);
    void LightMap(const LightMapData& light);
    void Cameras(const std::vector<CameraRecordData>& cameras);
    void Collision(const std::vector<CollisionMesh>& meshes);
    void Water(const WaterData& water);
    void Fences(const FenceData& fences);
    void Objects(const ObjectsData& objects);
    void Sky(const SkyData& sky);
    void SoundMap(const SoundMapData& sounds);
    // Version 1 (292-byte records), 2 (312) or 3 (316 and the point rolls), then the paths.
    void Dynamic(const std::vector<const DynamicRecord*>& records, uint32_t version = 3);
    void AiTrack(const AiTrackData& track);
    // Any chunk as it stands.
    void Raw(uint32_t tag, const std::vector<uint8_t>& data);
    // The whole file, outer size patched.
    std::vector<uint8_t> Finish();
    // Writes the file through a temporary file renamed over the target; false on any failure.
    bool Save(const std::string& path);

    // The parts, for tests that build their own chunks.
    static void AppendTextureList(std::vector<uint8_t>& out, const std::vector<TextureRecordData>& textures);
    static void AppendChunkBitmap(std::vector<uint8_t>& out, const DibPicture& picture);
    static std::vector<uint8_t> CollisionChunk(const std::vector<CollisionMesh>& meshes);
    static std::vector<uint8_t> WaterChunk(const WaterData& water);
    static std::vector<uint8_t> FenceChunk(const FenceData& fences);
    static std::vector<uint8_t> ObjectChunk(const ObjectsData& objects);
    static std::vector<uint8_t> SkyChunk(const SkyData& sky);
    static std::vector<uint8_t> SoundMapChunk(const SoundMapData& sounds);
    // A "WAVE" list as the editor's wave list writes it.
    static void AppendWaveList(std::vector<uint8_t>& out, const std::vector<SoundMapWave>& waves);
    static std::vector<uint8_t> AiTrackChunk(const AiTrackData& track);
    static std::vector<uint8_t> DynamicChunk(const std::vector<const DynamicRecord*>& records, uint32_t version = 3);
    // A mesh record ("HSEM") as the editor's mesh list writes it.
    static void AppendMeshRecord(std::vector<uint8_t>& out, const ObjectMeshData& mesh);

private:
    size_t BeginChunk(uint32_t tag);
    void EndChunk(size_t at);
    std::vector<uint8_t> bytes_;
};

}  // namespace kes
