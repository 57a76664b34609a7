#include "editor/texture/TextureTable.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "editor/files/FileNames.h"
#include "editor/msgbox/EditorMessageBox.h"
#include "platform/registry/RegistryStore.h"

namespace qv {

namespace {

constexpr size_t kMaxBitmapFile = 256u * 1024 * 1024;
constexpr size_t kNameBytes = 128;

bool HasBmpExtension(const std::string& name) {
    size_t dot = name.find_last_of('.');
    return dot != std::string::npos && strcasecmp(name.c_str() + dot, ".bmp") == 0;
}

std::string& TexturePathText() {
    static std::string path;
    return path;
}

// The renderer's folder from the registry (at most 512 bytes, up to the first zero); empty when the key
// or the value is missing.
std::string RendererPath() {
    plat::RegValue value;
    if (plat::RegistryStore::Default().QueryValue(plat::RegKeyPath(plat::kHKeyLocalMachine, kRendererKey),
                                                  kRendererValue, value) != plat::RegStatus::Ok)
        return {};
    std::string text(value.data.begin(), value.data.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(
                                                                  value.data.size(), 512)));
    return text.substr(0, text.find('\0'));
}

// The file for a texture name: as given, in the D3DPATH folder, then in the renderer's media folder and
// the texture path under the renderer's folder; the first that exists wins.
std::optional<std::string> FindBitmapFile(const std::string& name) {
    if (std::optional<std::string> path = ResolveFileNoCase(name)) return path;
    if (const char* dir = std::getenv("D3DPATH"))
        if (std::optional<std::string> path = ResolveFileNoCase(std::string(dir) + "\\" + name)) return path;
    const std::string renderer = RendererPath();
    if (renderer.empty()) return std::nullopt;
    if (std::optional<std::string> path = ResolveFileNoCase(renderer + "\\D3DIM\\Media\\" + name)) return path;
    return ResolveFileNoCase(renderer + "\\" + TexturePathText() + name);
}

std::optional<Dib> LoadBitmapFile(const std::string& name, int32_t* error) {
    *error = Result(kResultFail);
    if (name.find('.') == std::string::npos) return std::nullopt;
    std::optional<std::string> path = FindBitmapFile(name);
    if (!path || !HasBmpExtension(*path)) return std::nullopt;
    auto bytes = ReadWholeFile(*path, kMaxBitmapFile);
    if (!bytes) return std::nullopt;
    auto dib = DecodeBmp(*bytes);
    if (dib) *error = 0;
    return dib;
}

std::string CutName(const std::string& name) {
    return name.size() > kNameBytes - 1 ? name.substr(name.size() - (kNameBytes - 1)) : name;
}

bool ReadDib(plat::ByteReader& in, Dib* out) {
    size_t start = in.Position();
    BitmapInfoHeader h = ReadBitmapHeader(in);
    if (!in.Ok()) return false;
    auto bytes = CheckedPixelBytes(h);
    if (!bytes) return false;
    const uint32_t table = ColourTableBytes(h.bitCount);
    if (static_cast<uint64_t>(table) + *bytes > in.Remaining()) {
        in.Seek(start);
        return false;
    }
    if (out) {
        out->header = h;
        auto t = in.Take(table);
        out->colourTable.assign(t.begin(), t.end());
        auto p = in.Take(*bytes);
        out->pixels.assign(p.begin(), p.end());
    } else {
        in.Skip(table + static_cast<size_t>(*bytes));
    }
    return in.Ok();
}

void WriteDib(plat::ByteWriter& out, const Dib& dib) {
    BitmapInfoHeader h = dib.header;
    h.sizeImage = static_cast<uint32_t>(dib.pixels.size());
    WriteBitmapHeader(out, h);
    std::vector<uint8_t> table = dib.colourTable;
    table.resize(ColourTableBytes(h.bitCount), 0);
    out.Bytes(table.data(), table.size());
    out.Bytes(dib.pixels.data(), dib.pixels.size());
}

}  // namespace

void SetTexturePath(const std::string& path) { TexturePathText() = path; }
const std::string& TexturePath() { return TexturePathText(); }

void CheckTextureBitmap(const TextureEntry& e) {
    const int32_t w = e.colour.Width(), h = e.colour.Height();
    const char* problem = nullptr;
    if (w > 256)
        problem = "Width greater than 256 !";
    else if (h > 256)
        problem = "Height greater than 256 !";
    else if (w != h)
        problem = "Not square !";
    else if (w < 1 || (w & (w - 1)) != 0)
        problem = "Not power of 2 !";
    else if (e.alpha && (e.alpha->Width() != w || e.alpha->Height() != h))
        problem = "Alpha texture not the same size as color texture !";
    else if (e.alpha && e.alpha->header.bitCount != 8)
        problem = "Alpha texture not gray scale !";
    if (problem) ShowEditorMessage("Texture : " + e.name + "\n\n" + problem, "Texture Error !");
}

uint32_t TextureTable::Insert(std::unique_ptr<TextureEntry> entry) {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (!entries_[i]) {
            entries_[i] = std::move(entry);
            return static_cast<uint32_t>(i + 1);
        }
    }
    entries_.push_back(std::move(entry));
    return static_cast<uint32_t>(entries_.size());
}

