// The editor application without a display: layout, commands, tools and toolbar, the editor's dialogs
// driven by control id, the welcome dialog and its registry value, the plug-in panel, the end order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "editor/app/EditorApp.h"
#include "editor/app/Resources.h"
#include "editor/viewport/tests/FakePlugin.h"
#include "platform/bytes/ByteIO.h"
#include "platform/dialogs/Modal.h"
#include "platform/registry/RegistryStore.h"
#include "platform/sys/Env.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

TEST(EditorLayout, PanelAndGridShareTheWindow) {
    EditorLayout l = ComputeLayout(800, 40, 578, -1);
    EXPECT_EQ(l.panel, (PixelRect{571, 40, 800, 578}));
    EXPECT_EQ(l.viewports[0], (PixelRect{0, 40, 285, 309}));
    EXPECT_EQ(l.viewports[1], (PixelRect{285, 40, 571, 309})) << "the right column takes the odd pixel";
    EXPECT_EQ(l.viewports[2], (PixelRect{0, 309, 285, 578}));
    EXPECT_EQ(l.viewports[3], (PixelRect{285, 309, 571, 578}));
    l = ComputeLayout(800, 40, 579, -1);
    EXPECT_EQ(l.viewports[0].bottom - l.viewports[0].top, 269);
    EXPECT_EQ(l.viewports[2].bottom - l.viewports[2].top, 270) << "the bottom row takes the odd pixel";
    l = ComputeLayout(800, 40, 578, 2);
    EXPECT_EQ(l.viewports[2], (PixelRect{0, 40, 571, 578}));
    EXPECT_EQ(l.viewports[0].right - l.viewports[0].left, 0);
    l = ComputeLayout(100, 40, 20, -1);
    EXPECT_EQ(l.viewports[3].right, 0) << "a window narrower than the panel leaves no viewport area";
}

class PanelPlugin : public FakePlugin {
public:
    PanelPlugin() : FakePlugin("PANL", "Panel") {}
    int32_t Activate() override {
        dialog = host->CreatePluginDialog(host->module, 101, &PanelPlugin::Proc);
        return dialog ? 0 : -1;
    }
    int32_t Deactivate() override {
        if (dialog) host->DestroyPluginDialog(dialog);
        dialog = nullptr;
        return 0;
    }
    int32_t Detach() override {
        order.push_back("detach");
        return 0;
    }
    int32_t ResetWorld() override {
        order.push_back("reset");
        return 0;
    }
    static intptr_t Proc(QvWnd, uint32_t msg, uintptr_t w, intptr_t) {
        if (msg == plat::WM_COMMAND) received.push_back(plat::LowWord(w));
        return 1;
    }
    QvWnd dialog = nullptr;
    static inline std::vector<int> received;
    static inline std::vector<std::string> order;
};

class OrderView : public FakeView {
public:
    PluginView* Create(Viewport*) override { return &instanceView; }
    class Instance : public FakeView {
    public:
        int32_t Destroy() override {
            PanelPlugin::order.push_back("view destroyed");
            return 0;
        }
    } instanceView;
};

class App : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qvapp_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        setenv("GRAVELON_REGISTRY", (dir / "registry").c_str(), 1);
        plat::ReloadEnv();
        plat::ClearScripts();
        plat::ClearMessagesShown();
        PanelPlugin::received.clear();
        PanelPlugin::order.clear();
    }
    void TearDown() override {
        app.reset();
        fs::remove_all(dir);
        unsetenv("GRAVELON_REGISTRY");
        plat::ReloadEnv();
        EXPECT_EQ(plat::PendingScripts(), 0u);
    }
    // Registers the plug-ins and starts the editor (the welcome dialog answered by `welcome`, if given).
    void Start(std::function<void(plat::Dialog&)> welcome = nullptr) {
        app = std::make_unique<EditorApp>(&device, 800, 600);
        app->editor().RegisterPlugin(reinterpret_cast<QvModule>(&land), &land);
        app->editor().RegisterPlugin(reinterpret_cast<QvModule>(&panelPlugin), &panelPlugin);
        app->Resize(800, 600, 40, 578);
        if (welcome) plat::ScriptNextDialog(welcome);
        ASSERT_TRUE(app->StartWithRegistered());
        app->editor().bus.Register(&world);
    }
    void SetDialogOnce(uint32_t value) {
        uint8_t b[4];
        plat::StoreU32(b, value);
        plat::RegistryStore::Default().SetValue(plat::RegKeyPath(plat::kHKeyLocalMachine, kEditorKey), "DialogOnce",
                                                plat::REG_DWORD, b);
    }

    fs::path dir;
    RecordingDevice device;
    FakePlugin land{"SLND", "Landscape"};
    PanelPlugin panelPlugin;
    RecordingPort world{"world listener", kKindWorld};
    std::unique_ptr<EditorApp> app;
};

