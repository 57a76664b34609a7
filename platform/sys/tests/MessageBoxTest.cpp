#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/sys/Env.h"
#include "platform/sys/MessageBox.h"
#include "platform/sys/Winprintf.h"

namespace {

using namespace plat;

// Captures every box and answers with a chosen button.
class BoxCapture {
public:
    explicit BoxCapture(int answer = IDOK) {
        previous_ = SetMessageBoxHook([this, answer](const MessageBoxCall& call) {
            calls.push_back(call);
            return answer;
        });
    }
    ~BoxCapture() { SetMessageBoxHook(previous_); }
    std::vector<MessageBoxCall> calls;

private:
    MessageBoxHook previous_;
};

TEST(MessageBox, DefaultButtonIsTheFirstUnlessNamed) {
    struct Case {
        uint32_t flags;
        int button;
    } cases[] = {{MB_OK, IDOK},
                 {MB_OKCANCEL | MB_ICONEXCLAMATION, IDOK},
                 {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
                 {MB_YESNO, IDYES},
                 {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
                 {MB_RETRYCANCEL, IDRETRY},
                 {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
                 {MB_YESNO | MB_DEFBUTTON3, IDYES},  // no third button: the first
                 {0xF, IDOK}};                       // unknown set: plain OK
    for (const Case& c : cases) EXPECT_EQ(DefaultButton(c.flags), c.button) << std::hex << c.flags;
}

TEST(MessageBox, HeadlessPrintsCaptionAndTextAndTakesTheDefault) {
    testing::internal::CaptureStderr();
    int result = MessageBox("There's no available video card for the game.", "Kestrun",
                            MB_ICONEXCLAMATION | MB_OKCANCEL | MB_TASKMODAL);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(err, "Kestrun: There's no available video card for the game.\n");
}

TEST(MessageBox, HookSeesEveryBoxAndAnswersIt) {
    BoxCapture capture(IDNO);
    EXPECT_EQ(MessageBox("Save?", "Save world", MB_YESNO), IDNO);
    ASSERT_EQ(capture.calls.size(), 1u);
    EXPECT_EQ(capture.calls[0].caption, "Save world");
    EXPECT_EQ(capture.calls[0].text, "Save?");
    EXPECT_EQ(capture.calls[0].flags, MB_YESNO);
}

// Without the headless switch but with no screen, the box still falls back to standard error, and a
// program that owns SDL video keeps it after the box.
TEST(MessageBox, NoDisplayFallsBackAndLeavesTheProgramsSdlAlone) {
    setenv("GRAVELON_HEADLESS", "0", 1);
    ReloadEnv();
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    testing::internal::CaptureStderr();
    int result = MessageBox("text", "caption", MB_OKCANCEL | MB_DEFBUTTON2);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_NE(err.find("caption: text\n"), std::string::npos);
    EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    SDL_Quit();
    setenv("GRAVELON_HEADLESS", "1", 1);
    ReloadEnv();
}

TEST(Winprintf, FormatsAnyLengthIntoAWinprintfBox) {
    BoxCapture capture(IDOK);
    Winprintf("File Integrity Lost\n");
    std::string longName(5000, 'x');
    Winprintf("%s %d %s", "missing", 42, longName.c_str());
    ASSERT_EQ(capture.calls.size(), 2u);
    EXPECT_EQ(capture.calls[0].text, "File Integrity Lost\n");
    EXPECT_EQ(capture.calls[0].caption, "Winprintf");
    EXPECT_EQ(capture.calls[0].flags, MB_OKCANCEL);
    EXPECT_EQ(capture.calls[1].text, "missing 42 " + longName);
}

TEST(Winprintf, OkGoesOnAndCancelAsksTheQuitHandler) {
    int quits = 0;
    auto previous = SetQuitHandler([&] { ++quits; });
    {
        BoxCapture ok(IDOK);
        Winprintf("fine");
    }
    EXPECT_EQ(quits, 0);
    {
        BoxCapture cancel(IDCANCEL);
        Winprintf("stop");
    }
    EXPECT_EQ(quits, 1);
    SetQuitHandler(previous);
}

TEST(Winprintf, HeadlessTakesOkAndGoesOn) {
    int quits = 0;
    auto previous = SetQuitHandler([&] { ++quits; });
    testing::internal::CaptureStderr();
    Winprintf("value %d", 7);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Winprintf: value 7\n");
    EXPECT_EQ(quits, 0);
    SetQuitHandler(previous);
}

TEST(WinprintfDeathTest, CancelWithoutHandlerExitsCleanly) {
    EXPECT_EXIT(
        {
            SetQuitHandler(nullptr);
            SetMessageBoxHook([](const MessageBoxCall&) { return IDCANCEL; });
            Winprintf("bye");
            std::abort();  // not reached
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
