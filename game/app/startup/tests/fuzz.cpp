// Fuzz target: the command-line tokenizer and the switch table take any text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "game/app/startup/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto tokens = kes::TokenizeCommandLine(text);
    size_t total = 0;
    for (const auto& t : tokens) total += t.size();
    if (total > size) std::abort();
    const kes::CommandLine c = kes::ParseCommandTokens(tokens);
    if (c.aiBiker > 64 || c.cdTrack >= 64) std::abort();
    if (!c.trackFolder.empty() && c.trackFolder.back() != '\\') std::abort();
    return 0;
}
