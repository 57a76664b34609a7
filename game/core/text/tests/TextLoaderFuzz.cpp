// Loads arbitrary bytes as the English text file of a data pack and reads every line.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "game/core/datapack/DataPack.h"
#include "game/core/text/TextTable.h"
#include "tools/packtool/PackWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/gravelon-fuzz-text-" + std::to_string(getpid()) + ".dat";
    std::vector<tools::PackInput> files(1);
    files[0].name = "LOCALIZE\\ENGLISH.TXT";
    if (size) files[0].data.assign(data, data + size);
    files[0].compress = size > 0 && (data[0] & 1);
    std::string error;
    if (!tools::WritePack(path, files, &error)) return 0;
    if (kes::MakeLoadCache(path.c_str()) && kes::LoadTextTable(0) == 0) {
        size_t total = 0;
        for (int i = 0; i <= kes::GetTextLineCount() + 1; ++i) total += std::strlen(kes::GetText(i));
        if (total > size) __builtin_trap();  // lines are parts of the file
    }
    kes::FreeTextTable();
    kes::FreeLoadCache();
    std::remove(path.c_str());
    return 0;
}
