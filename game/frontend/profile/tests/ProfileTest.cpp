#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "game/core/input/Input.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/profile/ProfileControls.h"
#include "platform/sys/CrtRand.h"

namespace kes {
namespace {

namespace fs = std::filesystem;

uint32_t BE(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
}

void PutBE(std::vector<uint8_t>* b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) (*b)[at + i] = uint8_t(v >> (24 - 8 * i));
}

Profile Named(const char* name) {
    Profile p;
    p.SetName(name);
    p.riderSkin = 0x1234;
    p.bikeSkin = 0x5678;
    return p;
}

// The plain words in file order, rebuilt from the record independently of the writer.
std::vector<uint32_t> PlainWords(const Profile& p) {
    std::vector<uint32_t> w(p.values, p.values + 64);
    w.push_back(p.reserved);
    w.push_back(p.riderSkin);
    w.push_back(p.bikeSkin);
    w.insert(w.end(), p.keys, p.keys + 64);
    w.insert(w.end(), p.settings, p.settings + 64);
    for (float s : p.stats) {
        uint32_t bits;
        std::memcpy(&bits, &s, 4);
        w.push_back(bits);
    }
    return w;
}

// Rewrites the chain and checksum of a file after a plain word (index in file order) was changed.
std::vector<uint8_t> WithPlainWord(const Profile& p, size_t index, uint32_t value) {
    std::vector<uint8_t> bytes = EncodeProfile(p);
    const size_t n = std::strlen(p.name);
    std::vector<uint32_t> words = PlainWords(p);
    words[index] = value;
    uint32_t sum = 0x1247BAC2u, chain = 0;
    for (size_t i = 0; i < n; ++i) sum += uint8_t(p.name[i]);
    for (size_t i = 0; i < words.size(); ++i) {
        PutBE(&bytes, 5 + n + 4 * i, words[i] ^ chain);
        chain = words[i];
        sum += words[i];
    }
    PutBE(&bytes, 1041 + n, sum);
    return bytes;
}

TEST(ProfileRecord, NewProfileHoldsTheDefaults) {
    plat::CrtSrand(1);
    const int bike = plat::CrtRand(), rider = plat::CrtRand();
    plat::CrtSrand(1);
    Profile p;
    EXPECT_EQ(p.bikeSkin, uint32_t(bike));
    EXPECT_EQ(p.riderSkin, uint32_t(rider));
    EXPECT_EQ(p.reserved, 1u);
    EXPECT_EQ(p.GetValue(0), 1u);
    EXPECT_EQ(p.GetValue(1), 1u);
    EXPECT_EQ(p.GetValue(2), 0u);
    EXPECT_EQ(p.GetKey(0), 54u);
    EXPECT_EQ(p.GetKey(32), 263u);
    EXPECT_EQ(p.GetKey(16), 88u);
    EXPECT_EQ(p.GetKey(30), 50u);
    EXPECT_EQ(p.GetKey(31), 0u);
    EXPECT_EQ(p.GetKey(63), 0u);
    EXPECT_EQ(p.GetKey(256), 1u);
    EXPECT_EQ(p.GetKey(258), 70u);
    EXPECT_EQ(p.GetKey(261), 0u);
    EXPECT_EQ(p.GetStat(24), 10.0f);
    EXPECT_EQ(p.GetStat(27), 10.0f);
    EXPECT_EQ(p.GetStat(32), 1.0f);
    EXPECT_EQ(p.GetStat(33), 100.0f);
    EXPECT_EQ(p.GetStat(0), 0.0f);
}

TEST(ProfileRecord, GetKeyOutsideTheSlotsAndSettingsIsUnbound) {
    Profile p;
    for (uint32_t code : {64u, 100u, 255u, 320u, 0xFFFFFFFFu}) EXPECT_EQ(p.GetKey(code), 0u) << code;
}

TEST(ProfileRecord, SetKeyMovesKeysAndRefusesHighCodes) {
    Profile p;
    // Down (208) is slot 5's key; binding it to slot 2 (Left, 203) swaps the two.
    EXPECT_EQ(p.SetKey(2, 208), 0);
    EXPECT_EQ(p.GetKey(2), 208u);
    EXPECT_EQ(p.GetKey(5), 203u);
    // 0 clears without moving anything.
    EXPECT_EQ(p.SetKey(3, 0), 0);
    EXPECT_EQ(p.GetKey(3), 0u);
    EXPECT_EQ(p.GetKey(4), 200u);
    // Joystick button 3 (263) is slot 32's; binding it to slot 0 moves slot 0's key there.
    EXPECT_EQ(p.SetKey(0, 263), 0);
    EXPECT_EQ(p.GetKey(32), 54u);
    const Profile before = p;
    EXPECT_EQ(p.SetKey(1, 274), -1);
    EXPECT_EQ(p.SetKey(100, 5), -1);
    EXPECT_TRUE(p == before);
    EXPECT_EQ(p.SetKey(261, 8), 0);
    EXPECT_EQ(p.GetKey(261), 8u);
}

TEST(ProfileRecord, AddStatKeepsTheColumnTotals) {
    Profile p;
    p.AddStat(13, 1.0f);
    EXPECT_EQ(p.GetStat(16), 1.0f);
    p.AddStat(0, 2.0f);
    p.AddStat(3, 3.0f);
    EXPECT_EQ(p.GetStat(15), 5.0f);
    p.AddStat(20, 5.0f);
    EXPECT_EQ(p.GetStat(15), 5.0f);
    EXPECT_EQ(p.GetStat(16), 1.0f);
    EXPECT_EQ(p.GetStat(17), 0.0f);
    EXPECT_EQ(p.AddStat(64, 1.0f), -1);
}

TEST(ProfileFileFormat, GoldenBytesOfANewProfile) {
    const Profile p = Named("Ab");
    const std::vector<uint8_t> bytes = EncodeProfile(p);
    ASSERT_EQ(bytes.size(), 2u + 1045u);
    const std::vector<uint8_t> head = {0, 0, 0, 1, 0x41, 0x23, 0x62, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin()));
    uint32_t sum = 0x1247BAC2u + 'A' + 'b';
    for (uint32_t w : PlainWords(p)) sum += w;
    EXPECT_EQ(BE(bytes, 1043), sum);
    EXPECT_EQ(sum, 0x9910353Fu);
    // The chain: the stored reserved word is reserved XOR the last value word (0).
    EXPECT_EQ(BE(bytes, 7 + 256), 1u);
    // Rider skin XOR reserved.
    EXPECT_EQ(BE(bytes, 7 + 260), 0x1234u ^ 1u);
}

