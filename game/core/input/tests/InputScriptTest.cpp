#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>
#include <string>
#include <vector>

#include "game/core/input/Input.h"
#include "game/core/input/InputScript.h"

namespace kes {
namespace {

TEST(InputScript, ParsesEveryEventAndOrdersByFrame) {
    std::vector<ScriptEvent> events;
    std::string error;
    ASSERT_TRUE(ParseInputScript("# comment\n\n20 key f12 down\r\n3 mouse 1 up\n3 move -4 9\n5 joy 31 down\n"
                                 "2 axis RZ -1000\n2 pov 3 -1\n7 key PGUP down\n",
                                 &events, &error))
        << error;
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events[0].kind, ScriptEvent::Kind::Axis);
    EXPECT_EQ(events[0].index, 3u);
    EXPECT_EQ(events[1].kind, ScriptEvent::Kind::Pov);
    EXPECT_EQ(events[1].a, -1);
    EXPECT_EQ(events[2].kind, ScriptEvent::Kind::MouseButton);
    EXPECT_EQ(events[3].b, 9);
    EXPECT_EQ(events[5].index, 201u);
    EXPECT_EQ(events[6].frame, 20u);
    EXPECT_EQ(events[6].index, 88u);
    EXPECT_EQ(events[6].a, 1);
}

TEST(InputScript, RejectsBadLinesWithTheirNumber) {
    const char* bad[] = {"x key 1 down", "1 key 256 down", "1 key NOSUCH down", "1 key 1 sideways",
                         "1 mouse 4 down", "1 joy 32 up", "1 axis w 3", "1 axis x 1001", "1 pov 4 0",
                         "1 move 1", "1 jump", "1 char 0", "1 char 256", "1 char", "0 key 1 down", "1", "99999999999999 key 1 down",
                         "1 wait 0 events.txt page 13", "1 wait 1 events.txt", "1 wait x events.txt page 13"};
    for (const char* line : bad) {
        std::vector<ScriptEvent> events;
        std::string error;
        EXPECT_FALSE(ParseInputScript(std::string("1 key 2 down\n") + line, &events, &error)) << line;
        EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
        EXPECT_TRUE(events.empty());
    }
}

TEST(InputScript, DrivesBindingsAtTheirFrames) {
    const std::string path = ::testing::TempDir() + "input_script.txt";
    std::ofstream(path) << "2 key F12 down\n3 key F12 up\n";
    InputInit(nullptr, nullptr);
    ASSERT_TRUE(LoadInputScript(path));
    uint32_t grab = 0;
    const InputBinding b{kBindWord | kBindOnDown, &grab, 88, nullptr};
    InputAddBinding(&b);
    InputScriptFrame(1);
    InputPoll();
    EXPECT_EQ(grab, 0u);
    InputScriptFrame(2);
    InputPoll();
    EXPECT_EQ(grab, 1u);
    UnloadInputScript();
    InputShutdown();
    std::remove(path.c_str());
    EXPECT_FALSE(LoadInputScript(path));
    EXPECT_FALSE(InputScriptActive());
}

TEST(InputScript, TypedCharactersWaitInOrderUntilTaken) {
    const std::string path = ::testing::TempDir() + "input_script_chars.txt";
    std::ofstream(path) << "2 char 65\n2 char 64\n3 char 13\n";
    InputInit(nullptr, nullptr);
    ASSERT_TRUE(LoadInputScript(path));
    InputScriptFrame(1);
    InputPoll();
    EXPECT_EQ(InputScriptTakeCharacter(), 0);
    InputScriptFrame(2);
    InputPoll();
    EXPECT_EQ(InputScriptTakeCharacter(), 'A');
    InputScriptFrame(3);
    InputPoll();
    EXPECT_EQ(InputScriptTakeCharacter(), '@');
    EXPECT_EQ(InputScriptTakeCharacter(), 13);
    EXPECT_EQ(InputScriptTakeCharacter(), 0);
    UnloadInputScript();
    InputShutdown();
    std::remove(path.c_str());
}

// A wait stops the script, not the program: frames go on, and the events after the wait come as many
// frames later as the wait lasted, once the file holds the line often enough.
TEST(InputScript, AWaitHoldsLaterEventsUntilTheFileHoldsTheLine) {
    const std::string log = ::testing::TempDir() + "input_script_waited.txt";
    const std::string path = ::testing::TempDir() + "input_script_wait.txt";
    std::remove(log.c_str());
    std::ofstream(path) << "2 wait 2 " << log << " page 13\n3 char 65\n";
    std::vector<ScriptEvent> events;
    std::string error;
    ASSERT_TRUE(ParseInputScript("2 wait 2 " + log + " page 13\r\n", &events, &error)) << error;
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, ScriptEvent::Kind::Wait);
    EXPECT_EQ(events[0].a, 2);
    EXPECT_EQ(events[0].texts, (std::vector<std::string>{log, "page 13"}));

    InputInit(nullptr, nullptr);
    ASSERT_TRUE(LoadInputScript(path));
    const auto frame = [](uint32_t f) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));  // the file is read every 20 ms at most
        InputScriptFrame(f);
        InputPoll();
        return InputScriptTakeCharacter();
    };
    for (uint32_t f = 1; f <= 5; ++f) EXPECT_EQ(frame(f), 0) << "frame " << f << ": no file yet";
    std::ofstream(log) << "page 12\npage 13\npage 130\n";
    EXPECT_EQ(frame(6), 0) << "the line only once";
    std::ofstream(log, std::ios::app) << "page 13\r\n";
    EXPECT_EQ(frame(7), 0) << "the wait ends at frame 7, the script's frame 2";
    EXPECT_EQ(frame(8), 'A') << "the script's frame 3";
    UnloadInputScript();
    InputShutdown();
    std::remove(path.c_str());
    std::remove(log.c_str());
}

}  // namespace
}  // namespace kes
