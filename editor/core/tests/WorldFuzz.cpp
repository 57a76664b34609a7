// World files from untrusted bytes: the chunk walk of the world reader and, through an in-process
// plug-in that owns "AAAA", the texture, mesh and wave list readers of its host.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "editor/core/Editor.h"
#include "editor/msgbox/EditorMessageBox.h"

namespace {

class ListPlugin final : public qv::EditorPlugin {
public:
    ListPlugin() : EditorPlugin(qv::FourCC("AAAA"), "AAAA::Main Port", 14) {}
    int32_t Attach() override { return 0; }
    int32_t Detach() override { return 0; }
    const char* GetName() override { return "AAAA"; }
    const char* GetDescription() override { return ""; }
    const char* GetAuthor() override { return ""; }
    int32_t LoadChunk(qv::FileStream* stream, uint32_t) override {
        uint32_t bytes = 0;
        if (int32_t r = host->ReadTextures(stream, &bytes); r != 0) return r;
        if (int32_t r = host->ReadMeshes(stream, &bytes); r != 0) return r;
        return host->ReadWaves(stream, &bytes);
    }
    int32_t HasChunk() override { return 1; }
    int32_t SaveChunk(qv::FileStream* stream, uint32_t* size) override {
        uint32_t a = 0, b = 0, c = 0;
        host->WriteTextures(stream, &a);
        host->WriteMeshes(stream, &b);
        host->WriteWaves(stream, &c);
        *size = a + b + c;
        return 0;
    }
    const char* GetState() override { return ""; }
    int32_t ResetWorld() override { return 0; }
    int32_t Activate() override { return 0; }
    int32_t Deactivate() override { return 0; }
    qv::QvBitmap GetToolbarBitmap(int32_t) override { return nullptr; }
    int32_t DrawViewport(qv::Viewport*) override { return 0; }
    qv::QvMenu GetViewportMenu(qv::Viewport*) override { return nullptr; }
    int32_t OnCommand(int32_t) override { return 0; }
    int32_t GetViewCount() override { return 0; }
    qv::PluginView* GetView(int32_t) override { return nullptr; }
    int32_t GetPortCount() override { return 0; }
    qv::Port* GetPort(int32_t) override { return nullptr; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ListPlugin plugin;
    static int module = 0;
    static qv::Editor* editor = [] {
        qv::SetEditorMessageHook([](const qv::EditorMessage&) { return qv::MessageAnswer::Ok; });
        auto* e = new qv::Editor();
        e->RegisterPlugin(&module, &plugin);
        return e;
    }();
    static const std::string path = "/tmp/qv_world_fuzz_" + std::to_string(getpid()) + ".wld";
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    if (editor->world.Open(path) == 0) editor->world.Save(path + ".out");
    editor->ui->calls.clear();
    std::remove(path.c_str());
    std::remove((path + ".out").c_str());
    return 0;
}
