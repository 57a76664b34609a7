#pragma once
// An in-process plug-in for viewport and application tests: records its draws and the messages its
// viewport port receives, draws one triangle of its colour when asked.
#include <string>
#include <vector>

#include "editor/plugin/PluginApi.h"

namespace qv {

class RecordingPort : public Port {
public:
    explicit RecordingPort(const char* name, uint32_t mask) : Port(name, mask) {}
    int32_t OnMessage(Port*, uint32_t code, MsgArg arg, MsgArg) override {
        codes.push_back(code);
        if (code == kMsgNavigateTranslate || code == kMsgNavigateRotate) {
            const float* f = reinterpret_cast<const float*>(arg);
            triples.push_back({f[0], f[1], f[2]});
        }
        if (code == kMsgSelectPress) press = *reinterpret_cast<const MousePress*>(arg);
        if (code == kMsgSelectDrag) drag = *reinterpret_cast<const MouseDrag*>(arg);
        return 0;
    }
    std::vector<uint32_t> codes;
    std::vector<std::vector<float>> triples;
    MousePress press{};
    MouseDrag drag{};
};

class FakeView : public PluginView {
public:
    FakeView(FakeView* prototype = nullptr) : prototype_(prototype) {}
    const char* GetTitle() override { return "Fake view"; }
    int32_t Draw() override {
        ++draws;
        return 0;
    }
    PluginView* Create(Viewport*) override {
        if (refuse) return nullptr;
        instance = new FakeView(this);
        instance->cursor = cursor;
        return instance;
    }
    int32_t Destroy() override {
        if (prototype_) {
            prototype_->destroyed++;
            prototype_->instance = nullptr;
            delete this;
        }
        return 0;
    }
    Port* GetPort() override { return &port; }
    QvMenu GetMenu() override { return nullptr; }
    int32_t OnCommand(int32_t id) override {
        commands.push_back(id);
        return 0;
    }
    // Its own cursor while control is held (when it has one), else the editor's.
    QvCursor GetCursor(int32_t, int32_t, uint32_t, uint32_t control) override { return control ? cursor : nullptr; }
    ~FakeView() override = default;

    RecordingPort port{"view port", 0xFFFFFFFF};
    FakeView* instance = nullptr;
    int draws = 0;
    int destroyed = 0;
    bool refuse = false;
    QvCursor cursor = nullptr;
    std::vector<int32_t> commands;

private:
    FakeView* prototype_;
};

class FakePlugin : public EditorPlugin {
public:
    FakePlugin(const char* id4, std::string name, uint32_t colour = 0xFFFF0000u)
        : EditorPlugin(FourCC4(id4), nullptr, 0xFFFFFFFF), name_(std::move(name)), colour_(colour) {}
    static uint32_t FourCC4(const char* t) {
        return uint32_t(uint8_t(t[0])) | uint32_t(uint8_t(t[1])) << 8 | uint32_t(uint8_t(t[2])) << 16 | uint32_t(uint8_t(t[3])) << 24;
    }
    int32_t Attach() override { return 0; }
    int32_t Detach() override { return 0; }
    const char* GetName() override { return name_.c_str(); }
    const char* GetDescription() override { return ""; }
    const char* GetAuthor() override { return ""; }
    int32_t LoadChunk(FileStream*, uint32_t) override { return 0; }
    int32_t HasChunk() override { return 0; }
    int32_t SaveChunk(FileStream*, uint32_t*) override { return 0; }
    const char* GetState() override { return ""; }
    int32_t ResetWorld() override { return 0; }
    int32_t Activate() override { return 0; }
    int32_t Deactivate() override { return 0; }
    QvBitmap GetToolbarBitmap(int32_t) override { return nullptr; }
    int32_t DrawViewport(Viewport* viewport) override {
        drawnIn.push_back(viewport);
        if (drawTriangle) {
            // A triangle filling most of the viewport, in screen space.
            int32_t w = 0, h = 0;
            viewport->GetSize(&w, &h);
            const float fw = static_cast<float>(w), fh = static_cast<float>(h);
            ScreenVertex v[3] = {{fw * 0.1f, fh * 0.9f, 0.5f, 1, colour_, 0, 0, 0},
                                 {fw * 0.5f, fh * 0.1f, 0.5f, 1, colour_, 0, 0, 0},
                                 {fw * 0.9f, fh * 0.9f, 0.5f, 1, colour_, 0, 0, 0}};
            const uint16_t idx[3] = {0, 1, 2};
            viewport->SetRenderState(22, 1);
            viewport->DrawPrimitive(4, 3, v, 3, idx);
        }
        return 0;
    }
    QvMenu GetViewportMenu(Viewport*) override { return menu; }
    int32_t OnCommand(int32_t id) override {
        commands.push_back(id);
        return 0;
    }
    int32_t GetViewCount() override { return 1; }
    PluginView* GetView(int32_t i) override { return i == 0 ? &view : nullptr; }
    int32_t GetPortCount() override { return 2; }
    Port* GetPort(int32_t i) override { return i == 0 ? static_cast<Port*>(&selectPort) : i == 1 ? &otherPort : nullptr; }

    std::vector<Viewport*> drawnIn;
    std::vector<int32_t> commands;
    bool drawTriangle = false;
    QvMenu menu = nullptr;
    FakeView view;
    RecordingPort selectPort{"select", kKindViewportInput};
    RecordingPort otherPort{"other", kKindWorld};

private:
    std::string name_;
    uint32_t colour_;
};

}  // namespace qv