TEST_F(App, WelcomeDialogFollowsDialogOnce) {
    struct Case {
        int stored;  // -1: no value
        bool shown;
    };
    for (const Case c : {Case{-1, true}, Case{0, true}, Case{1, false}}) {
        SCOPED_TRACE(c.stored);
        fs::remove(dir / "registry");
        if (c.stored >= 0) SetDialogOnce(static_cast<uint32_t>(c.stored));
        EXPECT_EQ(EditorApp::WelcomeWanted(), c.shown);
    }
    // Ticking "Dont display this box again." stores 1; the web button prints its address headless.
    fs::remove(dir / "registry");
    testing::internal::CaptureStdout();
    Start([](plat::Dialog& d) {
        d.UserClick(1027);
        d.UserClick(1023);
        d.UserClick(2);
    });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string("open ") + kWebSiteAddress + "\n");
    EXPECT_FALSE(EditorApp::WelcomeWanted());
}

TEST_F(App, StartShowsTheEmptyWorldInPredefinedViews) {
    SetDialogOnce(1);
    Start();
    EXPECT_EQ(app->title, "Untitled.wld");
    // "Front" for viewport 0 of the default world 0..1000.
    EXPECT_FLOAT_EQ(app->viewports()[0].Camera().position[1], -1000);
    EXPECT_EQ(app->status.text, "Ready");
    EXPECT_EQ(app->layout().panel.left, 571);
}

TEST_F(App, ToolsFromKeysToolbarAndPopupCheckOneButton) {
    SetDialogOnce(1);
    Start();
    for (int c = 7000; c <= 7010; ++c) EXPECT_FALSE(app->toolbar.IsChecked(c)) << "no tool at start: " << c;
    app->OnFunctionKey(6);
    EXPECT_EQ(app->viewports().tool, kToolSelect);
    EXPECT_TRUE(app->toolbar.IsChecked(7009));
    app->OnCommand(kToolRotate);
    EXPECT_TRUE(app->toolbar.IsChecked(7007));
    EXPECT_FALSE(app->toolbar.IsChecked(7009));
    app->viewports()[2].OnCommand(kCmdTilt);
    EXPECT_TRUE(app->toolbar.IsChecked(7008));
    app->OnFunctionKey(5);
    EXPECT_EQ(app->viewports().tool, kToolFieldOfView);
}

TEST(EditorResources, ToolbarStripHoldsThirteenDistinctPicturesAndCursorsTheTools) {
    const plat::Bitmap strip = ToolbarStrip();
    ASSERT_EQ(strip.width, 16 * 13);
    ASSERT_EQ(strip.height, 16);
    std::vector<plat::Bitmap> images;
    for (int i = 0; i < 13; ++i) images.push_back(strip.Cut(i, 16));
    auto drawn = [](const plat::Bitmap& b) {
        int n = 0;
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x) n += (b.Pixel(x, y) >> 24) != 0;
        return n;
    };
    for (int i = 0; i < 13; ++i) {
        SCOPED_TRACE(i);
        if (i == 5 || i == 12) {
            EXPECT_EQ(drawn(images[i]), 0) << "the separators' places are empty";
            continue;
        }
        EXPECT_GT(drawn(images[i]), 10);
        for (int j = 0; j < i; ++j) EXPECT_NE(images[i].rgba, images[j].rgba) << "same picture as " << j;
    }
    EXPECT_GT(drawn(DefaultPluginBitmap()), 10);
    for (int id : {190, 191, 194, 197, 198}) {
        const CursorImage c = NavigationCursor(id);
        EXPECT_EQ(c.image.width, 32) << id;
        EXPECT_GT(drawn(c.image), 40) << id;
        EXPECT_EQ(c.hotX, 16);
    }
    EXPECT_TRUE(NavigationCursor(0).image.Empty());
    EXPECT_TRUE(NavigationCursor(192).image.Empty());
}

