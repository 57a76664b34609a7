#pragma once
// The default data pack made once per build folder (the default_content target), for the tests that
// run the game or its front end over it: each copies it instead of making its own.
#include <filesystem>
#include <string>
#include <system_error>

namespace tools::test {

inline std::filesystem::path DefaultContentFolder() { return std::filesystem::path(GRAVELON_BINARY_DIR) / "content"; }

inline std::filesystem::path DefaultDataPack() { return DefaultContentFolder() / "Kestrun.dat"; }

// The movie pack made beside it (in the folder the game looks for it in, "kestrun/").
inline std::filesystem::path DefaultMoviePack() {
    return std::filesystem::path(GRAVELON_BINARY_DIR) / "content" / "kestrun" / "Movies.dat";
}

// Copies the pack to `to`; false with the reason when it cannot.
inline bool CopyDefaultDataPack(const std::filesystem::path& to, std::string* error) {
    std::error_code ec;
    std::filesystem::copy_file(DefaultDataPack(), to, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) *error = DefaultDataPack().string() + ": " + ec.message();
    return !ec;
}

}  // namespace tools::test