TEST(ProfileFileFormat, DecodeGivesTheRecordBack) {
    Profile p = Named("Jo Bo!");
    p.AddStat(4, 7.5f);
    p.SetKey(6, 30);
    Profile back = Named("other");
    const auto bytes = EncodeProfile(p);
    ASSERT_TRUE(DecodeProfile(bytes.data(), bytes.size(), &back));
    EXPECT_TRUE(back == p);
}

TEST(ProfileFileFormat, AKeyAboveTheLastNamedCodeLoadsUnbound) {
    const Profile p = Named("K");
    const auto bytes = WithPlainWord(p, 67 + 3, 274);  // keys start after 64 values and 3 words
    Profile back;
    ASSERT_TRUE(DecodeProfile(bytes.data(), bytes.size(), &back));
    EXPECT_EQ(back.GetKey(3), 0u);
    EXPECT_EQ(back.GetKey(4), 200u);
}

TEST(ProfileFileFormat, DamagedFilesAreRefusedAndLeaveTheRecordAlone) {
    const Profile p = Named("Ab");
    const auto good = EncodeProfile(p);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    for (size_t at : {size_t(7), size_t(275), size_t(1042), size_t(1046)}) {
        auto b = good;
        b[at] ^= 0x10;
        cases.push_back({"flipped byte", b});
    }
    {
        auto b = good;
        b[3] = 2;
        cases.push_back({"version 2", b});
    }
    cases.push_back({"cut at 10", std::vector<uint8_t>(good.begin(), good.begin() + 10)});
    cases.push_back({"cut before checksum", std::vector<uint8_t>(good.begin(), good.begin() + 1042)});
    cases.push_back({"cut inside the name", std::vector<uint8_t>(good.begin(), good.begin() + 5)});
    {
        auto b = good;
        b.push_back(0);
        cases.push_back({"trailing byte", b});
    }
    {
        // A 25-character name with a sound chain and checksum.
        Profile longName = p;
        auto b = EncodeProfile(longName);
        std::vector<uint8_t> name;
        uint8_t prev = 0;
        for (int i = 0; i < 25; ++i) {
            name.push_back(uint8_t('a') ^ prev);
            prev = 'a';
        }
        b.erase(b.begin() + 4, b.begin() + 7);
        name.push_back(prev);
        b.insert(b.begin() + 4, name.begin(), name.end());
        const size_t n = 25;
        PutBE(&b, 1041 + n, BE(b, 1041 + n) - 'A' - 'b' + 25 * 'a');
        cases.push_back({"name of 25 characters", b});
    }
    for (const Case& c : cases) {
        Profile target = Named("keep");
        const Profile before = target;
        EXPECT_FALSE(DecodeProfile(c.bytes.data(), c.bytes.size(), &target)) << c.what;
        EXPECT_TRUE(target == before) << c.what;
    }
}

