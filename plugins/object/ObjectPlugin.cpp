#include "plugins/object/ObjectPlugin.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor/mesh/EditorMesh.h"
#include "platform/bytes/ByteIO.h"
#include "platform/fs/Paths.h"
#include "platform/sys/CrtRand.h"
#include "plugins/shared/CText.h"
#include "plugins/shared/ChunkReader.h"
#include "plugins/shared/DrawLines.h"
#include "plugins/shared/GroundQuery.h"
#include "plugins/shared/WorldMessages.h"

namespace qv {

plat::DialogTemplate ObjectPanelTemplate();  // ObjectPanel.cpp

namespace {

constexpr int32_t kBuiltInInstances = 2;  // the pair every new world starts with
constexpr uint32_t kLongestSoundName = 259;

// A length-prefixed name: u32 L, then L + 1 bytes with the terminating zero.
bool ReadSoundName(ChunkReader& in, std::string* out) {
    const uint32_t n = in.U32();
    if (!in.Ok() || n > kLongestSoundName || !in.Need(uint64_t{n} + 1)) return false;
    std::vector<char> text(n + 1, '\0');
    if (!in.Bytes(text.data(), n + 1)) return false;
    *out = std::string(text.data(), strnlen(text.data(), n + 1));
    return true;
}

void WriteSoundName(ChunkWriter& out, const std::string& name) {
    out.U32(static_cast<uint32_t>(name.size()));
    out.Bytes(name.c_str(), static_cast<uint32_t>(name.size() + 1));
}

}  // namespace

ObjectPlugin::ObjectPlugin()
    : PluginBase(FourCC("OBJT"), "ObjectClass", {"Object", "Object Placer", "Brastow"}, ObjectPanelTemplate(),
                 0xC08040, 3) {
    pluginVersion = 1;
    mainPort.kindMask = 0x0E;
}

int32_t ObjectPlugin::Attach() {
    waveFiles.clear();
    for (const plat::FolderEntry& e : plat::ListFolder("Sounds", "*.wav"))
        if (!e.isFolder) waveFiles.push_back(e.name);
    return PluginBase::Attach();
}

int32_t ObjectPlugin::HasChunk() { return host && host->GetMeshCount() > 0 ? 1 : 0; }

void ObjectPlugin::ResetTypeInfo() { types.assign(static_cast<size_t>(host ? host->GetMeshCount() : 0), {}); }

int32_t ObjectPlugin::ResetWorld() {
    host->DeleteAllTextures();
    host->DeleteAllMeshes();
    instances.clear();
    tool = ObjectTool::Select;
    selectedType = selectedInstance = -1;
    filterSelectedType = false;
    showObjects = 1;
    nextId = 0;
    const std::vector<uint8_t> marker = MarkerMeshImage();
    uint32_t index = 0;
    host->AddMeshFromMemory(marker.data(), static_cast<uint32_t>(marker.size()), &index);
    ResetTypeInfo();
    if (index != 0) {
        AppendInstance(index - 1, -1500.0f, -1500.0f, 0.0f);
        AppendInstance(index - 1, 1500.0f, 1500.0f, 0.0f);
    }
    Refresh();
    return 0;
}

int32_t ObjectPlugin::AppendInstance(uint32_t type, float x, float y, float groundHeight) {
    ObjectInstance in;
    in.x = x;
    in.y = y;
    in.groundHeight = groundHeight;
    in.type = type;
    if (type < types.size())
        for (size_t f = 0; f < 5; ++f)
            if (types[type].flags[f]) in.flags |= kObjectTypeFlags[f];
    in.id = nextId++;
    instances.push_back(in);
    return static_cast<int32_t>(instances.size()) - 1;
}

void ObjectPlugin::TakeUpVector(ObjectInstance& in) {
    in.up = {0, 0, 1};
    if (in.flags & kObjectNotAligned) return;
    float height = 0, normal[3] = {0, 0, 1};
    if (QueryGroundHeightNormalAt(host->bus, in.x, in.y, &height, normal)) in.up = {normal[0], normal[1], normal[2]};
}

void ObjectPlugin::PutOnGround(ObjectInstance& in) {
    if (in.flags & kObjectNotOnGround) {
        in.groundHeight = 0;
    } else {
        float z = 0;
        // Without a landscape the height stays as it is.
        if (QueryGroundHeightAt(host->bus, in.x, in.y, &z)) in.groundHeight = z;
    }
    TakeUpVector(in);
}

bool ObjectPlugin::DeleteInstance(int32_t index) {
    if (index < kBuiltInInstances || index >= static_cast<int32_t>(instances.size())) return false;
    instances.erase(instances.begin() + index);
    if (selectedInstance >= index) --selectedInstance;
    if (selectedInstance >= static_cast<int32_t>(instances.size())) selectedInstance = static_cast<int32_t>(instances.size()) - 1;
    return true;
}

void ObjectPlugin::DeleteAllOfSelectedType() {
    if (selectedType < 0) return;
    for (int32_t i = static_cast<int32_t>(instances.size()) - 1; i >= 0; --i) {
        if (instances[static_cast<size_t>(i)].type != static_cast<uint32_t>(selectedType)) continue;
        if (i < kBuiltInInstances) shared::Winprintf("Cannot work on the dummy object\n");
        else DeleteInstance(i);
    }
}

bool ObjectPlugin::DeleteType(int32_t type) {
    if (type < 1 || type >= static_cast<int32_t>(types.size())) return false;
    for (const ObjectInstance& in : instances)
        if (in.type == static_cast<uint32_t>(type)) {
            EditorMesh* mesh = host->GetMesh(static_cast<uint32_t>(type) + 1);
            shared::Winprintf("You have objects\nof type %s\n", mesh ? mesh->name.c_str() : "");
            return false;
        }
    selectedType = -1;
    host->DeleteMesh(static_cast<uint32_t>(type) + 1);
    for (ObjectInstance& in : instances)
        if (in.type > static_cast<uint32_t>(type)) --in.type;
    types.erase(types.begin() + type);
    return true;
}

void ObjectPlugin::SetTypeFlag(uint32_t type, uint32_t flag, bool on) {
    if (type >= types.size()) return;
    for (size_t f = 0; f < 5; ++f)
        if (kObjectTypeFlags[f] == flag) types[type].flags[f] = on;
    for (ObjectInstance& in : instances)
        if (in.type == type) in.flags = on ? (in.flags | flag) : (in.flags & ~flag);
}

void ObjectPlugin::RebuildTypeFlags() {
    for (ObjectTypeInfo& t : types) t.flags.fill(false);
    for (const ObjectInstance& in : instances)
        if (in.type < types.size())
            for (size_t f = 0; f < 5; ++f)
                if (in.flags & kObjectTypeFlags[f]) types[in.type].flags[f] = true;
}

std::string ObjectPlugin::InstanceName(int32_t index) const {
    if (index < 0 || index >= static_cast<int32_t>(instances.size())) return {};
    const uint32_t type = instances[static_cast<size_t>(index)].type;
    int earlier = 0;
    for (int32_t i = 0; i < index; ++i) earlier += instances[static_cast<size_t>(i)].type == type;
    EditorMesh* mesh = host->GetMesh(type + 1);
    std::string name = mesh ? mesh->name.substr(0, 127) : "";
    return name + " (" + std::to_string(earlier + 1) + ")";
}

void ObjectPlugin::Redraw() { host->RedrawPluginViewports(0); }

void ObjectPlugin::Changed() {
    Refresh();
    Redraw();
}

// ---- the chunk

int32_t ObjectPlugin::SaveChunk(FileStream* stream, uint32_t* size) {
    ChunkWriter out(stream);
    uint32_t bytes = 0;
    int32_t r = host->WriteTextures(stream, &bytes);
    if (r != 0) return r;
    out.Count(bytes);
    r = host->WriteMeshes(stream, &bytes);
    if (r != 0) return r;
    out.Count(bytes);
    out.U32(showObjects);
    out.U32(static_cast<uint32_t>(instances.size()));
    for (const ObjectInstance& in : instances) {
        uint8_t record[kInstanceBytes];
        StoreInstance(in, record);
        out.U32(kInstanceBytes);
        out.Bytes(record, kInstanceBytes);
    }
    const size_t typeCount = static_cast<size_t>(host->GetMeshCount());
    for (int list = 0; list < 2; ++list)
        for (size_t t = 0; t < typeCount; ++t) {
            const ObjectTypeInfo info = t < types.size() ? types[t] : ObjectTypeInfo{};
            WriteSoundName(out, list == 0 ? info.sound1 : info.sound2);
        }
    *size = out.Written();
    return out.Result();
}

int32_t ObjectPlugin::LoadChunk(FileStream* stream, uint32_t size) {
    ChunkReader in(stream, size);
    uint32_t bytes = 0;
    uint32_t mark = in.Mark();
    int32_t r = host->ReadTextures(stream, &bytes);
    if (r != 0) return r;
    if (!in.Took(mark)) return in.Failure();
    mark = in.Mark();
    r = host->ReadMeshes(stream, &bytes);
    if (r != 0) return r;
    if (!in.Took(mark)) return in.Failure();
    const uint32_t typeCount = static_cast<uint32_t>(host->GetMeshCount());
    const uint32_t show = in.U32();
    const uint32_t count = in.U32();
    if (!in.Ok()) return in.Failure();

    std::vector<ObjectInstance> loaded;
    std::vector<ObjectTypeInfo> info(typeCount);
    uint32_t next = 0;
    if (uint64_t{in.Remaining()} < uint64_t{count} * 52) {
        // The older layout: 40-byte records with no size words, no up vector, flags or ids.
        if (!in.Need(uint64_t{count} * kOlderInstanceBytes)) return in.Failure();
        loaded.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            uint8_t record[kOlderInstanceBytes];
            in.Bytes(record, kOlderInstanceBytes);
            ObjectInstance o = LoadInstance(record, kOlderInstanceBytes);
            o.up = {0, 1, 0};
            loaded.push_back(o);
        }
    } else {
        loaded.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t recordSize = in.U32();
            if (!in.Need(recordSize)) return in.Failure();
            uint8_t record[kInstanceBytes] = {};
            const uint32_t kept = std::min(recordSize, kInstanceBytes);
            in.Bytes(record, kept);
            // Bytes beyond the 56 of today's record are skipped.
            for (uint32_t rest = recordSize - kept; rest > 0;) {
                uint8_t skip[64];
                const uint32_t n = std::min<uint32_t>(rest, sizeof skip);
                if (!in.Bytes(skip, n)) return in.Failure();
                rest -= n;
            }
            ObjectInstance o = LoadInstance(record, kept);
            if (recordSize >= kInstanceBytes) {
                next = std::max(next, o.id + 1);
            } else {
                o.id = i;
                next = i + 1;
            }
            loaded.push_back(o);
        }
        for (int list = 0; list < 2 && in.Ok() && in.Remaining() != 0; ++list)
            for (ObjectTypeInfo& t : info)
                if (!ReadSoundName(in, list == 0 ? &t.sound1 : &t.sound2)) return in.Failure();
    }
    if (!in.Ok()) return in.Failure();
    for (ObjectInstance& o : loaded) {
        if (o.type >= typeCount) return Result(kResultBadChunk);
        if (o.flags & 0x80000000u) o.flags &= 0x3F;
    }

    showObjects = show;
    instances = std::move(loaded);
    types = std::move(info);
    nextId = next;
    selectedType = selectedInstance = -1;
    tool = ObjectTool::Select;
    RebuildTypeFlags();
    std::vector<uint32_t> ids;
    for (const ObjectInstance& o : instances) ids.push_back(o.id);
    std::sort(ids.begin(), ids.end());
    if (std::adjacent_find(ids.begin(), ids.end()) != ids.end()) {
        shared::Winprintf("Found duplicate ids, \nall dynamic objects are invalidated\n");
        for (size_t i = 0; i < instances.size(); ++i) instances[i].id = static_cast<uint32_t>(i);
        nextId = static_cast<uint32_t>(instances.size());
    }
    Refresh();
    return 0;
}

