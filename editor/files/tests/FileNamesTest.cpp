#include "editor/files/FileNames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

TEST(FileNames, BaseNameTable) {
    struct Row {
        const char* path;
        const char* name;
    } rows[] = {{"C:\\a.b\\mesh", "mesh"},       {"tree.jm5", "tree"},        {"C:\\models\\rock.jm5", "rock"},
                {"/home/u/rock.jm5", "rock"},   {"C:\\snd\\engine.idle.wav", "engine.idle"},
                {"noext", "noext"},            {"", ""}};
    for (const Row& r : rows) EXPECT_EQ(qv::BaseNameWithoutExtension(r.path, 127), r.name) << r.path;
    EXPECT_EQ(qv::BaseNameWithoutExtension(std::string(300, 'a') + ".jm5", 127).size(), 127u);
}

TEST(FileNames, ResolvesBackslashesAndCase) {
    fs::path dir = fs::temp_directory_path() / "qv_files_resolve";
    fs::remove_all(dir);
    fs::create_directories(dir / "Images");
    std::ofstream(dir / "Images" / "stone.bmp") << "x";
    auto found = qv::ResolveFileNoCase(dir.string() + "\\IMAGES\\STONE.BMP");
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(fs::path(*found), dir / "Images" / "stone.bmp");
    EXPECT_FALSE(qv::ResolveFileNoCase(dir.string() + "/images/missing.bmp").has_value());
    fs::remove_all(dir);
}

}  // namespace