TEST(ProfileFileNames, UnsafeCharactersAndExtensions) {
    struct Case {
        const char* name;
        const char* file;
    } cases[] = {
        {"Jo Bo!", "Jo_Bo_.prf"}, {"A.B", "A.prf"},         {".x", ".x.prf"},
        {"a/b\\c", "a_b_c.prf"},  {"", ".prf"},             {"x@y-z_1", "x@y-z_1.prf"},
        {"a.b.c", "a.b.prf"},     {"\xe9t\xe9", "_t_.prf"},
    };
    for (const Case& c : cases) EXPECT_EQ(ProfileFileName(c.name, "prf"), c.file) << c.name;
    EXPECT_EQ(ProfileFileName("A.B", "bak"), "A.bak");
}

class ProfileFolder : public ::testing::Test {
protected:
    void SetUp() override {
        data_ = fs::path(::testing::TempDir()) /
                ("profiles_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(data_);
        fs::create_directories(data_);
        ASSERT_EQ(EnterProfilesFolder(data_.string()), 0);
        folder_ = data_ / "Profiles";
    }
    void TearDown() override { fs::remove_all(data_); }
    std::vector<uint8_t> Read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    void Write(const fs::path& p, const std::vector<uint8_t>& b) {
        std::ofstream out(p, std::ios::binary);
        out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    }
    fs::path data_, folder_;
};

TEST_F(ProfileFolder, SaveWritesTheFileAndLoadReadsItBack) {
    Profile p = Named("Jo Bo!");
    p.AddStat(2, 3.0f);
    ASSERT_EQ(p.Save(p.GetName()), 0);
    ASSERT_TRUE(fs::exists(folder_ / "Jo_Bo_.prf"));
    EXPECT_EQ(fs::file_size(folder_ / "Jo_Bo_.prf"), 6u + 1045u);
    EXPECT_FALSE(fs::exists(folder_ / "Jo_Bo_.bak"));
    Profile back = Named("other");
    ASSERT_EQ(back.Load("Jo Bo!"), 0);
    EXPECT_TRUE(back == p);
    EXPECT_STREQ(back.GetName(), "Jo Bo!");
    // A second save keeps the first as the backup.
    p.AddStat(2, 1.0f);
    ASSERT_EQ(p.Save(p.GetName()), 0);
    EXPECT_TRUE(fs::exists(folder_ / "Jo_Bo_.bak"));
    EXPECT_EQ(fs::file_size(folder_ / "Jo_Bo_.bak"), 6u + 1045u);
}

TEST_F(ProfileFolder, ADamagedFileFallsBackToTheBackup) {
    Profile first = Named("Ab");
    first.SetStat(0, 1.0f);
    ASSERT_EQ(first.Save("Ab"), 0);
    Profile second = first;
    second.SetStat(0, 2.0f);
    ASSERT_EQ(second.Save("Ab"), 0);
    auto bytes = Read(folder_ / "Ab.prf");
    bytes[300] ^= 1;
    Write(folder_ / "Ab.prf", bytes);
    Profile back;
    ASSERT_EQ(back.Load("Ab"), 0);
    EXPECT_EQ(back.GetStat(0), 1.0f);
    // Both damaged: -1 and the record is as it was.
    auto backup = Read(folder_ / "Ab.bak");
    backup.resize(100);
    Write(folder_ / "Ab.bak", backup);
    Profile untouched = Named("untouched");
    const Profile before = untouched;
    EXPECT_EQ(untouched.Load("Ab"), -1);
    EXPECT_TRUE(untouched == before);
    EXPECT_EQ(untouched.Load("nobody"), -1);
}

TEST_F(ProfileFolder, AFailedSaveKeepsThePreviousFile) {
    Profile p = Named("Ab");
    ASSERT_EQ(p.Save("Ab"), 0);
    const auto good = Read(folder_ / "Ab.prf");
    // A folder where the temporary file would go makes the write fail, as a full disk would.
    fs::create_directory(folder_ / "Ab.prf.tmp");
    p.SetStat(0, 9.0f);
    EXPECT_EQ(p.Save("Ab"), -1);
    EXPECT_EQ(Read(folder_ / "Ab.prf"), good);
    Profile back;
    ASSERT_EQ(back.Load("Ab"), 0);
    EXPECT_EQ(back.GetStat(0), 0.0f);
}

TEST_F(ProfileFolder, DeleteRemovesFileAndBackup) {
    Profile p = Named("Ab");
    p.Save("Ab");
    p.Save("Ab");
    EXPECT_EQ(Profile::Delete("Ab"), 0);
    EXPECT_FALSE(fs::exists(folder_ / "Ab.prf"));
    EXPECT_FALSE(fs::exists(folder_ / "Ab.bak"));
    EXPECT_EQ(Profile::Delete("Ab"), 0);
}

TEST_F(ProfileFolder, RenameMovesTheFiles) {
    Profile p = Named("Old");
    p.Save("Old");
    ASSERT_EQ(p.Rename("New"), 0);
    EXPECT_STREQ(p.GetName(), "New");
    EXPECT_TRUE(fs::exists(folder_ / "New.prf"));
    EXPECT_FALSE(fs::exists(folder_ / "Old.prf"));
    // To its own name: the file stays.
    ASSERT_EQ(p.Rename("New"), 0);
    EXPECT_TRUE(fs::exists(folder_ / "New.prf"));
    // Long names are cut to 19 characters.
    ASSERT_EQ(p.Rename("abcdefghijklmnopqrstuvwxyz"), 0);
    EXPECT_STREQ(p.GetName(), "abcdefghijklmnopqrs");
    EXPECT_EQ(fs::file_size(folder_ / "abcdefghijklmnopqrs.prf"), 19u + 1045u);
}

TEST_F(ProfileFolder, RenameNeverOverwritesAnotherProfileSharingTheFile) {
    Profile other = Named("A.B");
    ASSERT_EQ(other.Save("A.B"), 0);
    const auto before = Read(folder_ / "A.prf");
    Profile p = Named("Me");
    p.Save("Me");
    EXPECT_EQ(p.Rename("A.C"), -1);
    EXPECT_STREQ(p.GetName(), "Me");
    EXPECT_EQ(Read(folder_ / "A.prf"), before);
    EXPECT_TRUE(fs::exists(folder_ / "Me.prf"));
}

TEST_F(ProfileFolder, ReservedNamesGrantUnlocksAfterTheSave) {
    struct Case {
        const char* name;
        uint32_t rider, bike, unlocks;
        float points;
    } cases[] = {
        {"Lumo 4", 0x13579BDFu, 0x2468ACE0u, 7, 100.0f},
        {"Owl-Moth", 0x0F1E2D3Cu, 0x4B5A6978u, 8, 350.0f},
        {"Tramvole", 0x7F6E5D4Cu, 0x3B2A1908u, 15, 350.0f},
        {"Tramvole", 0x7F6E5D4Cu, 0x12345678u, 0, 100.0f},  // the wrong skin grants nothing
        {"tramvole", 0x7F6E5D4Cu, 0x3B2A1908u, 0, 100.0f},  // compared with case
    };
    for (const Case& c : cases) {
        Profile p = Named("Start");
        p.riderSkin = c.rider;
        p.bikeSkin = c.bike;
        ASSERT_EQ(p.Rename(c.name), 0);
        EXPECT_EQ(p.GetKey(kSettingUnlocks), c.unlocks) << c.name;
        EXPECT_EQ(p.GetStat(kStatBikePoints), c.points) << c.name;
        Profile onDisk;
        ASSERT_EQ(onDisk.Load(c.name), 0);
        EXPECT_EQ(onDisk.GetKey(kSettingUnlocks), 0u) << "the unlocks reach the file with the next save";
        Profile::Delete(c.name);
    }
}

TEST_F(ProfileFolder, EnteringAMissingDataFolderFails) {
    EXPECT_EQ(EnterProfilesFolder((data_ / "missing").string()), -1);
    // An existing folder spelt in other case is reused.
    fs::path data2 = data_ / "second";
    fs::create_directories(data2 / "PROFILES");
    ASSERT_EQ(EnterProfilesFolder(data2.string()), 0);
    Profile p = Named("Ab");
    ASSERT_EQ(p.Save("Ab"), 0);
    EXPECT_TRUE(fs::exists(data2 / "PROFILES" / "Ab.prf"));
    ASSERT_EQ(EnterProfilesFolder(data_.string()), 0);
}

TEST(ProfileControls, ApplyBindsEachSlotOnceAndAgainWithoutDoubling) {
    Profile p;
    uint32_t pause = 5, grab = 0;
    SetActionFlag(14, &pause);
    SetActionFlag(16, &grab);
    p.SetKey(259, 1);
    p.SetKey(256, 3);
    for (int round = 0; round < 2; ++round) {
        ControlBlock* block = ApplyProfileControls(p, nullptr, false);
        EXPECT_EQ(block->words[22], 1u);
        EXPECT_EQ(ProfileInputMode(), 3u);
        EXPECT_EQ(block->forceFeedback, nullptr);
        EXPECT_EQ(InputBindingCount(54), 1u);   // slot 0 first key
        EXPECT_EQ(InputBindingCount(263), 1u);  // slot 0 second key
        EXPECT_EQ(InputBindingCount(46), 1u);   // slot 14: the pause flag
        EXPECT_EQ(InputBindingCount(88), 0u);   // slot 16 is bound by the front end
        EXPECT_EQ(InputBindingCount(57), 0u);   // slot 17 has no flag given
        EXPECT_EQ(pause, 0u);
    }
    ApplyProfileControls(p, nullptr, true);
    EXPECT_EQ(InputBindingCount(49), 0u);  // slot 15 not in a network game
    RemoveProfileControls();
    EXPECT_EQ(InputBindingCount(54), 0u);
    SetActionFlag(14, nullptr);
    SetActionFlag(16, nullptr);
}

}  // namespace
}  // namespace kes
