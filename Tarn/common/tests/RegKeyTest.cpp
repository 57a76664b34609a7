// The registry key over a scratch store: opening, reading binary values, enumerating, deleting.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstdio>

#include "Tarn/common/RegKey.h"
#include "platform/registry/RegistryStore.h"

namespace TarnCommon::test {
namespace {

class RegKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TEST_TMPDIR");
        file_ = std::string(tmp ? tmp : "/tmp/") + "regkey-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".reg";
        std::remove(file_.c_str());
    }
    void TearDown() override { std::remove(file_.c_str()); }

    void SetValue(const std::string& key, const std::string& name, uint32_t type, std::vector<uint8_t> data) {
        ASSERT_EQ(plat::RegistryStore(file_).SetValue(plat::RegKeyPath(kHKeyLocalMachine, key), name, type, data),
                  plat::RegStatus::Ok);
    }

    std::string file_;
};

TEST_F(RegKeyTest, PathConstantsJoinToThePlatformKey) {
    EXPECT_EQ(RegServiceKey(), "SOFTWARE\\Tarn");
    EXPECT_EQ(RegPlatformKey(), "SOFTWARE\\Tarn\\Mesko");
}

TEST_F(RegKeyTest, ReadsTheVerifierKeyAndReportsEachFailure) {
    SetValue(RegPlatformKey(), kRegAuthVerifierKey, plat::REG_BINARY, {0x30, 0x01, 0x02});
    SetValue(RegPlatformKey(), "Text", plat::REG_SZ, {'a', 0});
    SetValue(RegPlatformKey(), "Empty", plat::REG_BINARY, {});

    RegKey key(RegPlatformKey(), kHKeyLocalMachine, false, true, file_);
    ASSERT_TRUE(key.IsOpen());
    std::vector<uint8_t> bytes;
    EXPECT_EQ(key.GetBinaryValue(kRegAuthVerifierKey, bytes), RegKey::kOk);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x30, 0x01, 0x02}));
    EXPECT_EQ(key.GetBinaryValue("Text", bytes), RegKey::kWrongType);
    EXPECT_EQ(key.GetBinaryValue("Empty", bytes), RegKey::kEmpty);
    EXPECT_EQ(key.GetBinaryValue("Missing", bytes), RegKey::kNotOpen);

    RegKey empty("", kHKeyLocalMachine, false, true, file_);
    EXPECT_FALSE(empty.IsOpen());
    RegKey missing("SOFTWARE\\Nothing", kHKeyLocalMachine, false, true, file_);
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(missing.GetBinaryValue(kRegAuthVerifierKey, bytes), RegKey::kNotOpen);
}

TEST_F(RegKeyTest, CreatesOpensAndDeletesSubKeys) {
    RegKey root(RegServiceKey(), kHKeyLocalMachine, true, true, file_);
    ASSERT_TRUE(root.IsOpen());
    RegKey child;
    EXPECT_FALSE(root.GetSubKey("", child));
    ASSERT_TRUE(root.GetSubKey("Mesko", child, true));
    EXPECT_EQ(child.GetFullPath(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarn\\Mesko");
    RegKey other;
    ASSERT_TRUE(root.GetSubKey("Other", other, true));

    std::vector<std::string> seen;
    RegKey found;
    EXPECT_FALSE(root.GetFirstSubKey(found));  // there is a first entry
    seen.push_back(found.GetPath());
    while (root.GetNextSubKey(found) == RegKey::kOk) seen.push_back(found.GetPath());
    EXPECT_EQ(seen, (std::vector<std::string>{"Mesko", "Other"}));

    EXPECT_FALSE(root.DeleteSubKey(""));
    EXPECT_TRUE(root.DeleteSubKey(other));
    EXPECT_FALSE(other.IsOpen());
    EXPECT_FALSE(root.DeleteSubKey("Other"));  // gone already
    // A key with sub-keys stays.
    RegKey top("SOFTWARE", kHKeyLocalMachine, true, true, file_);
    EXPECT_FALSE(top.DeleteSubKey("Tarn"));

    EXPECT_TRUE(root.OpenSubKey("Mesko"));
    EXPECT_EQ(root.GetPath(), "Mesko");
    EXPECT_FALSE(root.OpenSubKey("Missing"));
    EXPECT_TRUE(root.IsOpen());
}

TEST_F(RegKeyTest, EnumeratesValuesWithTheirTypes) {
    SetValue("SOFTWARE\\Tarn", "A", plat::REG_DWORD, {1, 0, 0, 0});
    SetValue("SOFTWARE\\Tarn", "B", plat::REG_SZ, {'x', 0});
    SetValue("SOFTWARE\\Tarn", "C", plat::REG_BINARY, {1});
    SetValue("SOFTWARE\\Tarn", "D", 7, {1});
    RegKey key(RegServiceKey(), kHKeyLocalMachine, false, true, file_);
    std::string name;
    RegKey::ValueType type = RegKey::kOther;
    EXPECT_FALSE(key.GetFirstValue(name, type));
    std::vector<std::pair<std::string, RegKey::ValueType>> values = {{name, type}};
    while (key.GetNextValue(name, type) == RegKey::kOk) values.emplace_back(name, type);
    EXPECT_EQ(values, (std::vector<std::pair<std::string, RegKey::ValueType>>{
                          {"A", RegKey::kDword}, {"B", RegKey::kText}, {"C", RegKey::kBinary}, {"D", RegKey::kOther}}));

    RegKey leaf("SOFTWARE\\Leaf", kHKeyLocalMachine, true, true, file_);
    RegKey none;
    EXPECT_EQ(leaf.GetNextSubKey(none), RegKey::kNoMore);
    EXPECT_TRUE(leaf.GetFirstSubKey(none));
    EXPECT_TRUE(leaf.GetFirstValue(name, type));
}

}  // namespace
}  // namespace TarnCommon::test
