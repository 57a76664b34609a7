#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry/RegistryStore.h"
#include "platform/sys/Env.h"

namespace fs = std::filesystem;
using namespace plat;

namespace {

const std::string kGame = RegKeyPath(kHKeyLocalMachine, "Software\\Halvex\\Gravelon");

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class RegistryTest : public testing::Test {
protected:
    void SetUp() override {
        // In the build folder's scratch folder (TEST_TMPDIR), not a fixed system path.
        std::string pattern = ::testing::TempDir() + "gravelon_reg_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        file_ = dir_ + "/halvex/registry";
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string dir_;
    std::string file_;
};

TEST_F(RegistryTest, ValuesRoundTripByteExactWithTheirType) {
    RegistryStore store(file_);
    std::vector<uint8_t> every(256);
    for (int i = 0; i < 256; ++i) every[i] = static_cast<uint8_t>(i);
    const uint8_t dword[4] = {1, 0, 0, 0};
    const uint8_t text[] = "Vosk Server";
    ASSERT_EQ(store.CreateKey(kGame), RegStatus::Ok);
    ASSERT_EQ(store.SetValue(kGame, "Config", REG_BINARY, every), RegStatus::Ok);
    ASSERT_EQ(store.SetValue(kGame + "\\Editor", "DialogOnce", REG_DWORD, dword), RegStatus::Ok);
    ASSERT_EQ(store.SetValue(kGame, "with space %41\n", REG_SZ, text), RegStatus::Ok);
    ASSERT_EQ(store.SetValue(kGame, "", REG_BINARY, {}), RegStatus::Ok);

    RegistryStore reader(file_);  // another program on the same store
    RegValue v;
    ASSERT_EQ(reader.QueryValue(kGame, "Config", v), RegStatus::Ok);
    EXPECT_EQ(v.type, REG_BINARY);
    EXPECT_EQ(v.data, every);
    ASSERT_EQ(reader.QueryValue(kGame + "\\Editor", "DialogOnce", v), RegStatus::Ok);
    EXPECT_EQ(v.type, REG_DWORD);
    EXPECT_EQ(v.data, std::vector<uint8_t>(dword, dword + 4));
    ASSERT_EQ(reader.QueryValue(kGame, "WITH SPACE %41\n", v), RegStatus::Ok);
    EXPECT_EQ(v.data, std::vector<uint8_t>(text, text + sizeof text));
    ASSERT_EQ(reader.QueryValue(kGame, "", v), RegStatus::Ok);
    EXPECT_TRUE(v.data.empty());
}

TEST_F(RegistryTest, KeysAndNamesIgnoreCaseAndStraySeparators) {
    RegistryStore store(file_);
    const uint8_t one[1] = {7};
    ASSERT_EQ(store.SetValue("HKEY_LOCAL_MACHINE\\Software\\Halvex\\Gravelon", "Config", REG_BINARY, one),
              RegStatus::Ok);
    RegValue v;
    EXPECT_EQ(store.QueryValue("hkey_local_machine\\SOFTWARE\\\\halvex\\gravelon\\", "CONFIG", v), RegStatus::Ok);
    // Setting through another spelling replaces the value instead of adding a second one.
    const uint8_t two[1] = {9};
    ASSERT_EQ(store.SetValue("HKEY_LOCAL_MACHINE\\software\\halvex\\GRAVELON", "config", REG_BINARY, two),
              RegStatus::Ok);
    ASSERT_EQ(store.QueryValue(kGame, "Config", v), RegStatus::Ok);
    EXPECT_EQ(v.data, std::vector<uint8_t>{9});
    EXPECT_EQ(v.name, "Config");  // the first spelling stays
}

TEST_F(RegistryTest, MissingThingsAreReportedAsMissing) {
    RegistryStore store(file_);
    RegValue v;
    EXPECT_EQ(store.OpenKey(kGame), RegStatus::NotFound);  // no store file yet
    EXPECT_EQ(store.QueryValue(kGame, "Config", v), RegStatus::NotFound);
    EXPECT_FALSE(fs::exists(file_));  // reading creates nothing
    ASSERT_EQ(store.CreateKey(kGame), RegStatus::Ok);
    EXPECT_EQ(store.OpenKey(kGame), RegStatus::Ok);
    EXPECT_EQ(store.OpenKey(kGame + "\\Editor"), RegStatus::NotFound);
    EXPECT_EQ(store.QueryValue(kGame, "Config", v), RegStatus::NotFound);
    EXPECT_EQ(store.DeleteValue(kGame, "Config"), RegStatus::NotFound);
    EXPECT_EQ(store.CreateKey("\\\\"), RegStatus::BadArgument);
}

TEST_F(RegistryTest, DeleteRemovesOnlyThatValue) {
    RegistryStore store(file_);
    const uint8_t b[1] = {1};
    store.SetValue(kGame, "A", REG_BINARY, b);
    store.SetValue(kGame, "B", REG_BINARY, b);
    ASSERT_EQ(store.DeleteValue(kGame, "a"), RegStatus::Ok);
    RegValue v;
    EXPECT_EQ(store.QueryValue(kGame, "A", v), RegStatus::NotFound);
    EXPECT_EQ(store.QueryValue(kGame, "B", v), RegStatus::Ok);
}

TEST_F(RegistryTest, EveryOperationSeesChangesMadeByOtherPrograms) {
    RegistryStore game(file_), editor(file_);
    const uint8_t a[1] = {1}, b[1] = {2};
    ASSERT_EQ(game.SetValue(kGame, "Config", REG_BINARY, a), RegStatus::Ok);
    ASSERT_EQ(editor.SetValue(kGame + "\\Editor", "DialogOnce", REG_DWORD, b), RegStatus::Ok);
    ASSERT_EQ(game.SetValue(kGame, "Config", REG_BINARY, b), RegStatus::Ok);  // must not lose the editor's
    RegValue v;
    EXPECT_EQ(editor.QueryValue(kGame + "\\Editor", "DialogOnce", v), RegStatus::Ok);
    EXPECT_EQ(editor.QueryValue(kGame, "Config", v), RegStatus::Ok);
    EXPECT_EQ(v.data, std::vector<uint8_t>{2});
}

TEST_F(RegistryTest, DamagedStoreReadsAsEmptyAndIsKeptAsideBeforeAWrite) {
    fs::create_directories(dir_ + "/halvex");
    const std::string garbage = "GRAVELON-REGISTRY 1\nK x\nV 3 =Config 0102";  // cut short
    WriteAll(file_, garbage);
    RegistryStore store(file_);
    RegValue v;
    testing::internal::CaptureStderr();
    EXPECT_EQ(store.QueryValue("x", "Config", v), RegStatus::NotFound);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("damaged"), std::string::npos);
    EXPECT_NE(store.LastError().find("damaged"), std::string::npos);
    EXPECT_EQ(ReadAll(file_), garbage);  // reading never rewrites

    const uint8_t b[1] = {5};
    testing::internal::CaptureStderr();
    ASSERT_EQ(store.SetValue(kGame, "Config", REG_BINARY, b), RegStatus::Ok);
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(".damaged"), std::string::npos);
    EXPECT_EQ(ReadAll(file_ + ".damaged"), garbage);
    ASSERT_EQ(store.QueryValue(kGame, "Config", v), RegStatus::Ok);
    EXPECT_EQ(v.data, std::vector<uint8_t>{5});
}