TextureEntry* TextureTable::Mutable(uint32_t handle) {
    if (handle == 0 || handle > entries_.size()) return nullptr;
    return entries_[handle - 1].get();
}

const TextureEntry* TextureTable::Get(uint32_t handle) const {
    if (handle == 0 || handle > entries_.size()) return nullptr;
    return entries_[handle - 1].get();
}

uint32_t TextureTable::Find(const std::string& name) const {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i] && strcasecmp(entries_[i]->name.c_str(), name.c_str()) == 0) return static_cast<uint32_t>(i + 1);
    return 0;
}

size_t TextureTable::LiveCount() const {
    size_t n = 0;
    for (const auto& e : entries_) n += e ? 1 : 0;
    return n;
}

void TextureTable::AddRef(uint32_t handle) {
    if (TextureEntry* e = Mutable(handle)) ++e->references;
}

void TextureTable::Release(uint32_t handle) {
    TextureEntry* e = Mutable(handle);
    if (!e) return;
    if (--e->references == 0) entries_[handle - 1].reset();
}

uint32_t TextureTable::References(uint32_t handle) const {
    const TextureEntry* e = Get(handle);
    return e ? e->references : 0;
}

int32_t TextureTable::AddFromFile(const std::string& name, uint32_t* handle, const std::string& listedName) {
    *handle = 0;
    const std::string listed = CutName(listedName.empty() ? name : listedName);
    if (uint32_t existing = Find(listed)) {
        AddRef(existing);
        *handle = existing;
        return 0;
    }
    int32_t error = 0;
    auto dib = LoadBitmapFile(name, &error);
    if (!dib) return error;
    auto entry = std::make_unique<TextureEntry>();
    entry->name = listed;
    entry->colour = std::move(*dib);
    entry->references = 1;
    CheckTextureBitmap(*entry);
    *handle = Insert(std::move(entry));
    return 0;
}

int32_t TextureTable::AddFromMemory(const std::string& name, Dib bitmap, uint32_t* handle) {
    const std::string listed = CutName(name);
    if (uint32_t existing = Find(listed)) {
        TextureEntry* e = Mutable(existing);
        e->colour = std::move(bitmap);
        ++e->references;
        CheckTextureBitmap(*e);
        *handle = existing;
        return 0;
    }
    auto entry = std::make_unique<TextureEntry>();
    entry->name = listed;
    entry->colour = std::move(bitmap);
    entry->references = 1;
    CheckTextureBitmap(*entry);
    *handle = Insert(std::move(entry));
    return 0;
}

int32_t TextureTable::SetAlphaFromFile(uint32_t handle, const std::string& file) {
    TextureEntry* e = Mutable(handle);
    if (!e) return Result(kResultBadIndex);
    int32_t error = 0;
    auto dib = LoadBitmapFile(file, &error);
    if (!dib) return error;
    e->alpha = std::move(*dib);
    e->alphaPreference = 1;
    CheckTextureBitmap(*e);
    return 0;
}

int32_t TextureTable::RemoveAlpha(uint32_t handle) {
    TextureEntry* e = Mutable(handle);
    if (!e) return Result(kResultBadIndex);
    e->alpha.reset();
    return 0;
}

int32_t TextureTable::ReadRecord(plat::ByteReader& in, uint32_t* handle) {
    *handle = 0;
    const uint32_t kind = in.U32();
    auto nameBytes = in.Take(kNameBytes);
    if (!in.Ok() || (kind != kRecordColour && kind != kRecordColourAlpha)) return 1;
    std::string name(reinterpret_cast<const char*>(nameBytes.data()),
                     strnlen(reinterpret_cast<const char*>(nameBytes.data()), kNameBytes));
    name = CutName(name);

    uint32_t existing = Find(name);
    Dib colour;
    if (!ReadDib(in, existing ? nullptr : &colour)) return 1;
    std::optional<Dib> alpha;
    bool takeAlpha = false;
    if (kind == kRecordColourAlpha) {
        const TextureEntry* e = Get(existing);
        takeAlpha = !e || !e->alpha;
        Dib a;
        if (!ReadDib(in, takeAlpha ? &a : nullptr)) return 1;
        if (takeAlpha) alpha = std::move(a);
    }
    if (existing) {
        TextureEntry* e = Mutable(existing);
        if (takeAlpha) {
            e->alpha = std::move(alpha);
            e->alphaPreference = 1;
        }
        ++e->references;
        *handle = existing;
        return 0;
    }
    auto entry = std::make_unique<TextureEntry>();
    entry->name = name;
    entry->colour = std::move(colour);
    if (alpha) {
        entry->alpha = std::move(alpha);
        entry->alphaPreference = 1;
    }
    entry->references = 1;
    CheckTextureBitmap(*entry);
    *handle = Insert(std::move(entry));
    return 0;
}

int32_t TextureTable::WriteRecord(uint32_t handle, plat::ByteWriter& out) const {
    const TextureEntry* e = Get(handle);
    if (!e) return 1;
    out.U32(e->alpha ? kRecordColourAlpha : kRecordColour);
    out.FixedString(e->name, kNameBytes);
    WriteDib(out, e->colour);
    if (e->alpha) WriteDib(out, *e->alpha);
    return 0;
}

}  // namespace qv
