#include "game/frontend/worlds/WorldList.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "game/core/datapack/PackDirectory.h"
#include "game/core/image/ImageRecord.h"
#include "game/core/render/RenderInterface.h"
#include "game/core/text/TextTable.h"
#include "game/world/chunk/ChunkPicture.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/file/WorldFile.h"
#include "platform/bytes/AsciiCase.h"
#include "platform/bytes/ByteIO.h"
#include "platform/fs/Paths.h"

namespace kes {

namespace {

constexpr uint32_t kWorldMagic = 0x44455651u;  // "QVED"
constexpr uint32_t kInfoTag = 0x464E4954u;     // "TINF"
constexpr uint32_t kNameTextSize = 256;
constexpr uint32_t kInfoSkippedTail = 44;

std::string ToGlyphs(const std::string& text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(MapTextChar(static_cast<uint8_t>(c)));
    return out;
}

// A CR ends a line; a LF right after it belongs to it.
std::vector<std::string> DescriptionLines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.emplace_back();
        } else {
            lines.back() += text[i];
        }
    }
    if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
    return lines;
}

ImageRecord* CopyImage(const ImageRecord& source) {
    ImageRecord* copy = AllocImage(source);
    if (!copy) return nullptr;
    std::memcpy(copy->pixels, source.pixels, static_cast<size_t>(source.stride) * source.height);
    if (source.palette && copy->palette) std::memcpy(copy->palette, source.palette, 256 * sizeof(uint32_t));
    copy->checksum = source.checksum;
    return copy;
}

// One "TINF" chunk into a record; false when any field runs past the chunk.
bool ReadInfoChunk(ChunkStream& s, WorldRecord* w) {
    s.Skip(4);
    s.U32();
    const uint32_t textureBytes = s.U32();
    if (!s.Ok() || textureBytes > s.Remaining()) return false;
    s.Skip(textureBytes);
    s.Skip(4);
    w->identifier = s.U32();
    w->kind = s.U32();
    char nameText[kNameTextSize];
    if (!s.Bytes(nameText, sizeof nameText)) return false;
    w->nameText = ToGlyphs(std::string(nameText, strnlen(nameText, sizeof nameText)));
    w->name = w->nameText.substr(0, w->nameText.find('@'));
    const uint32_t n = s.U32();
    if (!s.Ok() || n > s.Remaining()) return false;
    std::string text(n, '\0');
    s.Bytes(text.data(), n);
    text.resize(strnlen(text.data(), n));
    w->description = DescriptionLines(ToGlyphs(text));
    s.Skip(kInfoSkippedTail);
    const uint32_t hasPreview = s.U32();
    if (!s.Ok()) return false;
    if (hasPreview) {
        w->preview = ReadChunkPicture(s);
        if (!w->preview) return false;
    }
    return true;
}

void AddWorldEntry(WorldRecord&& w, RenderInterface* render) {
    if (w.preview && render) {
        // The texture keeps its own copy; the list keeps the picture for the pages that draw it.
        if (ImageRecord* copy = CopyImage(*w.preview)) {
            uint32_t handle = 0;
            if (render->CreateTextureFromImage(w.fileName.c_str(), copy, &handle, 0) == 0) w.previewTexture = handle;
        }
    }
    g_WorldList.push_back(std::move(w));
}

void SortWorldList() {
    // Kind -1 (the menu world) compares as a u32 difference, which puts it first.
    std::stable_sort(g_WorldList.begin(), g_WorldList.end(), [](const WorldRecord& a, const WorldRecord& b) {
        const int32_t kind = static_cast<int32_t>(a.kind - b.kind);
        if (kind != 0) return kind < 0;
        return static_cast<int32_t>(a.identifier - b.identifier) < 0;
    });
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\') return folder + name;
    return folder + "/" + name;
}

// The world loader finds a world by its name through this walk of the list. It answers one entry at
// a time: the loader stops at the entry it looks for and loads it before it walks again.
const WorldListEntry* WalkWorldList(uint32_t index) {
    static WorldListEntry entry;
    if (index >= g_WorldList.size()) return nullptr;
    const WorldRecord& w = g_WorldList[index];
    entry.name = w.fileName;
    entry.packPath = w.path;
    entry.packOffset = w.offset;
    entry.size = w.offset ? static_cast<int32_t>(w.size) : -1;
    return &entry;
}

}  // namespace