TEST_F(RegistryTest, AFailedWriteIsReportedAndKeepsThePreviousStore) {
    RegistryStore store(file_);
    const uint8_t a[1] = {1}, b[1] = {2};
    ASSERT_EQ(store.SetValue(kGame, "Config", REG_BINARY, a), RegStatus::Ok);
    const std::string before = ReadAll(file_);
    // A folder where the temporary file should go makes the write fail.
    fs::create_directories(file_ + ".tmp." + std::to_string(getpid()));
    EXPECT_EQ(store.SetValue(kGame, "Config", REG_BINARY, b), RegStatus::IoError);
    EXPECT_FALSE(store.LastError().empty());
    EXPECT_EQ(ReadAll(file_), before);
    RegValue v;
    ASSERT_EQ(store.QueryValue(kGame, "Config", v), RegStatus::Ok);
    EXPECT_EQ(v.data, std::vector<uint8_t>{1});
}

TEST_F(RegistryTest, AStoreThatCannotBeCreatedFails) {
    WriteAll(dir_ + "/plainfile", "x");
    RegistryStore store(dir_ + "/plainfile/registry");
    EXPECT_EQ(store.CreateKey(kGame), RegStatus::IoError);
    EXPECT_FALSE(store.LastError().empty());
}

TEST_F(RegistryTest, DefaultLocation) {
    auto restore = [](const char* name, const char* old) {
        if (old) setenv(name, old, 1);
        else unsetenv(name);
    };
    std::string oldReg = getenv("GRAVELON_REGISTRY") ? getenv("GRAVELON_REGISTRY") : "";
    std::string oldXdg = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
    std::string oldHome = getenv("HOME") ? getenv("HOME") : "";

    setenv("GRAVELON_REGISTRY", (dir_ + "/chosen").c_str(), 1);
    ReloadEnv();
    EXPECT_EQ(RegistryStore::DefaultFile(), dir_ + "/chosen");
    unsetenv("GRAVELON_REGISTRY");
    ReloadEnv();
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(RegistryStore::DefaultFile(), "/cfg/halvex/registry");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/rider", 1);
    EXPECT_EQ(RegistryStore::DefaultFile(), "/home/rider/.config/halvex/registry");

    restore("GRAVELON_REGISTRY", oldReg.empty() ? nullptr : oldReg.c_str());
    restore("XDG_CONFIG_HOME", oldXdg.empty() ? nullptr : oldXdg.c_str());
    restore("HOME", oldHome.empty() ? nullptr : oldHome.c_str());
    ReloadEnv();
}

