// Feeds arbitrary bytes to the data pack's directory reader and loader, and to the movie pack's
// reader, through a file written from the input.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/core/datapack/DataPack.h"
#include "game/core/datapack/MoviePackDirectory.h"
#include "game/core/pack/PackFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/gravelon-fuzz-pack-" + std::to_string(getpid()) + ".dat";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, size, 1, f);
    std::fclose(f);

    std::FILE* quiet = std::freopen("/dev/null", "w", stdout);
    (void)quiet;
    if (kes::MakeLoadCache(path.c_str())) {
        for (const char* name : {"a", "A", "LOCALIZE\\ENGLISH.TXT", ""}) {
            uint32_t got = 0;
            void* bytes = kes::LoadFile(name, nullptr, &got);
            std::free(bytes);
            // Into a caller's buffer too, when the claimed size is reasonable to allocate here.
            uint32_t claimed = kes::GetCachedFileSize(name);
            if (claimed > 0 && claimed <= (1u << 24)) {
                std::vector<uint8_t> buffer(claimed);
                kes::LoadFile(name, buffer.data(), nullptr, buffer.size());
            }
        }
    }
    kes::FreeLoadCache();

    kes::PackFile pack;
    if (pack.Open(path.c_str(), "rb", 0) == kes::kOk) {
        std::vector<kes::MoviePackEntry> entries;
        kes::ReadMoviePackDirectory(pack, &entries);
        // The same bytes through the file class: a container (or a plain file) read whole, then
        // read again at a few seeks.
        if (pack.Size() >= 0 && pack.Size() <= (1 << 22)) {
            std::vector<uint8_t> all(static_cast<size_t>(pack.Size()));
            pack.Seek(0, 0);
            pack.Read(all.data(), static_cast<uint32_t>(all.size()));
            uint8_t byte = 0;
            for (int32_t at : {0x10005, 3, 0x20000, 0}) {
                if (pack.Seek(at, 0) == kes::kOk) pack.Read(&byte, 1);
            }
            pack.Seek(0, 2);
            pack.Read(&byte, 1);
            pack.CheckIntegrity();
        }
    }
    std::remove(path.c_str());
    return 0;
}
