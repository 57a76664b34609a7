#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/core/config/Config.h"
#include "platform/bytes/ByteIO.h"
#include "platform/registry/RegistryStore.h"
#include "platform/sys/Env.h"

namespace fs = std::filesystem;
using namespace kes;

namespace {

// The default record as the table lists it, built byte by byte.
std::vector<uint8_t> GoldenDefaultBytes() {
    std::vector<uint8_t> b(320, 0);
    auto u32 = [&](size_t at, uint32_t v) { plat::StoreU32(&b[at], v); };
    u32(0x00, 8);
    b[0x08] = b[0x18] = b[0x28] = 0xFF;
    u32(0x38, 1); u32(0x3C, 1); u32(0x40, 1); u32(0x44, 1); u32(0x48, 1);
    u32(0x8C, 640); u32(0x90, 480); u32(0x94, 16);
    u32(0x98, 50); u32(0x9C, 50); u32(0xA0, 70); u32(0xA4, 2); u32(0xA8, 1); u32(0xAC, 1);
    u32(0xB0, 2); u32(0xB4, 60); u32(0xB8, 100); u32(0xBC, 2); u32(0xC0, 1); u32(0xC4, 0); u32(0xC8, 0);
    std::memcpy(&b[0xCC], "Vosk Server", 11);
    u32(0x12C, 7); u32(0x130, 4); u32(0x134, 10); u32(0x138, 7); u32(0x13C, 1);
    return b;
}

std::vector<uint8_t> ToVector(const ConfigBytes& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(ConfigRecord, DefaultRecordHasTheGoldenBytes) {
    EXPECT_EQ(ToVector(SerializeConfigRecord(ConfigRecord{})), GoldenDefaultBytes());
}

TEST(ConfigRecord, EveryFieldSitsAtItsOffset) {
    // Distinct values in every field: a swapped or shifted field shows up as a mismatch.
    std::vector<uint8_t> bytes(320);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    plat::StoreU32(&bytes[0], 8);
    ConfigRecord r;
    ASSERT_TRUE(ParseConfigRecord(bytes, r));
    EXPECT_EQ(ToVector(SerializeConfigRecord(r)), bytes);
    EXPECT_EQ(r.device3D[0], bytes[0x08]);
    EXPECT_EQ(r.displayDriver[0], bytes[0x18]);
    EXPECT_EQ(r.soundDevice[15], bytes[0x37]);
    EXPECT_EQ(r.text[0], static_cast<char>(bytes[0x4C]));
    EXPECT_EQ(r.screenWidth, plat::LoadU32(&bytes[0x8C]));
    EXPECT_EQ(r.landscapeDetail, plat::LoadU32(&bytes[0xA4]));
    EXPECT_EQ(r.swapStereo, plat::LoadU32(&bytes[0xC4]));
    EXPECT_EQ(r.hostedName[0], static_cast<char>(bytes[0xCC]));
    EXPECT_EQ(r.raceOption1, plat::LoadU32(&bytes[0x12C]));
    EXPECT_EQ(r.gameMode, plat::LoadU32(&bytes[0x13C]));
}

TEST(ConfigRecord, ClampingFixesOnlyWhatIsOutOfRange) {
    std::vector<uint8_t> bytes = GoldenDefaultBytes();
    plat::StoreU32(&bytes[0xA4], 40);         // landscape detail: 1 << 46
    plat::StoreU32(&bytes[0x98], 1000);       // slider
    plat::StoreU32(&bytes[0xA0], 0xFFFFFFFF); // draw distance
    plat::StoreU32(&bytes[0xB4], 101);        // music
    plat::StoreU32(&bytes[0xB8], 100);        // effects: in range, kept
    std::memset(&bytes[0x4C], 'T', 64);       // text with no terminator
    std::memset(&bytes[0xCC], 'N', 96);       // hosted name with no terminator
    plat::StoreU32(&bytes[0x12C], 12345);     // race option: no documented range, kept
    ConfigRecord r;
    ASSERT_TRUE(ParseConfigRecord(bytes, r));
    ClampConfigRecord(r);
    std::vector<uint8_t> after = ToVector(SerializeConfigRecord(r));

    EXPECT_EQ(r.landscapeDetail, 2u);
    EXPECT_EQ(r.displaySlider1, 100u);
    EXPECT_EQ(r.drawDistance, 100u);
    EXPECT_EQ(r.musicVolume, 100u);
    EXPECT_EQ(std::strlen(r.text.data()), 63u);
    EXPECT_EQ(std::strlen(r.hostedName.data()), 95u);
    const size_t changed[] = {0xA4, 0x98, 0xA0, 0xB4};
    for (size_t i = 0; i < 320; ++i) {
        bool inChangedWord = false;
        for (size_t c : changed) inChangedWord |= (i >= c && i < c + 4);
        if (inChangedWord || i == 0x8B || i == 0x12B) continue;
        EXPECT_EQ(after[i], bytes[i]) << "byte " << i;
    }
    EXPECT_EQ(after[0x8B], 0);
    EXPECT_EQ(after[0x12B], 0);
}

// Every test runs against its own registry file named by GRAVELON_REGISTRY.
class ConfigRegistryTest : public testing::Test {
protected:
    void SetUp() override {
        // In the build folder's scratch folder (TEST_TMPDIR), not a fixed system path.
        std::string pattern = ::testing::TempDir() + "gravelon_cfg_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        UseRegistry(dir_ + "/registry");
        g_Config = ConfigRecord{};
    }
    void TearDown() override {
        unsetenv("GRAVELON_REGISTRY");
        plat::ReloadEnv();
        SetSetupSteps(nullptr);
        g_Config = ConfigRecord{};
        fs::remove_all(dir_);
    }
    void UseRegistry(const std::string& file) {
        setenv("GRAVELON_REGISTRY", file.c_str(), 1);
        plat::ReloadEnv();
    }
    static std::string Key() { return plat::RegKeyPath(plat::kHKeyLocalMachine, kConfigKey); }
    void Store(const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(plat::RegistryStore::Default().SetValue(Key(), "Config", plat::REG_BINARY, bytes),
                  plat::RegStatus::Ok);
    }
    std::vector<uint8_t> Stored() {
        plat::RegValue v;
        EXPECT_EQ(plat::RegistryStore::Default().QueryValue(Key(), "Config", v), plat::RegStatus::Ok);
        EXPECT_EQ(v.type, plat::REG_BINARY);
        return v.data;
    }
    std::string dir_;
};

// A stored record of another size or version is ignored and overwritten with the defaults.
TEST_F(ConfigRegistryTest, OnlyAWhole320ByteVersion8RecordIsTaken) {
    struct Case {
        size_t size;
        uint32_t version;
        bool taken;
    } cases[] = {{319, 8, false}, {320, 8, true}, {321, 8, false}, {320, 7, false}, {320, 9, false}, {0, 8, false}};
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = GoldenDefaultBytes();
        plat::StoreU32(&bytes[0xB4], 33);  // music volume: marks a taken record
        bytes.resize(c.size, 0);
        if (c.size >= 4) plat::StoreU32(&bytes[0], c.version);
        Store(bytes);
        g_Config = ConfigRecord{};

        ASSERT_EQ(LoadConfigRecord(), 1);
        EXPECT_EQ(g_Config.musicVolume, c.taken ? 33u : 60u) << c.size << " v" << c.version;
        EXPECT_EQ(g_Config.language, 2u);
        std::vector<uint8_t> expected = GoldenDefaultBytes();
        if (c.taken) plat::StoreU32(&expected[0xB4], 33);
        EXPECT_EQ(Stored(), expected) << c.size << " v" << c.version;  // written back before the language
    }
}

TEST_F(ConfigRegistryTest, MissingRecordStoresTheDefaults) {
    ASSERT_EQ(LoadConfigRecord(), 1);
    EXPECT_EQ(Stored(), GoldenDefaultBytes());
    ConfigRecord expected;
    expected.language = 2;
    EXPECT_EQ(g_Config, expected);
}

TEST_F(ConfigRegistryTest, LanguageIsFrenchForTheRunAndSavedSo) {
    std::vector<uint8_t> bytes = GoldenDefaultBytes();
    plat::StoreU32(&bytes[0x04], 3);
    Store(bytes);
    ASSERT_EQ(LoadConfigRecord(), 1);
    EXPECT_EQ(g_Config.language, 2u);
    EXPECT_EQ(plat::LoadU32(&Stored()[0x04]), 3u);
    ASSERT_TRUE(SaveConfig());
    EXPECT_EQ(plat::LoadU32(&Stored()[0x04]), 2u);
}

TEST_F(ConfigRegistryTest, SavedRecordReadsBackTheSame) {
    g_Config.screenWidth = 1024;
    g_Config.screenHeight = 768;
    g_Config.device3D = Guid{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    std::strcpy(g_Config.hostedName.data(), "Night Race");
    std::strcpy(g_Config.text.data(), "Anna");
    ASSERT_TRUE(SaveConfig());
    ConfigRecord saved = g_Config;
    g_Config = ConfigRecord{};
    ASSERT_EQ(LoadConfigRecord(), 1);
    saved.language = 2;
    EXPECT_EQ(g_Config, saved);
}

TEST_F(ConfigRegistryTest, LoadedRecordIsClampedAndWrittenBackClamped) {
    std::vector<uint8_t> bytes = GoldenDefaultBytes();
    plat::StoreU32(&bytes[0xA4], 40);
    std::memset(&bytes[0xCC], 'N', 96);
    Store(bytes);
    ASSERT_EQ(LoadConfigRecord(), 1);
    EXPECT_EQ(g_Config.landscapeDetail, 2u);
    EXPECT_EQ(g_Config.hostedName[95], '\0');
    std::vector<uint8_t> stored = Stored();
    EXPECT_EQ(plat::LoadU32(&stored[0xA4]), 2u);
    EXPECT_EQ(stored[0x12B], 0);
    EXPECT_EQ(stored[0x12A], 'N');
}

TEST_F(ConfigRegistryTest, UnavailableKeyStopsTheGame) {
    std::ofstream(dir_ + "/plainfile") << "x";
    UseRegistry(dir_ + "/plainfile/registry");
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadConfigAndShowSetup("Kestrun", nullptr, nullptr, nullptr, 1), 0);
    testing::internal::GetCapturedStderr();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveConfig());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("could not be saved"), std::string::npos);
}