TEST(RegistryText, DamagedTextIsRefused) {
    const char* cases[] = {
        "",
        "GRAVELON-REGISTRY 2\nEND\n",
        "GRAVELON-REGISTRY 1\n",                                // END missing
        "GRAVELON-REGISTRY 1\nEND",                             // last line not ended
        "GRAVELON-REGISTRY 1\nEND\nK a\n",                      // text after END
        "GRAVELON-REGISTRY 1\r\nEND\r\n",                       // line ends changed
        "GRAVELON-REGISTRY 1\nV 3 =a 00\nEND\n",                // value outside a key
        "GRAVELON-REGISTRY 1\nK a\nV 3 =a 0\nEND\n",            // odd hex
        "GRAVELON-REGISTRY 1\nK a\nV 3 =a zz\nEND\n",           // not hex
        "GRAVELON-REGISTRY 1\nK a\nV 3 =a \nEND\n",             // data missing
        "GRAVELON-REGISTRY 1\nK a\nV 4294967296 =a 00\nEND\n",  // type too large
        "GRAVELON-REGISTRY 1\nK a\nV 3 a 00\nEND\n",            // name without '='
        "GRAVELON-REGISTRY 1\nK a\nV 3 =a 00\nV 3 =A 01\nEND\n",  // value twice
        "GRAVELON-REGISTRY 1\nK a\nK A\nEND\n",                 // key twice
        "GRAVELON-REGISTRY 1\nK a%2\nEND\n",                    // escape cut short
        "GRAVELON-REGISTRY 1\nK %5c\nEND\n",                    // key with no name in it
        "GRAVELON-REGISTRY 1\nX\nEND\n",
    };
    for (const char* text : cases) {
        RegistryData data;
        std::string error;
        EXPECT_FALSE(ParseRegistryText(text, data, error)) << text;
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(data.keys.empty());
    }
}

TEST(RegistryText, FormatIsReadableAndStable) {
    RegistryData data;
    RegKey& k = data.FindOrAddKey("HKEY_LOCAL_MACHINE\\Software\\Halvex\\Gravelon");
    k.values.push_back({"Config", REG_BINARY, {0x08, 0x00, 0xFF}});
    k.values.push_back({"a b%", REG_DWORD, {}});
    const std::string text = FormatRegistryText(data);
    EXPECT_EQ(text,
              "GRAVELON-REGISTRY 1\n"
              "K HKEY_LOCAL_MACHINE\\Software\\Halvex\\Gravelon\n"
              "V 3 =Config 0800ff\n"
              "V 4 =a%20b%25 -\n"
              "END\n");
    RegistryData back;
    std::string error;
    ASSERT_TRUE(ParseRegistryText(text, back, error)) << error;
    EXPECT_EQ(FormatRegistryText(back), text);
}

}  // namespace

namespace {

TEST_F(RegistryTest, ListsSubKeysAndValuesAndDeletesLeafKeys) {
    RegistryStore store(file_);
    const std::string tarn = RegKeyPath(kHKeyLocalMachine, "SOFTWARE\\Tarn");
    const uint8_t one[] = {1};
    ASSERT_EQ(store.SetValue(tarn + "\\Mesko", "AuthVerifierKey", REG_BINARY, one), RegStatus::Ok);
    ASSERT_EQ(store.CreateKey(tarn + "\\Other\\Deep"), RegStatus::Ok);
    ASSERT_EQ(store.CreateKey(tarn + "\\MESKO\\Below"), RegStatus::Ok);

    std::vector<std::string> names;
    // The key itself was never written, but keys below it make it known.
    ASSERT_EQ(store.ListSubKeys(tarn, names), RegStatus::Ok);
    EXPECT_EQ(names, (std::vector<std::string>{"Mesko", "Other"}));
    EXPECT_EQ(store.ListSubKeys(RegKeyPath(kHKeyLocalMachine, "SOFTWARE\\Tarn\\Mesko\\Below"), names), RegStatus::Ok);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(store.ListSubKeys(RegKeyPath(kHKeyLocalMachine, "SOFTWARE\\Tar"), names), RegStatus::NotFound);
    EXPECT_EQ(store.ListSubKeys("", names), RegStatus::BadArgument);

    std::vector<RegValue> values;
    ASSERT_EQ(store.ListValues(tarn + "\\mesko", values), RegStatus::Ok);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].name, "AuthVerifierKey");
    EXPECT_EQ(store.ListValues(tarn + "\\Nothing", values), RegStatus::NotFound);

    EXPECT_EQ(store.DeleteKey(tarn + "\\Mesko"), RegStatus::BadArgument);  // has a sub-key
    EXPECT_EQ(store.DeleteKey(tarn + "\\Mesko\\Below"), RegStatus::Ok);
    EXPECT_EQ(store.DeleteKey(tarn + "\\Mesko"), RegStatus::Ok);
    EXPECT_EQ(store.DeleteKey(tarn + "\\Mesko"), RegStatus::NotFound);
    EXPECT_EQ(store.OpenKey(tarn + "\\Other\\Deep"), RegStatus::Ok);
    ASSERT_EQ(store.ListSubKeys(tarn, names), RegStatus::Ok);
    EXPECT_EQ(names, (std::vector<std::string>{"Other"}));
}

}  // namespace