// ---- the bus

void ObjectPlugin::ScaleBounds(const float* previous, const float* now) {
    const float rx = shared::ExtentRatio(previous, now, 0), ry = shared::ExtentRatio(previous, now, 1);
    for (ObjectInstance& in : instances) {
        in.x *= rx;
        in.y *= ry;
    }
    Redraw();
    for (ObjectInstance& in : instances) PutOnGround(in);
    Redraw();
}

int32_t ObjectPlugin::OnMainPortMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) {
    switch (code) {
        case kMsgSelectPress:
            if (arg) Press(*reinterpret_cast<const MousePress*>(arg));
            return 0;
        case kMsgWorldBoundsChanged:
            if (arg && data) ScaleBounds(reinterpret_cast<const float*>(arg), reinterpret_cast<const float*>(data));
            return 0;
        case kMsgRedrawArea:
            for (ObjectInstance& in : instances) PutOnGround(in);
            Redraw();
            return 0;
        case kMsgHeightScaleChanged: {
            const float factor = shared::FloatFromArg(arg);
            for (ObjectInstance& in : instances) {
                in.groundHeight *= factor;
                in.heightAbove *= factor;
            }
            Redraw();
            return 0;
        }
        case kMsgObjectCount: return static_cast<int32_t>(instances.size());
        case kMsgObjectId:
            return arg < instances.size() ? static_cast<int32_t>(instances[arg].id) : -1;
        case kMsgObjectIndexOfId:
            for (size_t i = 0; i < instances.size(); ++i)
                if (instances[i].id == static_cast<uint32_t>(arg)) return static_cast<int32_t>(i);
            return -1;
        case kMsgObjectName: {
            char* out = reinterpret_cast<char*>(data);
            if (!out) return Result(kResultBadArgument);
            const std::string name = InstanceName(arg < instances.size() ? static_cast<int32_t>(arg) : -1);
            std::snprintf(out, kObjectNameBytes, "%s", name.c_str());
            return arg < instances.size() ? 0 : Result(kResultBadIndex);
        }
        case kMsgObjectRecord:
            if (arg >= instances.size() || !data) return Result(kResultBadIndex);
            StoreInstance(instances[arg], reinterpret_cast<uint8_t*>(data));
            return 0;
        case kMsgObjectNoCollision:
            if (arg >= 1 && arg <= types.size()) SetTypeFlag(static_cast<uint32_t>(arg - 1), kObjectCollision, false);
            return 0;
        default: return PluginBase::OnMainPortMessage(sender, code, arg, data);
    }
}

