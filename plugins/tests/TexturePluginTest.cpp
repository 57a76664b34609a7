// The texture browser locked into a real viewport: the viewed plug-in chosen from its menu, the cells
// laid out, navigation kept in range, a click announcing the texture to its owner.
#include "plugins/texture/TexturePlugin.h"

#include "PluginKit.h"
#include "editor/input/MouseInput.h"
#include "editor/render/RenderDevice.h"
#include "editor/render/RenderLayer.h"
#include "editor/viewport/EditorViewport.h"
#include "plugins/info/InfoPlugin.h"

namespace qvtest {
namespace {

class TextureTest : public PluginFixture {
protected:
    void Register() override {
        info = std::make_unique<qv::InfoPlugin>();
        texture = std::make_unique<qv::TexturePlugin>();
        ASSERT_EQ(editor->RegisterPlugin(ModuleOf(info.get()), info.get()), 0);
        ASSERT_EQ(editor->RegisterPlugin(ModuleOf(texture.get()), texture.get()), 0);
    }
    void SetUp() override {
        PluginFixture::SetUp();
        render = std::make_unique<qv::RenderLayer>(&device, 800, 600);
        editor->render = render.get();
        mouse.Create();
        set = std::make_unique<qv::ViewportSet>(editor.get(), render.get(), &mouse);
        (*set)[0].Resize(300, 200);
        ASSERT_TRUE((*set)[0].LockTo(texture->GetView(0)));
        view = static_cast<qv::TextureView*>((*set)[0].LockedView());
        for (int i = 0; i < 10; ++i) {
            WriteBitmap("t" + std::to_string(i) + ".bmp", qv::GreyBitmap(i == 3 ? 64 : 32, 32, 9));
            uint32_t index = 0;
            info->host->AddTextureFromFile(Path("t" + std::to_string(i) + ".bmp").c_str(), &index);
        }
    }
    void TearDown() override {
        set.reset();
        PluginFixture::TearDown();
        render.reset();
        info.reset();
        texture.reset();
    }
    qv::RecordingDevice device;
    std::unique_ptr<qv::RenderLayer> render;
    qv::MouseDevice mouse;
    std::unique_ptr<qv::ViewportSet> set;
    std::unique_ptr<qv::InfoPlugin> info;
    std::unique_ptr<qv::TexturePlugin> texture;
    qv::TextureView* view = nullptr;
};

TEST_F(TextureTest, MenuOffersOnlyOptionsAndPluginsUntilOneIsViewed) {
    auto* menu = reinterpret_cast<plat::Menu*>(view->GetMenu());
    EXPECT_TRUE(menu->IsGrayed(60000));
    EXPECT_TRUE(menu->IsGrayed(60002));
    EXPECT_FALSE(menu->IsGrayed(60005));
    ASSERT_NE(menu->FindItem(60006), nullptr);
    EXPECT_EQ(menu->FindItem(60006)->text, "Info 10");
    EXPECT_EQ(menu->FindItem(60007)->text, "Texture Plugin 0");
    qv::MousePress press{&(*set)[0], 10, 10, 0, 0};
    view->GetPort()->OnMessage(nullptr, qv::kMsgSelectPress, reinterpret_cast<qv::MsgArg>(&press), 0);
    EXPECT_EQ(view->selected, -1);

    view->OnCommand(60006);
    menu = reinterpret_cast<plat::Menu*>(view->GetMenu());
    EXPECT_TRUE(menu->IsChecked(60006));
    EXPECT_FALSE(menu->IsGrayed(60000));
    EXPECT_TRUE(menu->IsGrayed(60001));
    EXPECT_EQ(view->items.size(), 10u);
}

TEST_F(TextureTest, PaletteCellsAndAClickThatPicksForTheOwner) {
    view->OnCommand(60006);
    // 300 pixels across, cells of 32: (300 - 4) / 36 = 8 columns; item 9 opens the second row.
    EXPECT_EQ(view->Cell(0).left, 4);
    EXPECT_EQ(view->Cell(7).left, 7 * 36 + 4);
    EXPECT_EQ(view->Cell(9).left, 40);
    EXPECT_EQ(view->Cell(9).top, 40);
    // The wide texture keeps its aspect within the cell.
    EXPECT_EQ(view->Cell(3).right - view->Cell(3).left, 32);
    EXPECT_EQ(view->Cell(3).bottom - view->Cell(3).top, 16);

    qv::MousePress press{&(*set)[0], 45, 45, 0, 0};
    view->GetPort()->OnMessage(nullptr, qv::kMsgSelectPress, reinterpret_cast<qv::MsgArg>(&press), 0);
    EXPECT_EQ(view->selected, 9);
    EXPECT_EQ(info->host->pickedTextures[0], 10u) << "the owner took the texture as its current one";
    // A click beside every cell keeps the selection and announces it again.
    info->host->pickedTextures[0] = 0;
    press.x = 299, press.y = 199;
    view->GetPort()->OnMessage(nullptr, qv::kMsgSelectPress, reinterpret_cast<qv::MsgArg>(&press), 0);
    EXPECT_EQ(info->host->pickedTextures[0], 10u);
    // Drawing shows every thumbnail and a red frame round the selected one.
    device.draws.clear();
    view->Draw();
    EXPECT_EQ(device.draws.size(), 11u);
}

TEST_F(TextureTest, NavigationKeepsCellSizeAndScrollInRange) {
    view->OnCommand(60006);
    const float steps[][3] = {{0, -5000, 0}, {0, 5000, 0}, {0, -200, -100000}, {0, 0, 100000}, {0, 33.9f, 0}};
    for (const auto& step : steps) {
        view->GetPort()->OnMessage(nullptr, qv::kMsgNavigateTranslate, reinterpret_cast<qv::MsgArg>(step), 0);
        EXPECT_GE(view->cellSize, 32);
        EXPECT_LE(view->cellSize, 1024);
        EXPECT_GE(view->scroll, 0.0f);
        EXPECT_LE(view->scroll, static_cast<float>(view->ScrollMaximum()));
    }
}

TEST_F(TextureTest, OptionsDialogSortsAndSwitchesToTheList) {
    view->OnCommand(60006);
    plat::ScriptNextDialog([](plat::Dialog& d) {
        EXPECT_FALSE(d.IsEnabled(1002));  // names only with the list
        d.UserClick(1004);                // List
        EXPECT_TRUE(d.IsEnabled(1002));
        d.UserClick(1009);                // by size
        d.UserClick(1000);
    });
    view->OnCommand(60005);
    EXPECT_EQ(view->options.display, 0u);
    EXPECT_EQ(view->options.sortBy, 2u);
    EXPECT_EQ(view->items.back().index, 3u) << "the largest texture last";
    // List rows: thumbnails at a tenth of the width, rows at least 32 high, 4 apart.
    EXPECT_EQ(view->Cell(0).left, 30);
    EXPECT_EQ(view->Cell(1).top - view->Cell(0).top, 36);
    // Cancel leaves the options as they were.
    plat::ScriptNextDialog([](plat::Dialog& d) {
        d.UserClick(1005);
        d.UserClick(1001);
    });
    view->OnCommand(60005);
    EXPECT_EQ(view->options.display, 0u);
}

TEST_F(TextureTest, RemovingTheSelectedLastTextureLeavesNoStaleSelection) {
    view->OnCommand(60006);
    info->host->pickedTextures[0] = 10;
    view->Rebuild();
    EXPECT_EQ(view->selected, 9);
    view->OnCommand(60002);  // Remove Texture
    EXPECT_EQ(view->items.size(), 9u);
    EXPECT_EQ(view->selected, -1);
}

}  // namespace
}  // namespace qvtest
