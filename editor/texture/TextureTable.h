#pragma once
// The editor's named texture list: each entry owns a colour bitmap and an optional 8-bit grey alpha
// bitmap, is found by name without regard to case and is counted by the lists that hold it. Handles are
// 1-based; the same name gives the same handle again (one more reference).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/texture/Dib.h"
#include "platform/bytes/ByteIO.h"

namespace qv {

struct TextureEntry {
    std::string name;  // at most 127 characters
    Dib colour;
    std::optional<Dib> alpha;
    uint32_t alphaPreference = 0;
    uint32_t references = 0;
};

// Where texture files are searched when not found as named or in the D3DPATH folder: the folder that
// this registry value (HKEY_LOCAL_MACHINE) names, first its "D3DIM\Media" folder, then the texture path
// below it (empty unless set).
inline constexpr const char* kRendererKey = "Software\\Microsoft\\DirectX";
inline constexpr const char* kRendererValue = "Ostrel renderer path";
void SetTexturePath(const std::string& path);
const std::string& TexturePath();

class TextureTable {
public:
    // Finds the bitmap (as given, ignoring case, in the D3DPATH folder, then in the renderer's folders
    // named by the registry), checks it and lists it.
    // A name already listed gives its handle with one more reference. Result 0 or an error code.
    // The texture is listed under `listedName` when one is given, else under the file name.
    int32_t AddFromFile(const std::string& file, uint32_t* handle, const std::string& listedName = {});
    // Lists a bitmap under a name; a name already listed takes the new bitmap (one more reference).
    int32_t AddFromMemory(const std::string& name, Dib bitmap, uint32_t* handle);
    // Replaces the alpha bitmap of an entry from a file (must match the colour size, 8 bits grey).
    int32_t SetAlphaFromFile(uint32_t handle, const std::string& file);
    int32_t RemoveAlpha(uint32_t handle);

    void AddRef(uint32_t handle);
    // Drops one reference; the entry goes with the last.
    void Release(uint32_t handle);
    uint32_t References(uint32_t handle) const;

    const TextureEntry* Get(uint32_t handle) const;
    uint32_t Find(const std::string& name) const;  // 0 when not listed
    size_t LiveCount() const;

    // One stored texture record. Reading gives the entry's handle with one reference taken for the
    // caller; an entry of the same name is reused and the record's bitmaps skipped (its alpha taken when
    // the entry has none). Results: 0, 1 for a short or bad record, or out of memory.
    int32_t ReadRecord(plat::ByteReader& in, uint32_t* handle);
    int32_t WriteRecord(uint32_t handle, plat::ByteWriter& out) const;

    void Clear() { entries_.clear(); }

private:
    uint32_t Insert(std::unique_ptr<TextureEntry> entry);
    TextureEntry* Mutable(uint32_t handle);
    std::vector<std::unique_ptr<TextureEntry>> entries_;
};

// The checks every texture passes, with their "Texture Error !" messages (warnings only).
void CheckTextureBitmap(const TextureEntry& entry);

inline constexpr uint32_t kRecordColour = 0x52545854;  // "TXTR"
inline constexpr uint32_t kRecordColourAlpha = 0x41545854;  // "TXTA"

}  // namespace qv