TEST_F(App, ToolbarShowsStripPicturesPluginBitmapsAndCursorsFollowTheTool) {
    SetDialogOnce(1);
    Start();
    const plat::Bitmap strip = ToolbarStrip();
    const auto& buttons = app->toolbar.Buttons();
    ASSERT_GE(buttons.size(), 13u);
    for (size_t i = 0; i < 13; ++i) {
        if (!buttons[i].command) continue;
        const plat::Bitmap* shown = app->toolbar.ImageOf(buttons[i]);
        ASSERT_NE(shown, nullptr) << i;
        EXPECT_EQ(shown->rgba, strip.Cut(buttons[i].image, 16).rgba) << i;
    }
    // Plug-in buttons: its own bitmap, or the editor's plug-in picture when it gives none.
    plat::Bitmap own(16, 16);
    app->editor().ui->AddToolbarButton(8000, reinterpret_cast<QvBitmap>(&own));
    app->editor().ui->AddToolbarButton(8001, nullptr);
    const auto& all = app->toolbar.Buttons();
    EXPECT_EQ(app->toolbar.ImageOf(all[all.size() - 2]), &own);
    EXPECT_EQ(app->toolbar.ImageOf(all.back()), &app->DefaultToolbarPicture());

    // Cursors: the arrow until a tool is chosen and outside the viewports, then the tool's.
    EXPECT_EQ(app->CursorAt(10, 50, 0, 0), 0);
    app->OnFunctionKey(1);
    EXPECT_EQ(app->CursorAt(10, 50, 0, 0), 190);
    EXPECT_EQ(app->CursorAt(700, 50, 0, 0), 0) << "over the panel";
    app->OnFunctionKey(4);
    EXPECT_EQ(app->CursorAt(300, 400, 0, 0), 198);
    app->OnFunctionKey(6);
    EXPECT_EQ(app->CursorAt(300, 400, 0, 0), 0) << "Select keeps the arrow";
}

TEST_F(App, MaximiseAndShowAll) {
    SetDialogOnce(1);
    Start();
    app->OnCommand(7003);
    EXPECT_EQ(app->viewports().maximised, 2);
    EXPECT_TRUE(app->toolbar.IsChecked(7003));
    EXPECT_EQ(app->layout().viewports[2], (PixelRect{0, 40, 571, 578}));
    app->OnCommand(kCmdShowAll);
    EXPECT_EQ(app->viewports().maximised, -1);
    EXPECT_FALSE(app->toolbar.IsChecked(7003));
    EXPECT_FALSE(app->toolbar.IsChecked(7000)) << "7000 is released at once";
    app->viewports()[1].OnCommand(kCmdMaxMin);
    EXPECT_EQ(app->viewports().maximised, 1);
    EXPECT_EQ(app->layout().viewports[1].right, 571);
}

TEST_F(App, WorldSizeDialogChecksItsFields) {
    SetDialogOnce(1);
    Start();
    // All fields emptied: nothing changes, the bounds are announced all the same.
    plat::ScriptNextDialog([](plat::Dialog& d) {
        EXPECT_EQ(d.Text(1016), "1000.000000");
        for (int id = 1013; id <= 1018; ++id) d.UserType(id, "");
        d.UserClick(plat::kIdOk);
    });
    app->OnCommand(kCmdWorldSize);
    ASSERT_EQ(world.codes, std::vector<uint32_t>{kMsgWorldBoundsChanged});
    EXPECT_FLOAT_EQ(app->editor().world.bounds[3], 1000);

    // Letters and a maximum below its minimum are refused; the dialog stays open until fixed.
    plat::ScriptNextDialog([](plat::Dialog& d) {
        d.UserType(1013, "abc");
        d.UserClick(plat::kIdOk);
        EXPECT_FALSE(d.Ended());
        d.UserType(1013, "2000");
        d.UserClick(plat::kIdOk);
        EXPECT_FALSE(d.Ended());
        d.UserType(1013, "-2000");
        d.UserType(1016, "3000");
        d.UserClick(plat::kIdOk);
    });
    app->OnCommand(kCmdWorldSize);
    EXPECT_EQ(plat::MessagesShown().size(), 2u);
    EXPECT_FLOAT_EQ(app->editor().world.bounds[0], -2000);
    EXPECT_FLOAT_EQ(app->editor().world.bounds[3], 3000);

    plat::ScriptNextDialog([](plat::Dialog& d) {
        d.UserType(1014, "5");
        d.UserClick(plat::kIdCancel);
    });
    app->OnCommand(kCmdWorldSize);
    EXPECT_FLOAT_EQ(app->editor().world.bounds[1], 0) << "cancel keeps the bounds";
}

