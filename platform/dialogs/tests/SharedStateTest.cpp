// The dialog layer is a shared object that the program and every plug-in load. The platform state it
// uses (message-box hook, current folder) must be the one the program sets, not a private copy.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/dialogs/Modal.h"
#include "platform/fs/Paths.h"
#include "platform/sys/MessageBox.h"

namespace {

TEST(DialogsSharedState, HookSetInProgramAnswersBoxShownInsideLibrary) {
    plat::ClearScripts();
    std::string seen;
    plat::MessageBoxHook previous = plat::SetMessageBoxHook([&](const plat::MessageBoxCall& call) {
        seen = call.caption + "|" + call.text;
        return plat::IDCANCEL;
    });
    // ShowMessageBox lives in the dialog layer and calls the platform's box from there.
    const int answer = plat::ShowMessageBox("Write error ...", "Save world", plat::MB_OKCANCEL);
    plat::SetMessageBoxHook(std::move(previous));
    EXPECT_EQ(seen, "Save world|Write error ...");
    EXPECT_EQ(answer, plat::IDCANCEL);
}

TEST(DialogsSharedState, CurrentFolderSetInProgramResolvesChooserAnswers) {
    namespace fs = std::filesystem;
    const std::string before = plat::CurrentFolder();
    // In the build folder's scratch folder (TEST_TMPDIR), not a fixed system path.
    std::string pattern = ::testing::TempDir() + "dialogs_shared_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string folder = pattern;
    ASSERT_TRUE(plat::SetCurrentFolder(folder));
    // A scripted answer with a relative name comes back resolved against the folder the program chose.
    plat::ScriptNextFiles({"world.wld"});
    plat::FileRequest request;
    request.mustExist = false;
    const std::vector<std::string> chosen = plat::OpenFileChooser(request);
    plat::SetCurrentFolder(before);
    fs::remove_all(folder);
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0], (fs::path(folder) / "world.wld").lexically_normal().string());
}

}  // namespace