// ---- the mouse tools

void ObjectPlugin::Press(const MousePress& press) {
    switch (tool) {
        case ObjectTool::AddPoint: AddPointAt(press); break;
        case ObjectTool::MovePoint: MovePointTo(press); break;
        case ObjectTool::CopyPoint: CopyPointTo(press); break;
        default: SelectAt(press); break;
    }
}

void ObjectPlugin::AddPointAt(const MousePress& press) {
    if (selectedType < 0) {
        shared::Winprintf("No object selected\n");
        return;
    }
    GroundSampleQuery hit{};
    if (!QueryGroundSampleAt(host->bus, press.viewport, press.x, press.y, &hit)) return;
    selectedInstance = AppendInstance(static_cast<uint32_t>(selectedType), hit.knotX, hit.knotY, hit.knotHeight);
    TakeUpVector(instances.back());
    Changed();
}

void ObjectPlugin::MovePointTo(const MousePress& press) {
    if (selectedInstance < 0 || selectedInstance >= static_cast<int32_t>(instances.size())) {
        shared::Winprintf("No instance selected\n");
        return;
    }
    GroundSampleQuery hit{};
    if (!QueryGroundSampleAt(host->bus, press.viewport, press.x, press.y, &hit)) return;
    ObjectInstance& in = instances[static_cast<size_t>(selectedInstance)];
    in.x = hit.knotX;
    in.y = hit.knotY;
    in.groundHeight = hit.knotHeight;
    TakeUpVector(in);
    Changed();
}