TEST_F(ConfigRegistryTest, WithoutSetupStepsTheStoredDevicesStand) {
    std::vector<uint8_t> bytes = GoldenDefaultBytes();
    for (int i = 0; i < 16; ++i) {
        bytes[0x08 + i] = static_cast<uint8_t>(0x10 + i);
        bytes[0x18 + i] = static_cast<uint8_t>(0x20 + i);
        bytes[0x28 + i] = static_cast<uint8_t>(0x30 + i);
    }
    Store(bytes);
    Guid driver{}, device{}, sound{};
    ASSERT_EQ(LoadConfigAndShowSetup("Kestrun", &driver, &device, &sound, 1), 1);
    EXPECT_EQ(device[0], 0x10);
    EXPECT_EQ(driver[15], 0x2F);
    EXPECT_EQ(sound[0], 0x30);
    EXPECT_EQ(LoadConfigAndShowSetup("Kestrun", nullptr, nullptr, nullptr, 0), 1);  // null outs are fine
}

int g_stepsCalls = 0;
int g_stepsShowDialog = -1;
int CancelledSetup(const char*, Guid*, Guid*, Guid*, int showDialog) {
    ++g_stepsCalls;
    g_stepsShowDialog = showDialog;
    return 0;
}

TEST_F(ConfigRegistryTest, SetupStepsRunAfterTheLoadAndDecideTheResult) {
    EXPECT_EQ(SetSetupSteps(CancelledSetup), nullptr);
    EXPECT_EQ(LoadConfigAndShowSetup("Kestrun", nullptr, nullptr, nullptr, 0), 0);
    EXPECT_EQ(g_stepsCalls, 1);
    EXPECT_EQ(g_stepsShowDialog, 0);
    EXPECT_EQ(g_Config.language, 2u);         // the load ran first
    EXPECT_EQ(Stored(), GoldenDefaultBytes());  // and stored the record
}

}  // namespace
