#pragma once
// The test kit for plug-ins: an editor core whose window layer makes real dialogs of the shared dialog
// layer (so that panels are driven by control id as the program does), plug-ins registered in the
// process, worlds saved and read in a scratch folder, and the boxes shown collected.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "editor/core/Editor.h"
#include "platform/dialogs/Modal.h"
#include "plugins/shared/ChunkBitmap.h"
#include "plugins/shared/MemoryStream.h"
#include "plugins/shared/PluginBase.h"
#include "plugins/tests/WorldBytes.h"

namespace qvtest {

class DialogUi final : public qv::EditorUi {
public:
    qv::QvWnd CreatePluginDialog(qv::QvModule module, qv::QvResId id, qv::QvDlgProc proc) override {
        const plat::DialogTemplate* t = plat::FindDialogTemplate(module, id);
        if (!t) return nullptr;
        panel = std::make_unique<plat::Dialog>(*t, [proc](plat::Dialog& d, uint32_t m, uintptr_t w, intptr_t l) {
            return proc(reinterpret_cast<qv::QvWnd>(&d), m, w, l);
        });
        panel->Initialise(0);
        return reinterpret_cast<qv::QvWnd>(panel.get());
    }
    int32_t DestroyPluginDialog(qv::QvWnd w) override {
        if (!panel || reinterpret_cast<plat::Dialog*>(w) != panel.get()) return -1;
        std::unique_ptr<plat::Dialog> gone = std::move(panel);
        gone->Destroy();
        return 0;
    }
    void SetStatusText(const std::string& text) override { status.push_back(text); }
    std::unique_ptr<plat::Dialog> panel;
    std::vector<std::string> status;
};

class PluginFixture : public ::testing::Test {
protected:
    void SetUp() override {
        plat::ClearScripts();
        plat::ClearMessagesShown();
        const char* tmp = std::getenv("TEST_TMPDIR");
        dir = std::filesystem::path(tmp ? tmp : "/tmp") /
              ("plugins_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name()) +
               "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        MakeEditor();
    }
    void TearDown() override {
        editor.reset();
        plat::ClearScripts();
        std::filesystem::remove_all(dir);
    }
    // A fresh editor with the fixture's plug-ins registered and a new world.
    void MakeEditor() {
        editor.reset();
        auto owned = std::make_unique<DialogUi>();
        ui = owned.get();
        editor = std::make_unique<qv::Editor>(std::move(owned));
        Register();
        for (size_t i = 0; i < editor->PluginCount(); ++i) editor->Plugin(i)->Attach();
        editor->world.Reset(true, false);
    }
    virtual void Register() = 0;
    // Opens the panel of plug-in `index` as its toolbar button does.
    plat::Dialog& Panel(size_t index) {
        editor->OnPluginCommand(8000 + static_cast<uint32_t>(index));
        EXPECT_NE(ui->panel, nullptr);
        return *ui->panel;
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::vector<std::string> Boxes() const {
        std::vector<std::string> out;
        for (const auto& m : plat::MessagesShown()) out.push_back(m.caption + "|" + m.text);
        return out;
    }
    void WriteBitmap(const std::string& name, const qv::Dib& dib) const {
        const std::vector<uint8_t> bytes = qv::EncodeBmp(dib);
        std::ofstream(Path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                         static_cast<std::streamsize>(bytes.size()));
    }
    static std::vector<uint8_t> ReadFile(const std::string& path) { return qvtest::ReadFile(path); }
    static std::vector<uint8_t> ChunkOf(const std::vector<uint8_t>& world, uint32_t tag) { return qvtest::ChunkOf(world, tag); }

    std::filesystem::path dir;
    DialogUi* ui = nullptr;
    std::unique_ptr<qv::Editor> editor;
};

// A distinct module handle per plug-in (their panel templates are filed under it).
inline qv::QvModule ModuleOf(const void* plugin) { return const_cast<void*>(plugin); }

// One plug-in of type P in the editor, with its chunk saved and read through memory.
template <class P>
class OnePluginFixture : public PluginFixture {
protected:
    void Register() override {
        plugin = std::make_unique<P>();
        ASSERT_EQ(editor->RegisterPlugin(ModuleOf(plugin.get()), plugin.get()), 0);
    }
    void TearDown() override {
        PluginFixture::TearDown();
        plugin.reset();
    }
    // The chunk's body as the plug-in saves it; the size it reports must be the bytes written.
    std::vector<uint8_t> Saved() {
        qv::MemoryStream out;
        uint32_t size = 0;
        EXPECT_EQ(plugin->SaveChunk(&out, &size), 0);
        EXPECT_EQ(size, out.bytes().size());
        return out.bytes();
    }
    // Reads a body as an open does: every plug-in reset and every list emptied first.
    int32_t Load(const std::vector<uint8_t>& body) {
        editor->world.Reset(true, true);
        qv::MemoryStream in(body);
        return plugin->LoadChunk(&in, static_cast<uint32_t>(body.size()));
    }
    std::unique_ptr<P> plugin;
};

}  // namespace qvtest
