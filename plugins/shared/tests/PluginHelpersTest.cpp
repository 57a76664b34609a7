#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/dialogs/Bitmap.h"
#include "plugins/shared/PluginHelpers.h"

namespace qv::shared {
namespace {

namespace fs = std::filesystem;

class Helpers : public ::testing::Test {
protected:
    void SetUp() override {
        plat::ClearScripts();
        plat::ClearMessagesShown();
        dir = fs::temp_directory_path() / ("helpers_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(Helpers, FilterListsTheExtensionFirstThenAllFiles) {
    const auto f = ExtensionFilters("TXT");
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].display, "TXT Files (*.TXT)");
    EXPECT_EQ(f[0].pattern, "*.TXT");
    EXPECT_EQ(f[1].display, "All Files (*.*)");
    EXPECT_EQ(f[1].pattern, "*.*");
    EXPECT_EQ(ExtensionFilters(".bmp")[0].pattern, "*.bmp");
    EXPECT_EQ(ExtensionFilters("ABCDEFGHIJKLMNOP")[0].pattern, "*.ABCDEFGHIJK") << "at most 11 characters";
}

TEST_F(Helpers, CancelledDialogsReturnNull) {
    plat::ScriptNextFiles({});
    EXPECT_EQ(SaveFileDialog(nullptr, "TXT"), nullptr);
    plat::ScriptNextFiles({});
    EXPECT_EQ(OpenFileDialog(nullptr, "TXT"), nullptr);
    EXPECT_EQ(OpenFileDialog(nullptr, "TXT"), nullptr) << "headless without an answer: cancelled";
}

TEST_F(Helpers, ChosenPathsComeBackAsNewCopies) {
    std::ofstream(dir / "track.txt") << "x";
    plat::ScriptNextFiles({(dir / "track.txt").string()});
    char* opened = OpenFileDialog(nullptr, "TXT");
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(std::string(opened), (dir / "track.txt").string());
    std::free(opened);

    // The save dialog adds the extension to a typed name and asks before replacing.
    plat::ScriptNextMessageBox(plat::IDYES);
    plat::ScriptNextDialog([&](plat::Dialog& d) {
        d.UserType(plat::chooser::kFileName, (dir / "track").string());
        d.UserClick(plat::kIdOk);
    });
    char* saved = SaveFileDialog(nullptr, "txt");
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(std::string(saved), (dir / "track.txt").string());
    std::free(saved);
    ASSERT_EQ(plat::MessagesShown().size(), 1u) << "asked before replacing track.txt";
}

TEST_F(Helpers, WinprintfFormatsAndCutsLongTexts) {
    EXPECT_EQ(Winprintf("%d bikes on %s", 8, "track01"), plat::IDOK);
    std::string longText(2000, 'a');
    Winprintf("%s", longText.c_str());
    const auto& shown = plat::MessagesShown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "8 bikes on track01");
    EXPECT_EQ(shown[0].caption, "Winprintf");
    EXPECT_EQ(shown[0].flags & 0xF, plat::MB_OK);
    EXPECT_EQ(shown[1].text.size(), 1023u);
}

TEST(ToolbarBitmaps, ColourAndMarkTellButtonsApart) {
    QvBitmap a = CreateToolbarBitmap(0x3060C0, 0), b = CreateToolbarBitmap(0x3060C0, 2);
    QvBitmap c = CreateToolbarBitmap(0xC06030, 0);
    ASSERT_TRUE(a && b && c);
    const auto* pa = reinterpret_cast<const plat::Bitmap*>(a);
    const auto* pb = reinterpret_cast<const plat::Bitmap*>(b);
    const auto* pc = reinterpret_cast<const plat::Bitmap*>(c);
    EXPECT_EQ(pa->width, 16);
    EXPECT_EQ(pa->height, 16);
    EXPECT_EQ(pa->Pixel(3, 3), 0xFF3060C0u);
    EXPECT_EQ(pc->Pixel(3, 3), 0xFFC06030u);
    EXPECT_EQ(pa->Pixel(0, 0) >> 24, 0u) << "the edge is transparent";
    EXPECT_NE(pa->rgba, pb->rgba) << "the marks differ";
    DeleteToolbarBitmap(a);
    DeleteToolbarBitmap(b);
    DeleteToolbarBitmap(c);
    DeleteToolbarBitmap(nullptr);
}

}  // namespace
}  // namespace qv::shared
