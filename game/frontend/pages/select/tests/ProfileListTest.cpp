#include "game/frontend/pages/select/ProfileList.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace kes {
namespace {

namespace fs = std::filesystem;

// A profiles folder holding Ann.prf, Bob.prf, a damaged broken.prf without backup and C.PRF (a
// name in capitals, as copied from another system), whose profile is named "Cy".
class ProfileListTest : public ::testing::Test {
protected:
    void SetUp() override {
        data_ = fs::path(::testing::TempDir()) / ("profile_list_" + std::to_string(getpid()));
        fs::remove_all(data_);
        fs::create_directories(data_);
        ASSERT_EQ(EnterProfilesFolder(data_.string()), 0);
        Save("Ann", 1);
        Save("Bob", 2);
        std::ofstream(data_ / "Profiles" / "broken.prf", std::ios::binary) << "not a profile";
        Profile cy;
        cy.SetName("Cy");
        const std::vector<uint8_t> bytes = EncodeProfile(cy);
        std::ofstream(data_ / "Profiles" / "C.PRF", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void TearDown() override { fs::remove_all(data_); }
    static void Save(const char* name, float stat0) {
        Profile p;
        p.SetName(name);
        p.SetStat(0, stat0);
        ASSERT_EQ(p.Save(name), 0);
    }
    static std::vector<std::string> Names(const std::vector<ListedProfile>& list) {
        std::vector<std::string> names;
        for (const ListedProfile& l : list) names.push_back(l.profile.GetName());
        return names;
    }
    fs::path data_;
};

TEST_F(ProfileListTest, ListsTheProfilesThatLoadAndSelectsTheCurrentOne) {
    ASSERT_TRUE(ProfilesFolderUsable());
    Profile current;
    current.SetName("Bob");
    int32_t selected = 0;
    const std::vector<ListedProfile> list = ListProfiles(current, true, &selected);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Ann", "Bob", "Cy"})) << "broken.prf left out";
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(list[1].profile.GetStat(0), 2.0f);
}

TEST_F(ProfileListTest, TheSelectionIsLeftAloneWhenNoNameMatches) {
    Profile current;
    current.SetName("bob");  // names compare case-sensitively
    int32_t selected = 2;
    ListProfiles(current, true, &selected);
    EXPECT_EQ(selected, 2);
}

TEST_F(ProfileListTest, WithoutAUsableFolderOnlyTheCurrentProfileIsListed) {
    Profile current;
    current.SetName("Solo");
    int32_t selected = 5;
    const std::vector<ListedProfile> list = ListProfiles(current, false, &selected);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Solo"}));
    EXPECT_EQ(selected, 0);
}

TEST_F(ProfileListTest, DeleteRemovesTheFileTheProfileWasListedFrom) {
    Profile current;
    int32_t selected = 0;
    std::vector<ListedProfile> list = ListProfiles(current, true, &selected);
    ASSERT_EQ(list.size(), 3u);
    // "Cy" would be Cy.prf by its name; the file it came from is C.PRF.
    DeleteListedProfile(list[2]);
    EXPECT_FALSE(fs::exists(data_ / "Profiles" / "C.PRF"));
    Save("Ann", 3);  // a second save leaves a backup beside the file
    ASSERT_TRUE(fs::exists(data_ / "Profiles" / "Ann.bak"));
    DeleteListedProfile(list[0]);
    EXPECT_FALSE(fs::exists(data_ / "Profiles" / "Ann.prf"));
    EXPECT_FALSE(fs::exists(data_ / "Profiles" / "Ann.bak")) << "the backup would bring the profile back";
    EXPECT_EQ(Names(ListProfiles(current, true, &selected)), (std::vector<std::string>{"Bob"}));
}

TEST(ProfileStats, TheBlockHasAHeaderARowPerKindAndTheTotals) {
    Profile p;
    p.SetStat(0, 3);
    p.SetStat(1, 1);
    p.SetStat(2, 12.5f);
    p.SetStat(12, 2);
    p.SetStat(14, 7.25f);
    p.SetStat(15, 5);
    p.SetStat(16, 123456);
    p.SetStat(17, 19.75f);
    // Without a language file loaded the labels are empty and show as blanks.
    EXPECT_EQ(ProfileStatsText(p),
              "@@@"
              "           3       1     12.5@@"
              "           0       0      0.0@@"
              "           0       0      0.0@@"
              "           2       0      7.2@@"
              "           5  123456     19.8@@");
}

}  // namespace
}  // namespace kes