TEST_F(App, EditorSettingsSetTheSensitivities) {
    SetDialogOnce(1);
    Start();
    plat::ScriptNextDialog([](plat::Dialog& d) {
        EXPECT_EQ(d.Text(1013), "1.000000");
        d.UserType(1013, "2.5");
        d.UserType(1014, "");
        d.UserClick(plat::kIdOk);
    });
    app->OnCommand(kCmdEditorSettings);
    EXPECT_FLOAT_EQ(app->editor().world.translationalSensitivity, 2.5f);
    EXPECT_FLOAT_EQ(app->editor().world.rotationalSensitivity, 0.05f);
}

TEST_F(App, ScaleZBroadcastsTheFactorAndRefusesMistakes) {
    SetDialogOnce(1);
    Start();
    struct HeightPort : Port {
        HeightPort() : Port("heights", kKindWorld) {}
        int32_t OnMessage(Port*, uint32_t code, MsgArg arg, MsgArg) override {
            if (code == kMsgHeightScaleChanged) args.push_back(static_cast<uint32_t>(arg));
            return 0;
        }
        std::vector<uint32_t> args;
    } heights;
    app->editor().bus.Register(&heights);
    plat::ScriptNextDialog([](plat::Dialog& d) {
        EXPECT_EQ(d.Text(1020), "1.000000");
        d.UserType(1020, "abc");
        d.UserClick(plat::kIdOk);
        EXPECT_FALSE(d.Ended());
        d.UserType(1020, "2");
        d.UserClick(plat::kIdOk);
    });
    app->OnCommand(kCmdScaleZ);
    EXPECT_EQ(heights.args, std::vector<uint32_t>{0x40000000u});

    // 0 is asked about; No keeps the dialog, which is then cancelled.
    plat::ScriptNextMessageBox(plat::IDNO);
    plat::ScriptNextDialog([](plat::Dialog& d) {
        d.UserType(1020, "0");
        d.UserClick(plat::kIdOk);
        EXPECT_FALSE(d.Ended());
        d.UserClick(plat::kIdCancel);
    });
    app->OnCommand(kCmdScaleZ);
    EXPECT_EQ(heights.args.size(), 1u);
    app->editor().bus.Unregister(&heights);
}

TEST_F(App, FogDialogWorksOnACopyAndFogOnToggles) {
    SetDialogOnce(1);
    Start();
    const FogRecord before = app->editor().world.fog;
    plat::ScriptNextColour(0x00123456);
    plat::ScriptNextDialog([](plat::Dialog& d) {
        EXPECT_EQ(d.Position(1022), 500);
        EXPECT_EQ(d.Position(1023), 1900);
        d.UserMoveTrackbar(1022, 100);
        d.UserClick(1021);
        EXPECT_EQ(d.Colour(1021), 0x00123456u);
        d.UserClick(plat::kIdCancel);
    });
    app->OnCommand(kCmdFogSetting);
    EXPECT_EQ(std::memcmp(&app->editor().world.fog, &before, sizeof before), 0) << "cancel drops the copy";

    plat::ScriptNextColour(0x00654321);
    plat::ScriptNextDialog([](plat::Dialog& d) {
        d.UserMoveTrackbar(1022, 100);
        d.UserMoveTrackbar(1023, 2500);
        d.UserClick(1021);
        d.UserClick(plat::kIdOk);
    });
    app->OnCommand(kCmdFogSetting);
    EXPECT_EQ(app->editor().world.fog.start, 100);
    EXPECT_EQ(app->editor().world.fog.end, 2500);
    EXPECT_EQ(app->editor().world.fog.colour, 0x00654321u);

    app->OnCommand(kCmdFogOn);
    EXPECT_EQ(app->editor().world.fog.on, 1);
    EXPECT_TRUE(app->menu.IsChecked(kCmdFogOn));
    app->OnCommand(kCmdFogOn);
    EXPECT_FALSE(app->menu.IsChecked(kCmdFogOn));
}

