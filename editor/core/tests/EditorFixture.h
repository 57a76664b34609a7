#pragma once
// An editor with chosen test plug-ins loaded from a temporary folder, and every message box captured.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "editor/core/Editor.h"
#include "editor/msgbox/EditorMessageBox.h"

namespace qvtest {

class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::make_unique<TempDir>(::testing::UnitTest::GetInstance()->current_test_info()->name());
        qv::SetEditorMessageHook([this](const qv::EditorMessage& m) {
            messages.push_back(m.caption + "|" + m.text);
            return qv::MessageAnswer::Ok;
        });
    }
    void TearDown() override {
        editor.reset();
        qv::SetEditorMessageHook(nullptr);
        dir_.reset();
    }
    // Copies the named test plug-ins into the folder and loads it.
    size_t Load(const std::vector<std::string>& plugins) {
        std::filesystem::create_directories(dir_->path() / "plugins");
        for (const std::string& p : plugins)
            std::filesystem::copy_file(std::filesystem::path(QV_TEST_PLUGIN_DIR) / (p + ".qv"),
                                       dir_->path() / "plugins" / (p + ".qv"));
        editor = std::make_unique<qv::Editor>();
        return editor->LoadPlugins((dir_->path() / "plugins").string());
    }
    std::string State(size_t i) { return editor->Plugin(i)->GetState(); }
    qv::Port* PortOf(const char* id) { return editor->bus.FindByName((std::string(id) + "::Main Port").c_str()); }
    int32_t Send(const char* id, uint32_t code, qv::MsgArg arg) {
        qv::Port* port = PortOf(id);
        EXPECT_NE(port, nullptr) << id;
        return port ? port->OnMessage(nullptr, code, arg, 0) : -1;
    }
    std::string Path(const std::string& file) const { return *dir_ / file; }

    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<qv::Editor> editor;
    std::vector<std::string> messages;
};

}  // namespace qvtest