int32_t ReadWorldInfo(PackFile& file, uint32_t size, const std::string& fileName, const std::string& path,
                      RenderInterface* render, uint32_t offset) {
    if (plat::EqualNoCase(fileName, kSelectWorldName)) {
        WorldRecord w;
        w.kind = kSelectWorldKind;
        w.fileName = kSelectWorldName;
        w.path = path;
        w.size = size;
        w.offset = offset;
        g_WorldList.push_back(std::move(w));
        return 0;
    }
    uint8_t header[8];
    if (size < 8 || file.Read(header, 8) != kOk || plat::LoadU32(header) != kWorldMagic ||
        plat::LoadU32(header + 4) != size - 8)
        return kWorldNotAWorld;
    int64_t remaining = static_cast<int64_t>(size) - 8;
    while (remaining > 0) {
        uint8_t chunk[8];
        if (remaining < 8 || file.Read(chunk, 8) != kOk) return -1;
        const uint32_t tag = plat::LoadU32(chunk), length = plat::LoadU32(chunk + 4);
        remaining -= 8 + static_cast<int64_t>(length);
        if (remaining < 0) return -1;
        const int32_t start = file.Tell();
        if (tag == kInfoTag) {
            ChunkStream stream(file, length);
            WorldRecord w;
            w.fileName = fileName;
            w.path = path;
            w.size = size;
            w.offset = offset;
            if (!ReadInfoChunk(stream, &w)) {
                FreeImage(w.preview);
                return -1;
            }
            AddWorldEntry(std::move(w), render);
        }
        if (file.Seek(start + static_cast<int32_t>(length), 0) != kOk) return -1;
    }
    return 0;
}

int32_t BuildWorldList(const std::string& trackPack, const std::string& tracksFolder, RenderInterface* render) {
    FreeWorldList(render);
    int32_t result = 0;
    auto report = [&](const std::string& name, int32_t r) {
        if (r == 0) return;
        std::fprintf(stderr, "World list: %s left out (%s)\n", name.c_str(),
                     r == kWorldCannotOpen ? "cannot be opened"
                     : r == kWorldNotAWorld ? "not a world file"
                                            : "damaged world information");
        if (result == 0) result = r;
    };
    PackFile pack;
    if (!trackPack.empty() && pack.Open(trackPack.c_str(), "rb", 0) == kOk) {
        std::vector<PackDirectoryEntry> entries;
        std::string error;
        if (!ReadPackDirectory(pack, kDataPackNameCapacity, &entries, &error)) {
            std::fprintf(stderr, "World list: %s: %s\n", trackPack.c_str(), error.c_str());
        }
        for (const PackDirectoryEntry& e : entries) {
            PackFile world;
            int32_t r = kWorldCannotOpen;
            if (world.Open(trackPack.c_str(), "rb", 0, e.offset, static_cast<int32_t>(e.StoredSize())) == kOk) {
                const int32_t size = world.Size();
                r = size < 0 ? kWorldNotAWorld
                             : ReadWorldInfo(world, static_cast<uint32_t>(size), e.name, trackPack, render, e.offset);
            }
            report(e.name, r);
        }
    }
    if (!tracksFolder.empty()) {
        for (const plat::FolderEntry& f : plat::ListFolder(tracksFolder, "*.wld")) {
            if (f.isFolder) continue;
            const std::string path = plat::ResolvePath(JoinFolder(tracksFolder, f.name));
            PackFile world;
            int32_t r = kWorldCannotOpen;
            if (world.Open(path.c_str(), "rb", 0) == kOk)
                r = ReadWorldInfo(world, static_cast<uint32_t>(world.Size()), f.name, path, render, 0);
            report(f.name, r);
        }
    }
    SortWorldList();
    SetWorldListWalk(WalkWorldList);
    return result;
}

const WorldRecord* WorldInfoForFile(const std::string& path, RenderInterface* render) {
    PackFile world;
    if (world.Open(path.c_str(), "rb", 0) != kOk) return nullptr;
    const std::string resolved = plat::ResolvePath(path);
    const size_t slash = resolved.find_last_of("/\\");
    const std::string fileName = slash == std::string::npos ? resolved : resolved.substr(slash + 1);
    if (ReadWorldInfo(world, static_cast<uint32_t>(world.Size()), fileName, resolved, render, 0) != 0)
        return nullptr;
    for (const WorldRecord& w : g_WorldList)
        if (w.fileName == fileName && w.path == resolved) return &w;
    return nullptr;
}

void FreeWorldList(RenderInterface* render) {
    for (WorldRecord& w : g_WorldList) {
        if (render && w.previewTexture) render->ReleaseTexture(w.previewTexture);
        FreeImage(w.preview);
    }
    g_WorldList.clear();
}

}  // namespace kes