void ObjectPlugin::CopyPointTo(const MousePress& press) {
    if (selectedInstance < 0 || selectedInstance >= static_cast<int32_t>(instances.size())) {
        shared::Winprintf("No instance selected\n");
        return;
    }
    GroundSampleQuery hit{};
    if (!QueryGroundSampleAt(host->bus, press.viewport, press.x, press.y, &hit)) return;
    ObjectInstance copy = instances[static_cast<size_t>(selectedInstance)];
    copy.id = nextId++;
    auto spread = [] { return static_cast<float>(plat::CrtRand() % 1000 - 500); };
    if (scaleVariance != 0.0f) {
        const int r1 = plat::CrtRand(), r2 = plat::CrtRand();
        copy.scale = (1.0f + static_cast<float>(r1 % 500 + r2 % 500 - 500) * scaleVariance * 0.001f) * baseScale;
    }
    copy.rotX += spread() * rotationVariance[0] * 0.001f;
    copy.rotY += spread() * rotationVariance[1] * 0.001f;
    copy.rotZ += spread() * rotationVariance[2] * 0.001f;
    copy.x = hit.knotX + spread() * positionVariance[0] * 0.001f;
    copy.y = hit.knotY + spread() * positionVariance[1] * 0.001f;
    float z = 0;
    // Without a landscape the copy stands at height 0.
    if (!(copy.flags & kObjectNotOnGround)) QueryGroundHeightAt(host->bus, copy.x, copy.y, &z);
    copy.groundHeight = z + spread() * positionVariance[2] * 0.001f;
    TakeUpVector(copy);
    instances.push_back(copy);
    selectedInstance = static_cast<int32_t>(instances.size()) - 1;
    Changed();
}