TEST_F(App, HelpIsPrintedHeadless) {
    SetDialogOnce(1);
    Start();
    testing::internal::CaptureStdout();
    app->OnCommand(kCmdHelp);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string("open ") + kHelpAddress + "\n");
}

TEST_F(App, PluginButtonOpensItsPanelDrivenById) {
    SetDialogOnce(1);
    plat::RegisterDialogTemplate(&panelPlugin, 101,
                                 {"Panel", 200, 100, {{plat::ControlKind::Button, 1005, "Apply", 8, 8, 80, 22}}});
    Start();
    app->OnCommand(8001);
    ASSERT_NE(app->panel, nullptr);
    EXPECT_EQ(reinterpret_cast<QvWnd>(app->panel.get()), panelPlugin.dialog);
    app->panel->UserClick(1005);
    EXPECT_EQ(PanelPlugin::received, std::vector<int>{1005});
    app->OnCommand(8000);  // another plug-in: the panel goes
    EXPECT_EQ(app->panel, nullptr);
    plat::ForgetDialogTemplates(&panelPlugin);
}

TEST_F(App, LockedViewsAreDestroyedBeforeThePluginsDetach) {
    SetDialogOnce(1);
    Start();
    OrderView view;
    ASSERT_TRUE(app->viewports()[0].LockTo(&view));
    PanelPlugin::order.clear();
    app->Shutdown();
    EXPECT_EQ(PanelPlugin::order, (std::vector<std::string>{"view destroyed", "reset", "detach"}));
}

TEST_F(App, ExitAsksOnlyWhenTheWorldHasUnsavedChanges) {
    SetDialogOnce(1);
    Start();
    app->OnCommand(kCmdExit);
    EXPECT_TRUE(app->QuitRequested()) << "a new world untouched ends without a question";
    EXPECT_TRUE(plat::MessagesShown().empty());

    Start();
    app->OnCommand(kCmdFogOn);
    plat::ScriptNextMessageBox(plat::IDNO);
    app->OnCommand(kCmdExit);
    EXPECT_FALSE(app->QuitRequested());
    ASSERT_EQ(plat::MessagesShown().size(), 1u);
    EXPECT_EQ(plat::MessagesShown()[0].caption, "QV");

    plat::ScriptNextFiles({(dir / "w").string()});
    app->OnCommand(kCmdSaveAs);
    plat::ClearMessagesShown();
    app->OnCommand(kCmdExit);
    EXPECT_TRUE(app->QuitRequested()) << "saved: nothing to ask";
    EXPECT_TRUE(plat::MessagesShown().empty());
}

TEST_F(App, EveryPluginResetsItsWorldOnceAtExit) {
    SetDialogOnce(1);
    Start();
    PanelPlugin::order.clear();
    app->Shutdown();
    app.reset();
    EXPECT_EQ(std::count(PanelPlugin::order.begin(), PanelPlugin::order.end(), "reset"), 1);
}

TEST_F(App, SaveAsAndOpenThroughTheChoosers) {
    SetDialogOnce(1);
    Start();
    const std::string path = (dir / "Track").string();
    plat::ScriptNextFiles({path});
    app->OnCommand(kCmdSaveAs);
    ASSERT_TRUE(fs::exists(dir / "track.WLD"));
    EXPECT_EQ(app->editor().world.path, (dir / "track.WLD").string());

    plat::ScriptNextMessageBox(plat::IDOK);  // the reset question
    plat::ScriptNextFiles({(dir / "track.WLD").string()});
    app->OnCommand(kCmdOpen);
    EXPECT_EQ(app->editor().world.path, (dir / "track.WLD").string());
    app->OnCommand(kCmdExit);
    EXPECT_TRUE(app->QuitRequested());
}

}  // namespace
}  // namespace qv
