#pragma once
// A temporary game folder with a small data pack and track pack, and a registry file of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/sys/Env.h"
#include "tools/packtool/PackWriter.h"

namespace kes::testing_support {

namespace fs = std::filesystem;

class GameFolderFixture : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(::testing::TempDir()) /
                 ("game_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
                  std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        registry = folder / "registry.store";
        setenv("GRAVELON_REGISTRY", registry.c_str(), 1);
        plat::ReloadEnv();
    }
    void TearDown() override { fs::remove_all(folder); }

    void WritePack(const char* name) {
        std::string error;
        const std::vector<tools::PackInput> files = {{"readme.txt", {'h', 'i'}, false}};
        ASSERT_TRUE(tools::WritePack((folder / name).string(), files, &error)) << error;
    }

    fs::path folder;
    fs::path registry;
};

}  // namespace kes::testing_support