void ObjectPlugin::SelectAt(const MousePress& press) {
    if (!press.viewport) return;
    const float* view = press.viewport->GetViewState();
    float lastWidth = 10000.0f, lastHeight = 10000.0f, deepest = 0.0f;
    bool changed = false;
    for (size_t i = 0; i < instances.size(); ++i) {
        EditorMesh* mesh = host->GetMesh(instances[i].type + 1);
        if (!mesh) continue;
        const Matrix4 m = InstanceTransform(instances[i]);
        const float* b = mesh->bounds;  // min x, max x, min y, max y, min z, max z
        float left = 1e30f, right = -1e30f, top = 1e30f, bottom = -1e30f, near = 1e30f, far = -1e30f;
        bool behind = false;
        for (int c = 0; c < 8; ++c) {
            const Vec4 corner{b[c & 1], b[2 + ((c >> 1) & 1)], b[4 + ((c >> 2) & 1)], 1.0f};
            Vec4 world, screen;
            Mat4MulVec4(&m, &corner, &world);
            Mat4MulVec4(reinterpret_cast<const Matrix4*>(view), &world, &screen);
            if (!(screen.w > 0.0f)) {
                behind = true;
                break;
            }
            // Columns of the view state: screen x, depth, screen y, w.
            const float sx = screen.x / screen.w, sy = screen.z / screen.w, sz = screen.y / screen.w;
            left = std::min(left, sx), right = std::max(right, sx);
            top = std::min(top, sy), bottom = std::max(bottom, sy);
            near = std::min(near, sz), far = std::max(far, sz);
        }
        if (behind) continue;
        const float f = (near + far) * 0.5f;
        const float width = right - left, height = bottom - top;
        const float px = static_cast<float>(press.x), py = static_cast<float>(press.y);
        if (!(f >= 0.0f && f <= 1.0f) || px < left || px > right || py < top || py > bottom) continue;
        // A box that fills the screen (the camera inside it) gives way to the smaller ones before it.
        if (width > 500.0f && width > lastWidth && height > lastHeight) continue;
        lastWidth = width;
        lastHeight = height;
        if (f > deepest) {
            deepest = f;
            selectedInstance = static_cast<int32_t>(i);
            selectedType = static_cast<int32_t>(instances[i].type);
            changed = true;
        }
    }
    if (changed) Changed();
}

// ---- drawing and the dump

int32_t ObjectPlugin::DrawViewport(Viewport* viewport) {
    if (!showObjects || !viewport) return 0;
    for (const ObjectInstance& in : instances) {
        const Matrix4 m = InstanceTransform(in);
        viewport->DrawHostMesh(host, in.type + 1, reinterpret_cast<MsgArg>(m.m));
    }
    if (!panel() || selectedInstance < 0 || selectedInstance >= static_cast<int32_t>(instances.size())) return 0;
    const ObjectInstance& in = instances[static_cast<size_t>(selectedInstance)];
    EditorMesh* mesh = host->GetMesh(in.type + 1);
    if (!mesh) return 0;
    const float* b = mesh->bounds;
    float corners[8][3];
    for (int c = 0; c < 8; ++c) {
        corners[c][0] = b[c & 1];
        corners[c][1] = b[2 + ((c >> 1) & 1)];
        corners[c][2] = b[4 + ((c >> 2) & 1)];
    }
    const Matrix4 m = InstanceTransform(in);
    ScreenVertex v[8] = {};
    if (viewport->TransformPoints(m.m, v, 8, &corners[0][0], 0xFFFFFFFFu) != 0) return 0;
    for (ScreenVertex& p : v) p.specular = 0xFF000000u;  // no fog on the box
    // The twelve edges of the box: corners differing in one coordinate bit.
    ScreenVertex lines[24];
    int n = 0;
    for (int c = 0; c < 8; ++c)
        for (int bit = 1; bit < 8; bit <<= 1)
            if (!(c & bit)) {
                lines[n++] = v[c];
                lines[n++] = v[c | bit];
            }
    host->SetCurrentTexture(0);
    return shared::DrawLineList(viewport, lines, 24);
}

ObjectDump ObjectPlugin::MakeDump() {
    ObjectDump dump;
    auto nameOf = [&](uint32_t type) {
        EditorMesh* mesh = host->GetMesh(type + 1);
        return mesh ? mesh->name : std::string();
    };
    for (int32_t t = 0; t < host->GetMeshCount(); ++t) dump.types.push_back(nameOf(static_cast<uint32_t>(t)));
    for (const ObjectInstance& in : instances) {
        DumpedInstance d;
        d.type = nameOf(in.type);
        d.position[0] = in.x;
        d.position[1] = in.y;
        d.position[2] = in.groundHeight + in.heightAbove;
        const Matrix4 m = InstanceTransform(in, false);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) d.basis[3 * r + c] = m.m[4 * r + c];
        dump.instances.push_back(std::move(d));
    }
    return dump;
}

bool ObjectPlugin::WriteDump(const std::string& path) { return shared::WriteTextFile(path, FormatObjectDump(MakeDump())); }

}  // namespace qv
