#include <gtest/gtest.h>

#include <fstream>

#include "EditorFixture.h"

namespace {

using qvtest::EditorFixture;

class PluginLoader : public EditorFixture {};

TEST_F(PluginLoader, LoadsInNameOrderAndSkipsWhatCannotBeBound) {
    std::filesystem::create_directories(dir_->path() / "plugins");
    std::ofstream(dir_->path() / "plugins" / "g_text.qv") << "not a library";
    const size_t count = Load({"z_last", "a_land", "b_objt", "c_duplicate", "d_version2", "e_null", "f_noexport"});

    // The wrong interface version (d) is refused and the files after it still load.
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(editor->Plugin(0)->identifier, qv::FourCC("AAAA"));
    EXPECT_EQ(editor->Plugin(1)->identifier, qv::FourCC("BBBB"));
    EXPECT_EQ(editor->Plugin(2)->identifier, qv::FourCC("ZZZZ"));
    EXPECT_EQ(editor->Host(2)->commandId, 8002u);
    EXPECT_EQ(editor->Plugin(2)->host, editor->Host(2));

    const std::vector<std::string> expected = {
        "Error|Duplicated plugin identifier : 0x41414141 !", "Error|Wrong plugin : \"d_version2.qv\"",
        "Error|Wrong plugin : \"e_null.qv\"", "Error|Wrong plugin : \"f_noexport.qv\"", "Error|Wrong plugin : \"g_text.qv\""};
    EXPECT_EQ(messages, expected);
}

TEST_F(PluginLoader, AttachesEveryPluginAndAddsDefaultToolbarButtons) {
    ASSERT_EQ(Load({"a_land", "b_objt"}), 2u);
    EXPECT_EQ(State(0), "Attach;");
    EXPECT_NE(PortOf("AAAA"), nullptr);
    std::vector<std::string> buttons;
    for (const auto& call : editor->ui->calls)
        if (call.op == "AddToolbarButton") buttons.push_back(call.detail);
    EXPECT_EQ(buttons, (std::vector<std::string>{"8000:default", "8001:default"}));
}

TEST_F(PluginLoader, EmptyFolderLoadsNothing) { EXPECT_EQ(Load({}), 0u); }

TEST_F(PluginLoader, RegisterRefusesNullsAndOtherVersions) {
    Load({});
    EXPECT_EQ(editor->RegisterPlugin(nullptr, nullptr), qv::Result(qv::kResultBadIndex));
}

TEST_F(PluginLoader, ActivationSequence) {
    ASSERT_EQ(Load({"a_land", "b_objt"}), 2u);
    editor->OnPluginCommand(8001);
    editor->OnPluginCommand(8000);
    EXPECT_EQ(editor->ActivePlugin(), editor->Plugin(0));
    editor->OnPluginCommand(8000);  // the same button again: Deactivate then Activate
    editor->OnPanelDestroyed();
    EXPECT_EQ(editor->ActivePlugin(), nullptr);
    EXPECT_EQ(State(1), "Attach;Activate;Deactivate;");
    EXPECT_EQ(State(0), "Attach;Activate;Deactivate;Activate;Deactivate;");
}

TEST_F(PluginLoader, ShutdownResetsDetachesAndLeavesTheBus) {
    ASSERT_EQ(Load({"a_land"}), 1u);
    const size_t before = editor->bus.Count();
    editor->Shutdown();
    EXPECT_EQ(editor->bus.Count(), before - 1);
    EXPECT_EQ(editor->PluginCount(), 0u);
}

}  // namespace
