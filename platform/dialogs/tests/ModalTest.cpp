// Modal dialogs answered by scripts, the choosers, popups, message boxes and addresses, all headless.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/dialogs/Modal.h"

namespace plat {
namespace {

namespace fs = std::filesystem;

class ModalLayer : public ::testing::Test {
protected:
    void SetUp() override {
        ClearScripts();
        ClearMessagesShown();
    }
    void TearDown() override { EXPECT_EQ(PendingScripts(), 0u) << "every scripted answer is used"; }
};

DialogTemplate AskName() {
    return {"Name",
            200,
            80,
            {{ControlKind::Edit, 1000, ""},
             {ControlKind::Button, kIdOk, "OK"},
             {ControlKind::Button, kIdCancel, "Cancel"}}};
}

// A dialog that refuses an empty name and answers OK with the name otherwise.
DialogProc NameProc(std::string& out, int& refusals) {
    return [&out, &refusals](Dialog& d, uint32_t msg, uintptr_t w, intptr_t param) -> intptr_t {
        if (msg == WM_INITDIALOG) {
            d.SetText(1000, reinterpret_cast<const char*>(param));
            return 1;
        }
        if (msg != WM_COMMAND) return 0;
        if (LowWord(w) == kIdOk) {
            if (d.Text(1000).empty()) {
                ++refusals;
                ShowMessageBox("Type a name", "Name", MB_OK);
                return 1;
            }
            out = d.Text(1000);
            d.End(kIdOk);
        } else if (LowWord(w) == kIdCancel) {
            d.End(kIdCancel);
        }
        return 1;
    };
}

TEST_F(ModalLayer, ScriptAnswersAModalDialogByControlId) {
    std::string name;
    int refusals = 0;
    ScriptNextDialog([](Dialog& d) {
        EXPECT_EQ(d.Text(1000), "preset");
        d.UserType(1000, "");
        d.UserClick(kIdOk);  // refused: stays open
        EXPECT_FALSE(d.Ended());
        d.UserType(1000, "track01");
        d.UserClick(kIdOk);
    });
    EXPECT_EQ(RunModal(AskName(), NameProc(name, refusals), reinterpret_cast<intptr_t>("preset")), kIdOk);
    EXPECT_EQ(name, "track01");
    EXPECT_EQ(refusals, 1);
    ASSERT_EQ(MessagesShown().size(), 1u);
    EXPECT_EQ(MessagesShown()[0].text, "Type a name");
}

TEST_F(ModalLayer, WithoutScriptHeadlessDialogsAreCancelled) {
    std::string name;
    int refusals = 0;
    EXPECT_TRUE(ModalHeadless());
    EXPECT_EQ(RunModal(AskName(), NameProc(name, refusals), reinterpret_cast<intptr_t>("x")), kIdCancel);
    EXPECT_EQ(name, "");
}

TEST_F(ModalLayer, ADialogEndingInInitialisationNeedsNoAnswer) {
    const intptr_t r = RunModal({"t", 1, 1, {}}, [](Dialog& d, uint32_t msg, uintptr_t, intptr_t) -> intptr_t {
        if (msg == WM_INITDIALOG) d.End(42);
        return 1;
    });
    EXPECT_EQ(r, 42);
}

TEST_F(ModalLayer, MessageBoxesTakeScriptedAnswersThenTheirDefault) {
    ScriptNextMessageBox(IDNO);
    EXPECT_EQ(ShowMessageBox("Erase ?", "Q", MB_YESNO), IDNO);
    EXPECT_EQ(ShowMessageBox("Erase ?", "Q", MB_YESNO | MB_DEFBUTTON2), IDNO) << "headless: the default button";
    EXPECT_EQ(ShowMessageBox("Sure ?", "Q", MB_OKCANCEL), IDOK);
    ASSERT_EQ(MessagesShown().size(), 3u);
    EXPECT_EQ(MessagesShown()[2].caption, "Q");
    EXPECT_EQ(MessagesShown()[2].answer, IDOK);
}

TEST_F(ModalLayer, PopupsAnswerTheScriptedCommandOrNothing) {
    Menu menu;
    menu.Append(40023, "Move");
    ScriptNextPopup(40023);
    EXPECT_EQ(TrackPopup(menu), 40023);
    EXPECT_EQ(TrackPopup(menu), 0);
}

class Chooser : public ModalLayer {
protected:
    void SetUp() override {
        ModalLayer::SetUp();
        dir = fs::temp_directory_path() / ("dlg_" + std::to_string(::getpid()));
        fs::create_directories(dir / "sub");
        for (const char* n : {"a.wld", "B.WLD", "c.bmp"}) std::ofstream(dir / n) << "x";
    }
    void TearDown() override {
        fs::remove_all(dir);
        ModalLayer::TearDown();
    }
    FileRequest Worlds() {
        FileRequest r;
        r.title = "Open world";
        r.filters = {{"Worlds (*.wld)", "*.WLD"}, {"All Files (*.*)", "*.*"}};
        r.folder = dir.string();
        return r;
    }
    fs::path dir;
};

TEST_F(Chooser, ScriptedFilesComeBackAbsoluteAndMustExistForOpen) {
    const fs::path old = fs::current_path();
    fs::current_path(dir);
    ScriptNextFiles({"a.wld"});
    EXPECT_EQ(OpenFileChooser(Worlds()), std::vector<std::string>{(dir / "a.wld").string()});
    ScriptNextFiles({"missing.wld"});
    EXPECT_TRUE(OpenFileChooser(Worlds()).empty()) << "an open chooser gives only existing files";
    ScriptNextFiles({"new.wld"});
    EXPECT_EQ(SaveFileChooser(Worlds()), (dir / "new.wld").string());
    ScriptNextFiles({});
    EXPECT_EQ(SaveFileChooser(Worlds()), "");
    EXPECT_EQ(fs::current_path(), dir);
    fs::current_path(old);
    EXPECT_TRUE(OpenFileChooser(Worlds()).empty()) << "headless without a script: cancelled";
}

TEST_F(Chooser, TheBrowserDialogFiltersNavigatesAndChooses) {
    ScriptNextDialog([&](Dialog& d) {
        // Worlds in any letter case and folders, by name; the bitmap is filtered out.
        std::vector<std::string> shown;
        for (int i = 0; i < d.Count(chooser::kEntries); ++i) shown.push_back(d.ItemText(chooser::kEntries, i));
        EXPECT_EQ(shown, (std::vector<std::string>{"a.wld", "B.WLD", "[sub]"}));
        d.UserSelect(chooser::kFilter, 1);
        EXPECT_EQ(d.Count(chooser::kEntries), 4);
        d.UserSelect(chooser::kEntries, d.FindString(chooser::kEntries, "B.WLD"));
        EXPECT_EQ(d.Text(chooser::kFileName), "B.WLD");
        d.UserClick(kIdOk);
    });
    EXPECT_EQ(OpenFileChooser(Worlds()), std::vector<std::string>{(dir / "B.WLD").string()});

    // Several files in one go, and a name that does not exist keeps the dialog open with a message.
    FileRequest many = Worlds();
    many.multiple = true;
    ScriptNextDialog([&](Dialog& d) {
        d.UserType(chooser::kFileName, "nothere.wld");
        d.UserClick(kIdOk);
        EXPECT_FALSE(d.Ended());
        d.UserType(chooser::kFileName, "a.wld; B.WLD");
        d.UserClick(kIdOk);
    });
    EXPECT_EQ(OpenFileChooser(many), (std::vector<std::string>{(dir / "a.wld").string(), (dir / "B.WLD").string()}));
    EXPECT_EQ(MessagesShown().size(), 1u);

    // Save adds the default extension and asks before replacing.
    FileRequest save = Worlds();
    save.defaultExtension = "wld";
    save.promptOverwrite = true;
    ScriptNextMessageBox(IDNO);
    ScriptNextDialog([&](Dialog& d) {
        d.UserType(chooser::kFileName, "a");
        d.UserClick(kIdOk);
        EXPECT_FALSE(d.Ended()) << "No to the overwrite question keeps the dialog open";
        d.UserType(chooser::kFileName, "fresh");
        d.UserClick(kIdOk);
    });
    EXPECT_EQ(SaveFileChooser(save), (dir / "fresh.wld").string());
}

TEST_F(Chooser, ColourChooserScriptAndDialog) {
    uint32_t custom[16] = {};
    uint32_t colour = 0x000000FF;
    ScriptNextColour(0x00123456);
    EXPECT_TRUE(ChooseColour(colour, custom));
    EXPECT_EQ(colour, 0x00123456u);
    ScriptNextColour(-1);
    EXPECT_FALSE(ChooseColour(colour, custom));
    EXPECT_EQ(colour, 0x00123456u);

    custom[3] = 0x00AABBCC;
    ScriptNextDialog([](Dialog& d) {
        EXPECT_EQ(d.Position(chooser::kRed), 0x56);
        EXPECT_EQ(d.Colour(chooser::kCustomFirst + 3), 0x00AABBCCu);
        d.UserMoveTrackbar(chooser::kGreen, 0x80);
        d.UserClick(140);  // add to the custom colours: slot 0
        d.UserClick(chooser::kCustomFirst + 3);
        EXPECT_EQ(d.Colour(chooser::kSwatch), 0x00AABBCCu);
        d.UserMoveTrackbar(chooser::kBlue, 0x01);
        d.UserClick(kIdOk);
    });
    EXPECT_TRUE(ChooseColour(colour, custom));
    EXPECT_EQ(colour, 0x0001BBCCu);
    EXPECT_EQ(custom[0], 0x00128056u) << "the custom colours come back to the caller";
    EXPECT_EQ(custom[3], 0x00AABBCCu);
}

TEST_F(ModalLayer, AddressesArePrintedHeadless) {
    testing::internal::CaptureStdout();
    EXPECT_TRUE(OpenAddress("https://example.org/help"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "open https://example.org/help\n");
}

}  // namespace
}  // namespace plat
