// A plug-in built for the tests and the benchmark. It owns the chunk named by TEST_PLUGIN_ID, keeps a
// payload of bytes and its host's texture, mesh and wave lists in it, and logs every call it receives.
// GetState answers the log, so a test can read it through the plug-in interface alone.
//
// Direct messages to its main port drive its host services:
//   0x7001 arg = file: AddTextureFromFile    0x7002 arg = file: AddMeshFromFile
//   0x7003 arg = file: AddWaveFromFile       0x7004 arg = byte count: a payload of that size
//   0x7005: LoadChunk answers the refusal code from now on
#include <cstring>
#include <string>
#include <vector>

#include "editor/plugin/PluginApi.h"

namespace {

class TestPlugin final : public qv::EditorPlugin {
public:
    TestPlugin() : EditorPlugin(qv::FourCC(TEST_PLUGIN_ID), TEST_PLUGIN_ID "::Main Port", 14) {
        interfaceVersion = TEST_INTERFACE_VERSION;
    }

    int32_t Attach() override {
        Log("Attach");
        return host->bus->Register(&mainPort);
    }
    int32_t Detach() override {
        Log("Detach");
        host->bus->Unregister(&mainPort);
        return 0;
    }
    const char* GetName() override { return TEST_PLUGIN_ID; }
    const char* GetDescription() override { return "Test plug-in"; }
    const char* GetAuthor() override { return "Gravelon"; }

    int32_t LoadChunk(qv::FileStream* stream, uint32_t size) override {
        Log("LoadChunk");
        if (refuse_) return static_cast<int32_t>(qv::kPluginLoadRefused);
        uint8_t head[4];
        if (size < 4 || stream->Read(head, 4) != 0) return qv::Result(qv::kResultBadChunk);
        uint32_t payloadSize = head[0] | (head[1] << 8) | (head[2] << 16) | (static_cast<uint32_t>(head[3]) << 24);
        if (payloadSize > size - 4) return qv::Result(qv::kResultBadChunk);
        payload_.resize(payloadSize);
        if (int32_t r = stream->Read(payload_.data(), payloadSize); r != 0) return r;
        uint32_t bytes = 0;
        if (int32_t r = host->ReadTextures(stream, &bytes); r != 0) return r;
        if (int32_t r = host->ReadMeshes(stream, &bytes); r != 0) return r;
        return host->ReadWaves(stream, &bytes);
    }
    int32_t HasChunk() override { return 1; }
    int32_t SaveChunk(qv::FileStream* stream, uint32_t* size) override {
        Log("SaveChunk");
        const uint32_t start = stream->Tell();
        uint8_t head[4];
        const auto n = static_cast<uint32_t>(payload_.size());
        for (int i = 0; i < 4; ++i) head[i] = static_cast<uint8_t>(n >> (8 * i));
        if (int32_t r = stream->Write(head, 4); r != 0) return r;
        if (int32_t r = stream->Write(payload_.data(), n); r != 0) return r;
        uint32_t bytes = 0;
        if (int32_t r = host->WriteTextures(stream, &bytes); r != 0) return r;
        if (int32_t r = host->WriteMeshes(stream, &bytes); r != 0) return r;
        if (int32_t r = host->WriteWaves(stream, &bytes); r != 0) return r;
        *size = stream->Tell() - start;
        return 0;
    }
    const char* GetState() override { return log_.c_str(); }
    int32_t ResetWorld() override {
        Log("ResetWorld");
        payload_.clear();
        return 0;
    }
    int32_t Activate() override {
        Log("Activate");
        return 0;
    }
    int32_t Deactivate() override {
        Log("Deactivate");
        return 0;
    }
    qv::QvBitmap GetToolbarBitmap(int32_t) override { return nullptr; }
    int32_t DrawViewport(qv::Viewport*) override { return 0; }
    qv::QvMenu GetViewportMenu(qv::Viewport*) override { return nullptr; }
    int32_t OnCommand(int32_t) override { return 0; }
    int32_t GetViewCount() override { return 0; }
    qv::PluginView* GetView(int32_t) override { return nullptr; }
    int32_t GetPortCount() override { return 1; }
    qv::Port* GetPort(int32_t index) override { return index == 0 ? &mainPort : nullptr; }

    int32_t OnMainPortMessage(qv::Port*, uint32_t code, qv::MsgArg arg, qv::MsgArg data) override {
        uint32_t index = 0;
        switch (code) {
            case 0x7001: return host->AddTextureFromFile(reinterpret_cast<const char*>(arg), &index) > 0 ? static_cast<int32_t>(index) : 0;
            case 0x7002: host->AddMeshFromFile(reinterpret_cast<const char*>(arg), &index); return static_cast<int32_t>(index);
            case 0x7003: host->AddWaveFromFile(reinterpret_cast<const char*>(arg), &index); return static_cast<int32_t>(index);
            case 0x7004:
                payload_.resize(arg);
                for (size_t i = 0; i < payload_.size(); ++i) payload_[i] = static_cast<uint8_t>(i * 7 + 3);
                return 0;
            case 0x7005: refuse_ = true; return 0;
            default:
                Log("msg:" + std::to_string(code) + ":" + std::to_string(data));
                return 0;
        }
    }

private:
    void Log(const std::string& what) { log_ += what + ";"; }
    std::string log_;
    std::vector<uint8_t> payload_;
    bool refuse_ = false;
};

TestPlugin plugin;

}  // namespace

#ifndef TEST_NO_EXPORT
extern "C" __attribute__((visibility("default"))) qv::EditorPlugin* PluginDescription() {
#ifdef TEST_DESCRIBE_NULL
    return nullptr;
#else
    return &plugin;
#endif
}
#endif
