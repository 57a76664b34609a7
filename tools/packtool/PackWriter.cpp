#include "tools/packtool/PackWriter.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "game/core/datapack/PackDirectory.h"
#include "game/core/pack/ContainerCodec.h"
#include "platform/bytes/ByteIO.h"

namespace tools {

std::vector<uint8_t> PlainDirectoryEntry(const std::string& name, uint32_t offset, uint32_t packedSize,
                                         uint32_t size) {
    plat::ByteWriter w;
    w.U32(static_cast<uint32_t>(name.size() + 1));
    w.Bytes(name.data(), name.size());
    w.U8(0);
    w.U32(offset);
    w.U32(packedSize);
    w.U32(size);
    return w.Take();
}

bool BuildPack(const std::vector<PackInput>& files, std::vector<uint8_t>* pack, std::string* error) {
    struct Stored {
        std::vector<uint8_t> packed;  // empty when stored as it is
    };
    std::vector<Stored> stored(files.size());
    uint64_t directorySize = 4;
    for (size_t i = 0; i < files.size(); ++i) {
        const PackInput& file = files[i];
        if (file.name.empty() || file.name.size() + 1 > kes::kDataPackNameCapacity ||
            file.name.find('\0') != std::string::npos) {
            *error = "bad name for a pack entry: \"" + file.name + "\"";
            return false;
        }
        if (file.data.size() > 0x7FFFFFFFu) {
            *error = file.name + " is too large for a pack";
            return false;
        }
        if (file.compress && !file.data.empty()) {
            std::vector<uint8_t> image = kes::PackImage(file.data.data(), file.data.size());
            if (image.size() < file.data.size()) stored[i].packed = std::move(image);
        }
        directorySize += 4 + file.name.size() + 1 + 12;
    }

    uint64_t offset = directorySize;
    plat::ByteWriter directory;
    directory.U32(static_cast<uint32_t>(files.size()));
    for (size_t i = 0; i < files.size(); ++i) {
        const PackInput& file = files[i];
        uint32_t packedSize = static_cast<uint32_t>(stored[i].packed.size());
        uint32_t storedSize = packedSize ? packedSize : static_cast<uint32_t>(file.data.size());
        if (offset + storedSize > 0xFFFFFFFFu) {
            *error = "the pack would pass 4 GB";
            return false;
        }
        std::vector<uint8_t> entry =
            PlainDirectoryEntry(file.name, static_cast<uint32_t>(offset), packedSize,
                                static_cast<uint32_t>(file.data.size()));
        kes::MaskDirectoryBytes(entry.data(), entry.size());
        directory.Bytes(entry.data(), entry.size());
        offset += storedSize;
    }
    *pack = directory.Take();
    pack->reserve(static_cast<size_t>(offset));
    for (size_t i = 0; i < files.size(); ++i) {
        const std::vector<uint8_t>& bytes = stored[i].packed.empty() ? files[i].data : stored[i].packed;
        pack->insert(pack->end(), bytes.begin(), bytes.end());
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    namespace fs = std::filesystem;
    // The temporary is renamed over the target, which would replace a device or a folder link
    // with a plain file: only a missing target or a regular file may be written.
    std::error_code statusError;
    fs::file_status status = fs::status(path, statusError);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        *error = path + " exists and is not a regular file";
        return false;
    }
    std::string temp = path + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        *error = "cannot create " + temp;
        return false;
    }
    bool ok = bytes.empty() || std::fwrite(bytes.data(), bytes.size(), 1, f) == 1;
    ok = std::fflush(f) == 0 && ok;
    ok = fsync(fileno(f)) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    std::error_code ec;
    if (ok) fs::rename(temp, path, ec);
    if (!ok || ec) {
        fs::remove(temp, ec);
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

bool WritePack(const std::string& path, const std::vector<PackInput>& files, std::string* error) {
    std::vector<uint8_t> bytes;
    return BuildPack(files, &bytes, error) && WriteFileAtomically(path, bytes, error);
}

}  // namespace tools
