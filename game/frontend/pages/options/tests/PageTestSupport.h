#pragma once
// Runs the settings pages in the test process: the pages installed, a fresh profile and settings,
// a temporary profiles folder and settings store, and clicks given to items as the menu engine
// gives them (the clicked bit for one step).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "game/app/loop/FrameLoop.h"
#include "game/core/config/Config.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/profile/Profile.h"
#include "platform/sys/Env.h"

namespace kes::testing {

class PageTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::path(::testing::TempDir()) /
                  ("options_pages_" + std::to_string(getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        setenv("GRAVELON_REGISTRY", (folder_ / "registry.store").c_str(), 1);
        plat::ReloadEnv();
        ASSERT_EQ(EnterProfilesFolder(folder_.string()), 0);
        FrontEnd().profile = std::make_unique<Profile>();
        FrontEnd().profile->SetName("Tester");
        g_Config = ConfigRecord{};
        Flow() = GameFlowState{};
        MenuKeyWords() = MenuKeys{};
        InstallOptionsPages();
        InstallControlsPage();
        InstallBikeSetupPage();
        ClearQuitRequest();
    }
    void TearDown() override {
        LeaveMenuPage();
        FrontEnd().profile.reset();
        ClearQuitRequest();
        if (!HasFailure()) std::filesystem::remove_all(folder_);
    }

    Profile& P() { return *FrontEnd().profile; }
    MenuItem& Item(uint32_t index) { return CurrentMenuItems()[index]; }
    // One step of the current page.
    void Step() {
        if (MenuPage* page = MenuPageAt(static_cast<uint32_t>(CurrentMenuPage())); page && page->update) page->update();
    }
    // A click on an item: its clicked bit for one step, as the menu engine leaves it.
    void Click(uint32_t index) {
        const int32_t page = CurrentMenuPage();
        Item(index).state |= kItemClicked;
        Step();
        if (CurrentMenuPage() == page) Item(index).state &= ~kItemClicked;
    }
    // A key word held for one step, as the front end's bindings set it.
    void Press(uint32_t MenuKeys::*key) {
        MenuKeyWords().*key = 1;
        Step();
        MenuKeyWords().*key = 0;
    }
    std::filesystem::path folder_;
};

}  // namespace kes::testing
